#include "phone/CTapiDialer.h"
#include "phone/LineLibrary.h"
#include "phone/LineMessageLoop.h"
#include "phone/LineProviderPath.h"
#include "phone/QtLineMessageLoop.h"
#include "platform/fake/CapturedDebugSink.h"
#include "platform/fake/MemorySettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "unit/phone/ProcessEventsUntil.h"
#include "vault/Strings.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace kivrano {
namespace {

using namespace std::chrono_literals;

// The simulated provider's own controls, from the same loaded library the dialer binds.
struct Simulation {
    void (*configure)(const char*) = nullptr;
    const char* (*log)() = nullptr;
    void (*fire)(const char*) = nullptr;

    static Simulation& get() {
        static Simulation sim = [] {
            Simulation s;
            void* library = dlopen(KIVRANO_SIMLINE_PATH, RTLD_NOW | RTLD_LOCAL);
            if (!library) throw std::runtime_error(dlerror());
            s.configure =
                reinterpret_cast<void (*)(const char*)>(dlsym(library, "simline_configure"));
            s.log = reinterpret_cast<const char* (*)()>(dlsym(library, "simline_log"));
            s.fire = reinterpret_cast<void (*)(const char*)>(dlsym(library, "simline_fire"));
            return s;
        }();
        return sim;
    }

    // The functions called so far, by name.
    std::vector<std::string> calls() const {
        std::vector<std::string> names;
        std::istringstream lines(log());
        std::string line;
        while (std::getline(lines, line)) names.push_back(line.substr(0, line.find(' ')));
        return names;
    }
};

// Runs posted tasks only when asked, and lets time pass at once instead of waiting.
class SteppedLoop : public LineMessageLoop {
public:
    void post(std::function<void()> task) override { m_posted.push_back(std::move(task)); }
    void waitForEvents(std::chrono::milliseconds timeout) override {
        if (runPosted()) return;
        m_now += timeout;
        m_waited += timeout;
    }
    Clock::time_point now() const override { return m_now; }

    bool runPosted() {
        if (m_posted.empty()) return false;
        auto tasks = std::move(m_posted);
        m_posted.clear();
        for (auto& task : tasks) task();
        return true;
    }
    std::chrono::milliseconds waited() const { return m_waited; }

private:
    std::vector<std::function<void()>> m_posted;
    Clock::time_point m_now{};
    std::chrono::milliseconds m_waited{0};
};

// A dialer on the simulated provider, which answers from the script.
template <typename Loop = SteppedLoop, typename Sink = platform::CapturedDebugSink>
struct Rig {
    explicit Rig(const char* script,
                 std::chrono::milliseconds replyTimeout = CTapiDialer::kDefaultReplyTimeout,
                 const char* provider = KIVRANO_SIMLINE_PATH)
        : configured((Simulation::get().configure(script), true)),
          library(provider, debug),
          dialer(library, loop, prompter, debug, replyTimeout) {}

