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

}  // namespace

SessionEnvironment SessionEnvironment::fromProcess() {
    return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE")};
}

std::string backendChoiceText(const SessionEnvironment& session, bool haveX11) {
    const bool wayland = !session.waylandDisplay.empty() || session.sessionType == "wayland";
    std::string why;
    if (haveX11 && wayland)
        why =
            "X11 backend: an X connection (Xwayland) in a Wayland session: hotkeys and typing "
            "reach X11 programs only, not Wayland ones";
    else if (haveX11)
        why = "X11 backend: keyboard, hotkeys and windows through the X server";
    else if (wayland)
        why =
            "no backend: Wayland session without an X connection: no typing or global hotkeys "
            "here, nothing known about other windows";
    else if (!session.display.empty())
        why =
            "no backend: the X server at DISPLAY could not be reached: no typing or global "
            "hotkeys, nothing known about other windows";
    else
        why =
            "no backend: no X connection: no typing or global hotkeys, nothing known about "
            "other windows";
    return "desktop: " + why + " (" + describe(session) + ")\n";
}

}  // namespace kivrano
