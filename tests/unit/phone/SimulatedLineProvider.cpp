// A telephony provider for the tests: it answers from a script and records every call made
// to it. Loaded by the dialer like any provider; a test reaches its script and record
// through the simline_* functions, or, for the desktop program, through the files named by
// KIVRANO_SIMLINE_SCRIPT and KIVRANO_SIMLINE_LOG.
//
// Script, one setting per line ("#" starts a comment):
//   devices N                    device count lineInitialize reports (default 1)
//   initialize R                 lineInitialize's result
//   device I KEY VALUE           per device: negotiate R, version V, bearer M, media M,
//                                features F, name TEXT, needed BYTES (capabilities size
//                                asked for when the buffer is smaller), open R
//   addresscaps needed BYTES | result R
//   makecall result R            an immediate result instead of a request id
//   makecall EVENT...            what follows the request, in order
//   drop result R | drop EVENT...
//   generate result R
//   thread on                    deliver the events from another thread, each after
//   delay MS                     this many milliseconds
// Events: reply=R (LINE_REPLY of the request), reply-other=R (a reply to a request nobody
// waits for), state=NAME[:REASON] (LINE_CALLSTATE of the call), close (LINE_CLOSE),
// create=ID (LINE_CREATE), generate (LINE_GENERATE), unknown (a message of no meaning).
// Numbers are decimal or 0x hexadecimal; states and reasons are the names without prefix.

#include "phone/LineProvider.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#define SIMLINE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Device {
    std::int32_t negotiate = 0;
    std::uint32_t version = 0x00010004;
    std::uint32_t bearer = LINEBEARERMODE_VOICE;
    std::uint32_t media = LINEMEDIAMODE_INTERACTIVEVOICE;
    std::uint32_t features = LINEFEATURE_MAKECALL;
    std::string name = "Simulated line";
    std::uint32_t needed = 0;
    std::int32_t open = 0;
};

struct Operation {
    bool immediate = false;  // answer `result` instead of a request id
    std::int32_t result = 0;
    std::vector<std::string> events;
};

struct Event {
    std::uint32_t device;
    std::uint32_t message;
    std::uintptr_t param1;
    std::uintptr_t param2;
};

const std::map<std::string, std::uint32_t> kStates{
    {"IDLE", LINECALLSTATE_IDLE},           {"DIALTONE", LINECALLSTATE_DIALTONE},
    {"DIALING", LINECALLSTATE_DIALING},     {"RINGBACK", LINECALLSTATE_RINGBACK},
    {"BUSY", LINECALLSTATE_BUSY},           {"SPECIALINFO", LINECALLSTATE_SPECIALINFO},
    {"CONNECTED", LINECALLSTATE_CONNECTED}, {"PROCEEDING", LINECALLSTATE_PROCEEDING},
    {"ONHOLD", LINECALLSTATE_ONHOLD},       {"DISCONNECTED", LINECALLSTATE_DISCONNECTED},
    {"UNKNOWN", LINECALLSTATE_UNKNOWN}};
const std::map<std::string, std::uint32_t> kReasons{
    {"NORMAL", LINEDISCONNECTMODE_NORMAL},
    {"UNKNOWN", LINEDISCONNECTMODE_UNKNOWN},
    {"REJECT", LINEDISCONNECTMODE_REJECT},
    {"PICKUP", LINEDISCONNECTMODE_PICKUP},
    {"FORWARDED", LINEDISCONNECTMODE_FORWARDED},
    {"BUSY", LINEDISCONNECTMODE_BUSY},
    {"NOANSWER", LINEDISCONNECTMODE_NOANSWER},
    {"BADADDRESS", LINEDISCONNECTMODE_BADADDRESS},
    {"UNREACHABLE", LINEDISCONNECTMODE_UNREACHABLE},
    {"CONGESTION", LINEDISCONNECTMODE_CONGESTION},
    {"INCOMPATIBLE", LINEDISCONNECTMODE_INCOMPATIBLE},
    {"UNAVAIL", LINEDISCONNECTMODE_UNAVAIL},
    {"NODIALTONE", LINEDISCONNECTMODE_NODIALTONE},
    {"BOGUS", 0x40000000u}};

std::uint32_t number(const std::string& text) {
    return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 0));
}

class Simulation {
public:
    ~Simulation() { stopWorker(); }

