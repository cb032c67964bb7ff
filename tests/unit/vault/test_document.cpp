#include "vault/CKivranoDoc.h"
#include "vault/FileIO.h"
#include "vault/Strings.h"

#include "support/FileBytes.h"
#include "support/SampleVault.h"
#include "support/ScratchDirectory.h"
#include "support/ScriptedPrompter.h"
#include "support/VersionedWriter.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>

using namespace kivrano;
using namespace kivrano::testing;
namespace fs = std::filesystem;

namespace {

struct RecordingHotKeys : HotKeyBook {
    std::vector<std::string> calls;
    void dropAll() override { calls.push_back("drop"); }
    void registerGlobals(const std::array<HotKeyValue, kGlobalHotKeyCount>& keys) override {
        calls.push_back("globals " + std::to_string(keys[0].virtualKey));
    }
    void registerLaunchKey(TreeNode, const HotKeyValue& key) override {
        calls.push_back("launch " + std::to_string(key.virtualKey));
    }
};

class DocumentTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir + "/" + name; }

    // Writes the sample vault as a profile file.
    std::string writeSample(const std::string& name, const std::string& password) {
        SampleVault v = makeSampleVault();
        writeFileBytes(path(name), vaultfile::write(v.tree, v.settings, password));
        return path(name);
    }

    std::vector<std::string> folderNames(const CKivranoDoc& doc) {
        std::vector<std::string> names;
        for (TreeNode f = doc.tree().firstFolder(); f != kNoNode; f = doc.tree().nextSibling(f))
            names.push_back(doc.tree().text(f));
        return names;
    }

    kivrano::testing::ScratchDirectory scratch{"kivrano-doc"};
    std::string dir = scratch.path().string();
    ScriptedPrompter prompter;
    RecordingHotKeys hotKeys;
    int historyEmptied = 0;
    std::string caption;
    DocumentEvents events{[this] { ++historyEmptied; }, nullptr,
                          [this](const std::string& c) { caption = c; }, nullptr};
};

}  // namespace

TEST_F(DocumentTest, NewProfileIsWrittenAtOnceWithThePlaceholderFolder) {
    CKivranoDoc doc(prompter, &hotKeys, events);
    doc.settings().autoLockMinutes = 5;
    ASSERT_TRUE(doc.open(path("carol.kvr"), "pw", false));
    EXPECT_EQ(caption, "carol - Kivrano");
    EXPECT_EQ(doc.settings().autoLockMinutes, 30);
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(historyEmptied, 1);
    EXPECT_EQ(hotKeys.calls, (std::vector<std::string>{"drop", "globals 49"}));

    auto read = vaultfile::read(readFileBytes(path("carol.kvr")), "pw");
    ASSERT_EQ(read.status, vaultfile::ReadStatus::Ok);
    ASSERT_EQ(read.tree.folderCount(), 1u);
    EXPECT_EQ(read.tree.text(read.tree.firstFolder()), text(StringId::PlaceholderFolder));
    EXPECT_EQ(read.tree.itemCount(), 0u);
    EXPECT_TRUE(doc.verifyUnlockPassword("pw"));
}

