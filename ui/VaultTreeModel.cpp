#include "ui/VaultTreeModel.h"

#include "platform/qt/VaultText.h"

// The bundled icons live in this static library's resources, which nothing else would link
// in; the initialiser must be named outside any namespace.
static void initTreeIcons() {
    Q_INIT_RESOURCE(kivrano);
}

namespace kivrano {

namespace {

int toRow(std::size_t row) {
    return static_cast<int>(row);
}

}  // namespace

VaultTreeModel::VaultTreeModel(VaultTree& tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree) {
    m_tree.setObserver(this);
}

VaultTreeModel::~VaultTreeModel() {
    m_tree.setObserver(nullptr);
}

QIcon VaultTreeModel::nodeIcon(int image) {
    // Built once: the theme lookup is not free and every paint asks.
    static const bool resourcesReady = (initTreeIcons(), true);
    (void)resourcesReady;
    static const std::array<QIcon, 3> icons = {
        QIcon::fromTheme(QStringLiteral("folder"), QIcon(QStringLiteral(":/icons/folder.svg"))),
        QIcon::fromTheme(QStringLiteral("text-x-generic"),
                         QIcon(QStringLiteral(":/icons/item-incomplete.svg"))),
        QIcon::fromTheme(QStringLiteral("text-html"),
                         QIcon(QStringLiteral(":/icons/item-complete.svg"))),
    };
    if (image < 0 || image >= static_cast<int>(icons.size())) return {};
    return icons[static_cast<std::size_t>(image)];
}

TreeNode VaultTreeModel::node(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return kNoNode;
    return static_cast<TreeNode>(index.internalId());
}

QModelIndex VaultTreeModel::indexOf(TreeNode node) const {
    if (node == kNoNode || !m_tree.contains(node)) return {};
    return createIndex(toRow(m_tree.row(node)), 0, static_cast<quintptr>(node));
}

QModelIndex VaultTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0) return {};
    const TreeNode parentNode = node(parent);
    if (parent.isValid() && !m_tree.isFolder(parentNode)) return {};
    const TreeNode child = m_tree.childAt(parentNode, static_cast<std::size_t>(row));
    if (child == kNoNode) return {};
    return createIndex(row, 0, static_cast<quintptr>(child));
}

QModelIndex VaultTreeModel::parent(const QModelIndex& child) const {
    const TreeNode node = this->node(child);
    if (node == kNoNode || !m_tree.contains(node)) return {};
    return indexOf(m_tree.parent(node));
}

int VaultTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return toRow(m_tree.childCount(kNoNode));
    if (parent.column() != 0) return 0;
    const TreeNode node = this->node(parent);
    return m_tree.isFolder(node) ? toRow(m_tree.childCount(node)) : 0;
}

int VaultTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant VaultTreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode node = this->node(index);
    if (!m_tree.contains(node)) return {};
    switch (role) {
        case Qt::DisplayRole: return platform::fromVaultText(m_tree.text(node));
        case Qt::DecorationRole: return nodeIcon(m_tree.image(node));
        case NodeRole: return QVariant::fromValue(node);
        default: return {};
    }
}

Qt::ItemFlags VaultTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_tree.isFolder(node(index))) return flags;
    return flags | Qt::ItemNeverHasChildren;
}

void VaultTreeModel::nodeAboutToBeInserted(TreeNode parent, std::size_t row) {
    beginInsertRows(indexOf(parent), toRow(row), toRow(row));
}

void VaultTreeModel::nodeInserted(TreeNode) {
    endInsertRows();
}

void VaultTreeModel::nodeAboutToBeRemoved(TreeNode node) {
    const int row = toRow(m_tree.row(node));
    beginRemoveRows(indexOf(m_tree.parent(node)), row, row);
}

void VaultTreeModel::nodeRemoved(TreeNode, std::size_t) {
    endRemoveRows();
}

void VaultTreeModel::nodeChanged(TreeNode node) {
    const QModelIndex changed = indexOf(node);
    if (changed.isValid()) emit dataChanged(changed, changed);
}

void VaultTreeModel::aboutToReset() {
    beginResetModel();
}

void VaultTreeModel::resetDone() {
    endResetModel();
}

}  // namespace kivrano
