#include "vault/Blowfish.h"
#include "vault/VaultFile.h"
#include "vault/VaultKeys.h"

#include "support/FileBytes.h"
#include "support/SampleVault.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

using namespace kivrano;
using namespace kivrano::testing;

namespace {

std::vector<std::string> folderNames(const VaultTree& tree) {
    std::vector<std::string> names;
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f))
        names.push_back(tree.text(f));
    return names;
}

const VaultItem& itemAt(const VaultTree& tree, std::size_t folder, std::size_t item) {
    return *tree.item(tree.childAt(tree.childAt(kNoNode, folder), item));
}

void expectSameItem(const VaultItem& a, const VaultItem& b) {
    EXPECT_TRUE(a.sameText(b)) << a.title;
    EXPECT_EQ(a.appChoice, b.appChoice);
    EXPECT_EQ(a.launchKey, b.launchKey);
    EXPECT_EQ(a.tabCount, b.tabCount);
    EXPECT_EQ(a.enterCount, b.enterCount);
    EXPECT_EQ(a.lastPage, b.lastPage);
    EXPECT_EQ(a.hideWord(), b.hideWord());
}

}  // namespace

TEST(VaultFile, EmptyVaultIs77Bytes) {
    VaultTree tree;
    VaultSettings settings;
    auto bytes = vaultfile::write(tree, settings, "pw");
    ASSERT_EQ(bytes.size(), 77u);
    EXPECT_EQ(std::memcmp(bytes.data(), "BF01", 4), 0);
    EXPECT_EQ(getU32(bytes, 4), 7u);
    // The version block is "KVR2.04" and a zero byte under the password key.
    VaultKey key = deriveVaultKey("pw");
    Blowfish cipher(key.data(), key.size());
    std::uint8_t block[8];
    cipher.decrypt(bytes.data() + 8, block, 8);
    EXPECT_EQ(std::memcmp(block, "KVR2.04\0", 8), 0);
    EXPECT_EQ(bytes[16], 0);                         // autoTrack
    EXPECT_EQ(getU32(bytes, 17), 30u);               // autoLockMinutes
    EXPECT_EQ(getU32(bytes, 21), 0u);                // typeInMode
    EXPECT_EQ(getU32(bytes, 25), 0u);                // application count
    EXPECT_EQ(getU32(bytes, 29), 0x00020031u);       // Ctrl+1
    EXPECT_EQ(getU32(bytes, 29 + 40), 0x00020030u);  // id 10: Ctrl+0
    EXPECT_EQ(getU32(bytes, 73), 0u);                // end mark
}

TEST(VaultFile, ItemRecordSizesFollowTitleLengthAndMask) {
    auto fileSize = [](const std::string& title) {
        VaultTree tree;
        TreeNode f = tree.insertFolder({"", 0});
        auto item = std::make_unique<VaultItem>();
        item->title = title;
        tree.insertItem(f, std::move(item));
        return vaultfile::write(tree, VaultSettings{}, "").size();
    };
    const std::size_t folderRecord = 4 + 4 + 4;  // tag, flag, empty name
    const std::size_t fixedItem =
        4 + 4 + 4 + 4 + 4 + 4 + 4;  // tag mask page appIndex appChoice key hide
    EXPECT_EQ(fileSize(""), 77 + folderRecord + fixedItem + 4);
    EXPECT_EQ(fileSize("12345678"), 77 + folderRecord + fixedItem + 12);
    EXPECT_EQ(fileSize("123456789"), 77 + folderRecord + fixedItem + 20);

    // A title-only item has mask 0; its record is exactly the fixed fields and the title.
    VaultTree tree;
    TreeNode f = tree.insertFolder({"", 0});
    auto item = std::make_unique<VaultItem>();
    item->title = "T";
    item->appChoice = 1;
    item->launchKey = {0x41, 6};
    tree.insertItem(f, std::move(item));
    auto bytes = vaultfile::write(tree, VaultSettings{}, "");
    const std::size_t at = 73 + folderRecord;
    EXPECT_EQ(getU32(bytes, at), 2u);                // tag
    EXPECT_EQ(getU32(bytes, at + 4), 0u);            // mask
    EXPECT_EQ(getU32(bytes, at + 8), 0u);            // lastPage
    EXPECT_EQ(getU32(bytes, at + 12), 1u);           // title length, one block follows
    EXPECT_EQ(getU32(bytes, at + 24), 0xFFFFFFFFu);  // appIndex -1
    EXPECT_EQ(getU32(bytes, at + 28), 1u);           // appChoice
    EXPECT_EQ(getU32(bytes, at + 32), 0x00060041u);  // launch key
    EXPECT_EQ(getU32(bytes, at + 36), 2u);           // hide word: password hidden
    EXPECT_EQ(getU32(bytes, at + 40), 0u);           // end mark
    EXPECT_EQ(bytes.size(), at + 44);
}