TEST_F(DocumentTest, LoadRegistersKeysAndSaveKeepsABackupOfThePreviousFile) {
    const std::string alice = writeSample("alice.kvr", "pw");
    const auto original = readFileBytes(alice);
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(alice, "pw", false));
    EXPECT_EQ(caption, "alice - Kivrano");
    EXPECT_EQ(hotKeys.calls, (std::vector<std::string>{"drop", "globals 49", "launch 77"}));
    EXPECT_EQ(doc.tree().itemCount(), 4u);
    EXPECT_TRUE(doc.index().contains("mail"));

    doc.tree().setText(doc.tree().firstFolder(), "Mail 1");
    doc.setModified();
    ASSERT_TRUE(doc.save());
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(readFileBytes(path("alice (backup).kvr")), original);
    const auto afterFirst = readFileBytes(alice);

    doc.tree().setText(doc.tree().firstFolder(), "Mail 2");
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(readFileBytes(path("alice (backup).kvr")), afterFirst);

    ASSERT_TRUE(doc.saveWithoutBackup());
    EXPECT_EQ(readFileBytes(path("alice (backup).kvr")), afterFirst);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(DocumentTest, EmptyPasswordStillEncryptsAndUnlocksOnlyWithEmptyEntry) {
    const std::string bob = writeSample("bob.kvr", "old");
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(bob, "old", false));
    prompter.saveAnswers = {Prompter::SaveChoice::Discard};
    doc.changePassword("old", "", "");
    EXPECT_EQ(prompter.messages.back(), text(StringId::PasswordChangedEmpty));
    // Not saved yet: the lock still wants the password of the vault as last read.
    EXPECT_TRUE(doc.verifyUnlockPassword("old"));
    EXPECT_FALSE(doc.verifyUnlockPassword(""));
    ASSERT_TRUE(doc.save());
    EXPECT_TRUE(doc.verifyUnlockPassword(""));
    EXPECT_FALSE(doc.verifyUnlockPassword("old"));
    EXPECT_EQ(doc.unlockVerifier(), vaultfile::UnlockVerifier{});
    auto bytes = readFileBytes(bob);
    const std::string secret = "hunter2";
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), secret.begin(), secret.end()), bytes.end());
    EXPECT_EQ(vaultfile::read(bytes, "").status, vaultfile::ReadStatus::Ok);
}

TEST_F(DocumentTest, ChangePasswordMessages) {
    const std::string file = writeSample("p.kvr", "pw");
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(file, "pw", false));
    doc.changePassword("PW", "a", "a");
    doc.changePassword("pw", "a", "b");
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{std::string(text(StringId::InvalidPassword)),
                                        std::string(text(StringId::PasswordsDontMatch))}));
    EXPECT_FALSE(doc.isModified());
    prompter.saveAnswers = {Prompter::SaveChoice::Save};
    doc.changePassword("pw", "new", "new");
    EXPECT_EQ(prompter.messages.back(), text(StringId::PasswordChanged));
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(vaultfile::read(readFileBytes(file), "new").status, vaultfile::ReadStatus::Ok);
    EXPECT_TRUE(doc.verifyUnlockPassword("new"));
}

