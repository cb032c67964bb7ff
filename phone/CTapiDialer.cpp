#include "phone/CTapiDialer.h"

#include "phone/LineLibrary.h"
#include "phone/LineMessageLoop.h"
#include "platform/DebugSink.h"
#include "vault/Prompter.h"
#include "vault/Secure.h"
#include "vault/Strings.h"

#include <cstring>

namespace kivrano {

static_assert(sizeof(LINEDEVCAPS) == 236, "published layout");
static_assert(sizeof(LINECALLPARAMS) == 112, "published layout");
static_assert(sizeof(LINECALLSTATUS) == 36, "published layout");

namespace {

constexpr std::uint32_t kLowApiVersion = 0x00010003;
constexpr std::uint32_t kHighApiVersion = 0x00010004;
constexpr std::uint32_t kDevCapsInitialSize = 1264;
constexpr std::uint32_t kAddressCapsInitialSize = 1204;
// No provider needs more for its capabilities; a larger claim is refused rather than
// allocated.
constexpr std::uint32_t kMaxCapsSize = 1u << 20;
constexpr std::uint32_t kDigitDuration = 1000;

// Only one dialer receives the provider's callback; the mutex keeps a callback on another
// thread from racing the dialer's end.
std::mutex g_dialerMutex;
CTapiDialer* g_dialer = nullptr;
// Set on every exit of a reply wait, cleared at its start: an outer wait sees that an inner
// one ran.
bool g_noWaitRunning = true;

constexpr std::int32_t result(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}

const char* callStateText(std::uint32_t state) {
    switch (state) {
        case LINECALLSTATE_IDLE: return "Line idle\n";
        case LINECALLSTATE_DIALTONE: return "Dial Tone\n";
        case LINECALLSTATE_DIALING: return "Dialing\n";
        case LINECALLSTATE_RINGBACK: return "RingBack\n";
        case LINECALLSTATE_BUSY: return "Line busy, shutting down\n";
        case LINECALLSTATE_SPECIALINFO: return "Special Info, probably couldn't dial number\n";
        case LINECALLSTATE_CONNECTED: return "Connected!\n";
        case LINECALLSTATE_PROCEEDING: return "Proceeding\n";
        default: return "Unhandled LINECALLSTATE message\n";
    }
}

const char* disconnectText(std::uintptr_t reason) {
    switch (reason) {
        case LINEDISCONNECTMODE_NORMAL: return "Remote Party Disconnected";
        case LINEDISCONNECTMODE_UNKNOWN: return "Disconnected: Unknown reason";
        case LINEDISCONNECTMODE_REJECT: return "Remote Party rejected call";
        case LINEDISCONNECTMODE_PICKUP: return "Disconnected: Local phone picked up";
        case LINEDISCONNECTMODE_FORWARDED: return "Disconnected: Forwarded";
        case LINEDISCONNECTMODE_BUSY: return "Disconnected: Busy";
        case LINEDISCONNECTMODE_NOANSWER: return "Disconnected: No Answer";
        case LINEDISCONNECTMODE_BADADDRESS: return "Disconnected: Bad Address";
        case LINEDISCONNECTMODE_UNREACHABLE: return "Disconnected: Unreachable";
        case LINEDISCONNECTMODE_CONGESTION: return "Disconnected: Congestion";
        case LINEDISCONNECTMODE_INCOMPATIBLE: return "Disconnected: Incompatible";
        case LINEDISCONNECTMODE_UNAVAIL: return "Disconnected: Unavail";
        case LINEDISCONNECTMODE_NODIALTONE: return "Disconnected: No Dial Tone";
        default: return "Disconnected: LINECALLSTATE; Bad Reason";
    }
}

// The states after which the call is over.
bool endsCall(std::uint32_t state) {
    return state == LINECALLSTATE_IDLE || state == LINECALLSTATE_BUSY ||
           state == LINECALLSTATE_SPECIALINFO || state == LINECALLSTATE_DISCONNECTED;
}

}  // namespace

CTapiDialer::CTapiDialer(LineLibrary& library, LineMessageLoop& loop, Prompter& prompter,
                         platform::DebugSink& debug, std::chrono::milliseconds replyTimeout)
    : m_library(library),
      m_loop(loop),
      m_prompter(prompter),
      m_debug(debug),
      m_replyTimeout(replyTimeout) {
    const std::lock_guard lock(g_dialerMutex);
    g_dialer = this;
}

CTapiDialer::~CTapiDialer() {
    {
        const std::lock_guard lock(g_dialerMutex);
        if (g_dialer == this) g_dialer = nullptr;
    }
    secureWipe(m_number);
}

void CTapiDialer::trace(const std::string& text) {
    m_debug.write(text);
}

// --- the provider's messages ------------------------------------------------------------

void CTapiDialer::lineCallback(std::uint32_t device, std::uint32_t message, std::uintptr_t,
                               std::uintptr_t param1, std::uintptr_t param2,
                               std::uintptr_t param3) {
    const std::lock_guard lock(g_dialerMutex);
    if (g_dialer) g_dialer->queue({device, message, param1, param2, param3});
}

void CTapiDialer::queue(const Message& message) {
    {
        const std::lock_guard lock(m_queueMutex);
        m_queue.push_back(message);
    }
    // The task finds the dialer again: it may have gone by the time the task runs.
    m_loop.post([] {
        CTapiDialer* dialer = nullptr;
        {
            const std::lock_guard lock(g_dialerMutex);
            dialer = g_dialer;
        }
        if (dialer) dialer->dispatchPending();
    });
}

bool CTapiDialer::dispatchOne() {
    Message message{};
    {
        const std::lock_guard lock(m_queueMutex);
        if (m_queue.empty()) return false;
        message = m_queue.front();
        m_queue.pop_front();
    }
    handle(message);
    return true;
}

void CTapiDialer::dispatchPending() {
    while (dispatchOne()) {
    }
}

void CTapiDialer::handle(const Message& message) {
    switch (message.message) {
        case LINE_CALLSTATE:
            if (m_call != 0 && message.device == m_call)
                handleCallState(static_cast<std::uint32_t>(message.param1), message.param2);
            else
                trace("LINE_CALLSTATE: Unknown device ID " + std::to_string(message.device) + "\n");
            return;
        case LINE_CLOSE:
            m_line = 0;
            m_call = 0;
            stopCall();
            return;
        case LINE_GENERATE: trace("LINE_GENERATE is posted\n"); return;
        case LINE_REPLY: {
            const auto request = static_cast<std::int32_t>(message.param1);
            const auto replyResult = static_cast<std::int32_t>(message.param2);
            trace(replyResult != 0 ? "LINE_REPLY error\n" : "LINE_REPLY: successfully replied.\n");
            if (request == m_awaitedRequest && !m_replyReceived) {
                m_replyReceived = true;
                m_replyResult = replyResult;
            }
            if (request == m_makeCallRequest) {
                m_makeCallRequest = 0;
                // The call was never placed: nothing else will end it.
                if (replyResult != 0 && m_callInProgress) {
                    trace("lineMakeCall failed.\n");
                    stopCall();
                }
            }
            return;
        }
        case LINE_CREATE: {
            const auto device = static_cast<std::uint32_t>(message.param1);
            if (device >= m_deviceCount) m_deviceCount = device + 1;
            return;
        }
        default: trace("lineCallbackFunc message ignored\n"); return;
    }
}

void CTapiDialer::handleCallState(std::uint32_t state, std::uintptr_t reason) {
    if (state == LINECALLSTATE_DISCONNECTED)
        trace(std::string(disconnectText(reason)) + "\n");
    else
        trace(callStateText(state));
    if (endsCall(state)) stopCall();
}

// --- commands ---------------------------------------------------------------------------

void CTapiDialer::call(const std::string& number) {
    if (m_callInProgress) {
        m_prompter.message(std::string(text(StringId::CallAlreadyHandled)));
        return;
    }
    if (!initialize() || m_deviceCount == 0) return;
    m_callInProgress = true;
    secureWipe(m_number);
    m_number = number;

    std::optional<CapsBuffer> caps = chooseLine();
    if (!m_callInProgress) return;
    if (!caps) {
        trace("Error on Requested line\n");
        stopCall();
        return;
    }
    const LINEDEVCAPS* devCaps = caps->as<LINEDEVCAPS>();
    StringId refusal{};
    if (!(devCaps->dwBearerModes & LINEBEARERMODE_VOICE))
        refusal = StringId::LineWithoutVoice;
    else if (!(devCaps->dwLineFeatures & LINEFEATURE_MAKECALL))
        refusal = StringId::LineWithoutMakeCall;
    else if (!(devCaps->dwMediaModes & LINEMEDIAMODE_INTERACTIVEVOICE))
        refusal = StringId::LineWithoutInteractiveVoice;
    if (refusal != StringId{}) {
        m_prompter.message(std::string(text(refusal)));
        stopCall();
        return;
    }

    const std::int32_t opened =
        m_library.lineOpen(m_lineApp, static_cast<std::uint32_t>(m_deviceId), &m_line, m_apiVersion,
                           0, 0, LINECALLPRIVILEGE_NONE, 0, nullptr);
    if (opened != 0) {
        m_line = 0;
        interpret(opened);
        if (opened == result(LINEERR_ALLOCATED) || opened == result(LINEERR_RESOURCEUNAVAIL)) {
            stopCall();
            trace(
                "Line is already in use by a non-TAPI application or by another TAPI Service "
                "Provider.\n");
        } else {
            trace("Unable to Use Line\n");
            stopCall();
        }
        return;
    }
    makeCall();
}

void CTapiDialer::makeCall() {
    const auto addressCaps = queryGrowing<LINEADDRESSCAPS>(
        kAddressCapsInitialSize, "lineGetAddressCaps unhandled error\n",
        [this](LINEADDRESSCAPS* record) {
            return m_library.lineGetAddressCaps(m_lineApp, static_cast<std::uint32_t>(m_deviceId),
                                                0, m_apiVersion, 0, record);
        });
    if (!m_callInProgress) return;
    if (!addressCaps) {
        trace("lineMakeCall failed.\n");
        stopCall();
        return;
    }

    // The parameters are followed by the number with its terminating zero, shown as the
    // displayable address.
    const auto numberSize = static_cast<std::uint32_t>(m_number.size() + 1);
    std::vector<std::uint32_t> words((sizeof(LINECALLPARAMS) + numberSize + 3) / 4 + 1, 0);
    auto* params = reinterpret_cast<LINECALLPARAMS*>(words.data());
    params->dwTotalSize = static_cast<std::uint32_t>(m_number.size() + 113);
    params->dwBearerMode = LINEBEARERMODE_VOICE;
    params->dwMediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    params->dwCallParamFlags = LINECALLPARAMFLAGS_IDLE;
    params->dwAddressMode = LINEADDRESSMODE_ADDRESSID;
    params->dwAddressID = 0;
    params->dwDisplayableAddressOffset = sizeof(LINECALLPARAMS);
    params->dwDisplayableAddressSize = numberSize;
    std::memcpy(reinterpret_cast<char*>(words.data()) + sizeof(LINECALLPARAMS), m_number.c_str(),
                numberSize);

    const std::int32_t request =
        m_library.lineMakeCall(m_line, &m_call, m_number.c_str(), 0, params);
    secureWipe(words.data(), words.size() * sizeof(std::uint32_t));
    if (request < 0) {
        // Refused at once: there is no call to wait for.
        m_call = 0;
        interpret(request);
        trace("lineMakeCall failed.\n");
        stopCall();
        return;
    }
    m_makeCallRequest = request;
    trace("lineMakeCall succeeded.\n");
}

void CTapiDialer::hangup() {
    stopCall();
}

void CTapiDialer::send(const std::string& digits) {
    if (!m_callInProgress || m_call == 0) {
        m_prompter.message(std::string(text(StringId::CallFirst)));
        return;
    }
    interpret(m_library.lineGenerateDigits(m_call, LINEDIGITMODE_DTMFEND, digits.c_str(),
                                           kDigitDuration));
}

// --- the line ---------------------------------------------------------------------------

bool CTapiDialer::initialize() {
    if (m_lineApp != 0) return true;
    if (m_initializing) return false;
    m_initializing = true;
    m_deviceCount = 0;
    const std::int32_t initialized = m_library.lineInitialize(
        &m_lineApp, nullptr, &CTapiDialer::lineCallback, "Kivrano", &m_deviceCount);
    m_initializing = false;
    if (initialized != 0) m_lineApp = 0;
    if (m_deviceCount == 0) {
        // Let the next Call look again: a modem may have been plugged in meanwhile.
        if (m_lineApp != 0) m_library.lineShutdown(m_lineApp);
        m_lineApp = 0;
        m_prompter.message(std::string(text(StringId::NoTelephonyDevices)));
        return false;
    }
    if (initialized != 0) {
        interpret(initialized);
        trace("lineInitialize unhandled error\n");
        return false;
    }
    trace("Tapi initialized.\n");
    return true;
}

std::optional<CTapiDialer::CapsBuffer> CTapiDialer::chooseLine() {
    std::optional<CapsBuffer> chosen;
    m_deviceId = -1;
    // A shutdown on the way (LINEERR_REINIT) ends the attempt.
    for (std::uint32_t device = 0; device < m_deviceCount && !chosen && m_callInProgress;
         ++device) {
        LINEEXTENSIONID extension{};
        std::uint32_t version = 0;
        const std::int32_t negotiated = m_library.lineNegotiateAPIVersion(
            m_lineApp, device, kLowApiVersion, kHighApiVersion, &version, &extension);
        if (!interpret(negotiated) || version == 0) continue;
        chosen = queryGrowing<LINEDEVCAPS>(
            kDevCapsInitialSize, "lineGetDevCaps unhandled error\n", [&](LINEDEVCAPS* record) {
                return m_library.lineGetDevCaps(m_lineApp, device, version, 0, record);
            });
        if (!chosen) continue;
        m_deviceId = static_cast<std::int32_t>(device);
        m_apiVersion = version;
        const LINEDEVCAPS* caps = chosen->as<LINEDEVCAPS>();
        // The name is read only where it lies inside what the provider filled in.
        if (caps->dwLineNameSize != 0 && caps->dwLineNameOffset != 0 &&
            caps->dwStringFormat == STRINGFORMAT_ASCII &&
            caps->dwLineNameOffset <= chosen->size() &&
            caps->dwLineNameSize <= chosen->size() - caps->dwLineNameOffset) {
            std::string name(reinterpret_cast<const char*>(caps) + caps->dwLineNameOffset,
                             caps->dwLineNameSize);
            name.resize(std::strlen(name.c_str()));
            trace("Name of device is: " + name + "\n");
        }
    }
    return chosen;
}

template <typename Record, typename Query>
std::optional<CTapiDialer::CapsBuffer> CTapiDialer::queryGrowing(std::uint32_t initialSize,
                                                                 const char* failure, Query query) {
    CapsBuffer buffer;
    auto allocate = [&buffer](std::uint32_t size) {
        buffer.words.assign((size + 3) / 4, 0);
        buffer.as<Record>()->dwTotalSize = size;
    };
    allocate(initialSize);
    if (!interpret(query(buffer.as<Record>()))) {
        trace(failure);
        return std::nullopt;
    }
    const std::uint32_t needed = buffer.as<Record>()->dwNeededSize;
    if (needed > buffer.as<Record>()->dwTotalSize) {
        trace("Reallocating structure\n");
        if (needed > kMaxCapsSize) {
            trace("LocalAlloc failed in CheckAndReAllocBuffer.\n");
            return std::nullopt;
        }
        allocate(needed);
        if (!interpret(query(buffer.as<Record>()))) {
            trace(failure);
            return std::nullopt;
        }
    }
    return buffer;
}

bool CTapiDialer::stopCall() {
    if (m_stopping || !m_callInProgress) return true;
    m_stopping = true;
    trace("Stopping Call in progress\n");
    if (m_call != 0) {
        LINECALLSTATUS status{};
        status.dwTotalSize = sizeof(LINECALLSTATUS);
        interpret(m_library.lineGetCallStatus(m_call, &status));
        if (status.dwCallState != LINECALLSTATE_IDLE && m_call != 0) {
            if (waitForReply(m_library.lineDrop(m_call, nullptr, 0))) trace("Call Dropped.\n");
        }
        // The reply wait may have let a LINE_CLOSE take the handle.
        if (m_call != 0 && !interpret(m_library.lineDeallocateCall(m_call)))
            trace("lineDeallocateCall unhandled error\n");
        trace("Call Deallocated.\n");
    }
    if (m_line != 0) {
        if (!interpret(m_library.lineClose(m_line))) trace("lineClose unhandled error\n");
        trace("Line Closed.\n");
    }
    m_call = 0;
    m_line = 0;
    m_makeCallRequest = 0;
    m_callInProgress = false;
    m_stopping = false;
    secureWipe(m_number);
    trace("Call stopped\n");
    return true;
}

std::optional<std::int32_t> CTapiDialer::waitForReply(std::int32_t request) {
    g_noWaitRunning = false;
    struct EndOfWait {
        ~EndOfWait() { g_noWaitRunning = true; }
    } endOfWait;
    if (request < 1) return request;
    m_replyReceived = false;
    m_awaitedRequest = request;
    m_replyResult = result(LINEERR_OPERATIONFAILED);
    const auto deadline = m_loop.now() + m_replyTimeout;
    for (;;) {
        const bool dispatched = dispatchOne();
        if (m_call != 0 && (!m_callInProgress || g_noWaitRunning)) return 1;
        if (m_replyReceived) return m_replyResult;
        const auto now = m_loop.now();
        if (now >= deadline) {
            trace("No reply from the telephony provider within " +
                  std::to_string(m_replyTimeout.count()) + " ms; giving up waiting.\n");
            m_awaitedRequest = 0;
            return std::nullopt;
        }
        if (!dispatched)
            m_loop.waitForEvents(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
    }
}

void CTapiDialer::shutdown() {
    if (m_lineApp == 0 || m_shuttingDown) return;
    m_shuttingDown = true;
    stopCall();
    if (!interpret(m_library.lineShutdown(m_lineApp))) trace("lineShutdown unhandled error\n");
    m_callInProgress = false;
    m_lineApp = 0;
    m_line = 0;
    m_call = 0;
    m_shuttingDown = false;
    trace("TAPI uninitialized.\n");
}

bool CTapiDialer::interpret(std::int32_t code) {
    if (code == 0) return true;
    switch (static_cast<std::uint32_t>(code)) {
        case LINEERR_INIFILECORRUPT:
        case LINEERR_INVALCARD:
        case LINEERR_INVALLOCATION: trace("The values in the INI file are invalid.\n"); break;
        case LINEERR_NODRIVER:
            trace("There is a problem with your Telephony device driver.\n");
            break;
        case LINEERR_NOMEM: trace("Out of memory. Cancelling action.\n"); break;
        case LINEERR_OPERATIONFAILED: trace("The TAPI operation failed.\n"); break;
        case LINEERR_RESOURCEUNAVAIL:
            trace("A TAPI resource is unavailable at this time.\n");
            break;
        case LINEERR_REINIT: shutdown(); break;
        case LINEERR_NOMULTIPLEINSTANCE:
            trace("Remove one of your copies of your Telephony driver.\n");
            break;
        default: break;
    }
    return false;
}

}  // namespace kivrano
