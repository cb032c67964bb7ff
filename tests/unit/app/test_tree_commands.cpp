#include "app/TreeCommands.h"

#include "app/ManualPage.h"

#include "platform/fake/RecordingShell.h"
#include "vault/CKivranoDoc.h"
#include "vault/FileIO.h"
#include "vault/Strings.h"

#include "support/FileBytes.h"
#include "support/SampleVault.h"
#include "support/ScratchDirectory.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

using namespace kivrano;
using namespace kivrano::testing;
namespace fs = std::filesystem;

namespace {

std::string msg(StringId id) {
    return std::string(text(id));
}

struct FakeHost : TreeViewHost {
    std::vector<TreeNode> shown;
    std::vector<TreeNode> selections;
    int expansions = 0;
    int pageLefts = 0;
    std::map<ViewTimer, int> running;  // timers started and not stopped, with their period
    int autoLockStarts = 0;

    void showNode(TreeNode node) override { shown.push_back(node); }
    void showSelection(TreeNode node) override { selections.push_back(node); }
    void showExpansion() override { ++expansions; }
    void scrollPageLeft() override { ++pageLefts; }
    void startViewTimer(ViewTimer timer, int ms) override {
        running[timer] = ms;
        if (timer == ViewTimer::AutoLock) ++autoLockStarts;
    }
    void stopViewTimer(ViewTimer timer) override { running.erase(timer); }

