#pragma once

#include "platform/InstanceRequest.h"

#include <functional>
#include <optional>
#include <string>

namespace kivrano::platform {

// One running copy per user.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;

    // True when another copy runs and has been asked to come forward; this copy should end.
    virtual bool forwardToRunningCopy() = 0;
    // Hands a hotkey request to the running copy. Nothing when no copy runs; else why the copy
    // refused it, empty when it took the request.
    virtual std::optional<std::string> sendToRunningCopy(const InstanceRequest& request) = 0;
    // Makes this copy the running one; `comeForward` is called for each later copy's request.
    // False when that is not possible (another copy took over meanwhile).
    virtual bool becomeRunningCopy(std::function<void()> comeForward) = 0;
    // Answers the later copies' hotkey requests: returns why one is refused, empty when it is
    // taken. Until one is set every hotkey request is refused.
    virtual void setRequestHandler(std::function<std::string(const InstanceRequest&)> handler) = 0;
};

}  // namespace kivrano::platform
