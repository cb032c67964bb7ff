#include "cli/Display.h"

#include <gtest/gtest.h>

#include <string>

using namespace kivrano;
using namespace kivrano::cli;

TEST(Display, TextCannotBreakALine) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"tab\there", "tab\\there"},
        {"two\r\nlines", "two\\r\\nlines"},
        {"back\\slash", "back\\\\slash"},
        {std::string("nul\0bell\x07", 9), "nul\\x00bell\\x07"},
        {"esc\x1B[2J", "esc\\x1B[2J"},
        {"csi \xC2\x9B"
         "2J \xC2\xA0",
         "csi \\u009B2J \xC2\xA0"},  // C1 controls, but not NBSP
        {"утф-8 €", "утф-8 €"},
        // Not UTF-8: read as Windows-1252, as the desktop program shows it.
        {"caf\xE9 \x80 \x93q\x94", "café € “q”"},
        {"\x81\x9D", "\\u0081\\u009D"},  // unassigned in Windows-1252: kept as C1 controls
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(displayText(raw), shown) << shown;
}

TEST(Display, HotKeyNames) {
    const std::pair<HotKeyValue, const char*> cases[] = {
        {{0, 0}, "none"},
        {{0x31, HotKeyValue::kCtrl}, "Ctrl+1"},
        {{0x7B, HotKeyValue::kCtrl}, "Ctrl+F12"},
        {{0x4B, HotKeyValue::kCtrl | HotKeyValue::kAlt}, "Ctrl+Alt+K"},
        {{0x4D, HotKeyValue::kCtrl | HotKeyValue::kShift}, "Ctrl+Shift+M"},
        {{0x60, HotKeyValue::kAlt}, "Alt+Num 0"},
        {{0x21, 0}, "Page Up"},
        {{0x2D, HotKeyValue::kCtrl}, "Ctrl+Ins"},
        {{0x20, HotKeyValue::kCtrl}, "Ctrl+key 0x20"},
        {{0xBA, 0}, "key 0xBA"},
        {{0, HotKeyValue::kShift}, "Shift+no key"},
        {{0x41, 8}, "modifiers 0x8+A"},
    };
    for (const auto& [key, name] : cases) EXPECT_EQ(hotKeyName(key), name);
}

TEST(Display, OpenWithNamesTheApplicationOrSaysItIsMissing) {
    VaultSettings settings;
    settings.applicationTable = {"/usr/bin/gedit"};
    VaultItem item;
    item.appChoice = VaultItem::kAppChoiceApplication;
    item.appIndex = 0;
    EXPECT_EQ(openWithLabel(item, settings), "application: /usr/bin/gedit");
    item.appIndex = -1;
    EXPECT_EQ(openWithLabel(item, settings), "application: not set");
    item.appIndex = 1;
    EXPECT_EQ(openWithLabel(item, settings), "application: not set");
    item.appChoice = VaultItem::kAppChoiceEmail;
    EXPECT_EQ(openWithLabel(item, settings), "e-mail or default browser");
    item.appChoice = 7;
    EXPECT_EQ(openWithLabel(item, settings), "unknown choice 7");
}
