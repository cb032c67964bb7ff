#include "launch/WorkHistory.h"

#include "vault/VaultTree.h"

namespace kivrano {

namespace {
constexpr const char* kDeletedEntry = "  ( deleted )";
}

void WorkHistory::clear() {
    m_entries.clear();
    m_current = kNone;
}

void WorkHistory::removeAll(TreeNode node) {
    std::vector<TreeNode> kept;
    kept.reserve(m_entries.size());
    int current = m_current;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i] != node) {
            kept.push_back(m_entries[i]);
        } else if (static_cast<int>(i) < m_current) {
            --current;
        }
    }
    m_entries = std::move(kept);
    m_current = current;
}

void WorkHistory::record(const VaultTree& tree, TreeNode node) {
    removeAll(node);
    if (node == kNoNode || !tree.isItem(node)) {
        // The current entry itself may have gone; stay within the entries in use.
        if (m_current >= static_cast<int>(m_entries.size()))
            m_current = static_cast<int>(m_entries.size()) - 1;
        return;
    }
    if (m_entries.size() >= kCapacity) m_entries.erase(m_entries.begin());
    m_entries.push_back(node);
    m_current = static_cast<int>(m_entries.size()) - 1;
}

void WorkHistory::forget(TreeNode node) {
    if (node == kNoNode) return;
    // Removing the current entry leaves the position on the entry that followed it.
    removeAll(node);
    // It was the last one: come back to the new last entry (or none) so that Previous, Next
    // and the menu never look past the entries in use.
    if (m_current >= static_cast<int>(m_entries.size()))
        m_current = static_cast<int>(m_entries.size()) - 1;
}

void WorkHistory::replace(TreeNode oldNode, TreeNode newNode) {
    for (TreeNode& entry : m_entries)
        if (entry == oldNode) entry = newNode;
}

bool WorkHistory::canGoPrevious(TreeNode selected) const {
    if (m_current < 0) return false;
    return m_current > 0 || selected != m_entries[0];
}

bool WorkHistory::canGoNext() const {
    const int count = static_cast<int>(m_entries.size());
    if (count < 1 || m_current >= count - 1) return false;
    return !(count == 1 && m_current == kNone);
}

TreeNode WorkHistory::previous(TreeNode selected) {
    if (!canGoPrevious(selected)) return kNoNode;
    // The current entry is on screen already: step back to the one before it.
    if (selected == m_entries[static_cast<std::size_t>(m_current)]) --m_current;
    return m_entries[static_cast<std::size_t>(m_current)];
}

TreeNode WorkHistory::next() {
    if (!canGoNext()) return kNoNode;
    ++m_current;
    return m_entries[static_cast<std::size_t>(m_current)];
}

TreeNode WorkHistory::choose(int position) {
    if (position < 0 || position >= static_cast<int>(m_entries.size())) return kNoNode;
    m_current = position;
    return m_entries[static_cast<std::size_t>(position)];
}

std::vector<WorkHistory::MenuEntry> WorkHistory::menuEntries(const VaultTree& tree,
                                                             TreeNode selected) const {
    std::vector<MenuEntry> menu;
    menu.reserve(m_entries.size());
    bool checked = false;
    // Newest first, so the last position equal to the selection is the first one met.
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        const TreeNode node = m_entries[i];
        const VaultItem* item = tree.isItem(node) ? tree.item(node) : nullptr;
        MenuEntry entry;
        entry.text = item ? item->title : kDeletedEntry;
        entry.command = static_cast<int>(i);
        entry.checked = !checked && selected != kNoNode && node == selected;
        checked = checked || entry.checked;
        menu.push_back(std::move(entry));
    }
    return menu;
}

}  // namespace kivrano