    bool isRunning(ViewTimer timer) const { return running.count(timer) != 0; }
};

struct RecordingBook : HotKeyBook {
    std::vector<std::pair<TreeNode, HotKeyValue>> launchKeys;
    std::vector<std::array<HotKeyValue, kGlobalHotKeyCount>> globals;
    void dropAll() override { launchKeys.clear(); }
    void registerGlobals(const std::array<HotKeyValue, kGlobalHotKeyCount>& keys) override {
        globals.push_back(keys);
    }
    void registerLaunchKey(TreeNode node, const HotKeyValue& key) override {
        launchKeys.emplace_back(node, key);
    }
};

struct ScriptedFolderName : FolderNameDialog {
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> shownWith;
    std::optional<std::string> run(const std::string& text) override {
        shownWith.push_back(text);
        if (answers.empty()) throw std::logic_error("Folder Name dialog not expected");
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct ScriptedEditor : ItemEditor {
    std::vector<ItemEditorRequest> requests;
    std::function<bool(VaultItem&)> behaviour = [](VaultItem&) { return false; };
    bool edit(VaultItem& item, const ItemEditorRequest& request) override {
        requests.push_back(request);
        return behaviour(item);
    }
};

const HotKeyValue kCtrlShiftM{0x4D, HotKeyValue::kCtrl | HotKeyValue::kShift};

class TreeCommandsTest : public ::testing::Test {
protected:
    TreeCommandsTest() {
        commands.dialogs().folderName = &folderName;
        commands.dialogs().itemEditor = &editor;
        auto& hooks = commands.hooks();
        hooks.recordNode = [this](TreeNode n) { recorded.push_back(n); };
        hooks.forgetNode = [this](TreeNode n) { forgotten.push_back(n); };
        hooks.unregisterLaunchKey = [this](TreeNode n) { unregistered.push_back(n); };
        hooks.launch = [this](TreeNode n) { launched.push_back(n); };
        hooks.hideToTray = [this] { ++hiddenToTray; };

        // Folder A: a1 (complete, with a launching key), a2 (incomplete). Folder B: b1.
        a = tree().insertFolder({"A", 0});
        a1 = addItem(a, "a1", "https://a.example", kCtrlShiftM);
        a2 = addItem(a, "a2", "", {});
        b = tree().insertFolder({"B", 2});
        b1 = addItem(b, "b1", "https://b.example", {0x70, HotKeyValue::kCtrl});
    }

    VaultTree& tree() { return doc.tree(); }
    TreeNode addItem(TreeNode folder, const std::string& title, const std::string& address,
                     HotKeyValue key) {
        auto item = std::make_unique<VaultItem>();
        item->title = title;
        item->address = address;
        item->launchKey = key;
        return tree().insertItem(folder, std::move(item));
    }
    std::vector<std::string> children(TreeNode parent) {
        std::vector<std::string> names;
        TreeNode n = parent == kNoNode ? tree().firstFolder() : tree().firstChild(parent);
        for (; n != kNoNode; n = tree().nextSibling(n)) names.push_back(tree().text(n));
        return names;
    }
    void select(TreeNode node) { tree().select(node); }

    ScriptedPrompter prompter;
    platform::RecordingShell shell;
    RecordingBook hotKeys;
    FakeHost host;
    std::string caption;  // the main window's
    CKivranoDoc doc{
        prompter, &hotKeys,
        DocumentEvents{nullptr, nullptr, [this](const std::string& c) { caption = c; }, nullptr}};
    TreeCommands commands{doc, prompter, shell, &hotKeys, host};
    ScriptedFolderName folderName;
    ScriptedEditor editor;
    std::vector<TreeNode> recorded, forgotten, unregistered, launched;
    int hiddenToTray = 0;
    TreeNode a = kNoNode, a1 = kNoNode, a2 = kNoNode, b = kNoNode, b1 = kNoNode;
};

}  // namespace

// --- Folders ---

TEST_F(TreeCommandsTest, NewFolderGoesAfterTheSelectedFolderOrTheSelectedItemsFolder) {
    struct Case {
        const char* selected;
        std::vector<std::string> order;
    };
    for (const Case& c : {Case{"A", {"A", "new", "B"}}, Case{"a2", {"A", "new", "B"}},
                          Case{"b1", {"A", "B", "new"}}, Case{"", {"A", "B", "new"}}}) {
        SCOPED_TRACE(c.selected);
        const std::map<std::string, TreeNode> nodes{{"A", a}, {"a2", a2}, {"b1", b1}, {"", 0}};
        select(nodes.at(c.selected));
        doc.setModified(false);
        host.running.clear();
        folderName.answers = {"new"};
        commands.addFolder();

        EXPECT_EQ(children(kNoNode), c.order);
        const TreeNode created = tree().findFolder("new");
        EXPECT_EQ(tree().selection(), created);
        EXPECT_EQ(host.selections.back(), created);
        EXPECT_EQ(host.shown.back(), created);
        EXPECT_EQ(tree().data(created), 0);  // a new folder is password-protected
        EXPECT_EQ(host.running[ViewTimer::AutoLock], 30 * 60000);
        EXPECT_TRUE(doc.isModified());
        tree().remove(created);
    }
    EXPECT_EQ(folderName.shownWith, std::vector<std::string>(4, ""));
}

TEST_F(TreeCommandsTest, ExactDuplicateNameAsksAgainWithTheLastTypedName) {
    select(a);
    prompter.yesNoAnswers = {true};
    folderName.answers = {"B", "b"};  // "b" differs only in case: allowed
    commands.addFolder();
    EXPECT_EQ(prompter.questions, std::vector<std::string>{msg(StringId::FolderNameExists)});
    EXPECT_EQ(folderName.shownWith, (std::vector<std::string>{"", "B"}));
    EXPECT_EQ(children(kNoNode), (std::vector<std::string>{"A", "b", "B"}));
}

TEST_F(TreeCommandsTest, RefusedOrCancelledFolderNameChangesNothingButOkStillMarksModified) {
    select(a);
    prompter.yesNoAnswers = {false};
    folderName.answers = {"A"};
    commands.addFolder();
    EXPECT_EQ(children(kNoNode), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(doc.isModified());  // the dialog's OK counts as a change

    doc.setModified(false);
    folderName.answers = {std::nullopt, std::nullopt};
    commands.addFolder();
    commands.renameFolder();
    EXPECT_EQ(children(kNoNode), (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(doc.isModified());
}

TEST_F(TreeCommandsTest, RenameStartsEmptyAndRefusesTheFoldersOwnName) {
    select(b);
    prompter.yesNoAnswers = {true};
    folderName.answers = {"B", "Bank"};
    commands.renameFolder();
    EXPECT_EQ(prompter.questions, std::vector<std::string>{msg(StringId::FolderNameExists)});
    EXPECT_EQ(folderName.shownWith, (std::vector<std::string>{"", "B"}));
    EXPECT_EQ(children(kNoNode), (std::vector<std::string>{"A", "Bank"}));
    EXPECT_EQ(host.shown.back(), b);

    // With an item selected the command does nothing (the menus grey it).
    select(b1);
    commands.renameFolder();
    EXPECT_EQ(folderName.shownWith.size(), 2u);
}

TEST_F(TreeCommandsTest, DeletingAFolderDropsItsItemsKeysAndHistory) {
    select(a);
    prompter.yesNoAnswers = {true};
    commands.deleteFolder();
    EXPECT_EQ(prompter.questions, std::vector<std::string>{msg(StringId::ReallyDeleteFolder)});
    EXPECT_EQ(children(kNoNode), std::vector<std::string>{"B"});
    EXPECT_FALSE(tree().contains(a1));
    EXPECT_FALSE(tree().contains(a2));
    EXPECT_EQ(forgotten, (std::vector<TreeNode>{a1, a2}));
    EXPECT_EQ(unregistered, (std::vector<TreeNode>{a1, a2}));
    EXPECT_EQ(tree().selection(), b);  // the neighbour takes the selection
    EXPECT_EQ(host.shown.back(), b);
    EXPECT_TRUE(doc.isModified());
}

TEST_F(TreeCommandsTest, FolderDeleteRefusals) {
    // An item selected: the message, nothing asked.
    select(a1);
    commands.deleteFolder();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{msg(StringId::SelectFolderToDelete)});
    // Nothing selected: nothing at all.
    select(kNoNode);
    commands.deleteFolder();
    EXPECT_EQ(prompter.messages.size(), 1u);
    // No to the question.
    select(a);
    prompter.yesNoAnswers = {false};
    commands.deleteFolder();
    EXPECT_EQ(tree().folderCount(), 2u);
    EXPECT_EQ(tree().itemCount(), 3u);
    EXPECT_TRUE(forgotten.empty());
    EXPECT_FALSE(doc.isModified());
}

TEST_F(TreeCommandsTest, ProtectionCommandsActOnFoldersOnlyAndDoNotMarkModified) {
    select(a);
    commands.setFolderProtection(false);
    EXPECT_EQ(tree().data(a), VaultFolder::kUnprotectedByMenu);
    commands.setFolderProtection(true);
    EXPECT_EQ(tree().data(a), 0);
    select(b1);
    commands.setFolderProtection(true);
    EXPECT_EQ(tree().data(b), 2);
    EXPECT_FALSE(doc.isModified());
}

// --- Items ---

TEST_F(TreeCommandsTest, NewItemGoesFirstInTheSelectedFolderOrRightAfterTheSelectedItem) {
    editor.behaviour = [](VaultItem& item) {
        item.title = "new";
        item.address = "https://new.example";
        item.launchKey = {0x71, HotKeyValue::kAlt};
        return true;
    };
    select(a);
    commands.addItem();
    EXPECT_EQ(children(a), (std::vector<std::string>{"new", "a1", "a2"}));
    select(a1);
    commands.addItem();
    EXPECT_EQ(children(a), (std::vector<std::string>{"new", "a1", "new", "a2"}));

    const TreeNode created = tree().childAt(a, 2);
    EXPECT_EQ(tree().selection(), created);
    EXPECT_EQ(host.shown.back(), created);
    EXPECT_EQ(recorded.back(), created);
    EXPECT_EQ(host.pageLefts, 2);
    EXPECT_EQ(tree().image(created), VaultTree::kCompleteItemImage);
    ASSERT_EQ(hotKeys.launchKeys.size(), 2u);
    EXPECT_EQ(hotKeys.launchKeys.back(), std::make_pair(created, HotKeyValue{0x71, 4}));
    EXPECT_TRUE(doc.isModified());

    ASSERT_EQ(editor.requests.size(), 2u);
    EXPECT_EQ(ItemEditorSession::caption(editor.requests[0].mode), "Add a New Item");
    EXPECT_EQ(ItemEditorSession::startPage(*tree().item(created), editor.requests[0]), 0);
    EXPECT_EQ(editor.requests[0].mode, ItemEditorMode::Add);
}

TEST_F(TreeCommandsTest, CancelledNewItemIsDiscardedAndItemsWithoutKeyAreNotRegistered) {
    select(b);
    editor.behaviour = [](VaultItem& item) {
        item.title = "discarded";
        return false;
    };
    commands.addItem();
    EXPECT_EQ(children(b), std::vector<std::string>{"b1"});
    EXPECT_TRUE(recorded.empty());
    // The editor may have changed the shared application table even when cancelled.
    EXPECT_TRUE(doc.isModified());

    editor.behaviour = [](VaultItem& item) {
        item.title = "plain";
        return true;
    };
    commands.addItem();
    EXPECT_EQ(tree().image(tree().firstChild(b)), VaultTree::kIncompleteItemImage);
    EXPECT_TRUE(hotKeys.launchKeys.empty());
}

TEST_F(TreeCommandsTest, NewItemNeedsASelection) {
    select(kNoNode);
    commands.addItem();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{msg(StringId::SelectFolderForNewItem)});
    EXPECT_TRUE(editor.requests.empty());
}

TEST_F(TreeCommandsTest, ViewModifyOpensTheRecordItselfOnThePageOfTheAskingRow) {
    struct Case {
        int row;
        int lastPage;
        int page;
    };
    for (const Case& c : {Case{-1, 0, 0}, Case{-1, 1, 1}, Case{0, 1, 0}, Case{2, 1, 0},
                          Case{3, 0, 1}, Case{9, 0, 1}}) {
        SCOPED_TRACE(c.row);
        tree().item(a1)->lastPage = c.lastPage;
        select(a1);
        commands.viewModifyItem(c.row);
        EXPECT_EQ(ItemEditorSession::startPage(*tree().item(a1), editor.requests.back()), c.page);
        EXPECT_EQ(editor.requests.back().fieldRow, c.row);
        EXPECT_EQ(ItemEditorSession::caption(editor.requests.back().mode), "View/Modify an Item");
        EXPECT_EQ(editor.requests.back().mode, ItemEditorMode::Modify);
    }
}

TEST_F(TreeCommandsTest, ViewModifyRenamesOnOkAndRegistersTheKeyAgainWhateverTheEnding) {
    select(a2);
    editor.behaviour = [this](VaultItem& item) {
        // The old key is dropped before the editor opens.
        EXPECT_EQ(unregistered, std::vector<TreeNode>{a2});
        EXPECT_EQ(&item, tree().item(a2));
        item.title = "renamed";
        item.address = "https://now.complete";
        item.launchKey = kCtrlShiftM;
        return true;
    };
    commands.viewModifyItem();
    EXPECT_EQ(tree().text(a2), "renamed");
    EXPECT_EQ(tree().image(a2), VaultTree::kCompleteItemImage);
    EXPECT_EQ(recorded, std::vector<TreeNode>{a2});
    EXPECT_EQ(host.shown.back(), a2);
    EXPECT_EQ(hotKeys.launchKeys,
              (std::vector<std::pair<TreeNode, HotKeyValue>>{{a2, kCtrlShiftM}}));
    EXPECT_FALSE(doc.isModified());  // the editor marks what it changed, not the command

    // Cancel: the node keeps its text, the key comes back.
    select(a1);
    editor.behaviour = [](VaultItem& item) {
        item.title = "typed but cancelled";
        return false;
    };
    commands.viewModifyItem();
    EXPECT_EQ(tree().text(a1), "a1");
    EXPECT_EQ(hotKeys.launchKeys.back(), std::make_pair(a1, kCtrlShiftM));
}

TEST_F(TreeCommandsTest, ItemCommandsWithAFolderOrNothingSelectedOnlyTellTheUser) {
    for (TreeNode selected : {a, kNoNode}) {
        select(selected);
        prompter.messages.clear();
        commands.viewModifyItem();
        commands.executeItem();
        commands.deleteItem();
        std::vector<std::string> expected{msg(StringId::SelectItemToView),
                                          msg(StringId::SelectItemToRun)};
        if (selected != kNoNode) expected.push_back(msg(StringId::SelectItemToDelete));
        EXPECT_EQ(prompter.messages, expected);
        EXPECT_FALSE(commands.doubleClick());
    }
    EXPECT_TRUE(editor.requests.empty());
    EXPECT_TRUE(launched.empty());
    EXPECT_TRUE(recorded.empty());
    EXPECT_TRUE(unregistered.empty());
    EXPECT_EQ(tree().itemCount(), 3u);
    EXPECT_FALSE(doc.isModified());
}

TEST_F(TreeCommandsTest, DeletingAnItem) {
    select(a1);
    prompter.yesNoAnswers = {false};
    commands.deleteItem();
    EXPECT_TRUE(tree().contains(a1));

    prompter.yesNoAnswers = {true};
    commands.deleteItem();
    EXPECT_EQ(prompter.questions, std::vector<std::string>(2, msg(StringId::ReallyDeleteItem)));
    EXPECT_FALSE(tree().contains(a1));
    EXPECT_EQ(forgotten, std::vector<TreeNode>{a1});
    EXPECT_EQ(unregistered, std::vector<TreeNode>{a1});
    EXPECT_EQ(tree().selection(), a2);
    EXPECT_TRUE(doc.isModified());

    // The last item of a folder leaves the selection on its folder.
    prompter.yesNoAnswers = {true};
    commands.deleteItem();
    EXPECT_EQ(tree().selection(), a);
    EXPECT_EQ(host.shown.back(), a);
}

TEST_F(TreeCommandsTest, DeletingBetweenTwoNeighboursSelectsTheNextOne) {
    const TreeNode a3 = addItem(a, "a3", "", {});
    const TreeNode middle = tree().insertFolder({"M", 0}, a);
    struct Case {
        const char* name;
        TreeNode deleted;
        void (TreeCommands::*command)();
        TreeNode next;
    };
    const Case cases[] = {
        {"item", a2, &TreeCommands::deleteItem, a3},
        {"folder", middle, &TreeCommands::deleteFolder, b},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select(c.deleted);
        prompter.yesNoAnswers = {true};
        (commands.*c.command)();
        EXPECT_FALSE(tree().contains(c.deleted));
        EXPECT_EQ(tree().selection(), c.next);
        EXPECT_EQ(host.shown.back(), c.next);
    }
}

TEST_F(TreeCommandsTest, ExecuteLaunchesCompleteItemsAndDoubleClickDoesNotTest) {
    select(a1);
    commands.executeItem();
    EXPECT_EQ(launched, std::vector<TreeNode>{a1});

    select(a2);  // no address: incomplete
    commands.executeItem();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{msg(StringId::CannotRunItem)});
    EXPECT_EQ(launched.size(), 1u);
    EXPECT_EQ(recorded, (std::vector<TreeNode>{a1, a2}));

    EXPECT_TRUE(commands.doubleClick());
    EXPECT_EQ(launched, (std::vector<TreeNode>{a1, a2}));
}

TEST_F(TreeCommandsTest, ClickRecordsItemsOnly) {
    commands.click(b);
    commands.click(b1);
    commands.click(kNoNode);
    EXPECT_EQ(recorded, std::vector<TreeNode>{b1});
    EXPECT_EQ(tree().selection(), b1);
    EXPECT_EQ(host.shown, (std::vector<TreeNode>{b, b1, b1}));
}

TEST_F(TreeCommandsTest, ReadUnprotectedOnlyModeRefusesNewItems) {
    std::optional<kivrano::testing::ScratchDirectory> scratch(std::in_place, "kivrano-tree");
    const std::string file = scratch->file("u.kvr");
    SampleVault sample = makeSampleVault();
    writeFileBytes(file, vaultfile::write(sample.tree, sample.settings, "right"));
    prompter.yesNoAnswers = {true};  // go on with the unprotected folders
    ASSERT_TRUE(doc.open(file, "wrong", false));
    scratch.reset();  // the file is gone: nothing below reads it again
    ASSERT_TRUE(doc.readUnprotectedOnly());

    select(tree().firstFolder());
    const std::size_t items = tree().itemCount();
    commands.addItem();
    EXPECT_EQ(prompter.messages.back(), msg(StringId::AddItemUnprotectedOnly));
    EXPECT_TRUE(editor.requests.empty());
    EXPECT_EQ(tree().itemCount(), items);
}

// --- Expanding, refresh and the automatic lock ---

TEST_F(TreeCommandsTest, CollapseAllMovesTheSelectionOutOfTheClosedFolder) {
    select(b1);
    commands.setAllExpanded(true);
    EXPECT_TRUE(tree().isExpanded(a));
    EXPECT_TRUE(tree().isExpanded(b));
    EXPECT_EQ(tree().selection(), b1);

    commands.setAllExpanded(false);
    EXPECT_FALSE(tree().isExpanded(a));
    EXPECT_FALSE(tree().isExpanded(b));
    EXPECT_EQ(tree().selection(), b);
    EXPECT_EQ(host.shown.back(), b);
    EXPECT_EQ(host.expansions, 2);

    // Closing one folder by hand does the same for an item inside it, and only then.
    commands.setAllExpanded(true);
    select(a2);
    commands.folderExpansionChanged(b, false);
    EXPECT_EQ(tree().selection(), a2);
    commands.folderExpansionChanged(a, false);
    EXPECT_EQ(tree().selection(), a);
    EXPECT_FALSE(tree().isExpanded(a));
}

TEST_F(TreeCommandsTest, AutoLockPeriod) {
    struct Case {
        int minutes;
        int ms;
    };
    for (const Case& c :
         {Case{0, 0}, Case{-5, 0}, Case{1, 60000}, Case{30, 1800000},
          Case{TreeCommands::kMaxAutoLockMinutes, 35791 * 60000}, Case{1 << 30, 35791 * 60000}}) {
        EXPECT_EQ(TreeCommands::autoLockPeriodMs(c.minutes), c.ms) << c.minutes;
    }
}

TEST_F(TreeCommandsTest, RefreshRestartsTheAutoLockUnlessItIsOff) {
    doc.settings().autoLockMinutes = 2;
    commands.refresh();
    EXPECT_EQ(host.running[ViewTimer::AutoLock], 120000);
    doc.settings().autoLockMinutes = 0;
    commands.restartAutoLock();
    EXPECT_FALSE(host.isRunning(ViewTimer::AutoLock));
}

class LockTest : public TreeCommandsTest {
protected:
    struct ScriptedLock : ScreenLockDialog {
        std::deque<std::optional<std::string>> answers;  // nothing: Escape or the close box
        std::vector<std::string> refusals;
        std::function<void()> whileShown;
        std::optional<std::string> run() override {
            if (whileShown) whileShown();
            if (answers.empty()) throw std::logic_error("lock dialog shown too often");
            auto answer = answers.front();
            answers.pop_front();
            return answer;
        }
        void refuse(const std::string& message) override { refusals.push_back(message); }
    };
    LockTest() {
        commands.dialogs().screenLock = &lock;
        commands.hooks().lockChanged = [this](bool locked) { lockChanges.push_back(locked); };
    }
    // Opens the sample vault, saved under password.
    void openSample(const std::string& password) {
        const std::string file = dir + "/alice.kvr";
        SampleVault sample = makeSampleVault();
        writeFileBytes(file, vaultfile::write(sample.tree, sample.settings, password));
        ASSERT_TRUE(doc.open(file, password, false));
    }

