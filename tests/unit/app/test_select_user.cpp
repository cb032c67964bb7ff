#include "app/SelectUser.h"

#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/TempProgramPaths.h"
#include "support/ScriptedPrompter.h"
#include "vault/Strings.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace kivrano;
namespace fs = std::filesystem;

namespace {

class SelectUserTest : public ::testing::Test {
protected:
    platform::TempProgramPaths paths;
    platform::MemorySettingsStore settings;
    kivrano::testing::ScriptedPrompter prompter;
    SelectUser logic{paths, settings, prompter};

    fs::path profiles() const { return paths.profileDirectory(); }

    static void write(const fs::path& file, const std::string& content = "KVR data") {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }

    void storeDefault(const std::string& name) {
        settings.open(platform::SettingsStore::Open::CreateIfMissing)
            ->writeString("DefaultUser", name);
    }

    std::optional<std::string> storedDefault() {
        auto key = settings.open(platform::SettingsStore::Open::Existing);
        return key ? key->readString("DefaultUser") : std::nullopt;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& entry : logic.entries()) result.push_back(entry.name);
        return result;
    }

    std::string selectedName() const {
        return logic.selection() ? logic.entries()[*logic.selection()].name : "<none>";
    }

    static NewUserEntry newUser(std::string id, std::string password, std::string confirm) {
        NewUserEntry entry;
        entry.id = std::move(id);
        entry.password = std::move(password);
        entry.confirm = std::move(confirm);
        return entry;
    }
};

std::string msg(StringId id) {
    return std::string(text(id));
}

}  // namespace

TEST_F(SelectUserTest, ListsProfilesInLowerCaseAndDeletesEmptyFiles) {
    write(profiles() / "Alice.KVR");
    write(profiles() / "bob.kvr");
    write(profiles() / "Zed.kvr");
    write(profiles() / "\xC3\x84rger.kvr");  // "Ärger" in UTF-8
    write(profiles() / "empty.kvr", "");
    write(profiles() / "notes.txt");
    write(profiles() / "alice (backup).kvr");
    fs::create_directory(profiles() / "folder.kvr");

    logic.listProfiles();

    EXPECT_EQ(names(),
              (std::vector<std::string>{"alice", "alice (backup)", "bob", "zed", "\xC3\xA4rger"}));
    EXPECT_EQ(selectedName(), "alice");
    EXPECT_FALSE(fs::exists(profiles() / "empty.kvr"));
    EXPECT_TRUE(fs::exists(profiles() / "notes.txt"));
    EXPECT_TRUE(fs::is_directory(profiles() / "folder.kvr"));
    // The listed name is lower case, but the file keeps its own spelling on a case-sensitive
    // disk: signing in as alice opens Alice.KVR rather than starting an empty alice.kvr.
    EXPECT_EQ(logic.entries()[0].file, profiles() / "Alice.KVR");
}

TEST_F(SelectUserTest, NoProfilesCreatesTheFolderAndOkRefuses) {
    fs::remove_all(paths.programDirectory());  // a first run: not even the program folder

    logic.listProfiles();

    EXPECT_TRUE(fs::is_directory(profiles()));
    EXPECT_TRUE(logic.entries().empty());
    EXPECT_FALSE(logic.selection());
    EXPECT_FALSE(logic.accept());
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::NoSelectedUser)}));
    EXPECT_FALSE(logic.result());
    EXPECT_FALSE(storedDefault());
}

