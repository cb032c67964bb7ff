#include "E2eSupport.h"

#include <QWidget>

namespace kivrano::platform::e2e {
namespace {

class WindowsE2E : public X11Test {
protected:
    X11WindowSystem windows{connection()};
};

TEST_F(WindowsE2E, ActiveWindowTitleClassAndOwner) {
    auto target = startTarget(windows);
    const WindowId main = windows.foregroundWindow();
    ASSERT_NE(main, 0u);
    EXPECT_EQ(windows.title(main), "Kivrano E2E Target \xE2\x80\x93 Z\xC3\xBCrich \xE5\xAF\x86");
    EXPECT_EQ(windows.className(main), "kivrano_e2e_target");
    EXPECT_EQ(windows.browserAddress(main), "");

    // A dialog in front: the foreground window is still the window that owns it.
    target->send("dialog");
    ASSERT_TRUE(target->waitForLine("dialog"));
    WindowId dialog = 0;
    ASSERT_TRUE(waitFor([&] {
        for (const TopLevelWindow& w : windows.topLevelWindows())
            if (windows.title(w.id) == "Target Dialog") dialog = w.id;
        return dialog != 0;
    }));
    const auto order = windows.topLevelWindows();
    const auto entry = std::find_if(order.begin(), order.end(),
                                    [&](const TopLevelWindow& w) { return w.id == dialog; });
    ASSERT_NE(entry, order.end());
    EXPECT_EQ(entry->owner, main);
    EXPECT_TRUE(waitFor([&] {
        return windows.title(windows.foregroundWindow()) != "" &&
               windows.foregroundWindow() == main;
    }));
}

TEST_F(WindowsE2E, OurMainWindowComesForwardHidesAndGivesWayToOthers) {
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("Kivrano"));
    mainWindow.resize(280, 300);
    windows.setMainWindow(&mainWindow);
    windows.activateMainWindow();
    ASSERT_TRUE(waitFor([&] { return windows.isMainWindowForeground(); }));
    EXPECT_EQ(windows.title(windows.mainWindow()), "Kivrano");

    auto target = startTarget(windows);
    ASSERT_TRUE(waitFor([&] { return !windows.isMainWindowForeground(); }));
    // The window manager publishes the stacking order apart from the focus: wait for both.
    std::vector<TopLevelWindow> order;
    EXPECT_TRUE(waitFor([&] {
        order = windows.topLevelWindows();
        return order.size() >= 2 && order[0].id == windows.foregroundWindow() &&  // topmost first
               order[1].id == windows.mainWindow();
    })) << order.size();
    ASSERT_GE(order.size(), 2u);

    windows.bringToTop(windows.mainWindow());
    ASSERT_TRUE(waitFor([&] { return windows.isMainWindowForeground(); }));
    windows.bringToTop(order[0].id);
    ASSERT_TRUE(waitFor([&] { return windows.foregroundWindow() == order[0].id; }));

    windows.activateMainWindow();
    ASSERT_TRUE(waitFor([&] { return windows.isMainWindowForeground(); }));
    windows.hideMainWindow();
    EXPECT_TRUE(waitFor([&] { return !windows.isMainWindowForeground(); }));
    ASSERT_TRUE(waitFor([&] {
        const auto now = windows.topLevelWindows();
        return std::none_of(now.begin(), now.end(),
                            [&](const TopLevelWindow& w) { return w.id == windows.mainWindow(); });
    }));
    // Brought back from hiding, as the show/hide hotkey does.
    windows.activateMainWindow();
    EXPECT_TRUE(waitFor([&] { return windows.isMainWindowForeground(); }));
}

}  // namespace
}  // namespace kivrano::platform::e2e