TEST_F(DocumentTest, MergeJoinsFoldersDropsEqualItemsAndPutsNewOnesFirst) {
    // Open vault: folder "Mail" with "Mail Box" and "Only a title".
    const std::string mine = writeSample("mine.kvr", "one");
    // The other file: "Mail" again, with a copy of "Mail Box", a new item, and a new folder;
    // its application table repeats an entry of ours and has one of its own, each at another
    // index than ours.
    VaultTree tree;
    VaultSettings settings;
    settings.autoLockMinutes = 7;
    settings.applicationTable = {"/usr/bin/gedit", "/opt/tool/run"};
    TreeNode mail = tree.insertFolder({"Mail", 2});
    SampleVault sample = makeSampleVault();
    tree.insertItem(mail, std::make_unique<VaultItem>(*sample.tree.item(sample.full)));
    auto fresh = std::make_unique<VaultItem>();
    fresh->title = "New Account";
    fresh->appChoice = 2;
    fresh->appIndex = 0;
    tree.insertItem(mail, std::move(fresh));
    TreeNode other = tree.insertFolder({"Other", 0});
    auto o = std::make_unique<VaultItem>();
    o->title = "Other item";
    o->appChoice = 2;
    o->appIndex = 1;
    tree.insertItem(other, std::move(o));
    writeFileBytes(path("theirs.kvr"), vaultfile::write(tree, settings, "two"));

    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(mine, "one", false));
    const std::size_t tableBefore = doc.settings().applicationTable.size();
    ASSERT_TRUE(doc.open(path("theirs.kvr"), "two", true));

    EXPECT_EQ(folderNames(doc), (std::vector<std::string>{"Other", "Mail", "Shared Things"}));
    const VaultTree& t = doc.tree();
    TreeNode joined = t.findFolder("Mail");
    EXPECT_EQ(t.data(joined), 2);  // the file's flag replaces ours
    std::vector<std::string> titles;
    for (TreeNode i = t.firstChild(joined); i != kNoNode; i = t.nextSibling(i))
        titles.push_back(t.text(i));
    EXPECT_EQ(titles, (std::vector<std::string>{"New Account", "Mail Box", "Only a title"}));
    // Appended entry equal to one of ours: the merged item points at ours. Each merged item
    // keeps its own program.
    const auto& table = doc.settings().applicationTable;
    EXPECT_EQ(table.size(), tableBefore + 2);
    const VaultItem& merged = *t.item(t.firstChild(joined));
    EXPECT_EQ(table[static_cast<std::size_t>(merged.appIndex)], "/usr/bin/gedit");
    EXPECT_LT(static_cast<std::size_t>(merged.appIndex), tableBefore);
    const VaultItem& tool = *t.item(t.firstChild(t.findFolder("Other")));
    ASSERT_GE(tool.appIndex, 0);
    EXPECT_EQ(table[static_cast<std::size_t>(tool.appIndex)], "/opt/tool/run");
    EXPECT_EQ(doc.settings().autoLockMinutes, 7);
    EXPECT_EQ(doc.savePath(), path("theirs.kvr"));
    EXPECT_TRUE(doc.isModified());
    EXPECT_TRUE(doc.index().contains("new account"));

    // The combined vault is written to the merged file under its password.
    ASSERT_TRUE(doc.saveWithoutBackup());
    auto reread = vaultfile::read(readFileBytes(path("theirs.kvr")), "two");
    ASSERT_EQ(reread.status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(reread.tree.itemCount(), 6u);  // our four and the two new ones
}

TEST_F(DocumentTest, ReadUnprotectedOnlyModeRefusesToSave) {
    const std::string file = writeSample("u.kvr", "right");
    const auto original = readFileBytes(file);
    CKivranoDoc doc(prompter, &hotKeys, events);
    prompter.yesNoAnswers = {true};
    ASSERT_TRUE(doc.open(file, "wrong", false));
    EXPECT_TRUE(doc.readUnprotectedOnly());
    EXPECT_EQ(folderNames(doc), (std::vector<std::string>{"Shared Things"}));
    doc.markModifiedByEdit();
    EXPECT_FALSE(doc.isModified());
    EXPECT_FALSE(doc.save());
    EXPECT_FALSE(doc.saveWithoutBackup());
    EXPECT_EQ(
        prompter.messages,
        std::vector<std::string>(2, std::string(text(StringId::SaveNotAllowedUnprotectedOnly))));
    EXPECT_EQ(readFileBytes(file), original);
    EXPECT_FALSE(fileio::exists(path("u (backup).kvr")));

    // Answering No keeps what was open and reports failure.
    prompter.yesNoAnswers = {false};
    EXPECT_FALSE(doc.open(file, "wrong again", false));
    EXPECT_FALSE(doc.loadOk());
    EXPECT_EQ(folderNames(doc), (std::vector<std::string>{"Shared Things"}));
    EXPECT_TRUE(doc.readUnprotectedOnly());  // still the partial vault: still no saving
}

