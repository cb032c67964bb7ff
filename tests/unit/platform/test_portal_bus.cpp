// The portal clients against a stand-in desktop portal (python3-dbusmock) on a private
// session bus of the test's own: typing through RemoteDesktop, hotkeys through
// GlobalShortcuts, with the answers real desktops give and the ones they seldom show.

#include "launch/TypingEngine.h"
#include "platform/fake/CapturedDebugSink.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/MemoryClipboard.h"
#include "platform/fake/RecordingPause.h"
#include "platform/portal/GlobalShortcutsHotKeys.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/RemoteDesktopKeyboard.h"
#include "support/PrivateBus.h"
#include "support/ScratchDirectory.h"
#include "unit/phone/ProcessEventsUntil.h"
#include "vault/VaultItem.h"
#include "vault/VaultSettings.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>

namespace kivrano::platform::portal {
namespace {

using namespace std::chrono_literals;
using kivrano::testing::processEventsUntil;
using Lines = std::vector<std::string>;

class PortalBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QProcess::execute(QStringLiteral(KIVRANO_PYTHON3),
                              {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0)
            GTEST_SKIP() << "python3-dbusmock is not installed (scripts/deps.sh test installs it)";
        m_address = kivrano::testing::startPrivateBus(m_bus);
        ASSERT_FALSE(m_address.isEmpty())
            << "dbus-daemon did not start (is it installed? run scripts/deps.sh test)";
    }

    void TearDown() override {
        m_keyboard.reset();
        m_hotKeys.reset();
        QDBusConnection::disconnectFromBus(m_address);
        kivrano::testing::endProcesses({&m_portal, &m_bus});
    }

    // The stand-in portal with the template's parameters (JSON), once it owns its name.
    void startPortal(const QString& parameters) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_portal.setProcessEnvironment(environment);
        m_portal.setProgram(QStringLiteral(KIVRANO_PYTHON3));
        m_portal.setArguments({QStringLiteral("-m"), QStringLiteral("dbusmock"),
                               QStringLiteral("--template"), QStringLiteral(KIVRANO_PORTAL_MOCK),
                               QStringLiteral("-p"), parameters});
        m_portal.setStandardOutputFile(QProcess::nullDevice());
        m_portal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_portal.start();
        ASSERT_TRUE(m_portal.waitForStarted());
        ASSERT_TRUE(processEventsUntil([&] {
            return m_portal.state() != QProcess::Running ||
                   bus().interface()->isServiceRegistered(kPortalService).value();
        }));
        ASSERT_EQ(m_portal.state(), QProcess::Running) << "the stand-in portal did not start";
    }

    QDBusConnection bus() { return QDBusConnection::connectToBus(m_address, m_address); }

    // What the portal was asked so far, one line a call.
    Lines portalLog() {
        const QDBusReply<QStringList> reply = bus().call(QDBusMessage::createMethodCall(
            kPortalService, kPortalPath, QStringLiteral("org.kivrano.PortalMock"),
            QStringLiteral("Log")));
        Lines lines;
        if (!reply.isValid()) return {"no answer: " + reply.error().message().toStdString()};
        for (const QString& line : reply.value()) lines.push_back(line.toStdString());
        return lines;
    }

    Lines portalLogMatching(const std::string& start) {
        Lines matching;
        for (const std::string& line : portalLog())
            if (line.rfind(start, 0) == 0) matching.push_back(line);
        return matching;
    }

    bool press(const QString& shortcutId) {
        QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                           QStringLiteral("org.kivrano.PortalMock"),
                                                           QStringLiteral("Press"));
        call << shortcutId;
        const QDBusReply<bool> reply = bus().call(call);
        return reply.isValid() && reply.value();
    }

    RemoteDesktopKeyboard& keyboard(RemoteDesktopKeyboard::Timeouts timeouts = {5s, 5s}) {
        m_keyboard = std::make_unique<RemoteDesktopKeyboard>(bus(), RestoreTokenFile(tokenPath()),
                                                             m_trace, timeouts);
        return *m_keyboard;
    }

    GlobalShortcutsHotKeys& hotKeys() {
        m_hotKeys = std::make_unique<GlobalShortcutsHotKeys>(
            bus(), m_trace, GlobalShortcutsHotKeys::Timeouts{5s, 5s});
        QObject::connect(m_hotKeys.get(), &GlobalShortcutsHotKeys::bindingFinished,
                         [this] { ++m_bindings; });
        return *m_hotKeys;
    }

    std::filesystem::path tokenPath() const { return m_scratch.path() / "RemoteDesktop.token"; }

    QProcess m_bus;
    QProcess m_portal;
    QString m_address;
    kivrano::testing::ScratchDirectory m_scratch;
    CapturedDebugSink m_trace;
    std::unique_ptr<RemoteDesktopKeyboard> m_keyboard;
    std::unique_ptr<GlobalShortcutsHotKeys> m_hotKeys;
    int m_bindings = 0;
};