    kivrano::testing::ScratchDirectory scratch{"kivrano-lock"};
    std::string dir = scratch.path().string();
    ScriptedLock lock;
    std::vector<bool> lockChanges;
};

TEST_F(LockTest, LockScreenStopsTheTimersUntilTheRightPasswordAndThenRestartsThem) {
    doc.settings().autoLockMinutes = 5;
    host.running = {{ViewTimer::AutoTrack, 500}, {ViewTimer::AutoLock, 300000}};
    commands.setAllExpanded(true);
    select(a1);
    // Escape, a wrong password, then the right one: this vault has none.
    lock.answers = {std::nullopt, std::string("x"), std::string()};
    int shown = 0;
    lock.whileShown = [&] {
        ++shown;
        EXPECT_TRUE(commands.isLocked());
        EXPECT_EQ(lockChanges, std::vector<bool>{true});
        EXPECT_TRUE(host.running.empty());
        EXPECT_FALSE(tree().isExpanded(a));
        EXPECT_EQ(tree().selection(), a);
        // User actions while locked do not restart the countdown; a second lock does nothing.
        commands.refresh();
        commands.restartAutoLock();
        commands.autoLockTimer();
        commands.lockScreen();
        EXPECT_FALSE(host.isRunning(ViewTimer::AutoLock));
    };
    commands.lockScreen();
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(lock.refusals, std::vector<std::string>(2, msg(StringId::CannotUnlock)));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(commands.isLocked());
    EXPECT_EQ(lockChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.running, (std::map<ViewTimer, int>{{ViewTimer::AutoTrack, 500},
                                                      {ViewTimer::AutoLock, 300000}}));
    EXPECT_EQ(hiddenToTray, 0);
}

TEST_F(LockTest, OnlyTheVaultsOwnPasswordUnlocks) {
    struct Case {
        const char* vaultPassword;
        std::vector<std::string> refused;
        std::string accepted;
    };
    for (const Case& c : {Case{"", {" ", "x", "right"}, ""},
                          Case{"right", {"", "Right", "right ", " right", "righ"}, "right"},
                          Case{"pässwörd", {"passwort", "p"}, "pässwörd"}}) {
        SCOPED_TRACE(c.vaultPassword);
        openSample(c.vaultPassword);
        lock.refusals.clear();
        lock.answers.assign(c.refused.begin(), c.refused.end());
        lock.answers.push_back(c.accepted);
        commands.lockScreen();
        EXPECT_TRUE(lock.answers.empty());
        EXPECT_EQ(lock.refusals.size(), c.refused.size());
        EXPECT_FALSE(commands.isLocked());
    }
}

struct ScriptedPasswordChange : PasswordChangeDialog {
    std::optional<PasswordChangeEntry> entry;  // nothing: Cancel
    std::optional<bool> hadPassword;
    void answer(const std::string& old, const std::string& fresh, const std::string& confirm) {
        entry.emplace();
        entry->oldPassword = old;
        entry->newPassword = fresh;
        entry->confirmation = confirm;
    }
    std::optional<PasswordChangeEntry> run(bool vaultHasPassword) override {
        hadPassword = vaultHasPassword;
        return entry;
    }
};

TEST_F(LockTest, ChangePasswordOutcomes) {
    struct Case {
        const char* old;
        const char* fresh;
        const char* confirm;
        std::vector<std::string> messages;
        bool asksToSave;
        const char* opensWith;  // the password the file then opens with
    };
    for (const Case& c :
         {Case{"Old", "new", "new", {msg(StringId::InvalidPassword)}, false, "old"},
          Case{"old", "new", "New", {msg(StringId::PasswordsDontMatch)}, false, "old"},
          Case{"old", "new", "new", {msg(StringId::PasswordChanged)}, true, "new"},
          Case{"old", "", "", {msg(StringId::PasswordChangedEmpty)}, true, ""}}) {
        SCOPED_TRACE(std::string(c.old) + "/" + c.fresh + "/" + c.confirm);
        openSample("old");
        ScriptedPasswordChange dialog;
        dialog.answer(c.old, c.fresh, c.confirm);
        commands.dialogs().passwordChange = &dialog;
        prompter.messages.clear();
        prompter.questions.clear();
        prompter.saveAnswers = {Prompter::SaveChoice::Save};
        commands.changePassword();
        EXPECT_EQ(dialog.hadPassword, true);
        EXPECT_EQ(prompter.messages, c.messages);
        EXPECT_EQ(prompter.questions.size(), c.asksToSave ? 1u : 0u);
        EXPECT_FALSE(doc.isModified());
        CKivranoDoc reader(prompter);
        prompter.yesNoAnswers = {false};  // a wrong password is not to be read in part
        EXPECT_TRUE(reader.open(dir + "/alice.kvr", c.opensWith, false));
        prompter.yesNoAnswers.clear();
    }
}

TEST_F(LockTest, ChangePasswordCancelledOrWithoutThePasswordChangesNothing) {
    openSample("old");
    ScriptedPasswordChange dialog;
    commands.dialogs().passwordChange = &dialog;
    commands.changePassword();  // cancelled
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(doc.isModified());

    // Opened with a wrong password, the unprotected folders only: refused before the dialog.
    prompter.yesNoAnswers = {true};
    ASSERT_TRUE(doc.open(dir + "/alice.kvr", "wrong", false));
    ASSERT_TRUE(doc.readUnprotectedOnly());
    dialog.answer("wrong", "mine", "mine");
    dialog.hadPassword.reset();
    commands.changePassword();
    EXPECT_FALSE(dialog.hadPassword.has_value());
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{msg(StringId::PasswordChangeUnprotectedOnly)});
}

TEST_F(LockTest, AfterAPasswordChangeTheLockTakesThePasswordTheFileHas) {
    openSample("old");
    ScriptedPasswordChange dialog;
    commands.dialogs().passwordChange = &dialog;

    // Not saved: the file, and so the lock, still has the old password.
    dialog.answer("old", "new", "new");
    prompter.saveAnswers = {Prompter::SaveChoice::Discard};
    commands.changePassword();
    lock.answers = {std::string("new"), std::string("old")};
    commands.lockScreen();
    EXPECT_EQ(lock.refusals.size(), 1u);

    // Saved: only the new one.
    dialog.answer("new", "new", "new");
    prompter.saveAnswers = {Prompter::SaveChoice::Save};
    commands.changePassword();
    lock.refusals.clear();
    lock.answers = {std::string("old"), std::string("new")};
    commands.lockScreen();
    EXPECT_EQ(lock.refusals.size(), 1u);
}

TEST_F(LockTest, TheCountdownHidesTheWindowThenLocks) {
    doc.settings().autoLockMinutes = 0;
    lock.answers = {std::string()};
    lock.whileShown = [&] { EXPECT_EQ(hiddenToTray, 1); };
    commands.autoLockTimer();
    EXPECT_TRUE(lock.answers.empty());
    // Minutes 0: after the unlock only the AutoTrack poll runs again.
    EXPECT_EQ(host.running, (std::map<ViewTimer, int>{{ViewTimer::AutoTrack, 500}}));
    commands.refresh();
    commands.restartAutoLock();
    EXPECT_FALSE(host.isRunning(ViewTimer::AutoLock));
}

TEST_F(LockTest, ALockThatComesWhileTypingWaitsUntilTheTypingIsOver) {
    bool typing = true;
    commands.hooks().isBusy = [&] { return typing; };
    commands.runPendingLock();  // nothing pending: nothing happens
    commands.lockScreen();
    commands.autoLockTimer();
    EXPECT_FALSE(commands.isLocked());
    EXPECT_EQ(hiddenToTray, 0);
    EXPECT_TRUE(lockChanges.empty());

    typing = false;
    lock.answers = {std::string()};
    commands.runPendingLock();  // the countdown's lock, with its hiding, once
    EXPECT_EQ(hiddenToTray, 1);
    EXPECT_EQ(lockChanges, (std::vector<bool>{true, false}));
    commands.runPendingLock();
    EXPECT_EQ(lockChanges.size(), 2u);
}

TEST_F(LockTest, TheLockTimeTravelsWithTheFileOnceSaved) {
    openSample("pw");
    struct Minutes : AutoLockDialog {
        std::optional<int> run(int) override { return 7; }
    } dialog;
    commands.dialogs().autoLock = &dialog;
    commands.autoLockTimeSetting();
    EXPECT_FALSE(doc.isModified());  // the setting alone does not ask to be saved
    ASSERT_TRUE(doc.saveWithoutBackup());

    doc.settings().autoLockMinutes = 30;
    ASSERT_TRUE(doc.open(dir + "/alice.kvr", "pw", false));
    EXPECT_EQ(doc.settings().autoLockMinutes, 7);
    EXPECT_EQ(host.running[ViewTimer::AutoLock], 7 * 60000);
}

TEST(AutoLockMinutesTest, WholeNumbersOnly) {
    struct Case {
        const char* text;
        std::optional<int> minutes;
        StringId error;
    };
    for (const Case& c :
         {Case{"0", 0, {}}, Case{"15", 15, {}}, Case{" 7 ", 7, {}}, Case{"007", 7, {}},
          Case{"2147483647", 2147483647, {}},
          Case{"", std::nullopt, StringId::EnterUnsignedInteger},
          Case{"-1", std::nullopt, StringId::EnterUnsignedInteger},
          Case{"+1", std::nullopt, StringId::EnterUnsignedInteger},
          Case{"1.5", std::nullopt, StringId::EnterUnsignedInteger},
          Case{"1 5", std::nullopt, StringId::EnterUnsignedInteger},
          Case{"ten", std::nullopt, StringId::EnterUnsignedInteger},
          Case{"2147483648", std::nullopt, StringId::EnterIntegerBetween},
          Case{"99999999999999999999", std::nullopt, StringId::EnterIntegerBetween}}) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_EQ(parseAutoLockMinutes(c.text, error), c.minutes);
        if (c.minutes) {
            EXPECT_TRUE(error.empty());
        } else if (c.error == StringId::EnterIntegerBetween) {
            EXPECT_EQ(error, "Please enter an integer between 0 and 2147483647.");
        } else {
            EXPECT_EQ(error, msg(c.error));
        }
    }
}