TEST_F(DocumentTest, FailedOpensLeaveTheOpenVaultPathsAndVerifierAlone) {
    const std::string good = writeSample("good.kvr", "pw");
    const std::string other = writeSample("other.kvr", "other");
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(good, "pw", false));
    const auto verifier = doc.unlockVerifier();

    // Wrong password, answered No.
    prompter.yesNoAnswers = {false};
    EXPECT_FALSE(doc.open(other, "pw", false));
    EXPECT_EQ(doc.loadPath(), good);
    EXPECT_EQ(doc.savePath(), good);
    EXPECT_EQ(doc.unlockVerifier(), verifier);
    EXPECT_TRUE(doc.verifyUnlockPassword("pw"));

    // Damaged after the password check: truncated in the middle of the records.
    auto bytes = readFileBytes(other);
    bytes.resize(bytes.size() - 20);
    writeFileBytes(path("damaged.kvr"), bytes);
    doc.tree().setText(doc.tree().firstFolder(), "unsaved edit");
    doc.setModified();
    prompter.saveAnswers = {Prompter::SaveChoice::Discard};
    EXPECT_FALSE(doc.open(path("damaged.kvr"), "other", false));
    ASSERT_FALSE(prompter.messages.empty());
    EXPECT_NE(prompter.messages.back().find("damaged.kvr"), std::string::npos);
    EXPECT_NE(prompter.messages.back().find("damaged"), std::string::npos);
    EXPECT_EQ(folderNames(doc), (std::vector<std::string>{"unsaved edit", "Shared Things"}));
    EXPECT_EQ(doc.tree().itemCount(), 4u);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.loadPath(), good);

    // The next save backs up the vault's own file, not the one that failed.
    const auto goodBefore = readFileBytes(good);
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(readFileBytes(path("good (backup).kvr")), goodBefore);
    EXPECT_FALSE(fileio::exists(path("damaged (backup).kvr")));
}

TEST_F(DocumentTest, LegacyFileUnlocksWithItsPasswordAndSavesInTodaysFormat) {
    SampleVault v = makeSampleVault();
    writeFileBytes(path("old.kvr"),
                   writeVersioned(v.tree, v.settings, "oldpw", {"KVR2.02", true, "BF01"}));
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(path("old.kvr"), "oldpw", false));
    EXPECT_EQ(doc.formatNumber(), 0);
    EXPECT_TRUE(doc.verifyUnlockPassword("oldpw"));
    EXPECT_FALSE(doc.verifyUnlockPassword("other"));

    prompter.messages.clear();
    EXPECT_FALSE(doc.open(path("old.kvr"), "bad", false));
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{std::string(vaultfile::kInvalidPasswordMessage)}));
    EXPECT_FALSE(doc.loadOk());

    ASSERT_TRUE(doc.save());
    auto bytes = readFileBytes(path("old.kvr"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "BF01");
    EXPECT_EQ(readFileBytes(path("old (backup).kvr"))[0], 8);  // the old file, kept
}

TEST_F(DocumentTest, FolderProtectionActsOnSelectedFolderWithoutMarkingModified) {
    const std::string file = writeSample("f.kvr", "pw");
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(file, "pw", false));
    TreeNode mail = doc.tree().firstFolder();
    doc.tree().select(doc.tree().firstChild(mail));
    doc.setFolderProtection(false);
    EXPECT_EQ(doc.tree().data(mail), 0);  // an item was selected: nothing happens
    doc.tree().select(mail);
    doc.setFolderProtection(false);
    EXPECT_EQ(doc.tree().data(mail), 2);
    EXPECT_FALSE(doc.isModified());
    doc.setFolderProtection(true);
    EXPECT_EQ(doc.tree().data(mail), 0);
}