    void configure(const std::string& script) {
        stopWorker();
        const std::lock_guard lock(m_mutex);
        *this->settings() = Settings{};
        m_configured = true;
        std::istringstream lines(script);
        std::string line;
        while (std::getline(lines, line)) {
            if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
            std::istringstream words(line);
            std::string key;
            if (!(words >> key)) continue;
            Settings& s = m_settings;
            std::string a;
            std::string b;
            words >> a;
            if (key == "devices") s.devices = number(a);
            if (key == "initialize") s.initialize = static_cast<std::int32_t>(number(a));
            if (key == "thread") s.threaded = a == "on";
            if (key == "delay") s.delayMs = number(a);
            if (key == "addresscaps") {
                words >> b;
                if (a == "needed") s.addressNeeded = number(b);
                if (a == "result") s.addressResult = static_cast<std::int32_t>(number(b));
            }
            if (key == "device") {
                const std::size_t index = number(a);
                if (s.device.size() <= index) s.device.resize(index + 1);
                Device& d = s.device[index];
                words >> b;
                std::string value;
                std::getline(words >> std::ws, value);
                if (b == "negotiate") d.negotiate = static_cast<std::int32_t>(number(value));
                if (b == "version") d.version = number(value);
                if (b == "bearer") d.bearer = number(value);
                if (b == "media") d.media = number(value);
                if (b == "features") d.features = number(value);
                if (b == "name") d.name = value;
                if (b == "needed") d.needed = number(value);
                if (b == "open") d.open = static_cast<std::int32_t>(number(value));
            }
            Operation* op = key == "makecall"   ? &s.makeCall
                            : key == "drop"     ? &s.drop
                            : key == "generate" ? &s.generate
                                                : nullptr;
            if (op && a == "result") {
                words >> b;
                op->immediate = true;
                op->result = static_cast<std::int32_t>(number(b));
            } else if (op) {
                op->events.push_back(a);
                while (words >> b) op->events.push_back(b);
            }
        }
    }

    // Loads KIVRANO_SIMLINE_SCRIPT unless a test configured the simulation itself.
    void configureFromEnvironment() {
        {
            const std::lock_guard lock(m_mutex);
            if (m_configured) return;
        }
        std::string script;
        if (const char* path = std::getenv("KIVRANO_SIMLINE_SCRIPT")) {
            std::ifstream file(path);
            std::stringstream text;
            text << file.rdbuf();
            script = text.str();
        }
        configure(script);
    }

    void record(const std::string& line) {
        const std::lock_guard lock(m_mutex);
        m_log += line + "\n";
        if (const char* path = std::getenv("KIVRANO_SIMLINE_LOG")) {
            std::ofstream file(path, std::ios::app);
            file << line << "\n";
        }
    }
    std::string log() {
        const std::lock_guard lock(m_mutex);
        return m_log;
    }
    void clearLog() {
        const std::lock_guard lock(m_mutex);
        m_log.clear();
    }

    struct Settings {
        std::uint32_t devices = 1;
        std::int32_t initialize = 0;
        std::vector<Device> device;
        std::uint32_t addressNeeded = 0;
        std::int32_t addressResult = 0;
        Operation makeCall;
        Operation drop;
        Operation generate;
        bool threaded = false;
        std::uint32_t delayMs = 0;
    };
    Settings* settings() { return &m_settings; }
    Device deviceAt(std::uint32_t index) {
        const std::lock_guard lock(m_mutex);
        return index < m_settings.device.size() ? m_settings.device[index] : Device{};
    }

    LINECALLBACK callback = nullptr;
    HCALL activeCall = 0;
    HLINE openLine = 0;
    std::uint32_t callState = LINECALLSTATE_DIALTONE;
    std::int32_t nextRequest = 1;
    HCALL nextCall = 500;

    // The events of an operation, for its request.
    void deliver(const std::vector<std::string>& events, std::int32_t request) {
        std::vector<Event> out;
        for (const std::string& event : events) {
            const auto eq = event.find('=');
            const std::string name = event.substr(0, eq);
            const std::string value = eq == std::string::npos ? "" : event.substr(eq + 1);
            if (name == "reply")
                out.push_back({0, LINE_REPLY, static_cast<std::uintptr_t>(request), number(value)});
            if (name == "reply-other")
                out.push_back(
                    {0, LINE_REPLY, static_cast<std::uintptr_t>(request + 1000), number(value)});
            if (name == "state") {
                const auto colon = value.find(':');
                const std::string state = value.substr(0, colon);
                std::uint32_t reason = 0;
                if (colon != std::string::npos) reason = kReasons.at(value.substr(colon + 1));
                out.push_back({activeCall, LINE_CALLSTATE, kStates.at(state), reason});
            }
            if (name == "close") out.push_back({openLine, LINE_CLOSE, 0, 0});
            if (name == "create") out.push_back({0, LINE_CREATE, number(value), 0});
            if (name == "generate") out.push_back({activeCall, LINE_GENERATE, 0, 0});
            if (name == "unknown") out.push_back({0, 99, 0, 0});
        }
        bool threaded = false;
        std::uint32_t delay = 0;
        {
            const std::lock_guard lock(m_mutex);
            threaded = m_settings.threaded;
            delay = m_settings.delayMs;
        }
        if (!threaded) {
            for (const Event& e : out) send(e);
            return;
        }
        const std::lock_guard lock(m_workerMutex);
        for (const Event& e : out) m_pending.push_back(e);
        if (!m_worker.joinable()) {
            m_stop = false;
            m_worker = std::thread([this, delay] { work(delay); });
        }
        m_wake.notify_all();
    }

