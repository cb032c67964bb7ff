#pragma once

#include "vault/VaultTree.h"

namespace kivrano {

// Enabled and checked states of the "&Item/Folder" menu for the tree's selection.
struct ItemFolderMenuState {
    bool itemExecute = false;
    bool itemDelete = false;
    bool itemViewModify = false;
    bool itemAddNew = false;
    bool folderAddNew = true;
    bool folderDelete = false;
    bool folderChangeName = false;
    bool protectEnabled = false;
    bool protectChecked = false;
    bool unprotectChecked = false;
    bool operator==(const ItemFolderMenuState&) const = default;
};

inline ItemFolderMenuState itemFolderMenuState(const VaultTree& tree, TreeNode selected) {
    ItemFolderMenuState s;
    if (tree.isFolder(selected)) {
        s.itemAddNew = s.folderDelete = s.folderChangeName = s.protectEnabled = true;
        const bool unprotected = tree.data(selected) != 0;
        s.unprotectChecked = unprotected;
        s.protectChecked = !unprotected;
    } else if (tree.isItem(selected)) {
        s.itemExecute = s.itemDelete = s.itemViewModify = s.itemAddNew = true;
    }
    return s;
}

}  // namespace kivrano
