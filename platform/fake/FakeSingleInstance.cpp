#include "platform/fake/FakeSingleInstance.h"

namespace kivrano::platform {

bool FakeSingleInstance::forwardToRunningCopy() {
    if (!m_desktop->running) return false;
    if (m_desktop->runningCopy) m_desktop->runningCopy();
    return true;
}

bool FakeSingleInstance::becomeRunningCopy(std::function<void()> comeForward) {
    if (m_desktop->running) return false;
    m_desktop->running = true;
    m_desktop->runningCopy = std::move(comeForward);
    return true;
}

}  // namespace kivrano::platform
