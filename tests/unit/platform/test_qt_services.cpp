#include "platform/fake/TempProgramPaths.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPause.h"
#include "platform/qt/QtShell.h"
#include "platform/qt/StderrDebugSink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <future>
#include <thread>

namespace kivrano::platform {
namespace {

using namespace std::chrono_literals;

QString qPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Runs the event loop until `done` or a generous deadline.
bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeScript(const std::filesystem::path& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

class QtShellTest : public ::testing::Test {
protected:
    TempProgramPaths temp;
    std::filesystem::path bin = temp.programDirectory();
    std::filesystem::path log = temp.programDirectory() / "args.txt";
};

TEST_F(QtShellTest, StartsAProgramWithItsParametersSplitLikeACommandLine) {
    writeScript(bin / "recorder",
                "for a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + log.string() + "'");
    QtShell shell;
    const int result =
        shell.open((bin / "recorder").string(), "https://example.org/?q=1 \"two words\" -x");
    EXPECT_TRUE(Shell::succeeded(result)) << result;
    ASSERT_TRUE(waitFor([&] { return !readFile(log).empty(); }));
    EXPECT_EQ(readFile(log), "[https://example.org/?q=1][two words][-x]");
}

TEST_F(QtShellTest, FindsProgramsOnTheSearchPathAndFailsForMissingOnes) {
    writeScript(bin / "tool", "echo ran > '" + log.string() + "'");
    QtShell shell(QStringList{qPath(bin)});
    EXPECT_TRUE(Shell::succeeded(shell.open("tool", "")));
    ASSERT_TRUE(waitFor([&] { return readFile(log) == "ran\n"; }));
    EXPECT_FALSE(Shell::succeeded(shell.open((bin / "missing").string(), "a")));
    EXPECT_FALSE(Shell::succeeded(shell.open("", "")));
    EXPECT_FALSE(Shell::succeeded(shell.open("no-such-program-anywhere", "")));
}

TEST_F(QtShellTest, BuiltInBrowserPrefersBrowserVariableThenTheUsualNames) {
    QtShell shell(QStringList{qPath(bin)});
    unsetenv("BROWSER");
    EXPECT_EQ(shell.builtInBrowser(), "");
    writeScript(bin / "chromium", "");
    EXPECT_EQ(shell.builtInBrowser(), (bin / "chromium").string());
    writeScript(bin / "firefox", "");
    EXPECT_EQ(shell.builtInBrowser(), (bin / "firefox").string());
    writeScript(bin / "mybrowser", "");
    setenv("BROWSER", "not-installed:mybrowser --new-window %s", 1);
    EXPECT_EQ(shell.builtInBrowser(), (bin / "mybrowser").string());
    unsetenv("BROWSER");
}

TEST(QtShell, AddressesAreToldApartFromPaths) {
    EXPECT_TRUE(QtShell::isAddress(QStringLiteral("https://example.org")));
    EXPECT_TRUE(QtShell::isAddress(QStringLiteral("mailto:ann@example.org")));
    EXPECT_FALSE(QtShell::isAddress(QStringLiteral("C:\\Program Files\\app.exe")));
    EXPECT_FALSE(QtShell::isAddress(QStringLiteral("/usr/bin/app")));
    EXPECT_FALSE(QtShell::isAddress(QStringLiteral("ann@example.org")));
}

TEST(LocalSingleInstance, ALaterCopyReachesTheRunningOneAndAStaleSocketIsReplaced) {
    const QString name = QStringLiteral("kivrano-test-%1").arg(QCoreApplication::applicationPid());
    // A copy that died without closing its server leaves its socket file behind.
    QFile stale(QDir::tempPath() + QLatin1Char('/') + name);
    stale.open(QIODevice::WriteOnly);
    stale.close();

    LocalSingleInstance first(name);
    int requests = 0;
    ASSERT_TRUE(first.becomeRunningCopy([&] { ++requests; }));

    LocalSingleInstance second(name);
    EXPECT_FALSE(second.becomeRunningCopy({}));
    // The later copy blocks while it asks; the running copy answers from its event loop.
    auto asked = std::async(std::launch::async, [&] { return second.forwardToRunningCopy(); });
    ASSERT_TRUE(waitFor([&] { return requests == 1; }));
    EXPECT_TRUE(asked.get());
}

TEST(LocalSingleInstance, HotKeyRequestsAreAnsweredOverTheSocket) {
    const QString name =
        QStringLiteral("kivrano-test-keys-%1").arg(QCoreApplication::applicationPid());
    LocalSingleInstance running(name), later(name);
    const InstanceRequest password{InstanceRequest::Kind::HotKey, 1, {}};
    const InstanceRequest launch{InstanceRequest::Kind::LaunchKey, 0, {0x4C, 3}};
    EXPECT_EQ(later.sendToRunningCopy(password), std::nullopt);  // nobody listens yet

    int cameForward = 0;
    ASSERT_TRUE(running.becomeRunningCopy([&] { ++cameForward; }));
    auto ask = [&](const InstanceRequest& request) {
        auto asked =
            std::async(std::launch::async, [&] { return later.sendToRunningCopy(request); });
        // The running copy answers from its event loop while the later one blocks.
        EXPECT_TRUE(waitFor([&] { return asked.wait_for(0s) == std::future_status::ready; }));
        return asked.get();
    };
    EXPECT_EQ(ask(password), "Kivrano is still starting; try again");  // no handler yet

    std::vector<InstanceRequest> received;
    running.setRequestHandler([&](const InstanceRequest& request) {
        received.push_back(request);
        return request.kind == InstanceRequest::Kind::LaunchKey ? std::string("no such item")
                                                                : std::string();
    });
    EXPECT_EQ(ask(password), "");
    EXPECT_EQ(ask(launch), "no such item");
    EXPECT_EQ(received, (std::vector{password, launch}));
    EXPECT_EQ(cameForward, 0);
}

TEST(LocalSingleInstance, EachDisplayHasItsOwnCopy) {
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":7.0");
    const QString seven = LocalSingleInstance::defaultServerName();
    qputenv("DISPLAY", ":8");
    const QString eight = LocalSingleInstance::defaultServerName();
    qputenv("DISPLAY", saved);
    EXPECT_EQ(seven, QStringLiteral("KivranoClass-%1-_7_0").arg(getuid()));
    EXPECT_NE(seven, eight);
}

TEST(LocalSingleInstance, NoRunningCopyMeansNothingToForwardTo) {
    LocalSingleInstance alone(
        QStringLiteral("kivrano-test-none-%1").arg(QCoreApplication::applicationPid()));
    EXPECT_FALSE(alone.forwardToRunningCopy());
}

TEST(QtClipboard, KeepsVaultBytesReadableAndDropsTextOnEmpty) {
    QtClipboard clipboard;
    ASSERT_TRUE(clipboard.open());
    clipboard.setText("Z\xFCrich");  // Windows-1252
    EXPECT_EQ(clipboard.text(), "Z\xC3\xBCrich");
    clipboard.setText("\xE5\xAF\x86\xE7\xA0\x81");
    EXPECT_EQ(clipboard.text(), "\xE5\xAF\x86\xE7\xA0\x81");
    clipboard.empty();
    EXPECT_EQ(clipboard.text(), std::nullopt);
    clipboard.close();
}

TEST(QtPause, KeepsTimersAndQueuedWorkRunningWhileItWaits) {
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QtPause().pause(200ms);
    EXPECT_GT(ticks, 3);
}

TEST(StderrDebugSink, WritesOnlyWhenSwitchedOn) {
    testing::internal::CaptureStderr();
    StderrDebugSink(false).write("hidden\n");
    StderrDebugSink(true).write("lineDevSpecific: 2\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "lineDevSpecific: 2\n");
    setenv("KIVRANO_DEBUG", "1", 1);
    EXPECT_TRUE(StderrDebugSink().enabled());
    setenv("KIVRANO_DEBUG", "0", 1);
    EXPECT_FALSE(StderrDebugSink().enabled());
    unsetenv("KIVRANO_DEBUG");
}

}  // namespace
}  // namespace kivrano::platform