TEST_F(TreeCommandsTest, AutoLockTimeSetting) {
    struct ScriptedAutoLock : AutoLockDialog {
        std::optional<int> answer;
        int shownWith = -1;
        std::optional<int> run(int minutes) override {
            shownWith = minutes;
            return answer;
        }
    } dialog;
    commands.dialogs().autoLock = &dialog;
    doc.settings().autoLockMinutes = 30;

    dialog.answer = 3;
    commands.autoLockTimeSetting();
    EXPECT_EQ(dialog.shownWith, 30);
    EXPECT_EQ(doc.settings().autoLockMinutes, 3);
    EXPECT_EQ(host.running[ViewTimer::AutoLock], 180000);

    dialog.answer = std::nullopt;  // cancelled: the old value, the countdown starts again
    host.running.clear();
    commands.autoLockTimeSetting();
    EXPECT_EQ(doc.settings().autoLockMinutes, 3);
    EXPECT_EQ(host.running[ViewTimer::AutoLock], 180000);

    dialog.answer = 0;
    commands.autoLockTimeSetting();
    EXPECT_FALSE(host.isRunning(ViewTimer::AutoLock));
    EXPECT_FALSE(doc.isModified());
}

// --- Hotkeys, help, password ---

TEST_F(TreeCommandsTest, HotKeySettingStoresRegistersAndMarksModifiedOnOkOnly) {
    struct ScriptedKeys : HotKeySettingDialog {
        bool ok = false;
        bool run(std::array<HotKeyValue, kGlobalHotKeyCount>& keys) override {
            keys[kHotKeyPassword] = {};
            keys[kHotKeyMemo] = {0x7A, HotKeyValue::kCtrl};
            return ok;
        }
    } dialog;
    commands.dialogs().hotKeySetting = &dialog;
    const auto before = doc.settings().globalHotKeys;

    commands.hotKeySetting();
    EXPECT_EQ(doc.settings().globalHotKeys, before);
    EXPECT_TRUE(hotKeys.globals.empty());
    EXPECT_FALSE(doc.isModified());

    dialog.ok = true;
    commands.hotKeySetting();
    auto expected = before;
    expected[kHotKeyPassword] = {};
    expected[kHotKeyMemo] = {0x7A, HotKeyValue::kCtrl};
    EXPECT_EQ(doc.settings().globalHotKeys, expected);
    ASSERT_EQ(hotKeys.globals.size(), 1u);
    EXPECT_EQ(hotKeys.globals[0], expected);
    EXPECT_TRUE(doc.isModified());
    EXPECT_FALSE(host.shown.empty());  // the field list shows the new keys
}