    bool configured;
    Sink debug;
    testing::ScriptedPrompter prompter;
    Loop loop;
    LineLibrary library;
    CTapiDialer dialer;
};

std::string msg(StringId id) {
    return std::string(text(id));
}

// True when the fragments appear in the text in this order.
bool inOrder(const std::string& text, const std::vector<std::string>& fragments,
             std::string* missing) {
    std::size_t at = 0;
    for (const std::string& fragment : fragments) {
        const std::size_t found = text.find(fragment, at);
        if (found == std::string::npos) {
            *missing = fragment;
            return false;
        }
        at = found + fragment.size();
    }
    return true;
}

const std::vector<std::string> kCallSetup{"lineInitialize",     "lineNegotiateAPIVersion",
                                          "lineGetDevCaps",     "lineOpen",
                                          "lineGetAddressCaps", "lineMakeCall"};
const std::vector<std::string> kStop{"lineGetCallStatus", "lineDrop", "lineDeallocateCall",
                                     "lineClose"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct DialCase {
    const char* name;
    const char* script;
    // "call N", "hangup", "send D", "dispatch" (the loop's turn), "fire EVENTS".
    std::vector<std::string> steps;
    std::vector<std::string> messages;  // shown to the user, exactly
    std::vector<std::string> calls;     // the provider's functions called, exactly
    std::vector<std::string> trace;     // fragments of the debug trace, in this order
    bool inProgressAfter = false;
    const char* providerPath = KIVRANO_SIMLINE_PATH;
};

void PrintTo(const DialCase& c, std::ostream* os) {
    *os << c.name;
}

const char* const kAnswering =
    "makecall reply=0 state=DIALING state=RINGBACK state=CONNECTED\n"
    "drop reply=0 state=IDLE\n";

const std::vector<DialCase> kDialCases{
    {"no provider library",
     "",
     {"call 5550123", "call 5550123"},
     {msg(StringId::NoTelephonyDevices), msg(StringId::NoTelephonyDevices)},
     {},
     {"Cannot load the telephony provider"},
     false,
     "/nonexistent/libnothing.so"},
    {"no devices, asked again at the next call",
     "devices 0",
     {"call 5550123", "call 5550123"},
     {msg(StringId::NoTelephonyDevices), msg(StringId::NoTelephonyDevices)},
     {"lineInitialize", "lineShutdown", "lineInitialize", "lineShutdown"},
     {}},
    {"call connects, then hangup",
     kAnswering,
     {"call 5550123", "dispatch", "hangup"},
     {},
     kCallSetup + kStop,
     {"Tapi initialized.\n", "Name of device is: Simulated line\n", "lineMakeCall succeeded.\n",
      "Dialing\n", "RingBack\n", "Connected!\n", "Stopping Call in progress\n",
      "LINE_REPLY: successfully replied.\n", "Call Dropped.\n", "Call Deallocated.\n",
      "Line Closed.\n", "Call stopped\n"}},
    {"a call already in progress",
     kAnswering,
     {"call 5550123", "call 5550199"},
     {msg(StringId::CallAlreadyHandled)},
     kCallSetup,
     {"lineMakeCall succeeded.\n"},
     true},
    {"send without a call", "", {"send 123"}, {msg(StringId::CallFirst)}, {}, {}},
    {"send during a call",
     "makecall reply=0\ngenerate generate",
     {"call 5550123", "send 123#", "dispatch"},
     {},
     kCallSetup + std::vector<std::string>{"lineGenerateDigits"},
     {"LINE_GENERATE is posted\n"},
     true},
    {"hangup without a call does nothing", "", {"hangup"}, {}, {}, {}},
    {"line without voice",
     "device 0 bearer 0",
     {"call 5550123"},
     {msg(StringId::LineWithoutVoice)},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps"},
     {"Call stopped\n"}},
    {"line without make-call",
     "device 0 features 0",
     {"call 5550123"},
     {msg(StringId::LineWithoutMakeCall)},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps"},
     {}},
    {"line without interactive voice",
     "device 0 media 0",
     {"call 5550123"},
     {msg(StringId::LineWithoutInteractiveVoice)},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps"},
     {}},
    {"line in use",
     "device 0 open 0x80000001",
     {"call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen"},
     {"Call stopped\n",
      "Line is already in use by a non-TAPI application or by another TAPI Service Provider.\n"}},
    {"line resource unavailable",
     "device 0 open 0x8000004B",
     {"call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen"},
     {"A TAPI resource is unavailable at this time.\n", "Line is already in use"}},
    {"line fails to open",
     "device 0 open 0x80000048",
     {"call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen"},
     {"The TAPI operation failed.\n", "Unable to Use Line\n", "Call stopped\n"}},
    {"first device refuses the version, the second is used",
     "devices 2\ndevice 0 negotiate 0x80000048\ndevice 1 name Second\nmakecall reply=0",
     {"call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineNegotiateAPIVersion", "lineGetDevCaps",
      "lineOpen", "lineGetAddressCaps", "lineMakeCall"},
     {"Name of device is: Second\n"},
     true},
    {"capability buffers grow",
     "device 0 needed 3000\naddresscaps needed 2000\nmakecall reply=0",
     {"call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps", "lineGetDevCaps", "lineOpen",
      "lineGetAddressCaps", "lineGetAddressCaps", "lineMakeCall"},
     {"Reallocating structure\n", "Name of device is", "Reallocating structure\n",
      "lineMakeCall succeeded.\n"},
     true},
    {"a capability size past reason is refused",
     "device 0 needed 0x7fffffff",
     {"call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps"},
     {"Reallocating structure\n", "LocalAlloc failed in CheckAndReAllocBuffer.\n",
      "Error on Requested line\n", "Call stopped\n"}},
    {"address capabilities fail",
     "addresscaps result 0x80000044",
     {"call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen",
      "lineGetAddressCaps", "lineClose"},
     {"Out of memory. Cancelling action.\n", "lineGetAddressCaps unhandled error\n",
      "lineMakeCall failed.\n", "Line Closed.\n"}},
    {"remote side hangs up, a following call works",
     "makecall reply=0 state=CONNECTED\ndrop reply=0",
     {"call 5550123", "dispatch", "fire state=DISCONNECTED:NORMAL", "dispatch", "call 5550124"},
     {},
     kCallSetup + kStop +
         std::vector<std::string>{"lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen",
                                  "lineGetAddressCaps", "lineMakeCall"},
     {"Connected!\n", "Remote Party Disconnected\n", "Call stopped\n", "lineMakeCall succeeded.\n"},
     true},
    {"busy",
     "makecall reply=0 state=DIALING state=BUSY\ndrop reply=0",
     {"call 5550123", "dispatch"},
     {},
     kCallSetup + kStop,
     {"Dialing\n", "Line busy, shutting down\n", "Call stopped\n"}},
    {"the make-call request fails",
     "makecall reply=0x80000048",
     {"call 5550123", "dispatch"},
     {},
     kCallSetup + std::vector<std::string>{"lineGetCallStatus", "lineDrop", "lineDeallocateCall",
                                           "lineClose"},
     {"LINE_REPLY error\n", "lineMakeCall failed.\n", "Call stopped\n"}},
    {"the make-call is refused at once",
     "makecall result 0x80000048",
     {"call 5550123"},
     {},
     kCallSetup + std::vector<std::string>{"lineClose"},
     {"The TAPI operation failed.\n", "lineMakeCall failed.\n", "Call stopped\n"}},
    {"LINEERR_REINIT shuts down; the next call initializes again",
     "device 0 open 0x80000052\n",
     {"call 5550123", "call 5550123"},
     {},
     {"lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen", "lineShutdown",
      "lineInitialize", "lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen", "lineShutdown"},
     {"Stopping Call in progress\n", "TAPI uninitialized.\n", "Unable to Use Line\n",
      "Tapi initialized.\n", "TAPI uninitialized.\n"}},
    {"a reply that never comes ends at the time limit",
     "makecall reply=0",
     {"call 5550123", "hangup", "call 5550124"},
     {},
     kCallSetup + kStop +
         std::vector<std::string>{"lineNegotiateAPIVersion", "lineGetDevCaps", "lineOpen",
                                  "lineGetAddressCaps", "lineMakeCall"},
     {"No reply from the telephony provider within 30000 ms", "Call Deallocated.\n",
      "Call stopped\n", "lineMakeCall succeeded.\n"},
     true},
    {"replies out of order: the idle state and another reply come first",
     "makecall reply=0\ndrop state=IDLE reply-other=0 reply=0",
     {"call 5550123", "hangup"},
     {},
     kCallSetup + kStop,
     {"Stopping Call in progress\n", "Line idle\n", "LINE_REPLY: successfully replied.\n",
      "LINE_REPLY: successfully replied.\n", "Call Dropped.\n", "Call stopped\n"}},
    {"the line closes under the call",
     "makecall reply=0",
     {"call 5550123", "fire close", "dispatch"},
     {},
     kCallSetup,
     {"Stopping Call in progress\n", "Call stopped\n"}},
    {"messages about other calls and of no meaning",
     "makecall reply=0",
     {"call 5550123", "dispatch", "hangup", "fire state=CONNECTED unknown", "dispatch"},
     {},
     kCallSetup + std::vector<std::string>{"lineGetCallStatus", "lineDrop", "lineDeallocateCall",
                                           "lineClose"},
     {"Call stopped\n", "LINE_CALLSTATE: Unknown device ID 0\n",
      "lineCallbackFunc message ignored\n"}},
};

class DialerTable : public ::testing::TestWithParam<DialCase> {};

TEST_P(DialerTable, Runs) {
    const DialCase& c = GetParam();
    Simulation& sim = Simulation::get();
    Rig<> rig(c.script, CTapiDialer::kDefaultReplyTimeout, c.providerPath);

    for (const std::string& step : c.steps) {
        const std::string verb = step.substr(0, step.find(' '));
        const std::string arg =
            step.find(' ') == std::string::npos ? "" : step.substr(step.find(' ') + 1);
        if (verb == "call") rig.dialer.call(arg);
        if (verb == "hangup") rig.dialer.hangup();
        if (verb == "send") rig.dialer.send(arg);
        if (verb == "dispatch") rig.loop.runPosted();
        if (verb == "fire") sim.fire(arg.c_str());
    }

    EXPECT_EQ(rig.prompter.messages, c.messages);
    if (c.providerPath == std::string(KIVRANO_SIMLINE_PATH)) {
        EXPECT_EQ(sim.calls(), c.calls) << sim.log();
    }
    std::string missing;
    EXPECT_TRUE(inOrder(rig.debug.text(), c.trace, &missing))
        << "missing \"" << missing << "\" in order in:\n"
        << rig.debug.text();
    EXPECT_EQ(rig.dialer.callInProgress(), c.inProgressAfter);
}

INSTANTIATE_TEST_SUITE_P(Phone, DialerTable, ::testing::ValuesIn(kDialCases),
                         [](const ::testing::TestParamInfo<DialCase>& param) {
                             std::string name;
                             for (const char ch : std::string(param.param.name))
                                 if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
                             return name;
                         });

TEST(Dialer, WhatWasDialledAndHow) {
    Simulation& sim = Simulation::get();
    Rig<> rig(kAnswering);
    rig.dialer.call("+1 555 0123");
    rig.dialer.send("42");
    const std::string log = sim.log();
    EXPECT_NE(log.find("lineInitialize Kivrano\n"), std::string::npos) << log;
    EXPECT_NE(log.find("lineNegotiateAPIVersion 0 0x10003 0x10004\n"), std::string::npos) << log;
    EXPECT_NE(log.find("lineGetDevCaps 0 1264\n"), std::string::npos) << log;
    EXPECT_NE(log.find("lineOpen 0 0x10004 ext=0 priv=0x1 media=0\n"), std::string::npos) << log;
    EXPECT_NE(log.find("lineGetAddressCaps 0 0 1204\n"), std::string::npos) << log;
    // The parameters: the number's length + 113 bytes, the number as displayable address.
    EXPECT_NE(log.find("lineMakeCall +1 555 0123 line=100 country=0 display=+1 555 0123 "
                       "total=124 bearer=0x1 media=0x4 flags=0x2 mode=0x1\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("lineGenerateDigits 0x4 42 1000\n"), std::string::npos) << log;
}

TEST(Dialer, EveryCallStateAndDisconnectReason) {
    struct Case {
        const char* event;
        const char* trace;
        bool ends;
    };
    const std::vector<Case> cases{
        {"state=IDLE", "Line idle\n", true},
        {"state=DIALTONE", "Dial Tone\n", false},
        {"state=DIALING", "Dialing\n", false},
        {"state=RINGBACK", "RingBack\n", false},
        {"state=BUSY", "Line busy, shutting down\n", true},
        {"state=SPECIALINFO", "Special Info, probably couldn't dial number\n", true},
        {"state=CONNECTED", "Connected!\n", false},
        {"state=PROCEEDING", "Proceeding\n", false},
        {"state=ONHOLD", "Unhandled LINECALLSTATE message\n", false},
        {"state=DISCONNECTED:NORMAL", "Remote Party Disconnected\n", true},
        {"state=DISCONNECTED:UNKNOWN", "Disconnected: Unknown reason\n", true},
        {"state=DISCONNECTED:REJECT", "Remote Party rejected call\n", true},
        {"state=DISCONNECTED:PICKUP", "Disconnected: Local phone picked up\n", true},
        {"state=DISCONNECTED:FORWARDED", "Disconnected: Forwarded\n", true},
        {"state=DISCONNECTED:BUSY", "Disconnected: Busy\n", true},
        {"state=DISCONNECTED:NOANSWER", "Disconnected: No Answer\n", true},
        {"state=DISCONNECTED:BADADDRESS", "Disconnected: Bad Address\n", true},
        {"state=DISCONNECTED:UNREACHABLE", "Disconnected: Unreachable\n", true},
        {"state=DISCONNECTED:CONGESTION", "Disconnected: Congestion\n", true},
        {"state=DISCONNECTED:INCOMPATIBLE", "Disconnected: Incompatible\n", true},
        {"state=DISCONNECTED:UNAVAIL", "Disconnected: Unavail\n", true},
        {"state=DISCONNECTED:NODIALTONE", "Disconnected: No Dial Tone\n", true},
        {"state=DISCONNECTED:BOGUS", "Disconnected: LINECALLSTATE; Bad Reason\n", true},
    };
    Simulation& sim = Simulation::get();
    for (const Case& c : cases) {
        Rig<> rig("makecall reply=0\ndrop reply=0");
        rig.dialer.call("5550123");
        rig.loop.runPosted();
        sim.fire(c.event);
        rig.loop.runPosted();
        EXPECT_NE(rig.debug.text().find(c.trace), std::string::npos) << c.event << ":\n"
                                                                     << rig.debug.text();
        EXPECT_EQ(!rig.dialer.callInProgress(), c.ends) << c.event;
    }
}

TEST(Dialer, NewDevicesRaiseTheCount) {
    Simulation& sim = Simulation::get();
    Rig<> rig("makecall reply=0");
    rig.dialer.call("5550123");
    sim.fire("create=3 create=1");
    rig.loop.runPosted();
    EXPECT_EQ(rig.dialer.deviceCount(), 4u);
}

TEST(LineLibrary, AMissingFunctionIsUnavailableAndLookedForOnce) {
    platform::CapturedDebugSink debug;
    LineLibrary library("libm.so.6", debug);
    HLINE line = 0;
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(library.lineOpen(1, 0, &line, 0x10004, 0, 0, LINECALLPRIVILEGE_NONE, 0, nullptr),
                  static_cast<std::int32_t>(LINEERR_OPERATIONUNAVAIL));
    EXPECT_EQ(debug.text(), "The telephony provider has no lineOpen.\n");
}

TEST(LineLibrary, NoPathBindsNothing) {
    platform::CapturedDebugSink debug;
    LineLibrary library("", debug);
    EXPECT_EQ(library.lineShutdown(1), static_cast<std::int32_t>(LINEERR_OPERATIONUNAVAIL));
    EXPECT_EQ(library.lineClose(1), static_cast<std::int32_t>(LINEERR_OPERATIONUNAVAIL));
    EXPECT_EQ(debug.text(), "No telephony provider is configured.\n");
}

TEST(LineProviderPath, TheSettingThenTheInstalledProviderThenTheOneBesideTheProgram) {
    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() / ("kivrano-provider-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path bin = root / "bin";
    fs::create_directories(bin);
    const std::string installed = (root / "lib" / "kivrano" / kDefaultLineProvider).string();
    platform::MemorySettingsStore settings;

    // Nothing there: the installed place, so that the trace says where it was looked for.
    EXPECT_EQ(lineProviderPath(settings, bin), installed);
    std::ofstream(bin / kDefaultLineProvider).put('x');
    EXPECT_EQ(lineProviderPath(settings, bin), (bin / kDefaultLineProvider).string());
    fs::create_directories(root / "lib" / "kivrano");
    std::ofstream(installed).put('x');
    EXPECT_EQ(lineProviderPath(settings, bin), installed);
    settings.open(platform::SettingsStore::Open::CreateIfMissing)
        ->writeString("TelephonyProvider", "/opt/lines/libmine.so");
    EXPECT_EQ(lineProviderPath(settings, bin), "/opt/lines/libmine.so");
    settings.open(platform::SettingsStore::Open::CreateIfMissing)
        ->writeString("TelephonyProvider", "");
    EXPECT_EQ(lineProviderPath(settings, bin), installed) << "an empty setting is no setting";
    fs::remove_all(root);
}

// The trace lines with the thread each was written on.
class ThreadNotingSink : public platform::DebugSink {
public:
    void write(std::string_view text) override {
        const std::lock_guard lock(m_mutex);
        m_text.append(text);
        m_threads.push_back(std::this_thread::get_id());
    }
    std::string text() {
        const std::lock_guard lock(m_mutex);
        return m_text;
    }
    std::vector<std::thread::id> threads() {
        const std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    std::mutex m_mutex;
    std::string m_text;
    std::vector<std::thread::id> m_threads;
};

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "kivrano_phone_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

TEST(Dialer, CallbacksFromAnotherThreadAreHandledOnTheUserInterfaceThread) {
    application();
    Rig<QtLineMessageLoop, ThreadNotingSink> rig(
        "thread on\ndelay 20\n"
        "makecall state=DIALING reply=0 state=CONNECTED\n"
        "drop state=IDLE reply=0\n");
    rig.dialer.call("5550123");
    ASSERT_TRUE(testing::processEventsUntil([&] {
        return rig.debug.text().find("Connected!") != std::string::npos;
    })) << rig.debug.text();
    // The drop's reply comes from the provider's thread while the wait runs the event rig.loop.
    rig.dialer.hangup();
    EXPECT_NE(rig.debug.text().find("Call Dropped.\nCall Deallocated.\n"), std::string::npos)
        << rig.debug.text();
    EXPECT_FALSE(rig.dialer.callInProgress());
    for (const std::thread::id id : rig.debug.threads()) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(Dialer, TheReplyWaitEndsAtItsTimeLimitWithTheLoopRunning) {
    application();
    Rig<QtLineMessageLoop> rig("makecall reply=0\n", 50ms);
    rig.dialer.call("5550123");
    bool timerRan = false;
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });
    rig.dialer.hangup();
    EXPECT_TRUE(timerRan) << "the program's events stopped during the wait";
    EXPECT_NE(rig.debug.text().find("No reply from the telephony provider within 50 ms"),
              std::string::npos)
        << rig.debug.text();
    EXPECT_FALSE(rig.dialer.callInProgress());
}

}  // namespace
}  // namespace kivrano
