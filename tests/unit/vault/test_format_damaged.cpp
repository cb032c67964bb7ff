#include "vault/VaultFile.h"

#include "support/FileBytes.h"
#include "support/SampleVault.h"
#include "support/VersionedWriter.h"

#include <gtest/gtest.h>

#include <random>

using namespace kivrano;
using namespace kivrano::testing;

namespace {

std::vector<std::uint8_t> fixture(const std::string& name) {
    return readFileBytes(std::string(KIVRANO_FIXTURE_DIR) + "/" + name);
}

vaultfile::ReadOptions sayYes() {
    vaultfile::ReadOptions options;
    options.askContinueUnprotected = [](std::string_view) { return true; };
    return options;
}

}  // namespace

TEST(VaultFileDamaged, EveryTruncationIsReportedNotCrashed) {
    for (const char* name : {"current-KVR2.04.kvr", "legacy-KVR1.00.kvr", "legacy-KVR1.06.kvr"}) {
        auto whole = fixture(name);
        ASSERT_EQ(vaultfile::read(whole, "legacy pw").status, vaultfile::ReadStatus::Ok);
        // Too short to show either format's mark, a file is no vault at all.
        const std::size_t recognisable = whole[0] == 'B' ? 2 : 8;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            auto result = vaultfile::read(whole.data(), length, "legacy pw");
            if (length < recognisable) {
                ASSERT_EQ(result.status, vaultfile::ReadStatus::NotVaultFile) << length;
                continue;
            }
            ASSERT_EQ(result.status, vaultfile::ReadStatus::Damaged)
                << name << " cut at " << length;
            EXPECT_NE(result.error.find("ends in the middle of"), std::string::npos)
                << result.error;
            EXPECT_EQ(result.tree.folderCount(), 0u);  // nothing half-read is handed back
        }
    }
}

TEST(VaultFileDamaged, ImpossibleLengthsAndCountsAreRefusedBeforeAllocating) {
    auto whole = fixture("current-KVR2.04.kvr");
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        const char* message;
    } cases[] = {
        {"version length", 4, 0xFFFFFFF9u, nullptr},  // header stays 16 bytes, reads normally
        {"application count", 25, 101, "at most 100"},
        {"application count", 25, 0xFFFFFFFFu, "at most 100"},
        {"first path length", 29, 0xFFFFFFF0u, "ends in the middle of an application path"},
    };
    for (const auto& c : cases) {
        auto bytes = whole;
        putU32(bytes, c.offset, c.value);
        auto result = vaultfile::read(bytes, "legacy pw");
        if (c.message == nullptr) {
            EXPECT_EQ(result.status, vaultfile::ReadStatus::Ok) << c.what;
            continue;
        }
        EXPECT_EQ(result.status, vaultfile::ReadStatus::Damaged) << c.what;
        EXPECT_NE(result.error.find(c.message), std::string::npos) << result.error;
    }

    // An old-format string whose cipher length is not whole blocks.
    auto legacy = fixture("legacy-KVR1.00.kvr");
    putU32(legacy, 16 + 8, 12);  // count, plain length, then the first path's cipher length
    auto result = vaultfile::read(legacy, "legacy pw");
    EXPECT_EQ(result.status, vaultfile::ReadStatus::Damaged);
    EXPECT_NE(result.error.find("whole number of blocks"), std::string::npos) << result.error;
}

TEST(VaultFileDamaged, ItemBeforeAnyFolderIsRefused) {
    VaultTree tree;
    TreeNode f = tree.insertFolder({"F", 0});
    tree.insertItem(f, std::make_unique<VaultItem>());
    auto bytes = vaultfile::write(tree, VaultSettings{}, "");
    // Drop the folder record (tag, flag, empty name = 12 bytes after the 77-byte frame's hotkeys).
    bytes.erase(bytes.begin() + 73, bytes.begin() + 85);
    auto result = vaultfile::read(bytes, "");
    EXPECT_EQ(result.status, vaultfile::ReadStatus::Damaged);
    EXPECT_NE(result.error.find("before any folder"), std::string::npos) << result.error;
}

