#pragma once

#include <chrono>
#include <functional>

namespace kivrano {

// The user-interface thread's event loop as the dialer needs it: telephony messages are
// handed to that thread, and the wait for a reply keeps the program's events running.
class LineMessageLoop {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~LineMessageLoop() = default;
    // Runs `task` on the user-interface thread once the events before it are handled.
    // Callable from any thread.
    virtual void post(std::function<void()> task) = 0;
    // Handles the events that are waiting, or waits for one, for at most `timeout`; returns
    // once a posted task has run or the time is up.
    virtual void waitForEvents(std::chrono::milliseconds timeout) = 0;
    virtual Clock::time_point now() const = 0;
};

}  // namespace kivrano
