#pragma once

#include "app/ItemEditor.h"
#include "app/SelectUser.h"
#include "vault/HotKeyValue.h"
#include "vault/Secure.h"
#include "vault/TreeNode.h"
#include "vault/VaultSettings.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kivrano {

class CKivranoDoc;
class HotKeyBook;
class Prompter;
class VaultTree;
struct VaultItem;
namespace platform {
class Shell;
}

// The tree view's timers: drag scrolling, the AutoTrack poll and the automatic lock.
enum class ViewTimer : int { DragScroll = 1, AutoTrack = 2, AutoLock = 3 };

// What the tree commands need from the window that shows the tree.
class TreeViewHost {
public:
    virtual ~TreeViewHost() = default;
    // Shows a node's fields in the field list (an item's record; nothing for a folder or none).
    virtual void showNode(TreeNode node) = 0;
    // The tree's selection changed to node (kNoNode: none): select it on screen and scroll it
    // into view.
    virtual void showSelection(TreeNode node) = 0;
    // The folders' expanded flags in the tree changed: expand and collapse to match.
    virtual void showExpansion() = 0;
    // Scrolls the tree one page to the left, so a long title does not leave the view shifted.
    virtual void scrollPageLeft() = 0;
    virtual void startViewTimer(ViewTimer timer, int milliseconds) = 0;
    virtual void stopViewTimer(ViewTimer timer) = 0;
};

// The dialogs the commands open; each runs modally and hands its result back. Vault texts are
// bytes (UTF-8 when typed by the user).
class FolderNameDialog {
public:
    virtual ~FolderNameDialog() = default;
    // The Folder Name dialog, its edit starting with text. Nothing when cancelled.
    virtual std::optional<std::string> run(const std::string& text) = 0;
};

class ItemEditor {
public:
    virtual ~ItemEditor() = default;
    // Edits the record in place; true when the user confirmed with OK. The editor picks its
    // caption and first page from the request.
    virtual bool edit(VaultItem& item, const ItemEditorRequest& request) = 0;
};

class HotKeySettingDialog {
public:
    virtual ~HotKeySettingDialog() = default;
    // Shows the global hotkeys; true (with keys changed to the user's choice) on OK.
    virtual bool run(std::array<HotKeyValue, kGlobalHotKeyCount>& keys) = 0;
};

class SignInDialog {
public:
    virtual ~SignInDialog() = default;
    // The Select User dialog; nothing unless it ends with OK.
    virtual std::optional<SignIn> run() = 0;
};

class ScreenLockDialog {
public:
    virtual ~ScreenLockDialog() = default;
    // Shows the lock dialog: the text entered when it ends with OK (also after the visual
    // keyboard), nothing when it is closed (Escape, the close box).
    virtual std::optional<std::string> run() = 0;
    // Says why the screen stays locked; seen wherever the lock dialog is seen, also with the
    // main window hidden.
    virtual void refuse(const std::string& message) = 0;
};

class AutoLockDialog {
public:
    virtual ~AutoLockDialog() = default;
    // The new automatic-lock minutes; nothing when cancelled.
    virtual std::optional<int> run(int minutes) = 0;
};

// The Automatic Lock Time Setting's edit: a whole number of minutes, 0 or more, surrounding
// blanks allowed. Nothing for anything else, with the message that says what to enter.
std::optional<int> parseAutoLockMinutes(std::string_view text, std::string& error);

struct PasswordChangeEntry {
    std::string oldPassword;
    std::string newPassword;
    std::string confirmation;

    PasswordChangeEntry() = default;
    PasswordChangeEntry(const PasswordChangeEntry&) = default;
    PasswordChangeEntry& operator=(const PasswordChangeEntry&) = default;
    ~PasswordChangeEntry() {
        secureWipe(oldPassword);
        secureWipe(newPassword);
        secureWipe(confirmation);
    }
};

class FindDialog {
public:
    virtual ~FindDialog() = default;
    // The Find dialog over the tree; the result the user chose to go to, nothing when closed.
    virtual std::optional<TreeNode> run() = 0;
};

class QuickFindBar {
public:
    virtual ~QuickFindBar() = default;
    // Opens a new Quick Find bar beside the tree and returns at once.
    virtual void open() = 0;
    // Closes every bar still open: the screen lock must not leave the vault's titles shown.
    virtual void closeAll() = 0;
};

class PasswordChangeDialog {
public:
    virtual ~PasswordChangeDialog() = default;
    // vaultHasPassword false disables the current-password field. Nothing when cancelled.
    virtual std::optional<PasswordChangeEntry> run(bool vaultHasPassword) = 0;
};

// The commands of the folder tree: adding, renaming and deleting folders and items, their
// protection, viewing and running items, the hotkey setting, the screen lock and the
// automatic lock, the password change and the sign-in of the first start. They work on the
// document's tree and settings, ask and tell through the prompter, and leave the showing to
// the host window.
class TreeCommands {
public:
    struct Dialogs {
        FolderNameDialog* folderName = nullptr;
        ItemEditor* itemEditor = nullptr;
        HotKeySettingDialog* hotKeySetting = nullptr;
        SignInDialog* signIn = nullptr;
        ScreenLockDialog* screenLock = nullptr;
        AutoLockDialog* autoLock = nullptr;
        PasswordChangeDialog* passwordChange = nullptr;
        FindDialog* find = nullptr;
        QuickFindBar* quickFind = nullptr;
    };

