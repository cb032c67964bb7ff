#include "app/BackendChoice.h"

#include <cstdlib>

namespace kivrano {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string describe(const SessionEnvironment& s) {
    auto shown = [](const std::string& v) { return v.empty() ? std::string("unset") : v; };
    return "DISPLAY " + shown(s.display) + ", WAYLAND_DISPLAY " + shown(s.waylandDisplay) +
           ", XDG_SESSION_TYPE " + shown(s.sessionType);
}

// Why nothing of the X server is used: what the user can then not do, and where to look.
std::string withoutX11(const SessionEnvironment& session) {
    if (!session.display.empty())
        return "the X server at DISPLAY could not be reached: no typing or global hotkeys, "
               "nothing known about other windows";
    return "no X connection: no typing or global hotkeys, nothing known about other windows";
}

void chooseWayland(const DesktopOffer& offer, BackendChoice& choice) {
    std::string keyboard, hotKeys, windows;
    if (offer.virtualKeyboard) {
        choice.keyboard = KeyboardBackend::VirtualKeyboard;
        keyboard = "the compositor's virtual keyboard with our own keymap";
    } else if (offer.portalKeyboard) {
        choice.keyboard = KeyboardBackend::RemoteDesktopPortal;
        keyboard = "the RemoteDesktop portal";
    } else {
        keyboard =
            "none (the compositor offers no virtual keyboard and there is no "
            "RemoteDesktop portal)";
    }
    if (offer.globalShortcuts) {
        choice.hotKeys = HotKeysBackend::GlobalShortcutsPortal;
        hotKeys = "the GlobalShortcuts portal";
    } else {
        hotKeys =
            "none of our own (no GlobalShortcuts portal): bind `kivrano --hotkey N` in "
            "the desktop's keyboard settings";
    }
    if (offer.foreignToplevel) {
        choice.windows = WindowsBackend::ForeignToplevel;
        windows = "the compositor's foreign-toplevel list";
    } else if (offer.kwinScript) {
        choice.windows = WindowsBackend::KWinScript;
        windows = "a KWin script";
    } else {
        windows = "none (the compositor does not tell which window is in front)";
    }
    choice.text = "Wayland backend: keyboard: " + keyboard + "; hotkeys: " + hotKeys +
                  "; windows: " + windows;
}

}  // namespace

SessionEnvironment SessionEnvironment::fromProcess() {
    return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE")};
}

BackendChoice chooseBackends(const SessionEnvironment& session, const DesktopOffer& offer) {
    BackendChoice choice;
    if (session.isWayland() && offer.wayland) {
        chooseWayland(offer, choice);
    } else if (offer.x11) {
        choice.keyboard = KeyboardBackend::X11;
        choice.hotKeys = HotKeysBackend::X11;
        choice.windows = WindowsBackend::X11;
        choice.text =
            session.isWayland()
                ? "X11 backend: an X connection (Xwayland) in a Wayland session without a "
                  "Wayland connection of our own: hotkeys and typing reach X11 programs only, "
                  "not Wayland ones"
                : "X11 backend: keyboard, hotkeys and windows through the X server";
    } else if (session.isWayland()) {
        choice.text =
            "no backend: Wayland session, but neither the compositor nor an X server could be "
            "reached: no typing or global hotkeys here, nothing known about other windows";
    } else {
        choice.text = "no backend: " + withoutX11(session);
    }
    choice.text = "desktop: " + choice.text + " (" + describe(session) + ")\n";
    return choice;
}

}  // namespace kivrano
