#pragma once

#include <string>

namespace kivrano {

// The session the program starts in, as its environment describes it.
struct SessionEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string sessionType;     // XDG_SESSION_TYPE: "x11", "wayland", "tty", ...
    static SessionEnvironment fromProcess();
};

// The trace line saying which desktop backend start-up took and why, given whether the
// program got its own X connection.
std::string backendChoiceText(const SessionEnvironment& session, bool haveX11);

}  // namespace kivrano
