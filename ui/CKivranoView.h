#pragma once

#include "app/TreeCommands.h"
#include "app/TreeDrop.h"

#include <QPersistentModelIndex>
#include <QPoint>
#include <QTreeView>

#include <array>
#include <functional>
#include <memory>
#include <string_view>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace kivrano {

class CKivranoDoc;
class CommandRouter;
class HotKeyBook;
class Prompter;
class QtAutoLockDialog;
class QtFolderNameDialog;
class QtHotKeySettingDialog;
class QtPasswordChangeDialog;
class QtScreenLockDialog;
class VaultTreeModel;
namespace platform {
class Shell;
}

// The upper pane of the main window: the vault's folders and items. It carries out the tree
// commands, keeps the field list in step with the selection, and owns the timers of drag
// scrolling, the AutoTrack poll and the automatic lock. The tree itself lives in the document;
// the view shows it through a model that holds no copy.
class CKivranoView : public QTreeView, private TreeViewHost {
    Q_OBJECT

public:
    // showNode shows a node's fields in the field list (fieldList, the lower pane).
    CKivranoView(CKivranoDoc& doc, Prompter& prompter, platform::Shell& shell, HotKeyBook* hotKeys,
                 QWidget* fieldList, std::function<void(TreeNode)> showNode,
                 QWidget* parent = nullptr);
    ~CKivranoView() override;

    // The commands, their dialogs (the item editor and the sign-in are set by the caller) and
    // their hooks.
    TreeCommands& commands() { return *m_commands; }
    // Dragging nodes to move, copy, reorder and merge; its hooks are set by the caller.
    TreeDrop& dragDrop() { return m_dragDrop; }
    // The node highlighted as the drop target while a drag is in progress; kNoNode when none.
    TreeNode dropTarget() const;
    VaultTreeModel& treeModel() { return *m_model; }

    // The first start: placeholder folder, sign-in, global hotkeys, notification-area icon.
    // False when the user cancelled the sign-in.
    bool firstUpdate();

    // Shows the selected node in the field list and restarts the automatic-lock countdown.
    void refresh() { m_commands->refresh(); }
    bool isLocked() const { return m_commands->isLocked(); }
    // The screen lock's dialog, to bring it forward while locked.
    QtScreenLockDialog& screenLockDialog() { return *m_screenLockDialog; }
    TreeNode nodeAt(const QPoint& viewportPos) const;

    // Registers the commands the view carries out.
    void addCommands(CommandRouter& router);
    // "Item - &View/Modify" asked by the field list for one of its rows.
    void viewModifyFromFieldList(int row) { m_commands->viewModifyItem(row); }
    // "Sho&w in text format": the listing dialog over the tree.
    void showTextFormat();

    // The AutoTrack switch starts and stops the 500 ms poll.
    void setAutoTrackPolling(bool on);
    // The view's timers: 1 drag scrolling (75 ms, driven by drag and drop), 2 the AutoTrack
    // poll, 3 the automatic lock.
    QTimer* viewTimer(ViewTimer timer) const;

    // The context menu for the current selection, entries enabled and checked as the main
    // window's menu has them. Choosing an entry emits commandTriggered.
    std::unique_ptr<QMenu> createContextMenu();
    // The main window's action of a command, whose check mark (Topmost) and enabling (the
    // history commands) the context menu copies.
    std::function<QAction*(int command)> frameAction;
    // The debug trace: each left-button press and each drag begun is noted, so that whoever
    // drives the program by the pointer can wait for it.
    std::function<void(std::string_view line)> trace;
    // Runs a context menu at a screen position; replaceable so tests need not block in one.
    std::function<QAction*(QMenu&, const QPoint&)> runMenu;

signals:
    // A context-menu entry was chosen: the main window routes the command as its own menus do.
    void commandTriggered(int command);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // TreeViewHost
    void showNode(TreeNode node) override;
    void showSelection(TreeNode node) override;
    void showExpansion() override;
    void scrollPageLeft() override;
    void startViewTimer(ViewTimer timer, int milliseconds) override;
    void stopViewTimer(ViewTimer timer) override;

    void folderExpansion(const QModelIndex& index, bool expanded);

    // Dragging a node: the pointer left the press point far enough; it moved; the scroll
    // timer ticked; the button was released; Escape or a lost drag.
    void beginDrag(Qt::KeyboardModifiers modifiers);
    void dragMove(const QPoint& pos);
    void dragScrollTick();
    void finishDrag(const QPoint& pos);
    void cancelDrag();
    void endDragDisplay();
    void setDropTarget(const QModelIndex& index);
    // The row at a height of the tree, wherever the point stands across it.
    QModelIndex rowAt(const QPoint& pos) const;

    CKivranoDoc& m_doc;
    QWidget* m_fieldList;
    std::function<void(TreeNode)> m_showNode;
    VaultTreeModel* m_model;
    std::unique_ptr<TreeCommands> m_commands;
    std::unique_ptr<QtFolderNameDialog> m_folderNameDialog;
    std::unique_ptr<QtHotKeySettingDialog> m_hotKeySettingDialog;
    std::unique_ptr<QtScreenLockDialog> m_screenLockDialog;
    std::unique_ptr<QtAutoLockDialog> m_autoLockDialog;
    std::unique_ptr<QtPasswordChangeDialog> m_passwordChangeDialog;
    std::array<QTimer*, 3> m_timers{};
    TreeDrop m_dragDrop;
    // The left button's press on a node, until it becomes a click or a drag.
    TreeNode m_pressNode = kNoNode;
    QPoint m_pressPos;
    // While dragging: the node's image, where it is held, the pointer's last position and
    // the drop target.
    QLabel* m_dragImage = nullptr;
    QPoint m_dragHotSpot;
    QPoint m_lastDragPos;
    QPersistentModelIndex m_dropIndex;
    // Set while the view itself expands or collapses folders to match the tree, or while the
    // model is reset, so that these do not echo back as user actions.
    bool m_syncing = false;
};

}  // namespace kivrano
