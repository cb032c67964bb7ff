#pragma once

#include "vault/VaultTree.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>

namespace kivrano {

// The folder tree as Qt sees it: a thin adapter over VaultTree that holds no copy of the
// vault. An index's internal id is the node's handle; rows follow the tree's order and every
// change of the tree reaches the views through the tree's observer.
class VaultTreeModel : public QAbstractItemModel, private VaultTree::Observer {
    Q_OBJECT

public:
    // The node handle of an index, for views.
    static constexpr int NodeRole = Qt::UserRole + 1;

    explicit VaultTreeModel(VaultTree& tree, QObject* parent = nullptr);
    ~VaultTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    TreeNode node(const QModelIndex& index) const;
    QModelIndex indexOf(TreeNode node) const;

    // The node images: 0 folder, 1 incomplete item, 2 complete item, from the desktop's icon
    // theme where it has them.
    static QIcon nodeIcon(int image);

private:
    void nodeAboutToBeInserted(TreeNode parent, std::size_t row) override;
    void nodeInserted(TreeNode node) override;
    void nodeAboutToBeRemoved(TreeNode node) override;
    void nodeRemoved(TreeNode parent, std::size_t row) override;
    void nodeChanged(TreeNode node) override;
    void aboutToReset() override;
    void resetDone() override;

    VaultTree& m_tree;
};

}  // namespace kivrano
