#pragma once

#include "platform/WindowSystem.h"

#include <map>

namespace kivrano::platform {

// A desktop of windows described by the test. Window 1 is our main window, shown and in
// front until the test says otherwise.
class FakeWindowSystem : public WindowSystem {
public:
    struct Window {
        std::string title;
        std::string className;
        std::string address;
        WindowId owner = 0;
    };

    static constexpr WindowId kMainWindow = 1;

    FakeWindowSystem();

    // Adds a window on top of the others; it becomes the foreground window.
    void addWindow(WindowId id, Window window);
    void setForeground(WindowId id) { m_foreground = id; }
    // A desktop that tells nothing about other windows.
    void setBlind(bool blind) { m_blind = blind; }
    bool seesOtherWindows() const override { return !m_blind; }

    WindowId foregroundWindow() const override;
    std::string title(WindowId window) const override;
    std::string className(WindowId window) const override;
    std::string browserAddress(WindowId window) const override;
    std::vector<TopLevelWindow> topLevelWindows() const override;
    void bringToTop(WindowId window) override;

    WindowId mainWindow() const override { return kMainWindow; }
    bool isMainWindowForeground() const override;
    void showMainWindow() override { m_mainVisible = true; }
    void hideMainWindow() override;
    void activateMainWindow() override;

    bool isMainWindowVisible() const { return m_mainVisible; }
    const std::vector<WindowId>& broughtToTop() const { return m_broughtToTop; }

private:
    const Window* find(WindowId id) const;

    std::map<WindowId, Window> m_windows;
    std::vector<WindowId> m_stacking;  // topmost first
    WindowId m_foreground = kMainWindow;
    bool m_mainVisible = true;
    bool m_blind = false;
    std::vector<WindowId> m_broughtToTop;
};

}  // namespace kivrano::platform