TEST_F(SelectUserTest, DefaultUserSelectsTheFirstEntryWithThatPrefix) {
    struct Case {
        std::vector<std::string> files;
        std::optional<std::string> stored;
        std::string selected;
    } cases[] = {
        {{"bob", "bobby"}, "bob", "bob"},          {{"bobby"}, "bob", "bobby"},
        {{"alice", "bobby", "bob"}, "BO", "bob"},  {{"alice", "bob"}, "zed", "alice"},
        {{"alice", "bob"}, std::nullopt, "alice"}, {{"alice", "bob"}, "", "alice"},
    };
    for (const auto& c : cases) {
        platform::TempProgramPaths casePaths;
        platform::MemorySettingsStore caseSettings;
        if (c.stored)
            caseSettings.open(platform::SettingsStore::Open::CreateIfMissing)
                ->writeString("DefaultUser", *c.stored);
        for (const auto& file : c.files) write(casePaths.profileDirectory() / (file + ".kvr"));
        SelectUser caseLogic(casePaths, caseSettings, prompter);
        caseLogic.listProfiles();
        ASSERT_TRUE(caseLogic.selection());
        EXPECT_EQ(caseLogic.entries()[*caseLogic.selection()].name, c.selected)
            << "stored " << c.stored.value_or("<none>");
    }
}

TEST_F(SelectUserTest, OkHandsBackTheProfileAndRemembersIt) {
    write(profiles() / "Alice.KVR");
    write(profiles() / "bob.kvr");
    logic.listProfiles();
    logic.select(1);
    logic.setPassword("s3cret");
    logic.setMerge(true);

    ASSERT_TRUE(logic.accept());

    const auto signIn = logic.result();
    ASSERT_TRUE(signIn);
    EXPECT_EQ(signIn->path, profiles() / "bob.kvr");
    EXPECT_EQ(signIn->directory, profiles());
    EXPECT_EQ(signIn->userName, "bob");
    EXPECT_EQ(signIn->password, "s3cret");
    EXPECT_TRUE(signIn->merge);
    EXPECT_EQ(storedDefault(), "bob");

    logic.select(0);
    ASSERT_TRUE(logic.accept());
    EXPECT_EQ(logic.result()->path, profiles() / "Alice.KVR");
    EXPECT_EQ(storedDefault(), "alice");
}

TEST_F(SelectUserTest, SettingsThatCannotBeWrittenDoNotStopTheSignIn) {
    write(profiles() / "alice.kvr");
    settings.setReadOnly(true);
    logic.listProfiles();
    EXPECT_EQ(selectedName(), "alice");
    EXPECT_TRUE(logic.accept());
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(logic.result()->path, profiles() / "alice.kvr");
}

TEST_F(SelectUserTest, NewUserDialogChecksPasswordsAndName) {
    struct Case {
        NewUserEntry entry;
        std::optional<StringId> refusal;
    } cases[] = {
        {newUser("carol", "pw", "pw"), std::nullopt},
        {newUser("", "", ""), std::nullopt},  // an empty ID and an empty password are allowed
        {newUser("carol", "pw", "PW"), StringId::PasswordsDontMatch},
        {newUser("carol", "pw", ""), StringId::PasswordsDontMatch},
        {newUser("../carol", "pw", "pw"), StringId::UserNameHasSeparator},
    };
    for (const auto& c : cases) {
        kivrano::testing::ScriptedPrompter casePrompter;
        EXPECT_EQ(newUserAcceptable(c.entry, casePrompter), !c.refusal) << c.entry.id;
        EXPECT_EQ(casePrompter.messages, c.refusal ? std::vector<std::string>{msg(*c.refusal)}
                                                   : std::vector<std::string>{});
    }
}

TEST_F(SelectUserTest, AddNewUserSignsInWithoutWritingAFile) {
    write(profiles() / "alice.kvr");
    write(profiles() / "dave.kvr");
    logic.listProfiles();
    logic.setMerge(true);

    ASSERT_TRUE(logic.addNewUser(newUser("Carol", "new pw", "new pw")));

    EXPECT_EQ(names(), (std::vector<std::string>{"alice", "Carol", "dave"}));
    EXPECT_EQ(selectedName(), "Carol");
    const auto signIn = logic.result();
    ASSERT_TRUE(signIn);
    EXPECT_EQ(signIn->path, profiles() / "Carol.kvr");
    EXPECT_EQ(signIn->password, "new pw");
    EXPECT_TRUE(signIn->merge);
    EXPECT_EQ(storedDefault(), "Carol");
    EXPECT_FALSE(fs::exists(profiles() / "Carol.kvr"));
}

