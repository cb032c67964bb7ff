#include "vault/VaultItem.h"
#include "vault/VaultSettings.h"

#include <gtest/gtest.h>

using namespace kivrano;

TEST(VaultItem, NewItemHasCreationValues) {
    VaultItem item;
    EXPECT_EQ(item.state, 0);
    EXPECT_EQ(item.appIndex, -1);
    EXPECT_EQ(item.appChoice, 0);
    EXPECT_EQ(item.hidePassword, 1);
    EXPECT_EQ(item.hideId, 0);
    EXPECT_EQ(item.hideMemo, 0);
    for (auto flag : item.hideEtc) EXPECT_EQ(flag, 0);
    EXPECT_FALSE(item.launchKey.isSet());
    EXPECT_EQ(item.presenceMask(), 0u);
    EXPECT_EQ(item.hideWord(), 2u);
}

TEST(VaultItem, CompletenessAndImage) {
    struct Case {
        std::int32_t appChoice;
        std::int32_t appIndex;
        const char* address;
        bool complete;
    } cases[] = {
        {0, -1, "https://a", true}, {0, -1, "", false},          {1, -1, "mailto:x", true},
        {1, 3, "", false},          {2, -1, "https://a", false}, {2, 0, "", true},
    };
    for (const auto& c : cases) {
        VaultItem item;
        item.appChoice = c.appChoice;
        item.appIndex = c.appIndex;
        item.address = c.address;
        EXPECT_EQ(item.isComplete(), c.complete) << c.appChoice << " " << c.appIndex;
        EXPECT_EQ(item.treeImage(), c.complete ? 2 : 1);
    }
}

TEST(VaultItem, SameTextComparesOnlyTheSeventeenTexts) {
    VaultItem a;
    a.title = "T";
    a.memo = "m";
    a.etcText[5] = "x";
    VaultItem b = a;
    b.launchKey = {0x41, 2};
    b.tabCount[1] = -3;
    b.appIndex = 4;
    b.appChoice = 2;
    b.hideMemo = 1;
    b.lastPage = 1;
    EXPECT_TRUE(a.sameText(b));
    for (int field = 0; field < VaultItem::kTextFieldCount; ++field) {
        VaultItem c = a;
        c.textField(field) += "!";
        EXPECT_FALSE(a.sameText(c)) << "field " << field;
    }
    VaultItem upper = a;
    upper.title = "t";
    EXPECT_FALSE(a.sameText(upper));  // case matters
}

TEST(VaultItem, CopyCarriesHideFlagsAndLegacyValue) {
    VaultItem a;
    a.hideId = 1;
    a.hidePassword = 0;
    a.hideEtc = {1, 0, 1, 0, 1, 0};
    a.hideMemo = 1;
    a.legacyValue = 77;
    VaultItem b(a);
    EXPECT_EQ(b.hideWord(), a.hideWord());
    EXPECT_EQ(b.legacyValue, 77);
    EXPECT_EQ(b.hideEtc, a.hideEtc);
}

TEST(VaultItem, PresenceMaskBits) {
    VaultItem item;
    item.address = "a";
    EXPECT_EQ(item.presenceMask(), 1u << 0);
    item.password = "p";
    item.etcName[0] = "n";
    item.etcText[5] = "t";
    item.memo = "m";
    item.tabCount[1] = -3;
    item.enterCount[7] = 1;
    EXPECT_EQ(item.presenceMask(), (1u << 0) | (1u << 2) | (1u << 3) | (1u << 14) | (1u << 15) |
                                       (1u << 17) | (1u << 31));
    item.title = "titles are always written";
    EXPECT_EQ(item.presenceMask() & 0xFFFFu,
              (1u << 0) | (1u << 2) | (1u << 3) | (1u << 14) | (1u << 15));
}

TEST(VaultItem, HideWordSetsOnlyFlagsEqualToOne) {
    VaultItem item;
    item.hideId = 2;  // nonzero but not 1: not written as hidden
    item.hidePassword = 1;
    item.hideEtc[3] = 1;
    item.hideMemo = -1;
    EXPECT_EQ(item.hideWord(), (1u << 1) | (1u << 5));
    VaultItem back;
    back.setHideWord(0x1FFu | 0xFE00u);
    EXPECT_EQ(back.hideWord(), 0x1FFu);
}

TEST(VaultSettings, DefaultsAndRegistrationBits) {
    VaultSettings settings;
    EXPECT_EQ(settings.autoLockMinutes, 30);
    const auto& keys = settings.globalHotKeys;
    EXPECT_EQ(keys[kHotKeyId], (HotKeyValue{0x31, 2}));
    EXPECT_EQ(keys[kHotKeyPassword], (HotKeyValue{0x32, 2}));
    EXPECT_EQ(keys[kHotKeyEtc1], (HotKeyValue{0x33, 2}));
    EXPECT_EQ(keys[kHotKeyEtc6], (HotKeyValue{0x38, 2}));
    EXPECT_EQ(keys[kHotKeyMemo], (HotKeyValue{0x39, 2}));
    EXPECT_EQ(keys[kHotKeyShowHide], (HotKeyValue{0x7B, 2}));
    EXPECT_EQ(keys[kHotKeyClipboardAddress], (HotKeyValue{0x30, 2}));

    EXPECT_EQ((HotKeyValue{0x41, 1}).registrationModifiers(), 4);
    EXPECT_EQ((HotKeyValue{0x41, 2}).registrationModifiers(), 2);
    EXPECT_EQ((HotKeyValue{0x41, 4}).registrationModifiers(), 1);
    EXPECT_EQ((HotKeyValue{0x41, 7}).registrationModifiers(), 7);

    settings.autoTrack = 1;
    settings.typeInMode = kTypeInCopyPaste;
    settings.autoLockMinutes = 5;
    settings.globalHotKeys[0] = {0x41, 4};
    settings.applicationTable = {"x"};
    settings.resetForNewProfile();
    EXPECT_EQ(settings.autoTrack, 1);  // kept for a new profile
    EXPECT_EQ(settings.typeInMode, kTypeInCopyPaste);
    EXPECT_EQ(settings.autoLockMinutes, 30);
    EXPECT_EQ(settings.globalHotKeys, VaultSettings::defaultGlobalHotKeys());
    EXPECT_TRUE(settings.applicationTable.empty());
}
