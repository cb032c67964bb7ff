#include "E2eSupport.h"
#include "platform/DebugSink.h"
#include "platform/kwin/KWinScriptWindows.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QWidget>

#include <iostream>

namespace kivrano::platform::e2e {
namespace {

// The trace goes to the test's output, where a failure's reason can be read.
class PrintedTrace : public DebugSink {
public:
    void write(std::string_view text) override { std::cerr << text; }
};

class KWinWindowsE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(KWinScriptWindows::kwinAvailable())
            << "KWin is not on the session bus; run the test through run-under-kwin.sh";
        ASSERT_TRUE(windows.start());
    }

    std::unique_ptr<Target> startTarget(const QString& title) {
        auto target = std::make_unique<Target>(title.toStdString());
        EXPECT_TRUE(target->started());
        EXPECT_TRUE(target->waitForLine("active", 20000)) << target->output().toStdString();
        EXPECT_TRUE(inFront(title.toStdString())) << describe();
        return target;
    }
    bool inFront(const std::string& title) {
        return waitFor([&] { return windows.title(windows.foregroundWindow()) == title; });
    }
    WindowId windowTitled(const std::string& title) {
        for (const TopLevelWindow& w : windows.topLevelWindows())
            if (windows.title(w.id) == title) return w.id;
        return 0;
    }
    std::string describe() {
        std::string text =
            "in front: \"" + windows.title(windows.foregroundWindow()) + "\"; listed:";
        for (const TopLevelWindow& w : windows.topLevelWindows())
            text += " \"" + windows.title(w.id) + "\"";
        return text;
    }

    PrintedTrace trace;
    KWinScriptWindows windows{trace};
};

TEST_F(KWinWindowsE2E, ReportsTheWindowInFrontAndFollowsItsChanges) {
    auto first = startTarget(QStringLiteral("Target One \u2013 Z\u00fcrich"));
    const WindowId one = windows.foregroundWindow();
    EXPECT_EQ(windows.className(one), "kivrano_e2e_target");
    EXPECT_EQ(windows.browserAddress(one), "");

    // A new window takes the front; the order lists it first.
    auto second = startTarget(QStringLiteral("Target Two"));
    const WindowId two = windows.foregroundWindow();
    EXPECT_NE(two, one);
    EXPECT_TRUE(waitFor([&] {
        const auto order = windows.topLevelWindows();
        return order.size() == 2 && order[0].id == two && order[1].id == one;
    })) << describe();

    // Brought back to the top: known in front as soon as the call returns, and focused.
    first->clearOutput();
    windows.bringToTop(one);
    EXPECT_EQ(windows.foregroundWindow(), one) << describe();
    EXPECT_TRUE(first->waitForLine("active")) << first->output().toStdString();
    EXPECT_TRUE(waitFor([&] { return windows.topLevelWindows().front().id == one; })) << describe();

    // A dialog in front counts as the window that owns it.
    first->send("dialog");
    ASSERT_TRUE(first->waitForLine("dialog"));
    ASSERT_TRUE(waitFor([&] { return windowTitled("Target Dialog") != 0; })) << describe();
    EXPECT_TRUE(waitFor([&] {
        const WindowId dialog = windowTitled("Target Dialog");
        for (const TopLevelWindow& w : windows.topLevelWindows())
            if (w.id == dialog) return w.owner == one;
        return false;
    })) << describe();
    EXPECT_TRUE(waitFor([&] { return windows.foregroundWindow() == one; })) << describe();

    // A closed window leaves the list; the window in front follows.
    second.reset();
    EXPECT_TRUE(waitFor([&] { return windowTitled("Target Two") == 0; })) << describe();
}

TEST_F(KWinWindowsE2E, OurMainWindowIsKnownComesForwardAndGivesWay) {
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("Kivrano"));
    mainWindow.resize(280, 300);
    windows.setMainWindow(&mainWindow);
    windows.showMainWindow();
    ASSERT_TRUE(waitFor([&] { return windows.mainWindow() != 0; }, 10000)) << describe();
    EXPECT_EQ(windows.title(windows.mainWindow()), "Kivrano");

    auto target = startTarget(QStringLiteral("Target Behind"));
    EXPECT_FALSE(windows.isMainWindowForeground());
    windows.activateMainWindow();
    EXPECT_TRUE(waitFor([&] { return windows.isMainWindowForeground(); })) << describe();
    EXPECT_TRUE(waitFor([&] { return mainWindow.isActiveWindow(); }));

    windows.hideMainWindow();
    EXPECT_TRUE(waitFor([&] { return windows.mainWindow() == 0; })) << describe();
    EXPECT_FALSE(windows.isMainWindowForeground());

    // From hidden, with another window in front: in front as soon as the call returns.
    windows.bringToTop(windowTitled("Target Behind"));
    ASSERT_EQ(windows.title(windows.foregroundWindow()), "Target Behind");
    windows.activateMainWindow();
    EXPECT_TRUE(windows.isMainWindowForeground()) << describe();
}

TEST_F(KWinWindowsE2E, OnlyKWinsReportsCountAndTheScriptGoesAtTheEnd) {
    auto target = startTarget(QStringLiteral("Target Real"));
    // Another program on the bus cannot make us believe in a window of its own.
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("intruder"));
    ASSERT_TRUE(other.isConnected());
    QDBusMessage fake = QDBusMessage::createMethodCall(
        QDBusConnection::sessionBus().baseService(), windows.reportPath(),
        QStringLiteral("org.kivrano.KWinWindows"), QStringLiteral("Report"));
    fake << QStringLiteral(
        R"({"active":"{f}","windows":[{"id":"{f}","caption":"Fake","class":"x","owner":"","pid":1,"stacking":9}]})");
    // Asked without blocking: the answer comes from this very thread's event loop.
    QDBusPendingCall answer = other.asyncCall(fake, 3000);
    ASSERT_TRUE(waitFor([&] { return answer.isFinished(); }));
    EXPECT_FALSE(answer.isError()) << answer.error().message().toStdString();
    EXPECT_EQ(windows.title(windows.foregroundWindow()), "Target Real");
    QDBusConnection::disconnectFromBus(QStringLiteral("intruder"));

    // The script is unloaded when the backend goes.
    auto isLoaded = [](const QString& name) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
            QStringLiteral("org.kde.kwin.Scripting"), QStringLiteral("isScriptLoaded"));
        call << name;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(0).toBool();
    };
    QString name;
    {
        KWinScriptWindows second(trace);
        ASSERT_TRUE(second.start());
        name = second.scriptName();
        EXPECT_TRUE(isLoaded(name));
        EXPECT_TRUE(isLoaded(windows.scriptName()));
        EXPECT_EQ(second.title(second.foregroundWindow()), "Target Real");
    }
    EXPECT_FALSE(isLoaded(name));
    EXPECT_TRUE(isLoaded(windows.scriptName()));
}

}  // namespace
}  // namespace kivrano::platform::e2e
