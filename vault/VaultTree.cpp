#include "vault/VaultTree.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace kivrano {

namespace {

// Handles are unique for the whole run, across trees, so a launching key registered under
// a node's handle can never be confused with another node's, and never with ids 0..10.
TreeNode newHandle() {
    static std::atomic<TreeNode> next{11};
    TreeNode handle = next.fetch_add(1);
    if (handle == VaultTree::kLast || handle < 11)
        throw std::length_error("VaultTree: node handles exhausted");
    return handle;
}

}  // namespace

VaultTree::~VaultTree() = default;
VaultTree::VaultTree(VaultTree&&) noexcept = default;
VaultTree& VaultTree::operator=(VaultTree&&) noexcept = default;

VaultTree::Node& VaultTree::node(TreeNode handle) {
    auto it = m_nodes.find(handle);
    if (it == m_nodes.end()) throw std::invalid_argument("VaultTree: no such node");
    return it->second;
}

const VaultTree::Node& VaultTree::node(TreeNode handle) const {
    auto it = m_nodes.find(handle);
    if (it == m_nodes.end()) throw std::invalid_argument("VaultTree: no such node");
    return it->second;
}

std::vector<TreeNode>& VaultTree::siblings(TreeNode parent) {
    return parent == kNoNode ? m_folders : node(parent).children;
}

const std::vector<TreeNode>& VaultTree::siblings(TreeNode parent) const {
    return parent == kNoNode ? m_folders : node(parent).children;
}

void VaultTree::renumber(std::vector<TreeNode>& list, std::size_t from) {
    for (std::size_t i = from; i < list.size(); ++i) m_nodes.at(list[i]).row = i;
}

TreeNode VaultTree::insertNode(TreeNode parent, Node&& data, TreeNode after) {
    if (parent != kNoNode && node(parent).parent != kNoNode)
        throw std::invalid_argument("VaultTree: items cannot hold children");
    auto& list = siblings(parent);
    std::size_t position = 0;
    if (after == kLast) {
        position = list.size();
    } else if (after != kNoNode) {
        const Node& sibling = node(after);
        if (sibling.parent != parent)
            throw std::invalid_argument("VaultTree: insert position is not a sibling");
        position = sibling.row + 1;
    }
    if (m_observer) m_observer->nodeAboutToBeInserted(parent, position);
    TreeNode handle = newHandle();
    data.parent = parent;
    data.row = position;
    m_nodes.emplace(handle, std::move(data));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(position), handle);
    renumber(list, position + 1);
    if (m_observer) m_observer->nodeInserted(handle);
    return handle;
}

TreeNode VaultTree::insert(TreeNode parent, std::string text, int image, std::int32_t data,
                           TreeNode after) {
    Node n;
    n.text = std::move(text);
    n.image = image;
    n.data = data;
    return insertNode(parent, std::move(n), after);
}

TreeNode VaultTree::insertFolder(const VaultFolder& folder, TreeNode after) {
    return insert(kNoNode, folder.name, kFolderImage, folder.unprotected, after);
}

TreeNode VaultTree::insertItem(TreeNode folder, std::unique_ptr<VaultItem> record, TreeNode after) {
    if (folder == kNoNode || !isFolder(folder))
        throw std::invalid_argument("VaultTree: an item must go under a folder");
    if (!record) throw std::invalid_argument("VaultTree: no item record");
    Node n;
    n.text = record->title;
    n.image = record->treeImage();
    n.item = std::move(record);
    return insertNode(folder, std::move(n), after);
}

void VaultTree::eraseSubtree(TreeNode handle) {
    auto it = m_nodes.find(handle);
    for (TreeNode child : it->second.children) {
        if (m_selection == child) m_selection = kNoNode;
        m_nodes.erase(child);
    }
    if (m_selection == handle) m_selection = kNoNode;
    m_nodes.erase(it);
}

void VaultTree::remove(TreeNode handle) {
    const Node& n = node(handle);
    TreeNode parent = n.parent;
    std::size_t position = n.row;
    if (m_observer) m_observer->nodeAboutToBeRemoved(handle);
    auto& list = siblings(parent);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(position));
    eraseSubtree(handle);
    renumber(list, position);
    if (m_observer) m_observer->nodeRemoved(parent, position);
}

