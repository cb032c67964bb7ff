#include "app/TreeCommands.h"

#include "launch/FieldActions.h"
#include "launch/WebBrowser.h"
#include "platform/Shell.h"
#include "vault/CKivranoDoc.h"
#include "vault/FileIO.h"
#include "vault/Strings.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace kivrano {

namespace {

std::string message(StringId id) {
    return std::string(text(id));
}

// Where the selection goes when a node is deleted: the next node beside it, else the one
// before it, else (for an item) its folder.
TreeNode neighbourOf(const VaultTree& tree, TreeNode node) {
    if (TreeNode next = tree.nextSibling(node); next != kNoNode) return next;
    if (TreeNode previous = tree.previousSibling(node); previous != kNoNode) return previous;
    return tree.parent(node);
}

}  // namespace

TreeCommands::TreeCommands(CKivranoDoc& doc, Prompter& prompter, platform::Shell& shell,
                           HotKeyBook* hotKeys, TreeViewHost& host)
    : m_doc(doc),
      m_tree(doc.tree()),
      m_prompter(prompter),
      m_shell(shell),
      m_hotKeys(hotKeys),
      m_host(host) {}

int TreeCommands::autoLockPeriodMs(int minutes) {
    if (minutes <= 0) return 0;
    return std::min(minutes, kMaxAutoLockMinutes) * 60000;
}

bool TreeCommands::firstUpdate() {
    m_doc.settings().autoLockMinutes = VaultSettings::kNewProfileAutoLockMinutes;
    TreeNode placeholder = m_tree.insert(kNoNode, message(StringId::PlaceholderFolder),
                                         VaultTree::kFolderImage, 0, VaultTree::kLast);
    selectNode(placeholder);
    if (!signIn()) return false;
    if (m_hotKeys) m_hotKeys->registerGlobals(m_doc.settings().globalHotKeys);
    if (m_hooks.addTrayIcon) m_hooks.addTrayIcon();
    return true;
}

bool TreeCommands::signIn() {
    if (!m_dialogs.signIn) return false;
    for (;;) {
        std::optional<SignIn> choice = m_dialogs.signIn->run();
        if (!choice) return false;
        const std::string path = choice->path.string();
        if (!fileio::exists(path)) {
            // A profile without a file yet: an empty vault under that path, captioned with the
            // bare user name until its file is loaded once.
            m_doc.open(path, choice->password, false);
            if (m_hooks.setCaption) m_hooks.setCaption(choice->userName);
            m_host.showSelection(m_tree.selection());
            m_host.showNode(m_tree.selection());
            return true;
        }
        if (m_doc.open(path, choice->password, false)) {
            m_host.showSelection(m_tree.selection());
            refresh();
            return true;
        }
    }
}

void TreeCommands::refresh() {
    const TreeNode selected = m_tree.selection();
    m_host.showNode(m_tree.contains(selected) ? selected : kNoNode);
    restartAutoLock();
}

void TreeCommands::restartAutoLock() {
    if (m_locked) return;
    m_host.stopViewTimer(ViewTimer::AutoLock);
    startAutoLock();
}

void TreeCommands::startAutoLock() {
    const int period = autoLockPeriodMs(m_doc.settings().autoLockMinutes);
    if (period > 0) m_host.startViewTimer(ViewTimer::AutoLock, period);
}

void TreeCommands::selectNode(TreeNode node) {
    if (node != kNoNode && !m_tree.contains(node)) return;
    m_tree.select(node);
    m_host.showSelection(node);
}

std::optional<std::string> TreeCommands::askFolderName() {
    if (!m_dialogs.folderName) return std::nullopt;
    std::string name;
    for (;;) {
        std::optional<std::string> typed = m_dialogs.folderName->run(name);
        if (!typed) return std::nullopt;
        // The dialog's OK counts as a change even when the name is then refused.
        m_doc.markModifiedByEdit();
        name = std::move(*typed);
        if (m_tree.findFolder(name) == kNoNode) return name;
        if (!m_prompter.askYesNo(message(StringId::FolderNameExists), Prompter::Icon::Exclamation))
            return std::nullopt;
    }
}

