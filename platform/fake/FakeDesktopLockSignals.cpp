#include "platform/fake/FakeDesktopLockSignals.h"

namespace kivrano::platform {

bool FakeDesktopLockSignals::lock(std::string_view source) const {
    if (!m_handler) return false;
    m_handler(source);
    return true;
}

}  // namespace kivrano::platform
