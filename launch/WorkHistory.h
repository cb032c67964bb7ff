#pragma once

#include "vault/TreeNode.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kivrano {

class VaultTree;

// The items the user worked with lately, oldest first, with a current position that
// Previous and Next move along. Held per opened vault and never saved.
class WorkHistory {
public:
    static constexpr std::size_t kCapacity = 20;
    static constexpr int kNone = -1;

    struct MenuEntry {
        std::string text;  // the item's title, or "  ( deleted )"
        int command = 0;   // the entry's position, 0..19
        bool checked = false;
        bool operator==(const MenuEntry&) const = default;
    };

    // Opening a vault starts a fresh history.
    void clear();

    // Moves an item to the newest position (dropping the oldest when full) and makes it the
    // current one. A folder or an unknown node is only removed from the history.
    void record(const VaultTree& tree, TreeNode node);
    // A deleted node leaves the history; the current position moves to the entry that
    // followed it, or to the new last entry when it was the last.
    void forget(TreeNode node);
    // A moved item got a new node.
    void replace(TreeNode oldNode, TreeNode newNode);

    // Each returns the node to select, or kNoNode when the command is not enabled (nothing
    // changes then). Neither records anything.
    TreeNode previous(TreeNode selected);
    TreeNode next();
    // A history menu entry was chosen: its position becomes the current one.
    TreeNode choose(int position);

    bool canGoPrevious(TreeNode selected) const;
    bool canGoNext() const;
    bool canShowHistory() const { return !m_entries.empty(); }

    // Newest first; the entry of the selected node carries the check mark.
    std::vector<MenuEntry> menuEntries(const VaultTree& tree, TreeNode selected) const;

    const std::vector<TreeNode>& entries() const { return m_entries; }
    int current() const { return m_current; }

private:
    // Removes every entry equal to node, keeping the current position on the same entry.
    void removeAll(TreeNode node);

    std::vector<TreeNode> m_entries;
    int m_current = kNone;
};

}  // namespace kivrano