TEST_F(DocumentTest, FailedSaveKeepsThePreviousFileAndTheModifiedFlag) {
    const std::string file = writeSample("ro.kvr", "pw");
    const auto original = readFileBytes(file);
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(file, "pw", false));
    doc.setModified();
    if (::geteuid() != 0) {  // root writes anywhere; the size limit below covers root too
        ::chmod(dir.c_str(), 0500);
        EXPECT_FALSE(doc.saveWithoutBackup());
        ::chmod(dir.c_str(), 0700);
        EXPECT_TRUE(doc.isModified());
        EXPECT_NE(prompter.messages.back().find(file), std::string::npos);
        EXPECT_EQ(readFileBytes(file), original);
    }

    // A disk that fills up in the middle of the write: a file size limit in a child process.
    fs::remove(file);
    writeFileBytes(file, original);
    std::fflush(nullptr);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            100, 100
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        for (int i = 0; i < 50; ++i) {
            auto item = std::make_unique<VaultItem>();
            item->title = "padding item " + std::to_string(i);
            doc.tree().insertItem(doc.tree().firstFolder(), std::move(item));
        }
        const bool saved = doc.saveWithoutBackup();
        const bool reported = !prompter.messages.empty() &&
                              prompter.messages.back().find("Cannot save") != std::string::npos;
        ::_exit(!saved && doc.isModified() && reported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFileBytes(file), original);
    for (const auto& entry : fs::directory_iterator(dir))  // no temporary file left behind
        EXPECT_EQ(entry.path().string().find(".kvr."), std::string::npos) << entry.path();
}

TEST_F(DocumentTest, SaveWithoutPathIsRefused) {
    CKivranoDoc doc(prompter, &hotKeys, events);
    EXPECT_FALSE(doc.save());
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{std::string(text(StringId::SaveErrorNoPath))}));
}

TEST(FileIO, BackupAndProfileNames) {
    EXPECT_EQ(fileio::backupPath("/p/Profiles/alice.kvr"), "/p/Profiles/alice (backup).kvr");
    EXPECT_EQ(fileio::backupPath("/p/my.profiles/alice"), "/p/my.profiles/alice (backup).kvr");
    EXPECT_EQ(fileio::backupPath("a.b.kvr"), "a.b (backup).kvr");
    EXPECT_EQ(fileio::profileName("/p/Profiles/alice.kvr"), "alice");
    EXPECT_EQ(fileio::profileName("bob"), "bob");
}

TEST_F(DocumentTest, OpenStopsWhenSavingTheChangedVaultFails) {
    fs::create_directory(path("gone"));
    const std::string file = path("gone/mine.kvr");
    SampleVault v = makeSampleVault();
    writeFileBytes(file, vaultfile::write(v.tree, v.settings, "pw"));
    const std::string other = writeSample("other.kvr", "pw");
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(file, "pw", false));
    doc.tree().setText(doc.tree().firstFolder(), "unsaved edit");
    doc.setModified();
    fs::remove_all(path("gone"));  // the directory disappears: the save cannot be written

    prompter.saveAnswers = {Prompter::SaveChoice::Save};
    EXPECT_FALSE(doc.open(other, "pw", false));
    EXPECT_NE(prompter.messages.back().find("Cannot save"), std::string::npos);
    EXPECT_EQ(doc.tree().text(doc.tree().firstFolder()), "unsaved edit");
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.loadPath(), file);
}

