#include "launch/KeyNames.h"

#include <gtest/gtest.h>

using namespace kivrano;

TEST(KeyNames, ModifiersThenKeyName) {
    struct Case {
        HotKeyValue key;
        const char* text;
    } cases[] = {
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
        {{0x2E, 0}, "Del"},
        {{0x6F, 0}, "Num /"},
        {{0x6C, 0}, ""},  // the keypad separator has no name
        {{0x91, 0}, "Scroll"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyNameText(c.key), c.text) << c.key.virtualKey << "/" << c.key.modifiers;
}
