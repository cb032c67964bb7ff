#pragma once

#include <functional>

namespace kivrano::platform {

// One running copy per user.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;

    // True when another copy runs and has been asked to come forward; this copy should end.
    virtual bool forwardToRunningCopy() = 0;
    // Makes this copy the running one; `comeForward` is called for each later copy's request.
    // False when that is not possible (another copy took over meanwhile).
    virtual bool becomeRunningCopy(std::function<void()> comeForward) = 0;
};

}  // namespace kivrano::platform