TEST(VaultFileDamaged, FilesOfNeitherFormatAreNotTakenForAWrongPassword) {
    const std::string passwd = "root:x:0:0:root:/root:/bin/bash\n";
    const std::vector<std::vector<std::uint8_t>> others = {
        std::vector<std::uint8_t>(passwd.begin(), passwd.end()),
        std::vector<std::uint8_t>(4096, 0),
        std::vector<std::uint8_t>(4096, 0xFF),
        {},
        {'{', '}'},
    };
    for (const auto& bytes : others) {
        auto result = vaultfile::read(bytes, "legacy pw");
        EXPECT_EQ(result.status, vaultfile::ReadStatus::NotVaultFile) << bytes.size();
        EXPECT_FALSE(result.headerRead);
    }
    // Both formats with a wrong password are still a wrong password.
    EXPECT_EQ(vaultfile::read(fixture("legacy-KVR2.04.kvr"), "wrong").status,
              vaultfile::ReadStatus::InvalidPassword);
    EXPECT_EQ(vaultfile::read(fixture("current-KVR2.04.kvr"), "wrong").status,
              vaultfile::ReadStatus::Declined);
}

// Random damage anywhere in the files: whatever the reader makes of it, it returns.
TEST(VaultFileDamaged, RandomCorruptionNeverCrashes) {
    std::mt19937 random(20261210);
    int damaged = 0;
    for (const char* name : {"current-KVR2.04.kvr", "legacy-KVR1.03.kvr", "legacy-KVR2.04.kvr"}) {
        auto whole = fixture(name);
        for (int round = 0; round < 400; ++round) {
            auto bytes = whole;
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int k = 0; k < flips; ++k)
                bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
            auto result = vaultfile::read(bytes, "legacy pw", sayYes());
            if (result.status == vaultfile::ReadStatus::Damaged) {
                ++damaged;
                EXPECT_FALSE(result.error.empty());
            }
        }
    }
    EXPECT_GT(damaged, 0);  // the damage was real enough to be noticed some of the time
}

TEST(VaultFileDamaged, DamageInsideATextShowsInItsPadding) {
    VaultTree tree;
    TreeNode f = tree.insertFolder({"F", 0});  // one byte: seven bytes of padding
    auto item = std::make_unique<VaultItem>();
    item->title = "12345678";  // a whole block: no padding to tell anything
    tree.insertItem(f, std::move(item));
    const auto whole = vaultfile::write(tree, VaultSettings{}, "pw");
    EXPECT_EQ(vaultfile::read(whole, "pw").nonzeroPaddings, 0u);

    constexpr std::size_t kFolderName = 73 + 12;  // after the frame, the tag, flag and length
    constexpr std::size_t kTitle = kFolderName + 8 + 16;  // then tag, mask, last page, length
    auto nameHit = whole;
    nameHit[kFolderName + 3] ^= 0x10;
    auto read = vaultfile::read(nameHit, "pw");
    ASSERT_EQ(read.status, vaultfile::ReadStatus::Ok);  // nothing else can tell
    EXPECT_EQ(read.nonzeroPaddings, 1u);
    EXPECT_EQ(read.firstNonzeroPadding, kFolderName - 4);
    auto titleHit = whole;
    titleHit[kTitle] ^= 0x10;
    EXPECT_EQ(vaultfile::read(titleHit, "pw").nonzeroPaddings, 0u);

    // Texts read under the wrong key (the protected part, with the unprotected-only choice)
    // are not taken for damage, in any fixture.
    for (const char* name : {"current-KVR2.04.kvr", "legacy-KVR2.04.kvr", "legacy-KVR1.00.kvr"}) {
        EXPECT_EQ(vaultfile::read(fixture(name), "legacy pw").nonzeroPaddings, 0u) << name;
        EXPECT_EQ(vaultfile::read(fixture(name), "wrong", sayYes()).nonzeroPaddings, 0u) << name;
    }
    EXPECT_EQ(vaultfile::read(nameHit, "wrong", sayYes()).nonzeroPaddings, 0u);
}