TEST_F(SelectUserTest, AddNewUserRefusesANameAlreadyListed) {
    write(profiles() / "alice.kvr");
    logic.listProfiles();
    logic.setPassword("old");

    EXPECT_FALSE(logic.addNewUser(newUser("ALICE", "x", "x")));

    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::UserNameExists)}));
    EXPECT_EQ(names(), (std::vector<std::string>{"alice"}));
    EXPECT_EQ(logic.password(), "old");
    EXPECT_FALSE(logic.result());
    EXPECT_FALSE(storedDefault());
}

TEST_F(SelectUserTest, RemoveUserAsksThenDeletesTheFile) {
    write(profiles() / "alice.kvr");
    write(profiles() / "Bob.kvr");
    storeDefault("bob");
    logic.listProfiles();
    ASSERT_EQ(selectedName(), "bob");

    prompter.yesNoAnswers = {false};
    logic.removeSelected();
    EXPECT_EQ(names().size(), 2u);
    EXPECT_TRUE(fs::exists(profiles() / "Bob.kvr"));

    prompter.yesNoAnswers = {true};
    logic.removeSelected();
    EXPECT_EQ(prompter.questions, (std::vector<std::string>(2, msg(StringId::ReallyRemoveUser))));
    EXPECT_EQ(names(), (std::vector<std::string>{"alice"}));
    EXPECT_FALSE(logic.selection());
    EXPECT_FALSE(fs::exists(profiles() / "Bob.kvr"));
    EXPECT_EQ(storedDefault(), "bob");

    // Nothing selected: no question (the scripted prompter would throw on one).
    logic.removeSelected();
    EXPECT_EQ(prompter.questions.size(), 2u);
}

TEST_F(SelectUserTest, RemoveUserThatCannotDeleteKeepsTheEntryAndSaysSo) {
    write(profiles() / "alice.kvr");
    logic.listProfiles();
    // Something that cannot simply be deleted now stands where the file was.
    fs::remove(profiles() / "alice.kvr");
    write(profiles() / "alice.kvr" / "inside");

    prompter.yesNoAnswers = {true};
    logic.removeSelected();

    EXPECT_EQ(names(), (std::vector<std::string>{"alice"}));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find("alice.kvr"), std::string::npos) << prompter.messages[0];
    EXPECT_NE(prompter.messages[0].find("could not be removed"), std::string::npos);
}

TEST_F(SelectUserTest, RenameMovesTheFileRelistsAndSelectsTheNewName) {
    write(profiles() / "alice.kvr", "alice's vault");
    write(profiles() / "bob.kvr");
    logic.listProfiles();
    logic.select(0);

    logic.renameSelected("Zoe");

    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(fs::exists(profiles() / "alice.kvr"));
    std::ifstream renamed(profiles() / "Zoe.kvr");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(renamed), {}), "alice's vault");
    EXPECT_EQ(names(), (std::vector<std::string>{"bob", "zoe"}));
    EXPECT_EQ(selectedName(), "zoe");
}

TEST_F(SelectUserTest, RenameNeverOverwritesAnotherProfile) {
    write(profiles() / "alice.kvr", "alice's vault");
    write(profiles() / "bob.kvr", "bob's vault");
    logic.listProfiles();
    logic.select(0);

    logic.renameSelected("bob");

    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::RenameTargetExists)}));
    std::ifstream alice(profiles() / "alice.kvr"), bob(profiles() / "bob.kvr");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(alice), {}), "alice's vault");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(bob), {}), "bob's vault");
    EXPECT_EQ(names(), (std::vector<std::string>{"alice", "bob"}));
    EXPECT_EQ(selectedName(), "bob");
}

TEST_F(SelectUserTest, RenameRefusesAFolderSeparatorAndNeedsASelection) {
    write(profiles() / "alice.kvr");
    logic.listProfiles();
    logic.select(std::nullopt);
    logic.renameSelected("x");
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::NoSelectedUser)}));

    prompter.messages.clear();
    logic.select(0);
    logic.renameSelected("../alice");
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::UserNameHasSeparator)}));
    EXPECT_TRUE(fs::exists(profiles() / "alice.kvr"));
    EXPECT_FALSE(fs::exists(paths.programDirectory() / "alice.kvr"));
}

