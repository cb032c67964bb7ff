#pragma once

#include "platform/VirtualKey.h"

#include <optional>

namespace kivrano::platform {

enum class Modifier { Shift, Ctrl, Alt };

// The key that produces a character on the current layout, with the modifiers to hold.
struct KeyStroke {
    VirtualKey virtualKey = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;

    bool operator==(const KeyStroke&) const = default;
};

// Synthetic keyboard input into whatever window has the keyboard focus.
class Keyboard {
public:
    virtual ~Keyboard() = default;

    virtual void keyDown(VirtualKey key) = 0;
    virtual void keyUp(VirtualKey key) = 0;

    // The key and modifiers that type `character` on the current layout without AltGr, or
    // nothing when the layout has no such key.
    virtual std::optional<KeyStroke> mapCharacter(char32_t character) const = 0;

    // Whether the modifier is held down now (the hotkey's own modifiers usually still are).
    virtual bool isPhysicallyHeld(Modifier modifier) const = 0;
    // False where the desktop does not tell (Wayland): isPhysicallyHeld then always says no.
    virtual bool knowsHeldModifiers() const { return true; }

    // Types one Unicode character so that exactly it arrives, whatever the layout and the
    // Caps Lock state; modifiers the user holds are left as they are. '\n' and '\r' are
    // typed as Enter, '\t' as Tab. False when the character could not be typed at all.
    virtual bool typeCharacter(char32_t character) = 0;
    // Whether typeCharacter can be trusted with `character`; a field with any character it
    // cannot is pasted instead.
    virtual bool typesCharacter(char32_t /*character*/) const { return true; }

    // Around each typing of a field. A backend that must be granted the keyboard by the
    // desktop for each use asks here and gives it back at the end; false means the keyboard
    // cannot be used now and nothing may be typed (the backend traces why).
    virtual bool beginTyping() { return true; }
    virtual void endTyping() {}
};

}  // namespace kivrano::platform
