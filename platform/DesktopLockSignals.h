#pragma once

#include <functional>
#include <string_view>

namespace kivrano::platform {

// The desktop telling that the user's session is being locked: its screen saver locking, the
// session's lock, the machine about to sleep.
class DesktopLockSignals {
public:
    virtual ~DesktopLockSignals() = default;
    // handler runs on the user-interface thread from the event loop, never inside the
    // desktop's delivery; source names what locked, for the trace.
    virtual void setHandler(std::function<void(std::string_view source)> handler) = 0;
};

}  // namespace kivrano::platform
