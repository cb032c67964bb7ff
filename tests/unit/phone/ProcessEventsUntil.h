#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>

namespace kivrano::testing {

// Runs the event loop until the condition holds; false when it still does not after 30 s.
inline bool processEventsUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

}  // namespace kivrano::testing
