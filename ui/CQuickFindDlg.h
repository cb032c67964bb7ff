#pragma once

#include "app/QuickFind.h"
#include "app/TreeCommands.h"

#include <QDialog>
#include <QPoint>
#include <QSize>

#include <functional>
#include <optional>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace kivrano {

class CDic;
class VaultTree;

// The Quick Find bar: a small window without a caption whose list shows, on every keystroke,
// the folders and items with a word beginning with the typed text. "&Go" (Enter) goes to the
// chosen line, "&Cancel" (Escape) closes. A press on the bar's body moves it.
class CQuickFindDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kListPadding = 7;  // the list's height over its lines'
    static constexpr int kBarPadding = 5;   // the bar's height over its base and the lines'

    // select makes a node the tree's selection (false when it is gone); go takes the user to
    // a node (kNoNode: no selection) and shows it.
    CQuickFindDlg(const CDic& index, const VaultTree& tree, std::function<bool(TreeNode)> select,
                  std::function<void(TreeNode)> go, QWidget* parent = nullptr);

    QLineEdit* queryEdit() const { return m_edit; }
    QListWidget* resultList() const { return m_list; }
    QPushButton* goButton() const { return m_go; }
    QPushButton* cancelButton() const { return m_cancel; }
    QSize baseSize() const { return m_baseSize; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void queryChanged();
    void goToChosen();

    QuickFind m_find;
    std::function<void(TreeNode)> m_goTo;
    QLineEdit* m_edit;
    QListWidget* m_list;
    QPushButton* m_go;
    QPushButton* m_cancel;
    QSize m_baseSize;
    QPoint m_listPlace;
    // Moving the bar ourselves where the window manager does not: the press point on the bar.
    std::optional<QPoint> m_dragFrom;
};

// Opens a new Quick Find bar over the tree for each Quick Find command.
class QtQuickFindBar : public QuickFindBar {
public:
    QtQuickFindBar(const CDic& index, TreeCommands& commands, const VaultTree& tree,
                   QWidget* parent)
        : m_index(index), m_commands(commands), m_tree(tree), m_parent(parent) {}
    void open() override;
    void closeAll() override;

private:
    const CDic& m_index;
    TreeCommands& m_commands;
    const VaultTree& m_tree;
    QWidget* m_parent;
};

}  // namespace kivrano