    void send(const Event& e) {
        if (e.message == LINE_CALLSTATE) callState = static_cast<std::uint32_t>(e.param1);
        if (callback) callback(e.device, e.message, 0, e.param1, e.param2, 0);
    }

    void stopWorker() {
        {
            const std::lock_guard lock(m_workerMutex);
            m_stop = true;
            m_wake.notify_all();
        }
        if (m_worker.joinable()) m_worker.join();
        m_pending.clear();
    }

private:
    void work(std::uint32_t delay) {
        std::unique_lock lock(m_workerMutex);
        while (!m_stop) {
            if (m_pending.empty()) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_for(lock, std::chrono::milliseconds(delay), [this] { return m_stop; }))
                break;
            const Event e = m_pending.front();
            m_pending.pop_front();
            lock.unlock();
            send(e);
            lock.lock();
        }
    }

    std::mutex m_mutex;
    Settings m_settings;
    bool m_configured = false;
    std::string m_log;

    std::mutex m_workerMutex;
    std::condition_variable m_wake;
    std::deque<Event> m_pending;
    std::thread m_worker;
    bool m_stop = false;
};

Simulation& sim() {
    static Simulation simulation;
    return simulation;
}

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

}  // namespace

SIMLINE_EXPORT void simline_configure(const char* script) {
    sim().configure(script);
    sim().clearLog();
}

SIMLINE_EXPORT const char* simline_log() {
    static std::string copy;
    copy = sim().log();
    return copy.c_str();
}

// Delivers events now, as if the network or the other side had acted (the remote side
// hanging up).
SIMLINE_EXPORT void simline_fire(const char* events) {
    std::istringstream words(events);
    std::vector<std::string> list;
    std::string word;
    while (words >> word) list.push_back(word);
    sim().deliver(list, 0);
}

SIMLINE_EXPORT int32_t lineInitialize(HLINEAPP* app, void*, LINECALLBACK callback,
                                      const char* appName, uint32_t* deviceCount) {
    sim().configureFromEnvironment();
    sim().record(std::string("lineInitialize ") + appName);
    const auto& s = *sim().settings();
    if (s.initialize != 0) return s.initialize;
    sim().callback = callback;
    *app = 1;
    *deviceCount = s.devices;
    return 0;
}

SIMLINE_EXPORT int32_t lineShutdown(HLINEAPP) {
    sim().record("lineShutdown");
    sim().stopWorker();
    return 0;
}

SIMLINE_EXPORT int32_t lineNegotiateAPIVersion(HLINEAPP, uint32_t device, uint32_t low,
                                               uint32_t high, uint32_t* version, LINEEXTENSIONID*) {
    sim().record("lineNegotiateAPIVersion " + std::to_string(device) + " " + hex(low) + " " +
                 hex(high));
    const Device d = sim().deviceAt(device);
    if (d.negotiate != 0) return d.negotiate;
    *version = d.version;
    return 0;
}

SIMLINE_EXPORT int32_t lineGetDevCaps(HLINEAPP, uint32_t device, uint32_t, uint32_t,
                                      LINEDEVCAPS* caps) {
    sim().record("lineGetDevCaps " + std::to_string(device) + " " +
                 std::to_string(caps->dwTotalSize));
    const Device d = sim().deviceAt(device);
    const auto nameSize = static_cast<uint32_t>(d.name.size() + 1);
    const uint32_t needed = std::max<uint32_t>(d.needed, sizeof(LINEDEVCAPS) + nameSize);
    caps->dwNeededSize = needed;
    if (caps->dwTotalSize < needed) {
        caps->dwUsedSize = sizeof(LINEDEVCAPS);
        return 0;
    }
    caps->dwUsedSize = sizeof(LINEDEVCAPS) + nameSize;
    caps->dwBearerModes = d.bearer;
    caps->dwMediaModes = d.media;
    caps->dwLineFeatures = d.features;
    caps->dwStringFormat = STRINGFORMAT_ASCII;
    caps->dwLineNameOffset = sizeof(LINEDEVCAPS);
    caps->dwLineNameSize = nameSize;
    std::memcpy(reinterpret_cast<char*>(caps) + sizeof(LINEDEVCAPS), d.name.c_str(), nameSize);
    return 0;
}