    // Connections to the parts around the tree; each may stay empty.
    struct Hooks {
        // The work history: an item was used; a node was deleted.
        std::function<void(TreeNode)> recordNode;
        std::function<void(TreeNode)> forgetNode;
        // Drops the launching key registered under a node's handle.
        std::function<void(TreeNode)> unregisterLaunchKey;
        // Opens an item's address with its application.
        std::function<void(TreeNode)> launch;
        // One AutoTrack step (the 500 ms poll).
        std::function<void()> autoTrackStep;
        // Hides the main window to the notification area (before the automatic lock).
        std::function<void()> hideToTray;
        // The screen lock begins (true) and ends (false): what shows vault data outside the
        // tree closes, the notification-area icon leads only to the lock dialog.
        std::function<void(bool locked)> lockChanged;
        // Work that must not stop half-way runs (a field being typed into another window): a
        // lock asked for meanwhile waits for runPendingLock().
        std::function<bool()> isBusy;
        // The end of the first start: the notification-area icon.
        std::function<void()> addTrayIcon;
        // The main window's caption.
        std::function<void(const std::string&)> setCaption;
    };

    static constexpr int kAutoTrackPeriodMs = 500;
    static constexpr int kDragScrollPeriodMs = 75;
    // The longest period a timer takes; longer automatic-lock times are cut to it.
    static constexpr int kMaxAutoLockMinutes = 35791;

    TreeCommands(CKivranoDoc& doc, Prompter& prompter, platform::Shell& shell, HotKeyBook* hotKeys,
                 TreeViewHost& host);

    Dialogs& dialogs() { return m_dialogs; }
    Hooks& hooks() { return m_hooks; }
    // The HTML manual that Help opens in the browser.
    void setManualPage(std::filesystem::path page) { m_manualPage = std::move(page); }

    // The first start: the automatic lock's default, the placeholder folder and the sign-in.
    // False when the user cancelled the sign-in: the program ends without a window.
    bool firstUpdate();
    // The sign-in loop alone: until a profile's file loads, a new profile is chosen, or the
    // user cancels (false).
    bool signIn();

    // Shows the selected node in the field list and restarts the automatic-lock countdown.
    void refresh();
    // Restarts the automatic-lock countdown (a mouse move over the tree), unless locked.
    void restartAutoLock();
    // Selects a node and scrolls it into view (kNoNode clears the selection).
    void selectNode(TreeNode node);
    // Scrolls the tree one page to the left, back to the start of the titles.
    void scrollPageLeft() { m_host.scrollPageLeft(); }

    // The commands, by their menu entries.
    void addFolder();
    void renameFolder();
    void deleteFolder();
    void addItem();
    // fieldRow: the field list's row that asked for the edit, -1 from the tree or the menus.
    void viewModifyItem(int fieldRow = -1);
    void deleteItem();
    void executeItem();
    void setFolderProtection(bool protect);
    void setAllExpanded(bool expanded);
    // The user opened or closed one folder in the tree.
    void folderExpansionChanged(TreeNode folder, bool expanded);
    void hotKeySetting();
    void help();
    void lockScreen();
    void autoLockTimeSetting();
    void changePassword();
    // Find: the dialog, then its result selected, shown and recorded in the work history.
    void find();
    void quickFind();
    // A search result: selected, scrolled into view and shown (kNoNode: nothing selected).
    void goToNode(TreeNode node);

    // Mouse: a click on a node (kNoNode: beside the nodes) and a double click. A double
    // click returns false when the tree's own handling should go on (a folder or nothing).
    void click(TreeNode hit);
    bool doubleClick();

    // Timers firing.
    void autoTrackTimer();
    void autoLockTimer();

    bool isLocked() const { return m_locked; }
    // The busy work has ended: a lock asked for meanwhile happens now.
    void runPendingLock();

    // The automatic-lock period in milliseconds for a number of minutes; 0 when off.
    static int autoLockPeriodMs(int minutes);

private:
    // A lock that came while busy: none, Lock Screen, or the countdown's hide and lock.
    enum class PendingLock { None, Lock, HideAndLock };

    // Asks the Folder Name dialog until a name no folder bears; nothing when given up.
    std::optional<std::string> askFolderName();
    // Deletes an item node with its record, its history entry and its launching key.
    void removeItem(TreeNode item);
    void registerLaunchKey(TreeNode node);
    void startAutoLock();
    // Shows the lock dialog once; true when it ends with the vault's unlock password.
    bool unlockThroughDialog();
    // True (and the lock noted for later) when busy.
    bool postponeLock(PendingLock lock);

    CKivranoDoc& m_doc;
    VaultTree& m_tree;
    Prompter& m_prompter;
    platform::Shell& m_shell;
    HotKeyBook* m_hotKeys;
    TreeViewHost& m_host;
    Dialogs m_dialogs;
    Hooks m_hooks;
    std::filesystem::path m_manualPage;
    bool m_locked = false;
    PendingLock m_pendingLock = PendingLock::None;
};

}  // namespace kivrano