TEST(VaultFile, RoundTripKeepsEveryFieldAndOrder) {
    SampleVault v = makeSampleVault();
    auto bytes = vaultfile::write(v.tree, v.settings, "correct horse");
    auto result = vaultfile::read(bytes, "correct horse");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok) << result.error;
    EXPECT_FALSE(result.unprotectedOnly);
    EXPECT_EQ(result.formatNumber, 1);
    EXPECT_EQ(result.version, "KVR2.04");
    EXPECT_EQ(folderNames(result.tree), (std::vector<std::string>{"Mail", "Shared Things"}));
    EXPECT_EQ(result.tree.data(result.tree.childAt(kNoNode, 1)), 2);  // written and read as 2
    expectSameItem(itemAt(result.tree, 0, 0), *v.tree.item(v.full));
    expectSameItem(itemAt(result.tree, 0, 1), *v.tree.item(v.bare));
    EXPECT_EQ(itemAt(result.tree, 0, 0).state, 1);
    EXPECT_EQ(result.settings.autoTrack, 1);
    EXPECT_EQ(result.settings.autoLockMinutes, 15);
    EXPECT_EQ(result.settings.typeInMode, 2);
    EXPECT_EQ(result.settings.globalHotKeys, v.settings.globalHotKeys);
    // Writing what was read gives the same bytes.
    EXPECT_EQ(vaultfile::write(result.tree, result.settings, "correct horse"), bytes);
}

TEST(VaultFile, ApplicationTableIsRenumberedAndPointsAtFirstEqualEntry) {
    SampleVault v = makeSampleVault();
    // Table: unused, thunderbird, gedit, thunderbird; items use entries 2 and 3.
    auto result = vaultfile::read(vaultfile::write(v.tree, v.settings, "x"), "x");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(result.settings.applicationTable,
              (std::vector<std::string>{"/usr/bin/gedit", "/usr/bin/thunderbird"}));
    EXPECT_EQ(itemAt(result.tree, 1, 0).appIndex, 0);
    EXPECT_EQ(itemAt(result.tree, 1, 1).appIndex, 1);
    EXPECT_EQ(itemAt(result.tree, 0, 0).appIndex, -1);

    // Two referenced equal entries: items of the second are read as the first.
    VaultTree tree;
    VaultSettings settings;
    settings.applicationTable = {"a", "b", "a"};
    TreeNode f = tree.insertFolder({"F", 0});
    for (int index : {0, 2, 9}) {
        auto item = std::make_unique<VaultItem>();
        item->appIndex = index;
        tree.insertItem(f, std::move(item));
    }
    auto again = vaultfile::read(vaultfile::write(tree, settings, ""), "");
    ASSERT_EQ(again.status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(again.settings.applicationTable, (std::vector<std::string>{"a", "a"}));
    EXPECT_EQ(itemAt(again.tree, 0, 0).appIndex, 0);
    EXPECT_EQ(itemAt(again.tree, 0, 1).appIndex, 0);
    EXPECT_EQ(itemAt(again.tree, 0, 2).appIndex, -1);  // outside the table: none
}

TEST(VaultFile, EmptyPasswordStillEncryptsAndVerifierIsZero) {
    SampleVault v = makeSampleVault();
    auto bytes = vaultfile::write(v.tree, v.settings, "");
    const std::string secret = "hunter2";
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), secret.begin(), secret.end()), bytes.end());
    EXPECT_EQ(vaultfile::read(bytes, "").status, vaultfile::ReadStatus::Ok);

    EXPECT_EQ(vaultfile::makeUnlockVerifier(""), vaultfile::UnlockVerifier{});
    EXPECT_TRUE(vaultfile::verifyUnlockPassword(vaultfile::makeUnlockVerifier(""), ""));
    EXPECT_FALSE(vaultfile::verifyUnlockPassword(vaultfile::makeUnlockVerifier(""), "x"));
    auto verifier = vaultfile::makeUnlockVerifier("pw");
    EXPECT_TRUE(vaultfile::verifyUnlockPassword(verifier, "pw"));
    EXPECT_FALSE(vaultfile::verifyUnlockPassword(verifier, "Pw"));
    EXPECT_FALSE(vaultfile::verifyUnlockPassword(verifier, ""));
    // A file's own header also verifies its password.
    auto header = vaultfile::read(vaultfile::write(v.tree, v.settings, "pw"), "pw").header;
    vaultfile::UnlockVerifier fromHeader;
    std::copy(header.begin() + 8, header.end(), fromHeader.begin());
    EXPECT_TRUE(vaultfile::verifyUnlockPassword(fromHeader, "pw"));
}

