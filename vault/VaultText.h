#pragma once

#include "vault/HotKeyValue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kivrano {

// Vault texts are bytes, exactly as stored. A text that is well-formed UTF-8 is read as UTF-8;
// any other text is read as Windows-1252, one character per byte, so that no byte is ever lost
// on its way to the screen, the keyboard or the clipboard. The five bytes that Windows-1252
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the C1 control of the same value,
// which keeps them apart from every other byte and round-trips through Latin-1.

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no sequence cut
// off or started by a continuation byte.
bool isValidUtf8(std::string_view bytes) noexcept;

// The characters of a vault text, by the rule above.
std::u32string decodeVaultText(std::string_view bytes);

// The same characters as UTF-8 (a valid UTF-8 text comes back unchanged).
std::string vaultTextAsUtf8(std::string_view bytes);

// How many characters the text shows: code points of UTF-8, else one per byte.
std::size_t characterCount(std::string_view bytes) noexcept;

// ASCII letters lowered and nothing else: a byte of 0x80 or more is part of a UTF-8 sequence
// (or a Windows-1252 character) that single-byte lowering would turn into another one.
constexpr char asciiLower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string asciiLowered(std::string_view text);

// Appends one code point as UTF-8.
void appendUtf8(std::string& out, char32_t code);

// How a key combination reads wherever the program names one: "Ctrl+", "Alt+", "Shift+" as
// set, then the key's name ("Ctrl+F12", "Alt+Page Up", "Num *"). Keys without a name (Space,
// Enter, Esc, F24, punctuation) show only their modifiers; (0, 0) gives an empty text.
std::string keyNameText(const HotKeyValue& key);

// The combination such a text names, read back: the modifiers in any order and any case, then
// one key with a name. Nothing for a text that names no key ("Ctrl+", "Space", "Ctrl+Foo").
std::optional<HotKeyValue> parseKeyNameText(std::string_view text);

}  // namespace kivrano
