#pragma once

#include <cstdint>

namespace kivrano::platform {

// Keys are named by Windows virtual-key codes everywhere above the platform layer: the vault
// stores hotkeys that way and the typing steps are written in those terms. Each backend
// translates them to its own key codes.
using VirtualKey = std::uint8_t;

namespace vk {
inline constexpr VirtualKey kBack = 0x08;
inline constexpr VirtualKey kTab = 0x09;
inline constexpr VirtualKey kReturn = 0x0D;
inline constexpr VirtualKey kShift = 0x10;
inline constexpr VirtualKey kControl = 0x11;
inline constexpr VirtualKey kMenu = 0x12;     // Alt
inline constexpr VirtualKey kCapital = 0x14;  // Caps Lock
inline constexpr VirtualKey kEscape = 0x1B;
inline constexpr VirtualKey kSpace = 0x20;
inline constexpr VirtualKey kV = 0x56;
inline constexpr VirtualKey kF1 = 0x70;
inline constexpr VirtualKey kF12 = 0x7B;
inline constexpr VirtualKey kF24 = 0x87;
// The right-hand keys of the modifiers (the plain codes above are the left-hand ones).
inline constexpr VirtualKey kRightShift = 0xA1;
inline constexpr VirtualKey kRightControl = 0xA3;
inline constexpr VirtualKey kRightMenu = 0xA5;
}  // namespace vk

}  // namespace kivrano::platform
