#pragma once

#include "vault/TreeNode.h"

#include <functional>
#include <vector>

namespace kivrano {

class CKivranoDoc;
class HotKeyBook;
class Prompter;
class VaultTree;

// The keys held when a drag begins; they choose what the drop does.
struct DragKeys {
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
};

// What one tick of the drag-scroll timer does, from where the pointer is against the tree's
// area: lines > 0 scroll down, columns > 0 scroll right.
struct DragScroll {
    enum class Highlight { UnderPointer, FirstVisible, LastVisible };
    int lines = 0;
    int columns = 0;
    Highlight highlight = Highlight::UnderPointer;
    bool operator==(const DragScroll&) const = default;
};

// Rearranging the tree by dragging a node onto another: items move or are copied into the
// target's folder; a folder moves below the target folder, merges into it, or has its items
// copied there. The keys held at the start choose the mode, and the mode stays for the next
// drag begun with Alt. The widget does the pointer work and hands over the nodes.
class TreeDrop {
public:
    // Connections to the launching keys and the work history; each may stay empty.
    struct Hooks {
        // Drops the launching key registered under a node's handle.
        std::function<void(TreeNode)> unregisterLaunchKey;
        // Every history entry of the old node now names the new one.
        std::function<void(TreeNode from, TreeNode to)> replaceInHistory;
        // A node left the tree: it leaves the history.
        std::function<void(TreeNode)> forgetNode;
    };

    // The pointer this close to an edge of the tree scrolls it; beyond the edge, faster.
    static constexpr int kScrollMargin = 10;
    static constexpr int kLinesInside = 1;
    static constexpr int kLinesBeyond = 4;

    TreeDrop(CKivranoDoc& doc, Prompter& prompter, HotKeyBook* hotKeys);

    Hooks& hooks() { return m_hooks; }

    // The user starts dragging node with these keys held. Returns false (and no drag starts)
    // when node is not in the tree.
    bool begin(TreeNode node, DragKeys keys);
    bool isDragging() const { return m_dragging; }
    TreeNode draggedNode() const { return m_dragged; }

    // The button is released over target (kNoNode: over no node). Asks for a folder, then
    // moves or copies; returns the node to select afterwards: the new node of a moved or
    // copied item or of a moved folder, else target itself.
    TreeNode drop(TreeNode target);
    // The drag ends without a drop: Escape, or released outside the tree.
    void cancel();

    // The mode the last drag chose (the one a drag begun with Alt keeps).
    bool copyMode() const { return m_copy; }
    bool moveMode() const { return m_move; }
    bool reorderMode() const { return m_reorder; }

    // One tick of the drag-scroll timer, the pointer at (x, y) and the tree's area from
    // (left, top) to (right, bottom), both inclusive.
    static DragScroll scrollFor(int x, int y, int left, int top, int right, int bottom);

private:
    // An item got a new node: the history follows it, and a moved item's launching key is
    // registered under its new node.
    void carry(TreeNode from, TreeNode to);
    // The moved items' old nodes leave the history.
    void forgetMoved();

    CKivranoDoc& m_doc;
    VaultTree& m_tree;
    Prompter& m_prompter;
    HotKeyBook* m_hotKeys;
    Hooks m_hooks;

    bool m_dragging = false;
    TreeNode m_dragged = kNoNode;
    bool m_copy = false;
    bool m_move = false;
    bool m_reorder = false;
    std::vector<TreeNode> m_moved;  // old nodes of the items moved by the current drop
};

}  // namespace kivrano