void TreeCommands::addFolder() {
    const TreeNode selected = m_tree.selection();
    TreeNode after = VaultTree::kLast;  // nothing selected: after the last folder
    if (m_tree.isItem(selected)) {
        after = m_tree.parent(selected);
    } else if (m_tree.isFolder(selected)) {
        after = selected;
    }
    std::optional<std::string> name = askFolderName();
    if (!name) return;
    TreeNode folder = m_tree.insert(kNoNode, std::move(*name), VaultTree::kFolderImage, 0, after);
    m_doc.indexNode(folder);
    selectNode(folder);
    refresh();
}

void TreeCommands::renameFolder() {
    const TreeNode selected = m_tree.selection();
    if (!m_tree.isFolder(selected)) return;
    std::optional<std::string> name = askFolderName();
    if (!name || !m_tree.contains(selected)) return;
    m_tree.setText(selected, std::move(*name));
    m_doc.indexNode(selected);
    refresh();
}

void TreeCommands::removeItem(TreeNode item) {
    m_tree.remove(item);
    m_doc.forgetNode(item);
    if (m_hooks.forgetNode) m_hooks.forgetNode(item);
    if (m_hooks.unregisterLaunchKey) m_hooks.unregisterLaunchKey(item);
}

void TreeCommands::deleteFolder() {
    const TreeNode selected = m_tree.selection();
    if (selected == kNoNode || !m_tree.contains(selected)) return;
    if (m_tree.isItem(selected)) {
        m_prompter.message(message(StringId::SelectFolderToDelete));
        return;
    }
    if (!m_prompter.askYesNo(message(StringId::ReallyDeleteFolder))) return;
    const TreeNode next = neighbourOf(m_tree, selected);
    std::vector<TreeNode> items;
    for (TreeNode i = m_tree.firstChild(selected); i != kNoNode; i = m_tree.nextSibling(i))
        items.push_back(i);
    for (TreeNode item : items) removeItem(item);
    m_tree.remove(selected);
    m_doc.forgetNode(selected);
    selectNode(next);
    refresh();
    m_doc.markModifiedByEdit();
}

void TreeCommands::registerLaunchKey(TreeNode node) {
    const VaultItem* record = m_tree.item(node);
    if (m_hotKeys && record && record->launchKey.isSet())
        m_hotKeys->registerLaunchKey(node, record->launchKey);
}

void TreeCommands::addItem() {
    const TreeNode selected = m_tree.selection();
    if (!m_tree.contains(selected)) {
        m_prompter.message(message(StringId::SelectFolderForNewItem));
        return;
    }
    if (m_doc.readUnprotectedOnly()) {
        m_prompter.message(message(StringId::AddItemUnprotectedOnly), Prompter::Icon::Exclamation);
        return;
    }
    if (!m_dialogs.itemEditor) return;
    const bool afterItem = m_tree.isItem(selected);
    const TreeNode folder = afterItem ? m_tree.parent(selected) : selected;

    auto record = std::make_unique<VaultItem>();
    const ItemEditorRequest request{ItemEditorMode::Add, -1,
                                    webBrowserLabel(m_shell.builtInBrowser())};
    const bool confirmed = m_dialogs.itemEditor->edit(*record, request);
    if (confirmed && m_tree.isFolder(folder)) {
        m_doc.markModifiedByEdit();
        const TreeNode after = afterItem && m_tree.contains(selected) ? selected : kNoNode;
        const TreeNode node = m_tree.insertItem(folder, std::move(record), after);
        m_doc.indexNode(node);
        selectNode(node);
        refresh();
        if (m_hooks.recordNode) m_hooks.recordNode(node);
        m_host.scrollPageLeft();
        registerLaunchKey(node);
    }
    // Cancel too: the editor's application dialog may have changed the application table.
    m_doc.markModifiedByEdit();
}

void TreeCommands::viewModifyItem(int fieldRow) {
    const TreeNode selected = m_tree.selection();
    VaultItem* record = m_tree.isItem(selected) ? m_tree.item(selected) : nullptr;
    if (!record) {
        m_prompter.message(message(StringId::SelectItemToView), Prompter::Icon::Exclamation);
        return;
    }
    if (!m_dialogs.itemEditor) return;
    if (m_hooks.recordNode) m_hooks.recordNode(selected);
    if (m_hooks.unregisterLaunchKey) m_hooks.unregisterLaunchKey(selected);

    const ItemEditorRequest request{ItemEditorMode::Modify, fieldRow,
                                    webBrowserLabel(m_shell.builtInBrowser())};
    if (m_dialogs.itemEditor->edit(*record, request)) {
        m_tree.itemChanged(selected);
        m_doc.indexNode(selected);
    }
    refresh();
    // Registered again whatever the ending: the key was dropped before the editor opened.
    registerLaunchKey(selected);
}

