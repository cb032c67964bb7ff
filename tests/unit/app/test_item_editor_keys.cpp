#include "app/VirtualKeyCodes.h"

#include <gtest/gtest.h>

using namespace kivrano;

TEST(VirtualKeyCodes, QtKeysToVirtualKeys) {
    struct Case {
        int qtKey;
        bool keypad;
        std::uint32_t scanCode;
        std::uint16_t vk;
    };
    const Case cases[] = {
        {Qt::Key_A, false, 0, 0x41},
        {Qt::Key_Z, false, 52, 0x5A},
        {Qt::Key_5, false, 0, 0x35},
        {Qt::Key_Exclam, false, 0, 0x31},  // Shift+1 on a US keyboard, no scan code
        {Qt::Key_ParenRight, false, 0, 0x30},
        {Qt::Key_Slash, false, 16, 0x37},      // German layout: Shift+7 types "/"
        {Qt::Key_Ampersand, false, 10, 0x31},  // French layout: the 1 key types "&"
        {Qt::Key_Less, false, 94, 0xE2},       // the extra key of ISO keyboards
        {Qt::Key_F1, false, 0, 0x70},
        {Qt::Key_F24, false, 0, 0x87},
        {Qt::Key_Home, false, 0, 0x24},
        {Qt::Key_Home, true, 0, 0x24},  // keypad 7 with Num Lock off
        {Qt::Key_Delete, false, 0, 0x2E},
        {Qt::Key_Return, false, 0, 0x0D},
        {Qt::Key_Enter, true, 0, 0x0D},
        {Qt::Key_7, true, 0, 0x67},
        {Qt::Key_Asterisk, true, 0, 0x6A},
        {Qt::Key_Asterisk, false, 0, 0x38},
        {Qt::Key_Minus, true, 0, 0x6D},
        {Qt::Key_Minus, false, 0, 0xBD},
        {Qt::Key_Slash, true, 0, 0x6F},
        {Qt::Key_Comma, true, 0, 0x6E},
        {Qt::Key_Question, false, 0, 0xBF},
        {Qt::Key_Backtab, false, 0, 0x09},
        {Qt::Key_CapsLock, false, 0, 0x14},
        {0x0436, false, 41, 0x46},  // Cyrillic letter on the F key: its place decides
        {Qt::Key_Control, false, 37, 0},
        {Qt::Key_Shift, false, 0, 0},
        {Qt::Key_Meta, false, 0, 0},
        {Qt::Key_unknown, false, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vkeys::virtualKeyFromQtKey(c.qtKey, c.keypad, c.scanCode), c.vk)
            << std::hex << "Qt key 0x" << c.qtKey << " keypad " << c.keypad << " scan " << std::dec
            << c.scanCode;
}

TEST(VirtualKeyCodes, EveryNamedCodeComesBackFromItsQtKey) {
    // The name shown for a stored code must be a key that produces that same code.
    for (std::uint16_t vk = 1; vk < 0x100; ++vk) {
        const vkeys::QtKeyName name = vkeys::qtKeyForVirtualKey(vk);
        if (name.key == Qt::Key_unknown) continue;
        EXPECT_EQ(vkeys::virtualKeyFromQtKey(name.key, name.keypad), vk) << std::hex << vk;
    }
    EXPECT_EQ(vkeys::qtKeyForVirtualKey(0xBD).key, Qt::Key_Minus);
    EXPECT_FALSE(vkeys::qtKeyForVirtualKey(0xBD).keypad);
    EXPECT_TRUE(vkeys::qtKeyForVirtualKey(0x6D).keypad);
    EXPECT_EQ(vkeys::qtKeyForVirtualKey(0xFF).key, Qt::Key_unknown);
}

TEST(VirtualKeyCodes, ModifiersAndUsableLaunchingKeys) {
    EXPECT_EQ(vkeys::hotKeyModifiers(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(vkeys::hotKeyModifiers(Qt::ControlModifier | Qt::KeypadModifier), 2);
    EXPECT_EQ(vkeys::hotKeyModifiers(Qt::MetaModifier), 0);

    struct Case {
        HotKeyValue key;
        bool usable;
    };
    const Case cases[] = {
        {{0x41, 0}, false},  // A alone would swallow every "a"
        {{0x41, HotKeyValue::kShift}, false},
        {{0x20, 0}, false},
        {{0x61, 0}, false},  // keypad 1
        {{0xBD, HotKeyValue::kShift}, false},
        {{0x41, HotKeyValue::kCtrl}, true},
        {{0x31, HotKeyValue::kAlt}, true},
        {{0x78, 0}, true},  // F9
        {{0x2D, HotKeyValue::kShift}, true},
        {{0, HotKeyValue::kCtrl}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vkeys::isUsableLaunchingKey(c.key), c.usable)
            << std::hex << c.key.virtualKey << " mods " << c.key.modifiers;
}
