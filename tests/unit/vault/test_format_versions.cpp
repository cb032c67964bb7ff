#include "vault/VaultFile.h"

#include "support/FileBytes.h"
#include "support/SampleVault.h"
#include "support/VersionedWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using namespace kivrano;
using namespace kivrano::testing;

namespace {

using Counts = std::array<std::int8_t, 8>;

// What reading each version must give for the sample's fully filled item and settings,
// worked out from the history of the format rather than from the reader.
struct Expected {
    const char* version;
    std::uint8_t autoTrack;
    std::int32_t autoLockMinutes;
    std::int32_t typeInMode;
    bool eleventhHotKeyRead;
    std::int32_t appChoice;  // sample item's is 0; versions without the field give 2
    std::int32_t legacyValue;
    Counts tab;
    Counts enter;
    std::uint32_t fullHideWord;  // sample item has hideId, hidePassword, hideEtc 1 and 5, hideMemo
    std::uint32_t bareHideWord;  // sample "Only a title" shows its password
    std::int32_t sharedFolderFlag;
};

// Sample counts: tab {1,-3,2,0,127,-128,0,1}, enter {0,1,0,0,0,2,0,-1}.
constexpr Counts kTabAsFlags{1, 1, 1, 0, 1, 1, 0, 1};
constexpr Counts kEnterAsFlags{0, 1, 0, 0, 0, 1, 0, 1};
constexpr Counts kTabFirstFour{1, 1, 1, 0, 0, 0, 0, 0};
constexpr Counts kEnterFirstFour{0, 1, 0, 0, 0, 0, 0, 0};
constexpr Counts kTabExact{1, -3, 2, 0, 127, -128, 0, 1};
constexpr Counts kEnterExact{0, 1, 0, 0, 0, 2, 0, -1};
constexpr std::uint32_t kAllHidden = 0x1 | 0x2 | (1u << 3) | (1u << 7) | 0x100;

const Expected kVersions[] = {
    {"KVR1.00", 0, 0, 0, false, 2, 5, kTabFirstFour, kEnterFirstFour, 2, 2, 0},
    {"KVR1.01", 0, 0, 0, false, 2, 5, kTabAsFlags, kEnterAsFlags, 2, 2, 0},
    {"KVR1.02", 0, 0, 0, false, 0, 5, kTabAsFlags, kEnterAsFlags, 2, 2, 0},
    {"KVR1.03", 0, 0, 0, false, 0, 5, kTabAsFlags, kEnterAsFlags, 2, 0, 0},
    {"KVR1.04", 0, 0, 0, false, 0, 0, kTabAsFlags, kEnterAsFlags, 2, 0, 0},
    {"KVR1.05", 0, 0, 0, false, 0, 0, kTabAsFlags, kEnterAsFlags, 2, 0, 0},
    {"KVR1.06", 0, 0, 0, false, 0, 0, kTabExact, kEnterExact, 2, 0, 0},
    {"KVR2.00", 1, 0, 0, false, 0, 0, kTabExact, kEnterExact, 2, 0, 0},
    {"KVR2.01", 1, 15, 0, false, 0, 0, kTabExact, kEnterExact, 2, 0, 0},
    {"KVR2.02", 1, 15, 2, false, 0, 0, kTabExact, kEnterExact, 2, 0, 0},
    {"KVR2.03", 1, 15, 2, true, 0, 0, kTabExact, kEnterExact, 2, 0, 0},
    {"KVR2.04", 1, 15, 2, true, 0, 0, kTabExact, kEnterExact, kAllHidden, 0, 2},
};

SampleVault sampleWithLegacyValue() {
    SampleVault v = makeSampleVault();
    v.tree.item(v.full)->legacyValue = 5;
    return v;
}

void checkAgainst(const Expected& e, const vaultfile::ReadResult& r, const SampleVault& v) {
    SCOPED_TRACE(e.version);
    ASSERT_EQ(r.status, vaultfile::ReadStatus::Ok) << r.error;
    EXPECT_EQ(r.version, e.version);
    EXPECT_EQ(r.settings.autoTrack, e.autoTrack);
    EXPECT_EQ(r.settings.autoLockMinutes, e.autoLockMinutes);
    EXPECT_EQ(r.settings.typeInMode, e.typeInMode);
    for (std::size_t h = 0; h < 10; ++h)
        EXPECT_EQ(r.settings.globalHotKeys[h], v.settings.globalHotKeys[h]);
    // The eleventh key keeps the value in use when the file lacks it.
    const HotKeyValue inUse{0x51, 4};
    EXPECT_EQ(r.settings.globalHotKeys[10],
              e.eleventhHotKeyRead ? v.settings.globalHotKeys[10] : inUse);

    ASSERT_EQ(r.tree.folderCount(), 2u);
    EXPECT_EQ(r.tree.data(r.tree.childAt(kNoNode, 1)), e.sharedFolderFlag);
    const VaultItem& full = *r.tree.item(r.tree.childAt(r.tree.firstFolder(), 0));
    const VaultItem& bare = *r.tree.item(r.tree.childAt(r.tree.firstFolder(), 1));
    EXPECT_TRUE(full.sameText(*v.tree.item(v.full)));
    EXPECT_TRUE(bare.sameText(*v.tree.item(v.bare)));
    EXPECT_EQ(full.appChoice, e.appChoice);
    EXPECT_EQ(full.legacyValue, e.legacyValue);
    EXPECT_EQ(full.launchKey, v.tree.item(v.full)->launchKey);
    EXPECT_EQ(full.lastPage, 1);
    EXPECT_EQ(full.tabCount, e.tab);
    EXPECT_EQ(full.enterCount, e.enter);
    EXPECT_EQ(full.hideWord(), e.fullHideWord);
    EXPECT_EQ(bare.hideWord(), e.bareHideWord);
    EXPECT_EQ(bare.tabCount, Counts{});
    // The application table comes back whole and items point at its first equal entry.
    EXPECT_EQ(r.settings.applicationTable, v.settings.applicationTable);
    const VaultItem& mailer = *r.tree.item(r.tree.childAt(r.tree.childAt(kNoNode, 1), 1));
    EXPECT_EQ(mailer.appIndex, 1);
}

vaultfile::ReadOptions keepingEleventhKey(VaultSettings& inUse) {
    inUse.globalHotKeys[10] = {0x51, 4};
    vaultfile::ReadOptions options;
    options.currentSettings = &inUse;
    return options;
}

}  // namespace