void TreeCommands::deleteItem() {
    const TreeNode selected = m_tree.selection();
    if (selected == kNoNode || !m_tree.contains(selected)) return;
    if (m_tree.isFolder(selected)) {
        m_prompter.message(message(StringId::SelectItemToDelete));
        return;
    }
    if (!m_prompter.askYesNo(message(StringId::ReallyDeleteItem))) return;
    const TreeNode next = neighbourOf(m_tree, selected);
    removeItem(selected);
    selectNode(next);
    refresh();
    m_doc.markModifiedByEdit();
}

void TreeCommands::executeItem() {
    refresh();
    const TreeNode selected = m_tree.selection();
    const VaultItem* record = m_tree.isItem(selected) ? m_tree.item(selected) : nullptr;
    if (!record) {
        m_prompter.message(message(StringId::SelectItemToRun), Prompter::Icon::Exclamation);
        return;
    }
    if (m_hooks.recordNode) m_hooks.recordNode(selected);
    if (!record->isComplete()) {
        m_prompter.message(message(StringId::CannotRunItem), Prompter::Icon::Exclamation);
        return;
    }
    if (m_hooks.launch) m_hooks.launch(selected);
}

bool TreeCommands::doubleClick() {
    const TreeNode selected = m_tree.selection();
    if (!m_tree.isItem(selected)) return false;
    if (m_hooks.recordNode) m_hooks.recordNode(selected);
    refresh();
    if (m_hooks.launch) m_hooks.launch(selected);
    return true;
}

void TreeCommands::click(TreeNode hit) {
    if (hit != kNoNode && m_tree.contains(hit)) {
        selectNode(hit);
        if (m_tree.isItem(hit) && m_hooks.recordNode) m_hooks.recordNode(hit);
    }
    refresh();
}

void TreeCommands::setFolderProtection(bool protect) {
    m_doc.setFolderProtection(protect);
}

void TreeCommands::setAllExpanded(bool expanded) {
    for (TreeNode folder = m_tree.firstFolder(); folder != kNoNode;
         folder = m_tree.nextSibling(folder))
        m_tree.setExpanded(folder, expanded);
    m_host.showExpansion();
    // An item hidden in a collapsed folder stays out of reach of Enter and Del: its folder
    // takes the selection.
    TreeNode selected = m_tree.selection();
    if (!expanded && m_tree.isItem(selected)) selected = m_tree.parent(selected);
    selectNode(m_tree.contains(selected) ? selected : kNoNode);
    refresh();
}

void TreeCommands::folderExpansionChanged(TreeNode folder, bool expanded) {
    if (!m_tree.isFolder(folder)) return;
    m_tree.setExpanded(folder, expanded);
    const TreeNode selected = m_tree.selection();
    if (!expanded && m_tree.isItem(selected) && m_tree.parent(selected) == folder) {
        selectNode(folder);
        refresh();
    }
}

void TreeCommands::hotKeySetting() {
    if (!m_dialogs.hotKeySetting) return;
    std::array<HotKeyValue, kGlobalHotKeyCount> keys = m_doc.settings().globalHotKeys;
    if (!m_dialogs.hotKeySetting->run(keys)) return;
    m_doc.settings().globalHotKeys = keys;
    if (m_hotKeys) m_hotKeys->registerGlobals(keys);
    m_doc.markModifiedByEdit();
    refresh();
}

void TreeCommands::help() {
    std::error_code error;
    const bool installed =
        !m_manualPage.empty() && std::filesystem::is_regular_file(m_manualPage, error);
    if (installed && platform::Shell::succeeded(m_shell.open(m_manualPage.string(), {}))) return;
    m_prompter.message(fillMessage(kivrano::text(installed ? StringId::CannotOpenManual
                                                           : StringId::ManualNotInstalled),
                                   m_manualPage.string()),
                       Prompter::Icon::Exclamation);
}