void VaultTree::clear() {
    if (m_observer) m_observer->aboutToReset();
    m_nodes.clear();
    m_folders.clear();
    m_selection = kNoNode;
    if (m_observer) m_observer->resetDone();
}

void VaultTree::replaceWith(VaultTree&& other) {
    if (&other == this) return;
    if (m_observer) m_observer->aboutToReset();
    m_nodes = std::move(other.m_nodes);
    m_folders = std::move(other.m_folders);
    m_selection = other.m_selection;
    other.m_nodes.clear();
    other.m_folders.clear();
    other.m_selection = kNoNode;
    if (m_observer) m_observer->resetDone();
}

TreeNode VaultTree::firstFolder() const {
    return m_folders.empty() ? kNoNode : m_folders.front();
}
TreeNode VaultTree::lastFolder() const {
    return m_folders.empty() ? kNoNode : m_folders.back();
}

TreeNode VaultTree::firstChild(TreeNode handle) const {
    const auto& children = node(handle).children;
    return children.empty() ? kNoNode : children.front();
}

TreeNode VaultTree::lastChild(TreeNode handle) const {
    const auto& children = node(handle).children;
    return children.empty() ? kNoNode : children.back();
}

TreeNode VaultTree::nextSibling(TreeNode handle) const {
    const Node& n = node(handle);
    const auto& list = siblings(n.parent);
    return n.row + 1 < list.size() ? list[n.row + 1] : kNoNode;
}

TreeNode VaultTree::previousSibling(TreeNode handle) const {
    const Node& n = node(handle);
    return n.row > 0 ? siblings(n.parent)[n.row - 1] : kNoNode;
}

TreeNode VaultTree::parent(TreeNode handle) const {
    return node(handle).parent;
}

TreeNode VaultTree::firstVisible() const {
    return firstFolder();
}

TreeNode VaultTree::nextVisible(TreeNode handle) const {
    const Node& n = node(handle);
    if (n.parent == kNoNode && n.expanded && !n.children.empty()) return n.children.front();
    TreeNode next = nextSibling(handle);
    if (next != kNoNode || n.parent == kNoNode) return next;
    return nextSibling(n.parent);
}

std::size_t VaultTree::row(TreeNode handle) const {
    return node(handle).row;
}
std::size_t VaultTree::childCount(TreeNode parentNode) const {
    return siblings(parentNode).size();
}

TreeNode VaultTree::childAt(TreeNode parentNode, std::size_t position) const {
    const auto& list = siblings(parentNode);
    return position < list.size() ? list[position] : kNoNode;
}

bool VaultTree::isFolder(TreeNode handle) const {
    auto it = m_nodes.find(handle);
    return it != m_nodes.end() && it->second.parent == kNoNode;
}

bool VaultTree::isItem(TreeNode handle) const {
    auto it = m_nodes.find(handle);
    return it != m_nodes.end() && it->second.parent != kNoNode;
}

const std::string& VaultTree::text(TreeNode handle) const {
    return node(handle).text;
}

void VaultTree::setText(TreeNode handle, std::string newText) {
    node(handle).text = std::move(newText);
    if (m_observer) m_observer->nodeChanged(handle);
}

int VaultTree::image(TreeNode handle) const {
    return node(handle).image;
}

void VaultTree::setImage(TreeNode handle, int newImage) {
    node(handle).image = newImage;
    if (m_observer) m_observer->nodeChanged(handle);
}

std::int32_t VaultTree::data(TreeNode handle) const {
    return node(handle).data;
}

void VaultTree::setData(TreeNode handle, std::int32_t newData) {
    node(handle).data = newData;
    if (m_observer) m_observer->nodeChanged(handle);
}

VaultItem* VaultTree::item(TreeNode handle) {
    auto it = m_nodes.find(handle);
    return it == m_nodes.end() ? nullptr : it->second.item.get();
}

const VaultItem* VaultTree::item(TreeNode handle) const {
    auto it = m_nodes.find(handle);
    return it == m_nodes.end() ? nullptr : it->second.item.get();
}