SIMLINE_EXPORT int32_t lineGetAddressCaps(HLINEAPP, uint32_t device, uint32_t address, uint32_t,
                                          uint32_t, LINEADDRESSCAPS* caps) {
    sim().record("lineGetAddressCaps " + std::to_string(device) + " " + std::to_string(address) +
                 " " + std::to_string(caps->dwTotalSize));
    const auto& s = *sim().settings();
    if (s.addressResult != 0) return s.addressResult;
    caps->dwNeededSize = std::max<uint32_t>(s.addressNeeded, sizeof(LINEADDRESSCAPS));
    caps->dwUsedSize = sizeof(LINEADDRESSCAPS);
    return 0;
}

SIMLINE_EXPORT int32_t lineOpen(HLINEAPP, uint32_t device, HLINE* line, uint32_t version,
                                uint32_t extVersion, uintptr_t, uint32_t privileges, uint32_t media,
                                const LINECALLPARAMS* params) {
    sim().record("lineOpen " + std::to_string(device) + " " + hex(version) +
                 " ext=" + std::to_string(extVersion) + " priv=" + hex(privileges) +
                 " media=" + std::to_string(media) + (params ? " params" : ""));
    const Device d = sim().deviceAt(device);
    if (d.open != 0) return d.open;
    sim().openLine = 100 + device;
    *line = sim().openLine;
    return 0;
}

SIMLINE_EXPORT int32_t lineMakeCall(HLINE line, HCALL* call, const char* destination,
                                    uint32_t country, const LINECALLPARAMS* params) {
    const char* shown = reinterpret_cast<const char*>(params) + params->dwDisplayableAddressOffset;
    sim().record(std::string("lineMakeCall ") + destination + " line=" + std::to_string(line) +
                 " country=" + std::to_string(country) + " display=" + shown +
                 " total=" + std::to_string(params->dwTotalSize) +
                 " bearer=" + hex(params->dwBearerMode) + " media=" + hex(params->dwMediaMode) +
                 " flags=" + hex(params->dwCallParamFlags) + " mode=" + hex(params->dwAddressMode));
    const Operation op = sim().settings()->makeCall;
    if (op.immediate) return op.result;
    sim().activeCall = sim().nextCall++;
    sim().callState = LINECALLSTATE_DIALTONE;
    *call = sim().activeCall;
    const std::int32_t request = sim().nextRequest++;
    sim().deliver(op.events, request);
    return request;
}

SIMLINE_EXPORT int32_t lineGetCallStatus(HCALL call, LINECALLSTATUS* status) {
    sim().record("lineGetCallStatus " + std::to_string(status->dwTotalSize));
    if (call != sim().activeCall) return static_cast<int32_t>(LINEERR_OPERATIONFAILED);
    status->dwCallState = sim().callState;
    return 0;
}

SIMLINE_EXPORT int32_t lineDrop(HCALL, const char*, uint32_t) {
    sim().record("lineDrop");
    const Operation op = sim().settings()->drop;
    if (op.immediate) return op.result;
    const std::int32_t request = sim().nextRequest++;
    sim().deliver(op.events, request);
    return request;
}

SIMLINE_EXPORT int32_t lineDeallocateCall(HCALL) {
    sim().record("lineDeallocateCall");
    sim().activeCall = 0;
    return 0;
}

SIMLINE_EXPORT int32_t lineClose(HLINE) {
    sim().record("lineClose");
    sim().openLine = 0;
    return 0;
}

SIMLINE_EXPORT int32_t lineGenerateDigits(HCALL, uint32_t mode, const char* digits,
                                          uint32_t duration) {
    sim().record("lineGenerateDigits " + hex(mode) + " " + digits + " " + std::to_string(duration));
    const Operation op = sim().settings()->generate;
    if (op.immediate) return op.result;
    sim().deliver(op.events, 0);
    return 0;
}

SIMLINE_EXPORT int32_t lineDial(HCALL, const char*, uint32_t) {
    sim().record("lineDial");
    return static_cast<int32_t>(LINEERR_OPERATIONUNAVAIL);
}
