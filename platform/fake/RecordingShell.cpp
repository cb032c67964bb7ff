#include "platform/fake/RecordingShell.h"

namespace kivrano::platform {

int RecordingShell::open(const std::string& target, const std::string& parameters) {
    m_calls.push_back({target, parameters});
    auto it = m_results.find(target);
    return it == m_results.end() ? kOpened : it->second;
}

}  // namespace kivrano::platform