TEST_F(TreeCommandsTest, HelpOpensTheManualBesideTheProgramAndSaysWhyWhenItCannot) {
    const kivrano::testing::ScratchDirectory scratch("kivrano-manual");
    const fs::path& root = scratch.path();
    fs::create_directories(root / "usr/bin");
    fs::create_directories(root / "build/desktop");
    const auto manualOf = [](const fs::path& programDirectory) {
        return findManualPage(programDirectory,
                              {"../share/doc/kivrano/kivrano.html", "../data/man/kivrano.html"});
    };
    // Nothing installed: Help names the place where the manual belongs and opens nothing.
    commands.setManualPage(manualOf(root / "usr/bin"));
    commands.help();
    EXPECT_TRUE(shell.calls().empty());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find((root / "usr/share/doc/kivrano/kivrano.html").string()),
              std::string::npos);
    EXPECT_EQ(prompter.messages[0].find("%s"), std::string::npos);

    // Installed under the program's prefix, and in a build tree: each found from its program.
    for (const auto& [program, page] :
         {std::pair{root / "usr/bin", root / "usr/share/doc/kivrano/kivrano.html"},
          std::pair{root / "build/desktop", root / "build/data/man/kivrano.html"}}) {
        fs::create_directories(page.parent_path());
        std::ofstream(page) << "<html></html>";
        commands.setManualPage(manualOf(program));
        commands.help();
        ASSERT_FALSE(shell.calls().empty());
        EXPECT_EQ(shell.calls().back().target, page.string());
    }
    EXPECT_EQ(prompter.messages.size(), 1u);

    // A manual that no browser opens is reported with its path.
    shell.setResult(shell.calls().back().target, platform::Shell::kNoAssociation);
    commands.help();
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(
        prompter.messages[1].rfind("Cannot open the manual " + shell.calls().back().target, 0), 0u);
}

