#include "app/CommandIds.h"
#include "app/CommandRouter.h"
#include "app/CommandTable.h"
#include "app/FrameMenuRules.h"
#include "platform/fake/CapturedDebugSink.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace kivrano;

TEST(FrameMenuRules, DependOnTheSelection) {
    VaultTree tree;
    TreeNode open = tree.insertFolder({"Open", 2});
    TreeNode locked = tree.insertFolder({"Locked", 0});
    TreeNode item = tree.insertItem(locked, std::make_unique<VaultItem>());

    ItemFolderMenuState nothing;  // only Folder - Add New
    EXPECT_EQ(itemFolderMenuState(tree, kNoNode), nothing);
    EXPECT_FALSE(nothing.itemAddNew || nothing.protectChecked || nothing.unprotectChecked);

    auto folder = itemFolderMenuState(tree, open);
    EXPECT_TRUE(folder.itemAddNew && folder.folderDelete && folder.folderChangeName &&
                folder.protectEnabled && folder.unprotectChecked);
    EXPECT_FALSE(folder.itemExecute || folder.itemDelete || folder.itemViewModify ||
                 folder.protectChecked);
    EXPECT_TRUE(itemFolderMenuState(tree, locked).protectChecked);

    auto onItem = itemFolderMenuState(tree, item);
    EXPECT_TRUE(onItem.itemExecute && onItem.itemDelete && onItem.itemViewModify &&
                onItem.itemAddNew && onItem.folderAddNew);
    EXPECT_FALSE(onItem.folderDelete || onItem.folderChangeName || onItem.protectEnabled ||
                 onItem.protectChecked || onItem.unprotectChecked);
}

TEST(CommandRouter, EachCommandHasOneActionAndAMissingOneIsNamed) {
    platform::CapturedDebugSink trace;
    CommandRouter router(&trace);
    std::vector<int> ran;
    router.add(cmd::Save, [&] { ran.push_back(cmd::Save); });
    router.add(cmd::Exit, [&] { ran.push_back(cmd::Exit); });
    EXPECT_THROW(router.add(cmd::Save, [] {}), std::logic_error);

    EXPECT_TRUE(router.handles(cmd::Save));
    EXPECT_FALSE(router.handles(cmd::Find));
    EXPECT_TRUE(router.dispatch(cmd::Exit));
    EXPECT_TRUE(router.dispatch(cmd::Save));
    EXPECT_EQ(ran, (std::vector<int>{cmd::Exit, cmd::Save}));

    // A command that nothing carries out is a programming error: named, and fatal in a
    // debug build.
    EXPECT_DEBUG_DEATH(EXPECT_FALSE(router.dispatch(cmd::Find)), "nothing carries out");
#ifdef NDEBUG
    EXPECT_EQ(trace.text(), "unhandled command 32838 (&Find)\n");
#endif
}

TEST(CommandTable, LabelsAndKeysComeFromOnePlace) {
    std::set<int> seen;
    for (const CommandInfo& info : commandTable()) {
        EXPECT_TRUE(seen.insert(info.command).second) << info.command << " listed twice";
        EXPECT_FALSE(info.label.empty()) << info.command;
    }
    EXPECT_EQ(menuText(cmd::Save), "&Save\tCtrl+S");
    EXPECT_EQ(menuText(cmd::FolderChangeName), "Folder - &Change Name");
    EXPECT_EQ(menuText(cmd::ItemExecute), "Item - &Execute\tCtrl+Enter or Double Click");
    EXPECT_EQ(commandKeys(cmd::ItemExecute), (std::vector<std::string>{"Ctrl+Enter"}));
    EXPECT_EQ(commandKeys(cmd::ShowHistory), (std::vector<std::string>{"F2", "Ctrl+Alt+Down"}));
    EXPECT_TRUE(commandKeys(cmd::About).empty());
    EXPECT_THROW(commandInfo(12345), std::out_of_range);
}

TEST(CommandTable, TheUploadEntryNamesTheBrowserFound) {
    EXPECT_EQ(menuTextWithBrowser(cmd::UploadInternetExplorer, "Web browser (Firefox)"),
              "Upload to network server (using W&eb browser (Firefox))\tCtrl+I");
    EXPECT_EQ(menuTextWithBrowser(cmd::UploadInternetExplorer, "Web browser"),
              menuText(cmd::UploadInternetExplorer));
    // An entry that names no browser is left as it is.
    EXPECT_EQ(menuTextWithBrowser(cmd::Save, "Web browser (Firefox)"), menuText(cmd::Save));
}
