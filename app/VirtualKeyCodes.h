#pragma once

#include "vault/HotKeyValue.h"

#include <QtCore/qnamespace.h>

#include <cstdint>

namespace kivrano::vkeys {

// Keys pressed in our own windows, translated to the Windows virtual-key codes the vault
// stores for hotkeys.
//
// qtKey is QKeyEvent::key(); keypad says the key came from the numeric keypad; scanCode is
// QKeyEvent::nativeScanCode() (an X keycode, 0 when unknown). Letters follow the layout, as
// they do on Windows; the digit row and the punctuation keys are taken by their position on
// the keyboard when the scan code is known, so Shift+1 stays the 1 key on every layout.
// Returns 0 for a modifier on its own and for keys without a code.
std::uint16_t virtualKeyFromQtKey(int qtKey, bool keypad, std::uint32_t scanCode = 0);

// The Qt key that shows a virtual-key code's name, with keypad set for the keypad keys;
// Qt::Key_unknown when the code has none.
struct QtKeyName {
    int key = Qt::Key_unknown;
    bool keypad = false;
};
QtKeyName qtKeyForVirtualKey(std::uint16_t virtualKey);

// Hotkey modifier bits (1 Shift, 2 Ctrl, 4 Alt) of a key event's modifiers.
std::uint16_t hotKeyModifiers(Qt::KeyboardModifiers modifiers);

// Shift, Ctrl, Alt, Meta and AltGr: pressed alone they make no chord.
bool isModifierQtKey(int qtKey);

// Keys that type text: letters, digits, punctuation, Space and the keypad's characters.
bool typesText(std::uint16_t virtualKey);

// A launching key is registered for the whole desktop, so a key that types text is only
// taken together with Ctrl or Alt; otherwise that character could no longer be typed anywhere.
bool isUsableLaunchingKey(const HotKeyValue& key);

}  // namespace kivrano::vkeys
