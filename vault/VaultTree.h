#pragma once

#include "vault/TreeNode.h"
#include "vault/VaultFolder.h"
#include "vault/VaultItem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kivrano {

// The folder and item tree: the only copy of the vault in memory. Two levels: a node
// without a parent is a folder (its data is the folder's unprotected value), a node with a
// parent is an item and owns its VaultItem. The order of nodes is the order the user sees
// and the order the file stores; the tree is never sorted.
class VaultTree {
public:
    // Told about every change so that a view over the tree can follow it.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void nodeAboutToBeInserted(TreeNode parent, std::size_t row) = 0;
        virtual void nodeInserted(TreeNode node) = 0;
        virtual void nodeAboutToBeRemoved(TreeNode node) = 0;
        virtual void nodeRemoved(TreeNode parent, std::size_t row) = 0;
        virtual void nodeChanged(TreeNode node) = 0;
        virtual void aboutToReset() = 0;
        virtual void resetDone() = 0;
    };

    // Called for each item carried to a new node by a tree edit: (old node, new node).
    using TransferFn = std::function<void(TreeNode from, TreeNode to)>;

    static constexpr int kFolderImage = 0;
    static constexpr int kIncompleteItemImage = 1;
    static constexpr int kCompleteItemImage = 2;

    VaultTree() = default;
    ~VaultTree();
    VaultTree(const VaultTree&) = delete;
    VaultTree& operator=(const VaultTree&) = delete;
    VaultTree(VaultTree&&) noexcept;
    VaultTree& operator=(VaultTree&&) noexcept;

    void setObserver(Observer* observer) noexcept { m_observer = observer; }

    // Inserting. after = kNoNode inserts as the first child (first top-level node);
    // after = kLast appends. Otherwise after must be a child of parent.
    static constexpr TreeNode kLast = 0xFFFFFFFFu;
    TreeNode insert(TreeNode parent, std::string text, int image, std::int32_t data,
                    TreeNode after = kLast);
    TreeNode insertFolder(const VaultFolder& folder, TreeNode after = kLast);
    // The node's text is the item's title, its image follows the item's completeness.
    TreeNode insertItem(TreeNode folder, std::unique_ptr<VaultItem> item, TreeNode after = kLast);

    // Deletes a node with its children, releasing their records.
    void remove(TreeNode node);
    // Deletes every node.
    void clear();
    // Takes over every node of other (handles stay valid), dropping this tree's nodes; the
    // observer stays and hears one reset.
    void replaceWith(VaultTree&& other);

    // Navigation; kNoNode when there is none.
    TreeNode firstFolder() const;
    TreeNode lastFolder() const;
    TreeNode firstChild(TreeNode node) const;
    TreeNode lastChild(TreeNode node) const;
    TreeNode nextSibling(TreeNode node) const;
    TreeNode previousSibling(TreeNode node) const;
    TreeNode parent(TreeNode node) const;
    // Folders, and the items of expanded folders, in display order.
    TreeNode firstVisible() const;
    TreeNode nextVisible(TreeNode node) const;

    // Position among its siblings, and the child at a position (for views).
    std::size_t row(TreeNode node) const;
    std::size_t childCount(TreeNode parent) const;  // parent kNoNode: number of folders
    TreeNode childAt(TreeNode parent, std::size_t row) const;

    bool contains(TreeNode node) const { return m_nodes.count(node) != 0; }
    bool isFolder(TreeNode node) const;
    bool isItem(TreeNode node) const;

    const std::string& text(TreeNode node) const;
    void setText(TreeNode node, std::string text);
    int image(TreeNode node) const;
    void setImage(TreeNode node, int image);
    std::int32_t data(TreeNode node) const;  // a folder's unprotected value; 0 for an item
    void setData(TreeNode node, std::int32_t data);
    VaultItem* item(TreeNode node);  // null for a folder
    const VaultItem* item(TreeNode node) const;
    // Updates an item node's text and image from its record after the record was edited.
    void itemChanged(TreeNode node);

    TreeNode selection() const noexcept { return m_selection; }
    void select(TreeNode node);
    bool isExpanded(TreeNode folder) const;
    void setExpanded(TreeNode folder, bool expanded);

    // The first folder whose name equals name exactly (case-sensitive).
    TreeNode findFolder(std::string_view name) const;
    // The first item of folder after `after` (or from the folder's first child when after is
    // kNoNode) whose title equals title exactly.
    TreeNode findItem(TreeNode folder, std::string_view title, TreeNode after = kNoNode) const;

    std::size_t folderCount() const { return m_folders.size(); }
    std::size_t itemCount() const;

    // Tree edits. Each returns the new node where there is one, and tells onTransfer about
    // every item that got a new node, so callers can carry launching keys and history.
    // after: kNoNode or the folder itself = as the folder's first child.
    TreeNode transferItem(TreeNode item, TreeNode folder, TreeNode after, bool copy,
                          const TransferFn& onTransfer = {});
    // The folder, with its items in order, moves to just below afterFolder (new node).
    TreeNode moveFolder(TreeNode folder, TreeNode afterFolder, const TransferFn& onTransfer = {});
    // The source's items move into target after `after` (first child when after is target or
    // kNoNode), in their order; the emptied source is removed.
    void mergeFolder(TreeNode source, TreeNode target, TreeNode after,
                     const TransferFn& onTransfer = {});
    // Copies of the source's items are added to target after `after`; the source stays.
    void copyFolder(TreeNode source, TreeNode target, TreeNode after,
                    const TransferFn& onTransfer = {});

private:
    struct Node {
        TreeNode parent = kNoNode;
        std::size_t row = 0;
        std::vector<TreeNode> children;
        std::string text;
        int image = 0;
        std::int32_t data = 0;
        std::unique_ptr<VaultItem> item;
        bool expanded = false;
    };

    Node& node(TreeNode handle);
    const Node& node(TreeNode handle) const;
    std::vector<TreeNode>& siblings(TreeNode parent);
    const std::vector<TreeNode>& siblings(TreeNode parent) const;
    void renumber(std::vector<TreeNode>& list, std::size_t from);
    TreeNode insertNode(TreeNode parent, Node&& data, TreeNode after);
    void transferChildren(TreeNode source, TreeNode target, TreeNode after, bool copy,
                          const TransferFn& onTransfer);
    void eraseSubtree(TreeNode handle);

    std::unordered_map<TreeNode, Node> m_nodes;
    std::vector<TreeNode> m_folders;
    TreeNode m_selection = kNoNode;
    Observer* m_observer = nullptr;
};

}  // namespace kivrano
