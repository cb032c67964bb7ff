#include "app/CommandRouter.h"
#include "app/FrameMenuRules.h"

#include <gtest/gtest.h>

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

TEST(CommandRouter, FirstHandlerThatTakesTheCommandWins) {
    CommandRouter router;
    std::vector<std::string> calls;
    router.addHandler([&](int id) {
        calls.push_back("view " + std::to_string(id));
        return id == 1;
    });
    router.addHandler([&](int id) {
        calls.push_back("frame " + std::to_string(id));
        return id == 2;
    });
    EXPECT_TRUE(router.dispatch(1));
    EXPECT_TRUE(router.dispatch(2));
    EXPECT_FALSE(router.dispatch(3));
    EXPECT_EQ(calls,
              (std::vector<std::string>{"view 1", "view 2", "frame 2", "view 3", "frame 3"}));
}