TEST_F(TreeCommandsTest, ChangingToAnEmptyPasswordPromptsToSaveThenWarnsEvenWhenDeclined) {
    struct ScriptedPassword : PasswordChangeDialog {
        std::optional<bool> hadPassword;
        std::optional<PasswordChangeEntry> run(bool vaultHasPassword) override {
            hadPassword = vaultHasPassword;
            PasswordChangeEntry e;  // the vault has no password yet: old is empty
            return e;
        }
    } dialog;
    commands.dialogs().passwordChange = &dialog;
    prompter.saveAnswers = {Prompter::SaveChoice::Discard};
    commands.changePassword();
    EXPECT_EQ(dialog.hadPassword, false);
    ASSERT_EQ(prompter.questions.size(), 1u);  // the save-modified prompt
    EXPECT_EQ(prompter.messages, std::vector<std::string>{msg(StringId::PasswordChangedEmpty)});
}

// --- First start and sign-in ---

class SignInTest : public TreeCommandsTest {
protected:
    struct ScriptedSignIn : SignInDialog {
        std::deque<std::optional<SignIn>> answers;
        int shown = 0;
        std::optional<SignIn> run() override {
            ++shown;
            if (answers.empty()) throw std::logic_error("sign-in shown too often");
            auto answer = answers.front();
            answers.pop_front();
            return answer;
        }
    };
    SignInTest() {
        commands.dialogs().signIn = &signIn;
        commands.hooks().setCaption = [this](const std::string& c) { caption = c; };
        commands.hooks().addTrayIcon = [this] { ++trayIcons; };
        doc.newDocument();
        hotKeys.globals.clear();
        doc.settings().autoLockMinutes = 7;
    }
    static SignIn choice(const std::string& path, const std::string& user,
                         const std::string& password) {
        SignIn c;
        c.path = path;
        c.userName = user;
        c.password = password;
        return c;
    }

