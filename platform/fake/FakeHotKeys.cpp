#include "platform/fake/FakeHotKeys.h"

#include <algorithm>

namespace kivrano::platform {

namespace {
constexpr std::uint16_t kModifierBits =
    HotKeyValue::kShift | HotKeyValue::kCtrl | HotKeyValue::kAlt;
}

bool FakeHotKeys::sameCombination(HotKeyValue a, HotKeyValue b) {
    return a.virtualKey == b.virtualKey &&
           (a.modifiers & kModifierBits) == (b.modifiers & kModifierBits);
}

bool FakeHotKeys::registerHotKey(HotKeyId id, HotKeyValue key) {
    m_registrations.erase(id);
    if (!key.isSet()) return false;
    const bool taken =
        std::any_of(m_takenElsewhere.begin(), m_takenElsewhere.end(),
                    [&](HotKeyValue other) { return sameCombination(other, key); }) ||
        std::any_of(m_registrations.begin(), m_registrations.end(), [&](const auto& entry) {
            return entry.second.active && sameCombination(entry.second.key, key);
        });
    m_registrations[id] = {key, !taken};
    return !taken;
}

void FakeHotKeys::unregisterHotKey(HotKeyId id) {
    m_registrations.erase(id);
}

std::optional<HotKeyId> FakeHotKeys::press(HotKeyValue key) {
    for (const auto& [id, registration] : m_registrations) {
        if (registration.active && sameCombination(registration.key, key)) {
            if (m_handler) m_handler(id);
            return id;
        }
    }
    return std::nullopt;
}

}  // namespace kivrano::platform
