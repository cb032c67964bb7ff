#pragma once

#include "platform/SingleInstance.h"

#include <memory>

namespace kivrano::platform {

// Copies of the program that share one FakeSingleInstance::Desktop find each other. Requests
// and answers pass through their encoded lines, as over the real socket.
class FakeSingleInstance : public SingleInstance {
public:
    struct Desktop {
        std::function<void()> runningCopy;  // the running copy's come-forward handler
        std::function<std::string(const InstanceRequest&)> requests;  // its request handler
        bool running = false;
    };

    explicit FakeSingleInstance(std::shared_ptr<Desktop> desktop) : m_desktop(std::move(desktop)) {}

    bool forwardToRunningCopy() override;
    std::optional<std::string> sendToRunningCopy(const InstanceRequest& request) override;
    bool becomeRunningCopy(std::function<void()> comeForward) override;
    void setRequestHandler(std::function<std::string(const InstanceRequest&)> handler) override;

private:
    std::shared_ptr<Desktop> m_desktop;
};

}  // namespace kivrano::platform
