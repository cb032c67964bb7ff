// The ModemManager provider against a stand-in ModemManager on a private bus of the test's
// own, driven through the dialer as the program drives it.

#include "phone/CTapiDialer.h"
#include "phone/LineLibrary.h"
#include "phone/QtLineMessageLoop.h"
#include "platform/fake/CapturedDebugSink.h"
#include "support/PrivateBus.h"
#include "support/ScriptedPrompter.h"
#include "unit/phone/ProcessEventsUntil.h"
#include "vault/Strings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace kivrano {
namespace {

using namespace std::chrono_literals;

using testing::firstLine;

class ModemManagerProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_address = testing::startPrivateBus(m_bus);
        ASSERT_FALSE(m_address.isEmpty())
            << "dbus-daemon did not start (is it installed? run scripts/deps.sh test)";
        // The provider talks to the system bus; here that is the test's own.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
    }

    void TearDown() override { testing::endProcesses({&m_fake, &m_bus}); }

    void startFakeModemManager() {
        m_fake.setProgram(QStringLiteral(KIVRANO_PYTHON3));
        m_fake.setArguments({QStringLiteral(KIVRANO_FAKE_MODEMMANAGER), m_address});
        m_fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_fake.start();
        ASSERT_TRUE(m_fake.waitForStarted());
        ASSERT_EQ(firstLine(m_fake), QStringLiteral("ready"));
    }

    // What the stand-in was asked, in order.
    QStringList fakeCalls() {
        QDBusConnection control = QDBusConnection::connectToBus(m_address, m_address);
        const QDBusReply<QStringList> reply = control.call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ModemManager1"), QStringLiteral("/control"),
            QStringLiteral("org.kivrano.FakeModemManager"), QStringLiteral("Calls")));
        return reply.isValid() ? reply.value() : QStringList{QStringLiteral("no answer")};
    }

    void remoteHangup(uint reason) {
        QDBusConnection control = QDBusConnection::connectToBus(m_address, m_address);
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ModemManager1"), QStringLiteral("/control"),
            QStringLiteral("org.kivrano.FakeModemManager"), QStringLiteral("RemoteHangup"));
        message << reason;
        control.call(message);
    }

    bool traced(const std::string& text) const {
        return m_debug.text().find(text) != std::string::npos;
    }
    // Waits until the trace holds the text `times` times.
    bool waitForTrace(const std::string& text, int times = 1) {
        return testing::processEventsUntil([&] {
            int found = 0;
            for (auto at = m_debug.text().find(text); at != std::string::npos;
                 at = m_debug.text().find(text, at + 1))
                ++found;
            return found >= times;
        });
    }
    bool waitForFakeCall(const QString& call) {
        return testing::processEventsUntil([&] { return fakeCalls().contains(call); });
    }

    QProcess m_bus;
    QProcess m_fake;
    QString m_address;
    platform::CapturedDebugSink m_debug;
    testing::ScriptedPrompter m_prompter;
    QtLineMessageLoop m_loop;
    LineLibrary m_library{KIVRANO_MODEMMANAGER_PATH, m_debug};
    CTapiDialer m_dialer{m_library, m_loop, m_prompter, m_debug};
};

const QString kCall0 = QStringLiteral("/org/freedesktop/ModemManager1/Call/0");

