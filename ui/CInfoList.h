#pragma once

#include "app/InfoList.h"

#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <string>

class QMenu;
class QMimeData;

namespace kivrano {

class Prompter;
class VaultTree;
struct VaultSettings;
namespace platform {
class Clipboard;
class DebugSink;
class SettingsStore;
class Shell;
}  // namespace platform

// The lower pane of the main window: the fields of the item selected in the tree, one row
// each, with the key that types it. A left click opens the action menu for the row under
// the pointer, a right click opens the item editor on that row, dragging a row carries its
// text to another program, and the memo row shows the memo as a tooltip.
class CInfoList : public QTreeWidget {
    Q_OBJECT

public:
    // The services must outlive the list: its destruction stores the column widths.
    CInfoList(platform::SettingsStore& settings, platform::Shell& shell,
              platform::Clipboard& clipboard, Prompter& prompter, QWidget* parent = nullptr);
    ~CInfoList() override;

    // Shows an item's fields; a folder or kNoNode empties the list. The list keeps a
    // pointer to the tree and looks the item up again at each action. Hands the focus back
    // to the tree (treeFocusRequested).
    void showNode(const VaultTree& tree, TreeNode node, const VaultSettings& settings);
    // The item shown, kNoNode when none (or when it has left the tree since).
    TreeNode shownItem() const { return m_logic.shownItem(); }

    // Where the clipboard's clearing is traced (never a secret).
    void setTrace(platform::DebugSink* trace) { m_logic.clipboard().setTrace(trace); }

    // Writes the widths of the three columns ("ColumnWidth1".."ColumnWidth3"). Done by the
    // destructor; the window may call it earlier.
    void saveColumnWidths();

    // The row under a point of the viewport; -1 when none.
    int rowAt(const QPoint& viewportPos) const;

    // Seams for the modal parts, so that tests never block: showing the action menu
    // (returns the chosen action, or null) and running a drag (the drag takes the data).
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
    using DragRunner = std::function<void(QMimeData* data)>;
    void setMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    void setDragRunner(DragRunner runner) { m_dragRunner = std::move(runner); }

signals:
    // "View/Modify" for a row of the item (the tree's selected item); row -1 when the click
    // hit no row. The tree view opens the item editor on the page of that row.
    void viewModifyRequested(kivrano::TreeNode item, int row);
    // The user acted on the item: it belongs in the work history.
    void itemUsed(kivrano::TreeNode item);
    // The keyboard focus belongs to the tree pane.
    void treeFocusRequested();
    // Phone commands, for the dialer: the row's text to call, and hanging up.
    void callRequested(const std::string& number);
    void hangupRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void openActionMenu(TreeNode item, int row, const QPoint& globalPos);
    void perform(FieldAction action, TreeNode item, int row);
    // Whether an action can be carried out here (a dialer listens for Call and Hangup).
    bool isAvailable(FieldAction action) const;
    void dragField(const std::string& text);

    platform::SettingsStore& m_settings;
    InfoList m_logic;
    MenuRunner m_menuRunner;
    DragRunner m_dragRunner;
    // Takes a copied secret off the clipboard when it runs out.
    QTimer m_clipboardClear;

    // The left button's press, while a click or a drag can still follow it.
    bool m_leftPressed = false;
    QPoint m_pressPos;
    TreeNode m_pressItem = kNoNode;
    int m_pressRow = -1;
};

}  // namespace kivrano
