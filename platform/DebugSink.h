#pragma once

#include <string_view>

namespace kivrano::platform {

// Trace lines for developers (the telephony layer's); never shown to the user, never secret.
class DebugSink {
public:
    virtual ~DebugSink() = default;
    virtual void write(std::string_view text) = 0;
};

}  // namespace kivrano::platform