TEST(VaultFileVersions, EveryLegacyVersionReadsWithItsGates) {
    SampleVault v = sampleWithLegacyValue();
    for (const Expected& e : kVersions) {
        VersionedWriteOptions how;
        how.version = e.version;
        how.legacyFormat = true;
        auto bytes = writeVersioned(v.tree, v.settings, "legacy pw", how);
        VaultSettings inUse;
        auto result = vaultfile::read(bytes, "legacy pw", keepingEleventhKey(inUse));
        EXPECT_EQ(result.formatNumber, 0);
        checkAgainst(e, result, v);

        auto wrong = vaultfile::read(bytes, "other");
        EXPECT_EQ(wrong.status, vaultfile::ReadStatus::InvalidPassword) << e.version;
    }
}

TEST(VaultFileVersions, CommittedFixturesStillRead) {
    SampleVault v = sampleWithLegacyValue();
    for (const Expected& e : kVersions) {
        const std::string path = std::string(KIVRANO_FIXTURE_DIR) + "/legacy-" + e.version + ".kvr";
        auto bytes = readFileBytes(path);
        VaultSettings inUse;
        checkAgainst(e, vaultfile::read(bytes, "legacy pw", keepingEleventhKey(inUse)), v);
    }
    auto current = readFileBytes(std::string(KIVRANO_FIXTURE_DIR) + "/current-KVR2.04.kvr");
    auto result = vaultfile::read(current, "legacy pw");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok);
    // What we write today is byte for byte what we wrote when the fixture was made.
    EXPECT_EQ(vaultfile::write(result.tree, result.settings, "legacy pw"), current);
}

TEST(VaultFileVersions, LegacyHeaderBeginsWithTheVersionsOwnLengths) {
    auto bytes = writeVersioned(VaultTree{}, VaultSettings{}, "pw", {"KVR1.05", true, "BF01"});
    const std::uint8_t start[8] = {8, 0, 0, 0, 8, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), start, 8), 0);
}