TEST_F(ModemManagerProviderTest, CallsTheNumberOnTheVoiceModemAndReportsItsStates) {
    startFakeModemManager();
    m_dialer.call("+15550123");
    ASSERT_TRUE(waitForTrace("Connected!\n")) << m_debug.text();
    EXPECT_EQ(fakeCalls(), (QStringList{QStringLiteral("GetManagedObjects"),
                                        QStringLiteral("CreateCall +15550123"),
                                        QStringLiteral("Start ") + kCall0}));
    EXPECT_TRUE(traced("Name of device is: Quectel EG25\n")) << m_debug.text();
    EXPECT_EQ(m_dialer.deviceCount(), 1u) << "the modem without voice is no line";
    const std::string trace = m_debug.text();
    EXPECT_LT(trace.find("Dialing\n"), trace.find("RingBack\n")) << trace;
    EXPECT_LT(trace.find("RingBack\n"), trace.find("Connected!\n")) << trace;

    m_dialer.send("12#");
    ASSERT_TRUE(waitForTrace("LINE_GENERATE is posted\n")) << m_debug.text();
    EXPECT_TRUE(fakeCalls().contains(QStringLiteral("SendDtmf 12#")));

    m_dialer.hangup();
    EXPECT_TRUE(traced("Call Dropped.\nCall Deallocated.\nLine Closed.\nCall stopped\n"))
        << m_debug.text();
    EXPECT_FALSE(m_dialer.callInProgress());
    ASSERT_TRUE(waitForFakeCall(QStringLiteral("DeleteCall ") + kCall0))
        << fakeCalls().join('\n').toStdString();
    EXPECT_TRUE(fakeCalls().contains(QStringLiteral("Hangup ") + kCall0));
    EXPECT_TRUE(m_prompter.messages.empty());
}

TEST_F(ModemManagerProviderTest, TheOtherSideEndingTheCallStopsItAndTheNextCallWorks) {
    startFakeModemManager();
    const std::vector<std::pair<uint, std::string>> endings{{4, "Remote Party Disconnected\n"},
                                                            {5, "Disconnected: Busy\n"}};
    int calls = 0;
    for (const auto& [reason, text] : endings) {
        m_dialer.call("5550123");
        ++calls;
        ASSERT_TRUE(waitForTrace("Connected!\n", calls)) << m_debug.text();
        remoteHangup(reason);
        ASSERT_TRUE(waitForTrace(text)) << m_debug.text();
        ASSERT_TRUE(testing::processEventsUntil([&] { return !m_dialer.callInProgress(); }));
        EXPECT_FALSE(fakeCalls().contains(QStringLiteral("Hangup ") + kCall0))
            << "a call the other side ended needs no hanging up";
        EXPECT_EQ(fakeCalls().filter(QStringLiteral("CreateCall")).size(), calls);
    }
    EXPECT_TRUE(m_prompter.messages.empty());
}

TEST_F(ModemManagerProviderTest, AModemRefusingTheCallEndsTheAttempt) {
    startFakeModemManager();
    m_dialer.call("000");
    ASSERT_TRUE(testing::processEventsUntil([&] { return !m_dialer.callInProgress(); }))
        << m_debug.text();
    EXPECT_TRUE(traced("LINE_REPLY error\nlineMakeCall failed.\nStopping Call in progress\n"))
        << m_debug.text();
    EXPECT_FALSE(traced("No reply")) << m_debug.text();
    EXPECT_FALSE(fakeCalls().contains(QStringLiteral("Start ") + kCall0));
    m_dialer.call("5550123");
    EXPECT_TRUE(waitForTrace("Connected!\n")) << m_debug.text();
}

// The provider writes its own trace lines to stderr when the debug trace is on.
TEST_F(ModemManagerProviderTest, WithoutModemManagerOrWithoutABusThereAreNoDevices) {
    qputenv("KIVRANO_DEBUG", "1");
    const std::vector<std::pair<QByteArray, std::string>> cases{
        {m_address.toUtf8(), "ModemManager: not reachable"},
        {"unix:path=/nonexistent/kivrano-no-bus", "ModemManager: no system bus"}};
    for (const auto& [address, trace] : cases) {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        m_prompter.messages.clear();
        ::testing::internal::CaptureStderr();
        m_dialer.call("5550123");
        const std::string providerTrace = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(m_prompter.messages,
                  std::vector<std::string>{std::string(text(StringId::NoTelephonyDevices))});
        EXPECT_NE(providerTrace.find(trace), std::string::npos) << providerTrace;
        EXPECT_FALSE(m_dialer.callInProgress());
    }
}

}  // namespace
}  // namespace kivrano

// The application object lives on main's stack, as in the program: the provider it owns goes
// while the bus connections are still there.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
