#include "vault/VaultText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

using namespace kivrano;

TEST(VaultText, Utf8ElseWindows1252) {
    struct Case {
        std::string bytes;
        bool utf8;
        std::u32string characters;
    };
    const Case cases[] = {
        {"", true, U""},
        {"plain", true, U"plain"},
        {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x94\x91", true, U"a\u00E9\u20AC\U0001F511"},
        {"\xF4\x8F\xBF\xBF", true, U"\U0010FFFF"},
        // Latin-1 range and the code page's own 0x80..0x9F, with its five unassigned bytes
        // kept as C1 controls.
        {"\xE9t\xE9", false, U"\u00E9t\u00E9"},
        {"\x80\x81\x8D\x8F\x90\x9D\x9F", false, U"\u20AC\u0081\u008D\u008F\u0090\u009D\u0178"},
        // Overlong forms, surrogates, beyond U+10FFFF, a lone continuation byte and a cut-off
        // sequence are not UTF-8: the whole text is read through the code page.
        {"\xC0\xAF", false, U"\u00C0\u00AF"},
        {"\xE0\x80\xAF", false, U"\u00E0\u20AC\u00AF"},
        {"\xED\xA0\x80", false, U"\u00ED\u00A0\u20AC"},
        {"\xF4\x90\x80\x80", false, U"\u00F4\u0090\u20AC\u20AC"},
        {"\xC3\xA9\xA9", false, U"\u00C3\u00A9\u00A9"},
        {"ok\xC3", false, U"ok\u00C3"},
        {"\xFF", false, U"\u00FF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(decodeVaultText(c.bytes), c.characters) << c.bytes;
        EXPECT_EQ(characterCount(c.bytes), c.characters.size()) << c.bytes;
        // The UTF-8 form holds the same characters, and valid UTF-8 comes back unchanged.
        const std::string asUtf8 = vaultTextAsUtf8(c.bytes);
        EXPECT_TRUE(isValidUtf8(asUtf8)) << c.bytes;
        EXPECT_EQ(decodeVaultText(asUtf8), c.characters) << c.bytes;
        if (c.utf8) {
            EXPECT_EQ(asUtf8, c.bytes);
        }
    }
}

TEST(VaultText, OnlyAsciiLettersAreLowered) {
    // "ÄBC Zürich" in UTF-8, and "Ä" alone in Windows-1252: no byte of 0x80 or more changes.
    EXPECT_EQ(asciiLowered("\xC3\x84"
                           "BC Z\xC3\xBCrich"),
              "\xC3\x84"
              "bc z\xC3\xBCrich");
    EXPECT_EQ(asciiLowered("\xC4X"), "\xC4x");
}

TEST(VaultText, KeyNamesModifiersThenKey) {
    const std::pair<HotKeyValue, const char*> cases[] = {
        {{0, 0}, ""},
        {{0x41, 1}, "Shift+A"},
        {{0x60, 0}, "Num 0"},
        {{0x69, 0}, "Num 9"},
        {{0x70, 2}, "Ctrl+F1"},
        {{0x7B, 2}, "Ctrl+F12"},
        {{0x86, 0}, "F23"},
        {{0x87, 0}, ""},  // F24 has no name
        {{0x20, 6}, "Ctrl+Alt+"},
        {{0x4D, 7}, "Ctrl+Alt+Shift+M"},
        {{0x3A, 0}, ":"},
        {{0x21, 4}, "Alt+Page Up"},
        {{0x2D, 2}, "Ctrl+Ins"},
        {{0x2E, 0}, "Del"},
        {{0x6A, 0}, "Num *"},
        {{0x6F, 0}, "Num /"},
        {{0x6C, 0}, ""},  // the keypad separator has no name
        {{0x91, 0}, "Scroll"},
    };
    for (const auto& [key, text] : cases)
        EXPECT_EQ(keyNameText(key), text) << key.virtualKey << "/" << key.modifiers;
}

TEST(VaultText, KeyNamesReadBackToTheStoredCombination) {
    // Every combination with a name reads back to itself.
    for (std::uint16_t vk = 1; vk <= 0xFF; ++vk)
        for (std::uint16_t modifiers = 0; modifiers <= 7; ++modifiers) {
            const HotKeyValue key{vk, modifiers};
            const std::string text = keyNameText(key);
            if (text.empty() || text.back() == '+' || (vk >= 0x3A && vk <= 0x40)) continue;
            EXPECT_EQ(parseKeyNameText(text), key) << text;
        }
    const std::pair<std::string_view, std::optional<HotKeyValue>> cases[] = {
        {"shift+ctrl+l", HotKeyValue{0x4C, 3}},  // any order, any case
        {"Ctrl+Num +", HotKeyValue{0x6B, 2}},    // a '+' inside the key's name
        {"Alt+page up", HotKeyValue{0x21, 4}},
        {"F1", HotKeyValue{0x70, 0}},
        {"Ctrl+", std::nullopt},  // no key
        {"Ctrl+Alt", std::nullopt},
        {"Ctrl+Space", std::nullopt},  // keys without a name cannot be named
        {"Ctrl+F24", std::nullopt},
        {"Ctrl+:", std::nullopt},
        {"Ctrl+LL", std::nullopt},
        {"", std::nullopt},
        {" Ctrl+L", std::nullopt},
    };
    for (const auto& [text, key] : cases) EXPECT_EQ(parseKeyNameText(text), key) << text;
}