    kivrano::testing::ScratchDirectory scratch{"kivrano-signin"};
    std::string dir = scratch.path().string();
    ScriptedSignIn signIn;
    int trayIcons = 0;
};

TEST_F(SignInTest, CancelEndsTheStartWithoutTouchingAnything) {
    signIn.answers = {std::nullopt};
    EXPECT_FALSE(commands.firstUpdate());
    EXPECT_EQ(trayIcons, 0);
    EXPECT_TRUE(hotKeys.globals.empty());
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_FALSE(host.isRunning(ViewTimer::AutoLock));
}

TEST_F(SignInTest, WrongPasswordAsksAgainAndTheLoadedVaultStartsTheCountdown) {
    const std::string file = dir + "/alice.kvr";
    SampleVault sample = makeSampleVault();
    writeFileBytes(file, vaultfile::write(sample.tree, sample.settings, "right"));
    prompter.yesNoAnswers = {false};  // not the unprotected folders only: ask again
    // Cancelled at first, to look at what the first start does before the sign-in: the
    // default lock time and the placeholder, selected.
    signIn.answers = {std::nullopt, choice(file, "alice", "wrong"), choice(file, "alice", "right")};
    EXPECT_FALSE(commands.firstUpdate());
    EXPECT_EQ(doc.settings().autoLockMinutes, 30);
    EXPECT_EQ(children(kNoNode), std::vector<std::string>{msg(StringId::PlaceholderFolder)});
    EXPECT_EQ(tree().selection(), tree().firstFolder());

    doc.newDocument();
    EXPECT_TRUE(commands.firstUpdate());
    EXPECT_EQ(signIn.shown, 3);
    EXPECT_EQ(children(kNoNode), (std::vector<std::string>{"Mail", "Shared Things"}));
    EXPECT_EQ(caption, "alice - Kivrano");
    EXPECT_EQ(host.running[ViewTimer::AutoLock], 15 * 60000);  // the file's lock time
    ASSERT_FALSE(hotKeys.globals.empty());
    EXPECT_EQ(hotKeys.globals.back(), sample.settings.globalHotKeys);
    EXPECT_EQ(trayIcons, 1);
}

