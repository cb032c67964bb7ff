#pragma once

#include "vault/HotKeyValue.h"
#include "vault/VaultItem.h"
#include "vault/VaultSettings.h"

#include <string>
#include <string_view>

namespace kivrano::cli {

// A vault text made safe for one line of a terminal: valid UTF-8 is kept, any other text is
// read as Windows-1252 (as the desktop program shows it), and control characters are
// written as escapes ("\t", "\n", "\x01") so a text can never break the layout.
std::string displayText(std::string_view bytes);

// "Ctrl+Alt+K", "Shift+F12"; "none" when not set.
std::string hotKeyName(const HotKeyValue& key);

// How the item's address is opened, as the item editor names it.
std::string openWithLabel(const VaultItem& item, const VaultSettings& settings);

// "Key Down/Up Emulation", "Copy and Paste", "Automatic".
std::string typeInModeLabel(std::int32_t mode);

}  // namespace kivrano::cli