TEST(VaultFile, WrongPasswordOnBlowfishFileAsksAndCanReadUnprotectedOnly) {
    SampleVault v = makeSampleVault();
    auto bytes = vaultfile::write(v.tree, v.settings, "right");
    std::vector<std::string> asked;
    vaultfile::ReadOptions no;
    no.askContinueUnprotected = [&](std::string_view q) {
        asked.emplace_back(q);
        return false;
    };
    auto declined = vaultfile::read(bytes, "wrong", no);
    EXPECT_EQ(declined.status, vaultfile::ReadStatus::Declined);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], vaultfile::kContinueUnprotectedQuestion);
    EXPECT_TRUE(declined.headerRead);  // the header image is taken before the check

    vaultfile::ReadOptions yes;
    yes.askContinueUnprotected = [](std::string_view) { return true; };
    auto partial = vaultfile::read(bytes, "wrong", yes);
    ASSERT_EQ(partial.status, vaultfile::ReadStatus::Ok) << partial.error;
    EXPECT_TRUE(partial.unprotectedOnly);
    EXPECT_EQ(folderNames(partial.tree), (std::vector<std::string>{"Shared Things"}));
    EXPECT_EQ(itemAt(partial.tree, 0, 0).password, "hunter2");
    EXPECT_EQ(partial.settings.applicationTable.size(), 2u);
    EXPECT_EQ(partial.settings.applicationTable[0], "/usr/bin/gedit");
    EXPECT_EQ(partial.settings.autoLockMinutes, 15);
    EXPECT_EQ(partial.tree.itemCount(), 2u);
}

TEST(VaultFile, FormatZeroOrUnknownFormatRefusesWithoutAsking) {
    SampleVault v = makeSampleVault();
    auto bytes = vaultfile::write(v.tree, v.settings, "right");
    bytes[2] = 'x';  // "BFx1": format number 0
    bool asked = false;
    vaultfile::ReadOptions options;
    options.askContinueUnprotected = [&](std::string_view) { return asked = true; };
    auto result = vaultfile::read(bytes, "wrong", options);
    EXPECT_EQ(result.status, vaultfile::ReadStatus::InvalidPassword);
    EXPECT_EQ(result.error, vaultfile::kInvalidPasswordMessage);
    EXPECT_FALSE(asked);
}

TEST(VaultFile, Bf01IsReadAsCurrentVersionWhateverItsVersionBlockSays) {
    SampleVault v = makeSampleVault();
    auto bytes = vaultfile::write(v.tree, v.settings, "pw");
    VaultKey key = deriveVaultKey("pw");
    Blowfish cipher(key.data(), key.size());
    std::uint8_t block[8] = {'K', 'V', 'R', '2', '.', '0', '3', 0};
    cipher.encrypt(block, 8);
    std::memcpy(bytes.data() + 8, block, 8);
    auto result = vaultfile::read(bytes, "pw");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok) << result.error;
    EXPECT_EQ(result.versionText, "KVR2.03");
    EXPECT_EQ(result.version, "KVR2.04");
    expectSameItem(itemAt(result.tree, 0, 0), *v.tree.item(v.full));  // hide word still read
}

TEST(VaultFile, UnknownTagsAreSkipped) {
    VaultTree tree;
    TreeNode f = tree.insertFolder({"F", 0});
    auto item = std::make_unique<VaultItem>();
    item->title = "kept";
    tree.insertItem(f, std::move(item));
    auto bytes = vaultfile::write(tree, VaultSettings{}, "");
    // Put two stray tags in front of the end mark.
    bytes.insert(bytes.end() - 4, {7, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    auto result = vaultfile::read(bytes, "");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok) << result.error;
    EXPECT_EQ(itemAt(result.tree, 0, 0).title, "kept");
}

TEST(VaultFile, ReadingIndexesNamesTitlesAndAddresses) {
    SampleVault v = makeSampleVault();
    auto result = vaultfile::read(vaultfile::write(v.tree, v.settings, "pw"), "pw");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok);
    const TreeNode mailBox = result.tree.childAt(result.tree.firstFolder(), 0);
    const TreeNode sharedFolder = result.tree.childAt(kNoNode, 1);
    // The tree nodes of the entries whose word begins with a prefix.
    auto found = [&](const std::string& prefix) {
        std::set<TreeNode> nodes;
        result.index.forEachMatch(prefix, [&nodes](const CDic::Entry& e) {
            nodes.insert(e.node);
            return true;
        });
        return nodes;
    };
    EXPECT_EQ(found("mail box"), std::set<TreeNode>{mailBox});
    EXPECT_EQ(found("things"), std::set<TreeNode>{sharedFolder});
    EXPECT_EQ(found("log"), std::set<TreeNode>{mailBox});  // from the address
    EXPECT_TRUE(found("mail").count(result.tree.firstFolder()));
    EXPECT_FALSE(result.index.contains("hunter2"));  // passwords are never indexed
}

TEST(VaultFile, LaunchKeysAreListedForRegistration) {
    SampleVault v = makeSampleVault();
    auto result = vaultfile::read(vaultfile::write(v.tree, v.settings, "pw"), "pw");
    std::vector<HotKeyValue> keys;
    vaultfile::forEachLaunchKey(result.tree, [&](TreeNode node, const HotKeyValue& key) {
        EXPECT_TRUE(result.tree.isItem(node));
        keys.push_back(key);
    });
    EXPECT_EQ(keys, (std::vector<HotKeyValue>{{0x4D, 3}}));
}
