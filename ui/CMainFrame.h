#pragma once

#include "app/CommandRouter.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <vector>

class QAction;
class QMenu;
class QSplitter;
class QSystemTrayIcon;
class QToolBar;

namespace kivrano {

class CKivranoDoc;
namespace platform {
class SettingsStore;
}

// The main window: menus, toolbar, accelerators, the tree above the field list, the
// notification-area icon, the always-on-top switch and the typing mode. Commands go
// through the router; the frame handles its own and passes the rest on.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame(CKivranoDoc& doc, platform::SettingsStore& settings, CommandRouter& router,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The two panes: the folder tree above, the field list below.
    void setPanes(QWidget* treePane, QWidget* listPane);

    // Registers the frame's own commands (tray, topmost, typing mode, exit).
    void addCommands(CommandRouter& router);
    // Greys every entry whose command nothing carries out, for good: called once all the
    // program's parts have registered their commands.
    void greyUnhandledCommands();
    // Enables or greys an entry (its toolbar button follows); a greyed-for-good entry stays.
    void setCommandEnabled(int command, bool enabled);

    // The action of a command id, for enabling, checking and tests.
    QAction* action(int command) const;
    // Runs a command as the menus and keys do.
    void runCommand(int command);
    // Where the history list opens: under the toolbar's Show History button, in screen
    // coordinates (at the pointer while the toolbar is hidden).
    QPoint historyMenuPosition() const;

    // Checks the typing-mode entry of the mode and the AutoTrack switch as the settings say.
    void showSettings();
    // Shows the window from the notification area and brings it to the front.
    void bringForward();
    // Shows the notification-area icon (if the desktop has a tray) and hides the window.
    void toSystemTray();
    bool isTopmost() const;
    // The notification-area icon, present from the end of start-up.
    void showTrayIcon();

    // The screen lock begins and ends. While locked the notification-area icon leads only to
    // the lock dialog (its menu has that one entry), bringing the window forward brings the
    // lock dialog instead, and windows that show vault data close (vaultWindowsClosing).
    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }
    // The notification-area icon's menu while locked; null otherwise.
    QMenu* lockedTrayMenu() const { return m_lockedTrayMenu; }
    // Hooks for the parts that come later (history menus, drop of files).
    std::function<void(const QString& path)> fileDropped;
    // Answers whether the window may close (asks to save a modified vault).
    std::function<bool()> canClose;
    // Brings the screen lock's dialog forward: what the window's way back does while locked.
    std::function<void()> showScreenLock;

signals:
    // The screen locks: every modeless window that shows vault data (the Quick Find bar)
    // closes now.
    void vaultWindowsClosing();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The entry of a command, labelled and bound to its keys as the command table says.
    QAction* makeAction(int command);
    // Adds the entries of commands (0: a separator) to a menu.
    void addEntries(QMenu* menu, std::initializer_list<int> commands);
    void buildMenus();
    void buildToolBar();
    void updateItemFolderMenu();
    void setTypeInMode(int mode);
    void toggleTopmost();

    CKivranoDoc& m_doc;
    platform::SettingsStore& m_settings;
    CommandRouter& m_router;
    std::map<int, QAction*> m_actions;
    std::set<int> m_unavailable;  // greyed for good: nothing carries them out
    QSplitter* m_splitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_historyButton = nullptr;  // the toolbar's Show History button
    QMenu* m_itemFolderMenu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_lockedTrayMenu = nullptr;
    // Covers over the windows that were open when the screen locked.
    std::vector<QPointer<QWidget>> m_curtains;
    bool m_locked = false;
    bool m_placed = false;
};

}  // namespace kivrano
