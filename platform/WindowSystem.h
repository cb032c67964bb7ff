#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivrano::platform {

// A top-level window of any program; 0 means none.
using WindowId = std::uint64_t;

struct TopLevelWindow {
    WindowId id = 0;
    WindowId owner = 0;  // the window it belongs to (a dialog's parent window), or 0

    bool operator==(const TopLevelWindow&) const = default;
};

// Inspection and activation of the desktop's windows, and our own main window.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The window the user works in, followed up its owners to the last one; 0 when none.
    virtual WindowId foregroundWindow() const = 0;
    // Titles are UTF-8.
    virtual std::string title(WindowId window) const = 0;
    virtual std::string className(WindowId window) const = 0;
    // The address shown by a browser window; empty where the window system does not expose it.
    virtual std::string browserAddress(WindowId window) const = 0;
    // Top-level windows, topmost first.
    virtual std::vector<TopLevelWindow> topLevelWindows() const = 0;
    // Brings a window to the top and gives it the keyboard focus.
    virtual void bringToTop(WindowId window) = 0;
    // False where the desktop tells nothing about other programs' windows (some Wayland
    // desktops): the window in front is then always 0 and no window can be brought forward.
    virtual bool seesOtherWindows() const { return true; }

    virtual WindowId mainWindow() const = 0;
    virtual bool isMainWindowForeground() const = 0;
    virtual void showMainWindow() = 0;
    virtual void hideMainWindow() = 0;
    // Restores the main window when minimised or hidden and makes it the foreground window.
    virtual void activateMainWindow() = 0;
};

}  // namespace kivrano::platform