void TreeCommands::lockScreen() {
    // Without a lock dialog nobody could unlock; a second lock while locked does nothing.
    if (m_locked || !m_dialogs.screenLock || postponeLock(PendingLock::Lock)) return;
    m_host.stopViewTimer(ViewTimer::AutoTrack);
    m_host.stopViewTimer(ViewTimer::AutoLock);
    m_locked = true;
    if (m_dialogs.quickFind) m_dialogs.quickFind->closeAll();
    if (m_hooks.lockChanged) m_hooks.lockChanged(true);
    setAllExpanded(false);
    while (!unlockThroughDialog()) m_dialogs.screenLock->refuse(message(StringId::CannotUnlock));
    m_locked = false;
    if (m_hooks.lockChanged) m_hooks.lockChanged(false);
    m_host.startViewTimer(ViewTimer::AutoTrack, kAutoTrackPeriodMs);
    startAutoLock();
}

bool TreeCommands::unlockThroughDialog() {
    std::optional<std::string> entered = m_dialogs.screenLock->run();
    if (!entered) return false;
    const bool unlocked = m_doc.verifyUnlockPassword(*entered);
    secureWipe(*entered);
    return unlocked;
}

void TreeCommands::autoLockTimer() {
    if (m_locked || !m_dialogs.screenLock || postponeLock(PendingLock::HideAndLock)) return;
    if (m_hooks.hideToTray) m_hooks.hideToTray();
    lockScreen();
}

bool TreeCommands::postponeLock(PendingLock lock) {
    if (!m_hooks.isBusy || !m_hooks.isBusy()) return false;
    if (lock > m_pendingLock) m_pendingLock = lock;
    return true;
}

void TreeCommands::runPendingLock() {
    const PendingLock pending = m_pendingLock;
    m_pendingLock = PendingLock::None;
    if (pending == PendingLock::HideAndLock) autoLockTimer();
    if (pending == PendingLock::Lock) lockScreen();
}

void TreeCommands::autoTrackTimer() {
    if (m_locked) return;
    if (m_hooks.autoTrackStep) m_hooks.autoTrackStep();
}

void TreeCommands::autoLockTimeSetting() {
    if (!m_dialogs.autoLock) return;
    m_host.stopViewTimer(ViewTimer::AutoLock);
    if (std::optional<int> minutes = m_dialogs.autoLock->run(m_doc.settings().autoLockMinutes))
        m_doc.settings().autoLockMinutes = std::max(*minutes, 0);
    startAutoLock();
}

void TreeCommands::changePassword() {
    if (!m_dialogs.passwordChange) return;
    // Without the vault's password nothing could be saved under a new one.
    if (m_doc.readUnprotectedOnly()) {
        m_prompter.message(message(StringId::PasswordChangeUnprotectedOnly),
                           Prompter::Icon::Exclamation);
        return;
    }
    std::optional<PasswordChangeEntry> entry =
        m_dialogs.passwordChange->run(!m_doc.hasSavePassword({}));
    if (!entry) return;
    m_doc.changePassword(entry->oldPassword, entry->newPassword, entry->confirmation);
}

void TreeCommands::find() {
    if (!m_dialogs.find) return;
    const std::optional<TreeNode> chosen = m_dialogs.find->run();
    if (!chosen || !m_tree.contains(*chosen)) return;
    goToNode(*chosen);
    if (m_hooks.recordNode) m_hooks.recordNode(*chosen);
}

void TreeCommands::quickFind() {
    if (m_dialogs.quickFind) m_dialogs.quickFind->open();
}

void TreeCommands::goToNode(TreeNode node) {
    selectNode(m_tree.contains(node) ? node : kNoNode);
    refresh();
}

std::optional<int> parseAutoLockMinutes(std::string_view text, std::string& error) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        error = message(StringId::EnterUnsignedInteger);
        return std::nullopt;
    }
    constexpr int kMax = std::numeric_limits<std::int32_t>::max();
    long long minutes = 0;
    for (char c : text) {
        minutes = minutes * 10 + (c - '0');
        if (minutes > kMax) {
            error = kivrano::text(StringId::EnterIntegerBetween, {"0", std::to_string(kMax)});
            return std::nullopt;
        }
    }
    return static_cast<int>(minutes);
}

}  // namespace kivrano
