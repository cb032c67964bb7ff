#pragma once

#include <chrono>

namespace kivrano::platform {

// A wait on the user-interface thread. The real one keeps answering the window system
// (clipboard requests above all) while it waits, and handles no user input.
class Pause {
public:
    virtual ~Pause() = default;
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

}  // namespace kivrano::platform