void VaultTree::itemChanged(TreeNode handle) {
    Node& n = node(handle);
    if (!n.item) return;
    n.text = n.item->title;
    n.image = n.item->treeImage();
    if (m_observer) m_observer->nodeChanged(handle);
}

void VaultTree::select(TreeNode handle) {
    if (handle != kNoNode) node(handle);  // must exist
    m_selection = handle;
}

bool VaultTree::isExpanded(TreeNode handle) const {
    return node(handle).expanded;
}

void VaultTree::setExpanded(TreeNode handle, bool expanded) {
    Node& n = node(handle);
    if (n.parent != kNoNode) return;  // items have nothing to expand
    n.expanded = expanded;
}

TreeNode VaultTree::findFolder(std::string_view name) const {
    for (TreeNode folder : m_folders)
        if (m_nodes.at(folder).text == name) return folder;
    return kNoNode;
}

TreeNode VaultTree::findItem(TreeNode folder, std::string_view title, TreeNode after) const {
    const auto& children = node(folder).children;
    std::size_t start = 0;
    if (after != kNoNode) {
        const Node& a = node(after);
        if (a.parent != folder) throw std::invalid_argument("VaultTree: not an item of the folder");
        start = a.row + 1;
    }
    for (std::size_t i = start; i < children.size(); ++i)
        if (m_nodes.at(children[i]).text == title) return children[i];
    return kNoNode;
}

std::size_t VaultTree::itemCount() const {
    return m_nodes.size() - m_folders.size();
}

TreeNode VaultTree::transferItem(TreeNode itemNode, TreeNode folder, TreeNode after, bool copy,
                                 const TransferFn& onTransfer) {
    if (!isItem(itemNode)) throw std::invalid_argument("VaultTree: not an item");
    if (!isFolder(folder)) throw std::invalid_argument("VaultTree: not a folder");
    if (after == folder) after = kNoNode;
    // Check the position before the record leaves its node, so a bad call loses nothing.
    if (after != kNoNode && after != kLast && (!isItem(after) || parent(after) != folder))
        throw std::invalid_argument("VaultTree: insert position is not in the target folder");
    std::unique_ptr<VaultItem> record;
    if (copy) {
        record = std::make_unique<VaultItem>(*node(itemNode).item);
    } else {
        record = std::move(node(itemNode).item);
    }
    TreeNode created = insertItem(folder, std::move(record), after);
    if (onTransfer) onTransfer(itemNode, created);
    if (!copy) remove(itemNode);
    return created;
}

void VaultTree::transferChildren(TreeNode source, TreeNode target, TreeNode after, bool copy,
                                 const TransferFn& onTransfer) {
    // A snapshot: moving removes nodes from the source's list as we go.
    const std::vector<TreeNode> items = node(source).children;
    TreeNode position = (after == target) ? kNoNode : after;
    for (TreeNode child : items) position = transferItem(child, target, position, copy, onTransfer);
}

TreeNode VaultTree::moveFolder(TreeNode folder, TreeNode afterFolder,
                               const TransferFn& onTransfer) {
    if (!isFolder(folder) || !isFolder(afterFolder))
        throw std::invalid_argument("VaultTree: not a folder");
    if (folder == afterFolder) return folder;
    const Node& n = node(folder);
    TreeNode created = insert(kNoNode, n.text, n.image, n.data, afterFolder);
    transferChildren(folder, created, kNoNode, false, onTransfer);
    remove(folder);
    return created;
}

void VaultTree::mergeFolder(TreeNode source, TreeNode target, TreeNode after,
                            const TransferFn& onTransfer) {
    if (!isFolder(source) || !isFolder(target))
        throw std::invalid_argument("VaultTree: not a folder");
    if (source == target) return;
    transferChildren(source, target, after, false, onTransfer);
    remove(source);
}

void VaultTree::copyFolder(TreeNode source, TreeNode target, TreeNode after,
                           const TransferFn& onTransfer) {
    if (!isFolder(source) || !isFolder(target))
        throw std::invalid_argument("VaultTree: not a folder");
    if (source == target) return;
    transferChildren(source, target, after, true, onTransfer);
}

}  // namespace kivrano
