#pragma once

#include "platform/SingleInstance.h"

#include <memory>

namespace kivrano::platform {

// Copies of the program that share one FakeSingleInstance::Desktop find each other.
class FakeSingleInstance : public SingleInstance {
public:
    struct Desktop {
        std::function<void()> runningCopy;  // the running copy's come-forward handler
        bool running = false;
    };

    explicit FakeSingleInstance(std::shared_ptr<Desktop> desktop) : m_desktop(std::move(desktop)) {}

    bool forwardToRunningCopy() override;
    bool becomeRunningCopy(std::function<void()> comeForward) override;

private:
    std::shared_ptr<Desktop> m_desktop;
};

}  // namespace kivrano::platform
