#include "app/TreeDrop.h"

#include "vault/CKivranoDoc.h"
#include "vault/Prompter.h"
#include "vault/Strings.h"
#include "vault/VaultTree.h"

namespace kivrano {

TreeDrop::TreeDrop(CKivranoDoc& doc, Prompter& prompter, HotKeyBook* hotKeys)
    : m_doc(doc), m_tree(doc.tree()), m_prompter(prompter), m_hotKeys(hotKeys) {}

bool TreeDrop::begin(TreeNode node, DragKeys keys) {
    if (node == kNoNode || !m_tree.contains(node)) return false;
    m_dragged = node;
    m_dragging = true;
    // Alt repeats the previous drag's mode. Before any drag there is none, and moving is the
    // one choice that never leaves a record under two nodes: Alt then counts as not held.
    const bool repeatMode = keys.alt && (m_copy || m_move);
    if (keys.ctrl) {
        m_copy = true;
        m_move = false;
        m_reorder = false;
    } else if (!repeatMode) {
        m_move = true;
        m_copy = false;
        m_reorder = !keys.shift && m_tree.isFolder(node);
    }
    return true;
}

void TreeDrop::cancel() {
    m_dragging = false;
    m_dragged = kNoNode;
}

void TreeDrop::carry(TreeNode from, TreeNode to) {
    // Quick Find finds the item at its new place at once.
    m_doc.indexNode(to);
    if (m_hooks.replaceInHistory) m_hooks.replaceInHistory(from, to);
    if (m_copy) return;  // a copy gets no launching key of its own; the original keeps its own
    if (m_hooks.unregisterLaunchKey) m_hooks.unregisterLaunchKey(from);
    const VaultItem* record = m_tree.item(to);
    if (m_hotKeys && record && record->launchKey.isSet())
        m_hotKeys->registerLaunchKey(to, record->launchKey);
    m_moved.push_back(from);
}

void TreeDrop::forgetMoved() {
    for (TreeNode gone : m_moved) {
        m_doc.forgetNode(gone);
        if (m_hooks.forgetNode) m_hooks.forgetNode(gone);
    }
    m_moved.clear();
}

TreeNode TreeDrop::drop(TreeNode target) {
    const TreeNode dragged = m_dragged;
    cancel();
    if (target == kNoNode || !m_tree.contains(target) || !m_tree.contains(dragged))
        return m_tree.selection();  // dropped on nothing: the selection stays as it was
    m_tree.select(target);
    const TreeNode folder = m_tree.isItem(target) ? m_tree.parent(target) : target;
    if (dragged == folder || dragged == target) return target;
    const auto onTransfer = [this](TreeNode from, TreeNode to) { carry(from, to); };

    if (m_tree.isItem(dragged)) {
        m_doc.markModifiedByEdit();
        const TreeNode placed = m_tree.transferItem(dragged, folder, target, m_copy, onTransfer);
        forgetMoved();
        m_tree.select(placed);
        return placed;
    }

    const StringId question = m_copy      ? StringId::CopyFolderQuestion
                              : m_reorder ? StringId::MoveFolderQuestion
                                          : StringId::MergeFolderQuestion;
    if (!m_prompter.askYesNo(std::string(text(question)))) return target;
    m_doc.markModifiedByEdit();
    TreeNode selected = target;
    if (m_copy) {
        m_tree.copyFolder(dragged, folder, target, onTransfer);
    } else if (m_reorder) {
        // The folder keeps its protection value and, on screen, whether it was open.
        const bool expanded = m_tree.isExpanded(dragged);
        selected = m_tree.moveFolder(dragged, folder, onTransfer);
        m_tree.setExpanded(selected, expanded);
        m_doc.indexNode(selected);
        m_doc.forgetNode(dragged);
    } else {
        m_tree.mergeFolder(dragged, folder, target, onTransfer);
        m_doc.forgetNode(dragged);
    }
    forgetMoved();
    m_tree.select(selected);
    return selected;
}

DragScroll TreeDrop::scrollFor(int x, int y, int left, int top, int right, int bottom) {
    DragScroll scroll;
    if (y < top + kScrollMargin) {
        scroll.lines = -(y < top ? kLinesBeyond : kLinesInside);
        if (y < top) scroll.highlight = DragScroll::Highlight::FirstVisible;
    } else if (y > bottom - kScrollMargin) {
        scroll.lines = y > bottom ? kLinesBeyond : kLinesInside;
        if (y > bottom) scroll.highlight = DragScroll::Highlight::LastVisible;
    } else if (x < left + kScrollMargin) {
        scroll.columns = -1;
        if (x < left) scroll.highlight = DragScroll::Highlight::FirstVisible;
    } else if (x > right - kScrollMargin) {
        scroll.columns = 1;
        if (x > right) scroll.highlight = DragScroll::Highlight::FirstVisible;
    }
    return scroll;
}

}  // namespace kivrano