TEST_F(SelectUserTest, OtherDisksMenuNamesTheProgramFolders) {
    const fs::path usb = paths.programDirectory() / "media" / "usb";
    paths.setOtherDisks({paths.programDirectory(), profiles(), usb, usb / "Profiles"});

    const auto choices = logic.otherDisks();

    ASSERT_EQ(choices.size(), 4u);
    EXPECT_EQ(choices[0].label, "Current Directory");
    EXPECT_EQ(choices[0].directory, paths.programDirectory());
    EXPECT_EQ(choices[1].label, "Current Directory\\Profiles");
    EXPECT_EQ(choices[1].directory, profiles());
    EXPECT_EQ(choices[2].label, usb.string());
    EXPECT_EQ(choices[3].label, (usb / "Profiles").string());
    EXPECT_EQ(choices[3].directory, usb / "Profiles");
}

TEST_F(SelectUserTest, AnotherDiskServesOkRemoveAndRenameUntilTheNextListing) {
    const fs::path disk = paths.programDirectory() / "disk" / "Profiles";
    write(profiles() / "home.kvr");
    write(disk / "Erin.kvr");
    write(disk / "frank.kvr");
    write(disk / "blank.kvr", "");
    storeDefault("fr");
    logic.listProfiles();

    logic.listDirectory(disk);
    EXPECT_EQ(logic.directory(), disk);
    EXPECT_EQ(names(), (std::vector<std::string>{"erin", "frank"}));
    EXPECT_EQ(selectedName(), "frank");
    EXPECT_FALSE(fs::exists(disk / "blank.kvr"));

    logic.select(0);
    ASSERT_TRUE(logic.accept());
    EXPECT_EQ(logic.result()->path, disk / "Erin.kvr");

    // Rename works in that folder, then the list is back on the program's own profiles.
    logic.renameSelected("gina");
    EXPECT_TRUE(fs::exists(disk / "gina.kvr"));
    EXPECT_EQ(logic.directory(), profiles());
    EXPECT_EQ(names(), (std::vector<std::string>{"home"}));
}

TEST_F(SelectUserTest, AnEmptyOrMissingDiskListsNothingAndCreatesNothing) {
    const fs::path missing = paths.programDirectory() / "nowhere" / "Profiles";
    write(profiles() / "alice.kvr");
    logic.listProfiles();

    logic.listDirectory(missing);

    EXPECT_TRUE(logic.entries().empty());
    EXPECT_FALSE(logic.selection());
    EXPECT_FALSE(fs::exists(missing));

    // A new user there makes the folder the document will write the new file into.
    ASSERT_TRUE(logic.addNewUser(newUser("ivan", "", "")));
    EXPECT_EQ(logic.result()->path, missing / "ivan.kvr");
    EXPECT_TRUE(fs::is_directory(missing));
}

TEST_F(SelectUserTest, AfterADownloadTheDownloadedFileIsSelected) {
    write(profiles() / "alice.kvr");
    write(profiles() / "from_network.kvr");
    write(profiles() / "zed.kvr");
    storeDefault("zed");
    logic.listProfiles();
    ASSERT_EQ(selectedName(), "zed");

    logic.afterDownload();

    EXPECT_EQ(selectedName(), "from_network");

    // A download into a folder chosen under "Other disks" is listed there, not lost from view.
    const fs::path disk = paths.programDirectory() / "disk";
    fs::create_directories(disk);
    write(disk / "erin.kvr");
    logic.listDirectory(disk);
    write(disk / "from_network.kvr");

    logic.afterDownload();

    EXPECT_EQ(logic.directory(), disk);
    EXPECT_EQ(names(), (std::vector<std::string>{"erin", "from_network"}));
    EXPECT_EQ(selectedName(), "from_network");
}
