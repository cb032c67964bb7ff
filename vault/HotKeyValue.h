#pragma once

#include <cstdint>

namespace kivrano {

// A key combination as stored in the vault: a Windows virtual-key code and the hotkey
// control's modifier bits (1 Shift, 2 Ctrl, 4 Alt). The platform layer translates both.
struct HotKeyValue {
    std::uint16_t virtualKey = 0;  // 0 = not set
    std::uint16_t modifiers = 0;

    static constexpr std::uint16_t kShift = 1;
    static constexpr std::uint16_t kCtrl = 2;
    static constexpr std::uint16_t kAlt = 4;

    bool isSet() const noexcept { return virtualKey != 0 || modifiers != 0; }
    bool operator==(const HotKeyValue&) const = default;

    // Modifier bits for a system registration: Shift 1 -> 4, Ctrl 2 -> 2, Alt 4 -> 1.
    std::uint16_t registrationModifiers() const noexcept {
        std::uint16_t bits = 0;
        if (modifiers & kShift) bits |= 4;
        if (modifiers & kCtrl) bits |= 2;
        if (modifiers & kAlt) bits |= 1;
        return bits;
    }
};

}  // namespace kivrano
