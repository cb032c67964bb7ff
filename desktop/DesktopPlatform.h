#pragma once

#include "app/BackendChoice.h"
#include "platform/qt/IniSettingsStore.h"
#include "platform/qt/LinuxProgramPaths.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPause.h"
#include "platform/qt/QtShell.h"
#include "platform/qt/StderrDebugSink.h"

#include <functional>
#include <memory>

class QWidget;

namespace kivrano {

namespace platform {
class Clipboard;
class DesktopLockSignals;
class HotKeys;
class Keyboard;
class WlrToplevelWindows;
class WaylandConnection;
class WindowSystem;
class X11Connection;
}  // namespace platform

// The desktop services the program runs on. In a Wayland session keyboard and windows come
// from the compositor where it offers them (hotkeys there are the `kivrano --hotkey N`
// command bound in the desktop's settings); elsewhere keyboard, hotkeys and other windows
// come from the X server when the program has its own connection to one. Without either the
// program still works from its window, with no global hotkeys and nothing known about other
// windows.
class DesktopPlatform {
public:
    DesktopPlatform();
    ~DesktopPlatform();
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    platform::IniSettingsStore settings;
    platform::LinuxProgramPaths paths;
    platform::QtShell shell;
    platform::QtPause pause;
    platform::StderrDebugSink trace;

    // Tells the window backend which window is ours, so that it is not taken for the one
    // the user works in.
    void setMainWindow(QWidget* window);

    // The compositor's data-control clipboard in a Wayland session that offers it (a program
    // not in front may set the clipboard there); else Qt's.
    platform::Clipboard& clipboard() const;
    // Null when nothing can be typed into other programs.
    platform::Keyboard* keyboard() const { return m_keyboard.get(); }
    platform::HotKeys& hotKeys() const { return *m_hotKeys; }
    platform::WindowSystem& windows() const { return *m_windows; }
    // The desktop's lock and sleep signals (none without a desktop bus).
    platform::DesktopLockSignals& desktopLock() const { return *m_desktopLock; }

private:
    void openWayland(const SessionEnvironment& session);
    void takeWaylandKeyboard(KeyboardBackend backend,
                             std::unique_ptr<platform::Keyboard> virtualKeyboard);
    void takeWaylandWindows(WindowsBackend backend,
                            std::unique_ptr<platform::WlrToplevelWindows> toplevels);
    void openX11(const SessionEnvironment& session);

    std::unique_ptr<platform::WaylandConnection> m_wayland;
    std::unique_ptr<platform::X11Connection> m_x11;
    mutable platform::QtClipboard m_qtClipboard;
    std::unique_ptr<platform::Clipboard> m_waylandClipboard;
    std::unique_ptr<platform::Keyboard> m_keyboard;
    std::unique_ptr<platform::HotKeys> m_hotKeys;
    std::unique_ptr<platform::WindowSystem> m_windows;
    std::unique_ptr<platform::DesktopLockSignals> m_desktopLock;
    std::function<void(QWidget*)> m_setMainWindow;
};

}  // namespace kivrano