// A "KVR1.00" item assembled by hand, field by field: no settings, ten hotkeys, a folder
// without its flag, an item without mask or appChoice, with legacyValue and eight int32
// count flags, and no hide value.
TEST(VaultFileVersions, HandAssembledOldestVersion) {
    std::vector<std::uint8_t> f;
    auto u32 = [&](std::uint32_t x) {
        for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    };
    auto str = [&](const char* text) { appendLegacyString(f, text, "pw"); };
    str("KVR1.00");
    u32(1);  // one application
    str("C:\\Mail\\mailer.exe");
    for (int h = 0; h < 10; ++h) u32(0x00020031u + static_cast<std::uint32_t>(h));
    u32(1);  // folder
    str("Old Folder");
    u32(2);  // item
    u32(0);  // lastPage
    str("Title");
    str("https://old.example");
    str("oldid");
    str("oldpw");
    u32(0);            // appIndex
    u32(1234);         // legacyValue
    u32(0x00040070u);  // launch key Alt+F1
    for (int k = 0; k < 6; ++k) str("");
    for (int k = 0; k < 6; ++k) str(k == 2 ? "etc3" : "");
    str("memo");
    for (std::uint32_t flag : {1u, 0u, 7u, 1u}) u32(flag);  // tab 0..3: a value other than 1 is 0
    for (std::uint32_t flag : {0u, 1u, 1u, 0u}) u32(flag);  // enter 0..3
    u32(0);

    VaultSettings inUse;
    inUse.autoTrack = 1;
    inUse.autoLockMinutes = 99;
    inUse.typeInMode = 1;
    vaultfile::ReadOptions options;
    options.currentSettings = &inUse;
    auto r = vaultfile::read(f, "pw", options);
    ASSERT_EQ(r.status, vaultfile::ReadStatus::Ok) << r.error;
    EXPECT_EQ(r.settings.autoTrack, 0);  // settings the version lacks are 0
    EXPECT_EQ(r.settings.autoLockMinutes, 0);
    EXPECT_EQ(r.settings.typeInMode, 0);
    EXPECT_EQ(r.settings.applicationTable, (std::vector<std::string>{"C:\\Mail\\mailer.exe"}));
    EXPECT_EQ(r.settings.globalHotKeys[9], (HotKeyValue{0x3A, 2}));
    EXPECT_EQ(r.settings.globalHotKeys[10], (HotKeyValue{0x30, 2}));  // kept
    ASSERT_EQ(r.tree.folderCount(), 1u);
    EXPECT_EQ(r.tree.text(r.tree.firstFolder()), "Old Folder");
    EXPECT_EQ(r.tree.data(r.tree.firstFolder()), 0);
    const VaultItem& item = *r.tree.item(r.tree.firstChild(r.tree.firstFolder()));
    EXPECT_EQ(item.title, "Title");
    EXPECT_EQ(item.address, "https://old.example");
    EXPECT_EQ(item.id, "oldid");
    EXPECT_EQ(item.password, "oldpw");
    EXPECT_EQ(item.appIndex, 0);
    EXPECT_EQ(item.appChoice, 2);
    EXPECT_EQ(item.legacyValue, 1234);
    EXPECT_EQ(item.launchKey, (HotKeyValue{0x70, 4}));
    EXPECT_EQ(item.etcText[2], "etc3");
    EXPECT_EQ(item.memo, "memo");
    EXPECT_EQ(item.tabCount, (Counts{1, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(item.enterCount, (Counts{0, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(item.hideWord(), 2u);
    EXPECT_EQ(item.state, 1);
}

// "KVR1.05" by hand: mask present, counts are presence bits with no data, and the one
// int32 show-password value (0 = masked) stands in for the hide word.
TEST(VaultFileVersions, HandAssembledPresenceBitCounts) {
    std::vector<std::uint8_t> f;
    auto u32 = [&](std::uint32_t x) {
        for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    };
    auto str = [&](const char* text) { appendLegacyString(f, text, "pw"); };
    str("KVR1.05");
    u32(0);
    for (int h = 0; h < 10; ++h) u32(0);
    u32(1);
    str("F");
    u32(2);
    u32((1u << 2) | (1u << 16) | (1u << 23) | (1u << 30));  // password, tab 0, tab 7, enter 6
    u32(1);                                                 // lastPage
    str("T");
    str("pw-only");
    u32(0xFFFFFFFFu);  // appIndex -1
    u32(1);            // appChoice
    u32(0);            // launch key
    u32(5);            // show-password value: nonzero = shown
    u32(0);
    auto r = vaultfile::read(f, "pw");
    ASSERT_EQ(r.status, vaultfile::ReadStatus::Ok) << r.error;
    const VaultItem& item = *r.tree.item(r.tree.firstChild(r.tree.firstFolder()));
    EXPECT_EQ(item.password, "pw-only");
    EXPECT_TRUE(item.address.empty());
    EXPECT_EQ(item.appIndex, -1);
    EXPECT_EQ(item.appChoice, 1);
    EXPECT_EQ(item.tabCount, (Counts{1, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(item.enterCount, (Counts{0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(item.hidePassword, 0);
}