TEST_F(SignInTest, ANewProfileIsCreatedAndCaptionedWithTheBareUserName) {
    const std::string file = dir + "/bob.kvr";
    signIn.answers = {choice(file, "bob", "pw")};
    EXPECT_TRUE(commands.firstUpdate());
    EXPECT_TRUE(fileio::exists(file));
    EXPECT_EQ(caption, "bob");
    EXPECT_EQ(children(kNoNode), std::vector<std::string>{msg(StringId::PlaceholderFolder)});
    EXPECT_EQ(host.shown.back(), tree().firstFolder());
    EXPECT_EQ(trayIcons, 1);
}

namespace {

// The nodes with a word beginning with prefix, each once.
std::vector<TreeNode> indexed(const CKivranoDoc& doc, std::string_view prefix) {
    std::vector<TreeNode> nodes;
    doc.index().forEachMatch(prefix, [&nodes](const CDic::Entry& e) {
        if (std::find(nodes.begin(), nodes.end(), e.node) == nodes.end()) nodes.push_back(e.node);
        return true;
    });
    return nodes;
}

struct ScriptedFind : FindDialog {
    std::optional<TreeNode> answer;
    int runs = 0;
    std::optional<TreeNode> run() override {
        ++runs;
        return answer;
    }
};

struct CountingQuickFind : QuickFindBar {
    int opened = 0;
    int closed = 0;
    void open() override { ++opened; }
    void closeAll() override { ++closed; }
};

}  // namespace

// The index is built when a file is read; the commands keep it in step with their edits.
TEST_F(TreeCommandsTest, TheWordIndexFollowsAddsRenamesEditsAndDeletes) {
    folderName.answers = {std::string("Travel"), std::string("Trips")};
    select(a);
    commands.addFolder();
    const TreeNode travel = tree().selection();
    EXPECT_EQ(indexed(doc, "trav"), std::vector<TreeNode>{travel});
    commands.renameFolder();
    EXPECT_TRUE(indexed(doc, "trav").empty());
    EXPECT_EQ(indexed(doc, "trip"), std::vector<TreeNode>{travel});

    editor.behaviour = [](VaultItem& item) {
        item.title = "Train tickets";
        item.address = "https://rail.example";
        return true;
    };
    select(a1);
    commands.addItem();
    const TreeNode tickets = tree().selection();
    EXPECT_EQ(indexed(doc, "tick"), std::vector<TreeNode>{tickets});
    EXPECT_EQ(indexed(doc, "rail"), std::vector<TreeNode>{tickets});

    editor.behaviour = [](VaultItem& item) {
        item.title = "Bus tickets";
        return true;
    };
    commands.viewModifyItem();
    EXPECT_TRUE(indexed(doc, "train").empty());
    EXPECT_EQ(indexed(doc, "bus"), std::vector<TreeNode>{tickets});
    // A cancelled edit leaves the index as it was.
    editor.behaviour = [](VaultItem& item) {
        item.title = "Plane";
        return false;
    };
    commands.viewModifyItem();
    EXPECT_TRUE(indexed(doc, "plane").empty());
    EXPECT_EQ(indexed(doc, "bus"), std::vector<TreeNode>{tickets});

    prompter.yesNoAnswers = {true, true};
    commands.deleteItem();
    EXPECT_TRUE(indexed(doc, "bus").empty());
    select(travel);
    commands.deleteFolder();
    EXPECT_TRUE(indexed(doc, "trip").empty());
}

TEST_F(TreeCommandsTest, FindGoesToTheChosenResultAndRecordsIt) {
    ScriptedFind findDialog;
    CountingQuickFind bar;
    commands.dialogs().find = &findDialog;
    commands.dialogs().quickFind = &bar;
    select(a1);

    commands.find();  // closed without a result
    EXPECT_EQ(tree().selection(), a1);
    EXPECT_TRUE(recorded.empty());

    findDialog.answer = b1;
    commands.find();
    EXPECT_EQ(tree().selection(), b1);
    EXPECT_EQ(host.selections.back(), b1);
    EXPECT_EQ(host.shown.back(), b1);
    EXPECT_EQ(recorded, std::vector<TreeNode>{b1});

    // Quick Find's Go: select and show, no history; the overflow line selects nothing.
    commands.goToNode(a2);
    EXPECT_EQ(host.shown.back(), a2);
    commands.goToNode(kNoNode);
    EXPECT_EQ(tree().selection(), kNoNode);
    EXPECT_EQ(host.shown.back(), kNoNode);
    EXPECT_EQ(recorded, std::vector<TreeNode>{b1});

    commands.quickFind();
    EXPECT_EQ(bar.opened, 1);
}

TEST_F(LockTest, LockingClosesTheQuickFindBars) {
    CountingQuickFind bar;
    commands.dialogs().quickFind = &bar;
    lock.answers = {std::string()};  // this vault has no password
    lock.whileShown = [&] { EXPECT_EQ(bar.closed, 1); };
    commands.lockScreen();
    EXPECT_TRUE(lock.answers.empty());
}