TEST_F(DocumentTest, SaveAsksBeforeOverwritingAFileChangedOnDisk) {
    using Choice = Prompter::ChangedFileChoice;
    const std::string alice = writeSample("alice.kvr", "pw");
    // Another program (a second copy through a synced folder, the command-line tool) writes
    // the file after this document read it.
    auto changeOnDisk = [&](const std::string& folderName) {
        VaultTree other;
        other.insertFolder({folderName, 0});
        writeFileBytes(alice, vaultfile::write(other, VaultSettings{}, "pw"));
        return readFileBytes(alice);
    };
    auto folderOnDisk = [&](const std::string& file) {
        auto read = vaultfile::read(readFileBytes(file), "pw");
        return read.tree.text(read.tree.firstFolder());
    };

    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(alice, "pw", false));
    doc.tree().setText(doc.tree().firstFolder(), "edited here");
    doc.setModified();

    // Cancel, and a file dialog that is cancelled: nothing is written, the edit stays unsaved.
    const auto theirs = changeOnDisk("edited elsewhere");
    prompter.changedAnswers = {Choice::Cancel, Choice::SaveUnderAnotherName};
    prompter.savePathAnswers = {""};
    EXPECT_FALSE(doc.save());
    EXPECT_FALSE(doc.saveWithoutBackup());
    EXPECT_EQ(readFileBytes(alice), theirs);
    EXPECT_FALSE(fs::exists(path("alice (backup).kvr")));
    EXPECT_TRUE(doc.isModified());
    ASSERT_EQ(prompter.questions.size(), 3u);
    EXPECT_EQ(prompter.questions[0], text(StringId::FileChangedOnDisk, {alice}));

    // Under another name: the other program's file stays, the document goes on there.
    prompter.changedAnswers = {Choice::SaveUnderAnotherName};
    prompter.savePathAnswers = {path("mine.kvr")};
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(readFileBytes(alice), theirs);
    EXPECT_EQ(folderOnDisk(path("mine.kvr")), "edited here");
    EXPECT_EQ(doc.savePath(), path("mine.kvr"));
    EXPECT_EQ(caption, "mine - Kivrano");
    EXPECT_FALSE(doc.isModified());
    // That file is now the one the document knows: saving again asks nothing.
    ASSERT_TRUE(doc.save());
    EXPECT_TRUE(prompter.changedAnswers.empty());

    // Overwrite, when the user says so; the backup keeps what the other program wrote. The
    // save-changes prompt of an open goes through the same question.
    CKivranoDoc second(prompter, &hotKeys, events);
    ASSERT_TRUE(second.open(alice, "pw", false));
    second.tree().setText(second.tree().firstFolder(), "second edit");
    second.setModified();
    const auto third = changeOnDisk("third program");
    prompter.saveAnswers = {Prompter::SaveChoice::Save};
    prompter.changedAnswers = {Choice::Cancel};
    EXPECT_FALSE(second.open(path("mine.kvr"), "pw", false));
    EXPECT_EQ(readFileBytes(alice), third);
    prompter.changedAnswers = {Choice::Overwrite};
    ASSERT_TRUE(second.save());
    EXPECT_EQ(folderOnDisk(alice), "second edit");
    EXPECT_EQ(readFileBytes(path("alice (backup).kvr")), third);
}

TEST_F(DocumentTest, SaveWhoseBackupCannotBeMadeAsksFirst) {
    const std::string alice = writeSample("alice.kvr", "pw");
    const auto original = readFileBytes(alice);
    fs::create_directory(path("alice (backup).kvr"));  // the backup's name is taken
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(alice, "pw", false));
    doc.tree().setText(doc.tree().firstFolder(), "edited");
    doc.setModified();

    prompter.yesNoAnswers = {false, true};
    EXPECT_FALSE(doc.save());
    EXPECT_EQ(readFileBytes(alice), original);
    EXPECT_TRUE(doc.isModified());
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_NE(prompter.questions[0].find("No backup copy could be made"), std::string::npos);
    EXPECT_NE(prompter.questions[0].find("alice (backup).kvr"), std::string::npos)
        << prompter.questions[0];

    ASSERT_TRUE(doc.save());
    EXPECT_NE(readFileBytes(alice), original);
    EXPECT_TRUE(fs::is_directory(path("alice (backup).kvr")));
}

TEST_F(DocumentTest, OpenSaysWhenATextLooksDamaged) {
    VaultTree tree;
    tree.insertFolder({"F", 0});
    auto bytes = vaultfile::write(tree, VaultSettings{}, "pw");
    bytes[73 + 12] ^= 0x01;  // inside the folder name's only block
    writeFileBytes(path("hit.kvr"), bytes);
    CKivranoDoc doc(prompter, &hotKeys, events);
    ASSERT_TRUE(doc.open(path("hit.kvr"), "pw", false));  // still opens: nothing else tells
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0],
              text(StringId::NonzeroPaddingWarning, {"1", path("hit.kvr"), "81"}));
}
