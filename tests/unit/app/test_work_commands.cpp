#include "app/WorkCommands.h"

#include "app/CommandIds.h"
#include "app/CommandRouter.h"
#include "app/TreeCommands.h"
#include "launch/AutoTrack.h"
#include "launch/ItemLauncher.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/RecordingShell.h"
#include "vault/CKivranoDoc.h"
#include "vault/Strings.h"

#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace kivrano;

namespace {

// Records what the work commands ask of the windows, in one log.
struct Screen : TreeViewHost, WorkWindowHost {
    std::vector<std::string> log;
    std::map<int, bool> enabled;
    bool autoTrackShown = false;

    void showNode(TreeNode node) override { log.push_back("show " + std::to_string(node)); }
    void showSelection(TreeNode) override {}
    void showExpansion() override {}
    void scrollPageLeft() override { log.push_back("page left"); }
    void startViewTimer(ViewTimer, int) override {}
    void stopViewTimer(ViewTimer) override {}
    void setCommandEnabled(int command, bool on) override { enabled[command] = on; }
    void showAutoTrack(bool on) override { autoTrackShown = on; }
    void focusTree() override { log.push_back("focus tree"); }
};

class WorkCommandsTest : public ::testing::Test {
protected:
    WorkCommandsTest() {
        folder = doc.tree().insertFolder({"Web", 0});
        for (const char* title : {"Mail", "Bank"}) {
            auto item = std::make_unique<VaultItem>();
            item->title = title;
            item->address = std::string("https://") + title + ".example";
            items.push_back(doc.tree().insertItem(folder, std::move(item)));
        }
        work.addCommands(router);
    }

    kivrano::testing::ScriptedPrompter prompter;
    CKivranoDoc doc{prompter};
    platform::RecordingShell shell;
    platform::FakeWindowSystem windows;
    Screen screen;
    TreeCommands tree{doc, prompter, shell, nullptr, screen};
    AutoTrack autoTrack{windows};
    WorkHistory history;
    ItemLauncher launcher{shell, windows, prompter};
    WorkCommands work{doc, tree, autoTrack, history, launcher, screen, prompter};
    CommandRouter router;
    TreeNode folder = kNoNode;
    std::vector<TreeNode> items;
};

TEST_F(WorkCommandsTest, AutoTrackSwitchFollowsTheMenuTheButtonAndTheFile) {
    doc.settings().autoTrack = 0;
    EXPECT_TRUE(router.dispatch(cmd::AutoTrack));
    EXPECT_EQ(doc.settings().autoTrack, 1);
    EXPECT_TRUE(autoTrack.isEnabled() && screen.autoTrackShown);
    EXPECT_TRUE(router.dispatch(cmd::AutoTrackButton));
    EXPECT_EQ(doc.settings().autoTrack, 0);
    EXPECT_FALSE(autoTrack.isEnabled() || screen.autoTrackShown);

    VaultSettings loaded;
    loaded.autoTrack = 1;
    work.settingsLoaded(loaded);
    EXPECT_TRUE(autoTrack.isEnabled() && screen.autoTrackShown);
    EXPECT_TRUE(prompter.messages.empty());
}

// Where the desktop shows no window the switch still works, says why nothing follows, once,
// and the selection stays as the user made it.
TEST_F(WorkCommandsTest, AutoTrackOnADesktopWithoutWindowsSaysSoOnceAndKeepsTheSelection) {
    windows.setBlind(true);
    windows.addWindow(7, {"Mail - Browser", "browser", "https://Mail.example", 0});
    tree.selectNode(items[1]);
    doc.settings().autoTrack = 0;
    EXPECT_TRUE(router.dispatch(cmd::AutoTrack));
    EXPECT_TRUE(autoTrack.isEnabled());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], text(StringId::AutoTrackCannotSeeWindows));

    work.autoTrackStep();
    EXPECT_EQ(doc.tree().selection(), items[1]);
    EXPECT_TRUE(router.dispatch(cmd::AutoTrack));
    EXPECT_TRUE(router.dispatch(cmd::AutoTrack));
    EXPECT_EQ(prompter.messages.size(), 1u);

    // The same window seen: AutoTrack picks the item, so the step above kept it for the
    // right reason.
    windows.setBlind(false);
    work.autoTrackStep();
    EXPECT_EQ(doc.tree().selection(), items[0]);
}

TEST_F(WorkCommandsTest, HistoryCommandsWalkTheUsedItemsAndFollowTheirState) {
    work.record(items[0]);
    tree.selectNode(items[1]);
    work.record(items[1]);
    EXPECT_TRUE(screen.enabled[cmd::ShowHistory]);
    EXPECT_FALSE(screen.enabled[cmd::Next]);

    EXPECT_TRUE(router.dispatch(cmd::Previous));
    EXPECT_EQ(doc.tree().selection(), items[0]);
    EXPECT_EQ(screen.log.back(), "show " + std::to_string(items[0]));
    EXPECT_TRUE(screen.enabled[cmd::Next]);
    EXPECT_TRUE(router.dispatch(cmd::Next));
    EXPECT_EQ(doc.tree().selection(), items[1]);

    const std::vector<WorkHistory::MenuEntry> entries = work.historyEntries();
    ASSERT_EQ(entries.size(), 2u);
    for (const WorkHistory::MenuEntry& entry : entries)
        if (entry.text == "Mail") work.chooseFromHistory(entry.command);
    EXPECT_EQ(doc.tree().selection(), items[0]);

    work.forget(items[0]);
    work.forget(items[1]);
    EXPECT_FALSE(screen.enabled[cmd::ShowHistory]);
    EXPECT_FALSE(screen.enabled[cmd::Previous]);
}

TEST_F(WorkCommandsTest, LaunchingKeyRecordsShowsOpensAndFocusesTheTree) {
    shell.setBuiltInBrowser("/usr/bin/browser");
    work.launchByKey(items[1]);
    EXPECT_EQ(history.entries(), std::vector<TreeNode>{items[1]});
    EXPECT_EQ(doc.tree().selection(), items[1]);
    EXPECT_EQ(screen.log, (std::vector<std::string>{"show " + std::to_string(items[1]), "page left",
                                                    "focus tree"}));
    ASSERT_EQ(shell.calls().size(), 1u);
    const platform::RecordingShell::Call& call = shell.calls()[0];
    EXPECT_NE((call.target + " " + call.parameters).find("Bank.example"), std::string::npos);
    EXPECT_FALSE(doc.isModified());
}

TEST_F(WorkCommandsTest, AnAutoTrackPickIsShownWithTheTreeBackAtTheLeft) {
    autoTrack.setEnabled(true);
    windows.addWindow(20, {"Bank - Sign in", "Browser", "https://Bank.example/login", 0});
    work.autoTrackStep();
    EXPECT_EQ(doc.tree().selection(), items[1]);
    EXPECT_EQ(screen.log,
              (std::vector<std::string>{"show " + std::to_string(items[1]), "page left"}));
    EXPECT_EQ(history.entries(), std::vector<TreeNode>{items[1]});
    // The same window again: nothing picked, nothing scrolled.
    work.autoTrackStep();
    EXPECT_EQ(screen.log.size(), 2u);
}

}  // namespace