// The key events of the portal's log, as "key 0x61 down".
Lines keyLines(const Lines& log) {
    Lines keys;
    for (const std::string& line : log)
        if (line.rfind("key ", 0) == 0) keys.push_back(line);
    return keys;
}

Lines keyPress(const char* keysym) {
    return {std::string("key ") + keysym + " down", std::string("key ") + keysym + " up"};
}

Lines join(std::initializer_list<Lines> parts) {
    Lines out;
    for (const Lines& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The first key of a new session is a Shift, then the hotkey's modifiers are let go, on both
// sides of the keyboard.
const Lines kOpening = join({keyPress("0xffe1"),
                             {"key 0xffe1 up", "key 0xffe2 up", "key 0xffe9 up", "key 0xffea up",
                              "key 0xffe3 up", "key 0xffe4 up"}});

TEST_F(PortalBusTest, TypesAnIdTabPasswordEnterBySessionsClosedAfterEachTyping) {
    startPortal(QStringLiteral(R"({"remote_desktop_version": 1})"));
    RemoteDesktopKeyboard& portalKeyboard = keyboard();
    MemoryClipboard clipboard;
    RecordingPause pause;
    FakeWindowSystem windows;
    windows.addWindow(2, {"Sign in - Editor", "editor", "", 0});
    TypingEngine engine(portalKeyboard, clipboard, pause, windows);

    VaultItem item;
    item.id = "Me";
    item.password = "p4ss";
    item.tabCount[0] = 1;
    item.enterCount[1] = 1;
    EXPECT_EQ(engine.typeField(&item, 0, kTypeInKeyEmulation), TypingEngine::Result::Typed);
    EXPECT_FALSE(portalKeyboard.hasSession());
    EXPECT_EQ(engine.typeField(&item, 1, kTypeInKeyEmulation), TypingEngine::Result::Typed);

    const Lines log = portalLog();
    EXPECT_EQ(keyLines(log), join({kOpening, keyPress("0x4d"), keyPress("0x65"), keyPress("0xff09"),
                                   kOpening, keyPress("0x70"), keyPress("0x34"), keyPress("0x73"),
                                   keyPress("0x73"), keyPress("0xff0d")}));
    // Version 1 remembers nothing: no persistence asked for, no token kept.
    EXPECT_EQ(portalLogMatching("RemoteDesktop.SelectDevices"),
              Lines(2, "RemoteDesktop.SelectDevices types=1"));
    EXPECT_EQ(portalLogMatching("RemoteDesktop.Session.Close").size(), 2u);
    EXPECT_EQ(log.back(), "RemoteDesktop.Session.Close");
    EXPECT_FALSE(std::filesystem::exists(tokenPath()));
}

TEST_F(PortalBusTest, VersionTwoKeepsTheRestoreTokenForTheUserAloneAndSendsItNextTime) {
    startPortal(QStringLiteral(R"({"remote_desktop_version": 2})"));
    RemoteDesktopKeyboard& portalKeyboard = keyboard();
    for (int typing = 0; typing < 2; ++typing) {
        ASSERT_TRUE(portalKeyboard.beginTyping()) << m_trace.text();
        EXPECT_TRUE(portalKeyboard.typeCharacter(U'x'));
        portalKeyboard.endTyping();
    }
    EXPECT_EQ(portalLogMatching("RemoteDesktop.SelectDevices"),
              (Lines{"RemoteDesktop.SelectDevices persist_mode=2 types=1",
                     "RemoteDesktop.SelectDevices persist_mode=2 restore_token=token-1 types=1"}));
    // Each start hands out the next token; the stored one is always the latest.
    EXPECT_EQ(RestoreTokenFile(tokenPath()).read(), "token-2");
    struct stat status {};
    ASSERT_EQ(::stat(tokenPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(PortalBusTest, KeyboardNotGrantedTypesNothingAndSaysWhy) {
    struct Case {
        const char* what;
        QString parameters;
        const char* traced;
    } cases[] = {
        {"the user says no", QStringLiteral(R"({"refuse": "RemoteDesktop.Start"})"),
         "Start: cancelled by the user"},
        {"the portal never answers", QStringLiteral(R"({"silent": "RemoteDesktop.Start"})"),
         "Start: no answer from the desktop portal"},
        {"no RemoteDesktop portal", QStringLiteral(R"({"remote_desktop_version": 0})"),
         "offers no RemoteDesktop portal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        startPortal(c.parameters);
        RemoteDesktopKeyboard& portalKeyboard = keyboard({5s, 300ms});
        MemoryClipboard clipboard;
        clipboard.setContent("earlier");
        RecordingPause pause;
        FakeWindowSystem windows;
        TypingEngine engine(portalKeyboard, clipboard, pause, windows);
        engine.setDebugSink(&m_trace);
        VaultItem item;
        item.password = "secret";
        EXPECT_EQ(engine.typeField(&item, 1, kTypeInCopyPaste),
                  TypingEngine::Result::KeyboardUnavailable);
        EXPECT_EQ(clipboard.content(), "earlier");
        EXPECT_NE(m_trace.text().find(c.traced), std::string::npos) << m_trace.text();
        EXPECT_NE(m_trace.text().find("nothing was typed"), std::string::npos);
        const Lines log = portalLog();
        EXPECT_TRUE(keyLines(log).empty());
        // A session begun is not left open behind the refusal, nor a dialog left shown.
        EXPECT_EQ(portalLogMatching("RemoteDesktop.CreateSession").size(),
                  portalLogMatching("RemoteDesktop.Session.Close").size());
        if (c.parameters.contains(QStringLiteral("silent"))) {
            EXPECT_EQ(portalLogMatching("Request.Close").size(), 1u);
        }
        EXPECT_FALSE(portalKeyboard.hasSession());
    }
}

TEST_F(PortalBusTest, SessionTheDesktopClosesIsDroppedAndMadeAnewNextTime) {
    startPortal(QStringLiteral(R"({"remote_desktop_version": 1, "close_after_keys": 3})"));
    RemoteDesktopKeyboard& portalKeyboard = keyboard();
    ASSERT_TRUE(portalKeyboard.beginTyping());
    // The opening Shift is two key events; the desktop ends the grant at the third.
    EXPECT_FALSE(portalKeyboard.typeCharacter(U'a'));
    EXPECT_FALSE(portalKeyboard.typeCharacter(U'b'));
    ASSERT_TRUE(processEventsUntil([&] { return !portalKeyboard.hasSession(); }));
    portalKeyboard.endTyping();

    ASSERT_TRUE(portalKeyboard.beginTyping()) << m_trace.text();
    EXPECT_TRUE(portalKeyboard.hasSession());
    portalKeyboard.endTyping();
    EXPECT_EQ(portalLogMatching("RemoteDesktop.CreateSession").size(), 2u);
    EXPECT_EQ(keyLines(portalLog()),
              join({keyPress("0xffe1"), {"key 0x61 down"}, keyPress("0xffe1")}));
}

TEST_F(PortalBusTest, ShortcutsGoWithTheSessionOnVersionOneAndAreBoundOnVersionTwo) {
    const std::string shortcuts =
        "hotkey-1:CTRL+ALT+p:Kivrano: type the password,"
        "launch-57:CTRL+SHIFT+l:Kivrano: launch an item (57)";
    struct Case {
        QString parameters;
        Lines expected;
    } cases[] = {
        {QStringLiteral(R"({"global_shortcuts_version": 1})"),
         {"GlobalShortcuts.CreateSession shortcuts=" + shortcuts, "GlobalShortcuts.ListShortcuts"}},
        {QStringLiteral(R"({"global_shortcuts_version": 2})"),
         {"GlobalShortcuts.CreateSession", "GlobalShortcuts.BindShortcuts " + shortcuts}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parameters.toStdString());
        TearDown();
        SetUp();
        m_bindings = 0;
        startPortal(c.parameters);
        GlobalShortcutsHotKeys& portalHotKeys = hotKeys();
        std::vector<HotKeyId> pressed;
        portalHotKeys.setHandler([&](HotKeyId id) { pressed.push_back(id); });
        // One event-loop turn's registrations: one session, one binding.
        EXPECT_TRUE(portalHotKeys.registerHotKey(1, {'P', HotKeyValue::kCtrl | HotKeyValue::kAlt}));
        EXPECT_TRUE(
            portalHotKeys.registerHotKey(57, {'L', HotKeyValue::kCtrl | HotKeyValue::kShift}));
        EXPECT_FALSE(portalHotKeys.registerHotKey(3, {}));
        ASSERT_TRUE(processEventsUntil([&] { return m_bindings == 1; }));
        EXPECT_EQ(portalLogMatching("GlobalShortcuts."), c.expected) << m_trace.text();

        // Each press reaches the handler once, at its release.
        ASSERT_TRUE(press(QStringLiteral("hotkey-1")));
        ASSERT_TRUE(press(QStringLiteral("launch-57")));
        ASSERT_TRUE(press(QStringLiteral("hotkey-1")));
        ASSERT_TRUE(processEventsUntil([&] { return pressed.size() >= 3; }));
        EXPECT_EQ(pressed, (std::vector<HotKeyId>{1, 57, 1}));

        // A key dropped makes a new session without it; the old one is closed.
        portalHotKeys.unregisterHotKey(57);
        ASSERT_TRUE(processEventsUntil([&] { return m_bindings == 2; }));
        EXPECT_EQ(portalLogMatching("GlobalShortcuts.Session.Close").size(), 1u);
        EXPECT_FALSE(press(QStringLiteral("launch-57")));
        ASSERT_TRUE(press(QStringLiteral("hotkey-1")));
        ASSERT_TRUE(processEventsUntil([&] { return pressed.size() >= 4; }));
        EXPECT_EQ(pressed.back(), 1u);
    }
}

TEST_F(PortalBusTest, KeysChangedWhileTheSessionIsMadeAreBoundInTheNextOne) {
    startPortal(QStringLiteral(R"({"hold": "GlobalShortcuts.CreateSession"})"));
    GlobalShortcutsHotKeys& portalHotKeys = hotKeys();
    portalHotKeys.registerHotKey(1, {'P', HotKeyValue::kAlt});
    ASSERT_TRUE(processEventsUntil(
        [&] { return !portalLogMatching("GlobalShortcuts.CreateSession").empty(); }));
    portalHotKeys.registerHotKey(2, {'E', HotKeyValue::kAlt});
    QCoreApplication::processEvents();  // the second binding's turn, while the first waits
    bus().call(QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                              QStringLiteral("org.kivrano.PortalMock"),
                                              QStringLiteral("Answer")));
    ASSERT_TRUE(processEventsUntil([&] { return m_bindings == 1; }));
    EXPECT_EQ(portalLogMatching("GlobalShortcuts."),
              (Lines{"GlobalShortcuts.CreateSession shortcuts=hotkey-1:ALT+p:Kivrano: type the "
                     "password",
                     "GlobalShortcuts.Session.Close",
                     "GlobalShortcuts.CreateSession shortcuts=hotkey-1:ALT+p:Kivrano: type the "
                     "password,hotkey-2:ALT+e:Kivrano: type Etc 1",
                     "GlobalShortcuts.ListShortcuts"}));
    ASSERT_TRUE(press(QStringLiteral("hotkey-2")));
}

TEST_F(PortalBusTest, NoGlobalShortcutsPortalLeavesTheKeysUnboundAndSaysSo) {
    startPortal(QStringLiteral(R"({"global_shortcuts_version": 0})"));
    GlobalShortcutsHotKeys& portalHotKeys = hotKeys();
    portalHotKeys.registerHotKey(9, {'K', HotKeyValue::kCtrl});
    ASSERT_TRUE(processEventsUntil([&] { return m_bindings == 1; }));
    EXPECT_NE(m_trace.text().find("offers no GlobalShortcuts portal"), std::string::npos);
    EXPECT_TRUE(portalLogMatching("GlobalShortcuts.").empty());
}

}  // namespace
}  // namespace kivrano::platform::portal
