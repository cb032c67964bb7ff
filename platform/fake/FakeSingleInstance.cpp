#include "platform/fake/FakeSingleInstance.h"

namespace kivrano::platform {

bool FakeSingleInstance::forwardToRunningCopy() {
    if (!m_desktop->running) return false;
    answerInstanceLine(encodeInstanceRequest({}), m_desktop->runningCopy, m_desktop->requests);
    return true;
}

std::optional<std::string> FakeSingleInstance::sendToRunningCopy(const InstanceRequest& request) {
    if (!m_desktop->running) return std::nullopt;
    const std::optional<std::string> refusal = decodeInstanceAnswer(answerInstanceLine(
        encodeInstanceRequest(request), m_desktop->runningCopy, m_desktop->requests));
    return refusal ? *refusal : std::string("the running copy gave no answer");
}

bool FakeSingleInstance::becomeRunningCopy(std::function<void()> comeForward) {
    if (m_desktop->running) return false;
    m_desktop->running = true;
    m_desktop->runningCopy = std::move(comeForward);
    return true;
}

void FakeSingleInstance::setRequestHandler(
    std::function<std::string(const InstanceRequest&)> handler) {
    m_desktop->requests = std::move(handler);
}

}  // namespace kivrano::platform
