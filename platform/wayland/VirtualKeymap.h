#pragma once

#include "platform/Keyboard.h"
#include "platform/VirtualKey.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivrano::platform {

// The keymap our virtual keyboard uploads, written as XKB keymap text. A virtual keyboard
// brings its own keymap, so the user's layout plays no part: the keys the typing steps name
// by virtual-key code (Tab, Return, Shift, Ctrl+V, the F-keys, letters and digits) have fixed
// key codes, and every other character is typed with a spare key code that carries exactly
// that character's keysym, assigned when the character is first needed.
class VirtualKeymap {
public:
    VirtualKeymap();

    // Key codes here are those of the virtual-keyboard protocol (evdev codes, XKB's minus 8).
    std::optional<std::uint32_t> keyFor(VirtualKey key) const;

    // The modifier bit (XKB's real modifiers: Shift 0x01, Control 0x04, Alt 0x08, ...) a
    // modifier key sets while it is down; 0 for other keys. The compositor does not work it
    // out from a virtual keyboard's keys: the keyboard tells it.
    std::uint32_t modifierMask(VirtualKey key) const;

    struct Placement {
        std::uint32_t key = 0;
        bool keymapChanged = false;  // the keymap text must be uploaded again before the key
    };
    // The key that types the character with no modifier held; a character not yet on a key
    // takes a spare one (the one used longest ago when all are taken). Nothing for a
    // character no keysym stands for.
    std::optional<Placement> placeCharacter(char32_t character);

    // The fixed key and the Shift state that type an ASCII letter, digit or space; nothing
    // for other characters (they have no fixed key).
    std::optional<KeyStroke> fixedStroke(char32_t character) const;

    std::string text() const;

    std::size_t spareCount() const { return m_spares.size(); }

private:
    struct FixedKey {
        VirtualKey virtualKey = 0;
        std::uint32_t keysym = 0;
        std::uint32_t shiftedKeysym = 0;  // 0: one level
    };
    struct SpareKey {
        std::uint32_t keysym = 0;  // 0: free
        std::uint64_t lastUse = 0;
    };

    std::vector<FixedKey> m_fixed;   // key code = its index + kFirstKey
    std::vector<SpareKey> m_spares;  // after the fixed ones
    std::uint64_t m_useCounter = 0;
};

}  // namespace kivrano::platform
