#pragma once

#include <string>

namespace kivrano {

// The session the program starts in, as its environment describes it.
struct SessionEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string sessionType;     // XDG_SESSION_TYPE: "x11", "wayland", "tty", ...
    static SessionEnvironment fromProcess();

    // A Wayland session: Wayland programs cannot be reached through an X connection there.
    bool isWayland() const { return !waylandDisplay.empty() || sessionType == "wayland"; }
};

// What the desktop offers the program, as found at start-up.
struct DesktopOffer {
    bool x11 = false;              // our own X connection (a real X server or Xwayland)
    bool wayland = false;          // our own Wayland connection
    bool virtualKeyboard = false;  // zwp_virtual_keyboard_manager_v1 on that connection
    bool foreignToplevel = false;  // zwlr_foreign_toplevel_manager_v1 on that connection
    bool portalKeyboard = false;   // the RemoteDesktop portal
    bool globalShortcuts = false;  // the GlobalShortcuts portal
    bool kwinScript = false;       // KWin's scripting interface on the session bus
};

enum class KeyboardBackend { None, X11, VirtualKeyboard, RemoteDesktopPortal };
enum class HotKeysBackend { None, X11, GlobalShortcutsPortal };
enum class WindowsBackend { None, X11, ForeignToplevel, KWinScript };

// Which service each desktop service comes from, and the trace line saying so and why.
struct BackendChoice {
    KeyboardBackend keyboard = KeyboardBackend::None;
    HotKeysBackend hotKeys = HotKeysBackend::None;
    WindowsBackend windows = WindowsBackend::None;
    std::string text;
};

// In a Wayland session the Wayland services where the compositor offers them; elsewhere the
// X server. Each service is chosen on its own: a desktop may offer typing but no windows.
BackendChoice chooseBackends(const SessionEnvironment& session, const DesktopOffer& offer);

}  // namespace kivrano
