#pragma once

#include "vault/HotKeyValue.h"

#include <string>

namespace kivrano {

// How a hotkey is shown: "Ctrl+", "Alt+", "Shift+" as set, then the key's name. Keys without
// a name (Space, Enter, Esc, F24, punctuation) show only their modifiers.
std::string keyNameText(const HotKeyValue& key);

}  // namespace kivrano
