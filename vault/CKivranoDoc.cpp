#include "vault/CKivranoDoc.h"

#include "vault/FileIO.h"
#include "vault/FileLock.h"
#include "vault/Secure.h"
#include "vault/Strings.h"

#include <memory>

namespace kivrano {

namespace {

std::string damagedMessage(const std::string& path, const std::string& what) {
    return "Cannot read \"" + path + "\": the file is damaged (" + what +
           "). Nothing was changed. Open its backup copy \"" + fileio::backupPath(path) +
           "\" if there is one.";
}

}  // namespace

CKivranoDoc::CKivranoDoc(Prompter& prompter, HotKeyBook* hotKeys, DocumentEvents events)
    : m_prompter(prompter), m_hotKeys(hotKeys), m_events(std::move(events)) {}

CKivranoDoc::~CKivranoDoc() = default;

void CKivranoDoc::newDocument() {
    m_tree.clear();
    if (m_hotKeys) m_hotKeys->dropAll();
}

void CKivranoDoc::emptyHistory() {
    if (m_events.workHistoryEmptied) m_events.workHistoryEmptied();
}

void CKivranoDoc::setCaption(const std::string& caption) {
    if (m_events.captionChanged) m_events.captionChanged(caption);
}

void CKivranoDoc::registerAll() {
    if (!m_hotKeys) return;
    m_hotKeys->registerGlobals(m_settings.globalHotKeys);
    vaultfile::forEachLaunchKey(m_tree, [this](TreeNode node, const HotKeyValue& key) {
        m_hotKeys->registerLaunchKey(node, key);
    });
}

bool CKivranoDoc::open(const std::string& path, const std::string& password, bool merge) {
    if (m_modified && !m_savePath.empty()) {
        m_pathName = m_savePath;
        // A failed save keeps the changed vault open rather than dropping its changes.
        if (promptToSave() == SavePrompt::WriteFailed) return false;
    }
    m_openPassword = password;

    bool ok;
    if (!fileio::exists(path)) {
        startNewProfile(path);
        ok = true;
    } else {
        m_mergeFlag = merge;
        ok = load(path);
        if (ok) {
            const std::string name = fileio::profileName(path);
            setCaption(name + " - " + std::string(text(StringId::ProductName)));
            m_title = name;
            m_pathName = path;
            if (merge) m_modified = true;  // the merged vault is not on disk yet
        }
        m_mergeFlag = false;
    }
    if (m_events.opened) m_events.opened();
    return ok;
}

bool CKivranoDoc::frameworkOpen(const std::string& path) {
    const bool merging = m_mergeFlag;
    bool ok = load(path);
    m_mergeFlag = false;
    if (!ok) return false;
    if (merging) m_modified = true;
    m_pathName = path;
    m_title = fileio::profileName(path);
    return m_loadOk;
}

void CKivranoDoc::startNewProfile(const std::string& path) {
    m_settings.autoLockMinutes = VaultSettings::kNewProfileAutoLockMinutes;
    if (m_hotKeys) m_hotKeys->dropAll();
    m_tree.clear();
    m_index.clear();
    m_settings.globalHotKeys = VaultSettings::defaultGlobalHotKeys();
    // A new profile starts without the previous profile's applications.
    m_settings.applicationTable.clear();
    if (m_hotKeys) m_hotKeys->registerGlobals(m_settings.globalHotKeys);
    TreeNode placeholder = m_tree.insert(kNoNode, std::string(text(StringId::PlaceholderFolder)),
                                         VaultTree::kFolderImage, 0);
    m_tree.select(placeholder);

    adoptPath(path);
    m_savePassword = m_openPassword;
    m_readUnprotectedOnly = false;
    m_loadOk = true;
    m_formatNumber = 1;
    m_version = std::string(vaultfile::kCurrentVersion);
    // Written at once, so the profile exists on disk; if that fails the vault stays
    // modified and the next save tries again.
    m_modified = !writeTo(path);
    emptyHistory();
}

bool CKivranoDoc::load(const std::string& path) {
    m_loadOk = true;
    std::string error;
    fileio::FileStamp stamp;
    auto bytes = fileio::readAll(path, error, &stamp);
    if (!bytes) {
        m_prompter.message(error, Prompter::Icon::Error);
        m_loadOk = false;
        return false;
    }

    vaultfile::ReadOptions options;
    options.currentSettings = &m_settings;
    options.askContinueUnprotected = [this](std::string_view question) {
        return m_prompter.askYesNo(std::string(question), Prompter::Icon::Question);
    };
    vaultfile::ReadResult result = vaultfile::read(*bytes, m_openPassword, options);
    secureWipe(*bytes);

    switch (result.status) {
        case vaultfile::ReadStatus::Declined: m_loadOk = false; return false;
        case vaultfile::ReadStatus::InvalidPassword:
            m_prompter.message(result.error, Prompter::Icon::Exclamation);
            m_loadOk = false;
            return false;
        case vaultfile::ReadStatus::NotVaultFile:
            m_prompter.message(text(StringId::NotVaultFile, {path}), Prompter::Icon::Error);
            m_loadOk = false;
            return false;
        case vaultfile::ReadStatus::Damaged:
            m_prompter.message(damagedMessage(path, result.error), Prompter::Icon::Error);
            m_loadOk = false;
            return false;
        case vaultfile::ReadStatus::Ok: break;
    }

    if (m_mergeFlag) {
        if (!mergeFrom(result, path)) {
            m_loadOk = false;
            return false;
        }
    } else {
        placeLoaded(result);
        m_modified = false;
        emptyHistory();
    }
    m_readUnprotectedOnly = result.unprotectedOnly;
    m_formatNumber = result.formatNumber;
    m_version = result.version;

    // The screen lock checks against the vault as read. An old-format header holds DES
    // text that the check cannot use, so it gets the verifier a save would leave.
    if (result.formatNumber >= 1 || (result.header[0] == 'B' && result.header[1] == 'F'))
        std::copy(result.header.begin() + 8, result.header.end(), m_verifier.begin());
    else
        m_verifier = vaultfile::makeUnlockVerifier(m_openPassword);

    if (result.nonzeroPaddings > 0)
        m_prompter.message(
            text(StringId::NonzeroPaddingWarning, {std::to_string(result.nonzeroPaddings), path,
                                                   std::to_string(result.firstNonzeroPadding)}),
            Prompter::Icon::Exclamation);
    if (m_events.settingsLoaded) m_events.settingsLoaded(m_settings);
    m_savePassword = m_openPassword;
    m_loadPath = path;
    m_savePath = path;
    m_diskStamp = stamp;
    return true;
}

void CKivranoDoc::placeLoaded(vaultfile::ReadResult& loaded) {
    if (m_hotKeys) m_hotKeys->dropAll();
    m_tree.replaceWith(std::move(loaded.tree));
    m_settings = std::move(loaded.settings);
    m_index = std::move(loaded.index);
    registerAll();
}

bool CKivranoDoc::mergeFrom(vaultfile::ReadResult& loaded, const std::string& path) {
    auto& table = m_settings.applicationTable;
    const std::size_t base = table.size();
    const auto& added = loaded.settings.applicationTable;
    if (base + added.size() > VaultSettings::kApplicationCapacity) {
        m_prompter.message("Cannot merge \"" + path + "\": together the two vaults would list " +
                               std::to_string(base + added.size()) +
                               " applications, and a vault holds at most 100. Nothing was "
                               "changed.",
                           Prompter::Icon::Exclamation);
        return false;
    }
    table.insert(table.end(), added.begin(), added.end());

    // Settings that travel in the file replace the open vault's.
    m_settings.autoTrack = loaded.settings.autoTrack;
    m_settings.autoLockMinutes = loaded.settings.autoLockMinutes;
    m_settings.typeInMode = loaded.settings.typeInMode;
    m_settings.globalHotKeys = loaded.settings.globalHotKeys;
    if (m_hotKeys) m_hotKeys->registerGlobals(m_settings.globalHotKeys);

    VaultTree& from = loaded.tree;
    for (TreeNode f = from.firstFolder(); f != kNoNode; f = from.nextSibling(f)) {
        TreeNode target = m_tree.findFolder(from.text(f));
        if (target != kNoNode) {
            m_tree.setData(target, from.data(f));
        } else {
            target = m_tree.insert(kNoNode, from.text(f), VaultTree::kFolderImage, from.data(f),
                                   kNoNode);
            m_index.indexText(m_tree.text(target), target);
        }
        for (TreeNode i = from.firstChild(f); i != kNoNode; i = from.nextSibling(i)) {
            VaultItem& item = *from.item(i);
            bool duplicate = false;
            for (TreeNode same = m_tree.findItem(target, item.title); same != kNoNode;
                 same = m_tree.findItem(target, item.title, same)) {
                if (m_tree.item(same)->sameText(item)) {
                    duplicate = true;
                    break;
                }
            }
            if (duplicate) continue;
            if (item.appIndex >= 0) {
                auto index = static_cast<std::size_t>(item.appIndex) + base;
                for (std::size_t e = 0; e < index; ++e)
                    if (table[e] == table[index]) {
                        index = e;
                        break;
                    }
                item.appIndex = static_cast<std::int32_t>(index);
            }
            auto record = std::make_unique<VaultItem>(std::move(item));
            TreeNode placed = m_tree.insertItem(target, std::move(record), kNoNode);
            const VaultItem& inserted = *m_tree.item(placed);
            m_index.indexText(inserted.title, placed);
            m_index.indexText(inserted.address, placed);
            if (m_hotKeys && inserted.launchKey.isSet())
                m_hotKeys->registerLaunchKey(placed, inserted.launchKey);
        }
    }
    return true;
}

void CKivranoDoc::indexNode(TreeNode node) {
    m_index.forget(node);
    if (const VaultItem* item = m_tree.item(node)) {
        m_index.indexText(item->title, node);
        m_index.indexText(item->address, node);
    } else if (m_tree.isFolder(node)) {
        m_index.indexText(m_tree.text(node), node);
    }
}

bool CKivranoDoc::writeTo(const std::string& path) {
    std::vector<std::uint8_t> bytes = vaultfile::write(m_tree, m_settings, m_savePassword);
    std::string error;
    const bool written = fileio::writeAtomically(path, bytes, error);
    secureWipe(bytes);
    if (!written) {
        m_prompter.message(error, Prompter::Icon::Error);
        return false;
    }
    m_verifier = vaultfile::makeUnlockVerifier(m_savePassword);
    if (path == m_savePath) m_diskStamp = fileio::currentStamp(path);
    return true;
}

bool CKivranoDoc::changedOnDisk() const {
    const auto now = fileio::currentStamp(m_savePath);
    // A file that is gone holds nothing that a save could overwrite.
    if (!now) return false;
    if (!m_diskStamp) return true;
    // The same bytes written again (a copy, a sync that touched the time) lose nothing when
    // overwritten; only a different content is a change.
    if (*now == *m_diskStamp) return false;
    return now->size != m_diskStamp->size || now->digest != m_diskStamp->digest;
}

// The document now names, reads and writes the file at path.
void CKivranoDoc::adoptPath(const std::string& path) {
    const std::string name = fileio::profileName(path);
    setCaption(name + " - " + std::string(text(StringId::ProductName)));
    m_title = name;
    m_pathName = path;
    m_loadPath = path;
    m_savePath = path;
}

CKivranoDoc::StoreOutcome CKivranoDoc::store(bool backup) {
    std::string error;
    // Held to the end of the write, so that no other writer of ours slips in between the
    // check and the rename.
    auto lock = fileio::FileLock::acquire(m_savePath, kSaveLockWait, error);
    if (!lock) {
        m_prompter.message(error, Prompter::Icon::Exclamation);
        return StoreOutcome::Cancelled;
    }
    if (changedOnDisk()) {
        switch (m_prompter.askChangedOnDisk(text(StringId::FileChangedOnDisk, {m_savePath}))) {
            case Prompter::ChangedFileChoice::Overwrite: break;
            case Prompter::ChangedFileChoice::SaveUnderAnotherName: {
                const std::string other = m_prompter.askSavePath(m_savePath);
                if (other.empty()) return StoreOutcome::Cancelled;
                // The changed file stays as the other program left it; nothing of it is
                // copied, so no backup is made either.
                const std::string previousSavePath = m_savePath;
                m_savePath = other;
                if (!writeTo(other)) {
                    m_savePath = previousSavePath;
                    return StoreOutcome::Failed;
                }
                adoptPath(other);
                return StoreOutcome::Written;
            }
            case Prompter::ChangedFileChoice::Cancel: return StoreOutcome::Cancelled;
        }
    }
    if (backup && !m_loadPath.empty() && fileio::exists(m_loadPath)) {
        if (!fileio::writeBackupCopy(m_loadPath, error) &&
            !m_prompter.askYesNo(text(StringId::SaveWithoutBackupQuestion, {error}),
                                 Prompter::Icon::Exclamation))
            return StoreOutcome::Cancelled;
    }
    return writeTo(m_savePath) ? StoreOutcome::Written : StoreOutcome::Failed;
}

bool CKivranoDoc::saveCommon(bool backup) {
    if (m_readUnprotectedOnly) {
        m_prompter.message(std::string(text(StringId::SaveNotAllowedUnprotectedOnly)),
                           Prompter::Icon::Exclamation);
        return false;
    }
    if (m_savePath.empty()) {
        m_prompter.message(std::string(text(StringId::SaveErrorNoPath)));
        return false;
    }
    if (store(backup) != StoreOutcome::Written) return false;
    m_modified = false;
    return true;
}

bool CKivranoDoc::save() {
    return saveCommon(true);
}
bool CKivranoDoc::saveWithoutBackup() {
    return saveCommon(false);
}

CKivranoDoc::SavePrompt CKivranoDoc::promptToSave() {
    if (!m_modified) return SavePrompt::Saved;
    const std::string name = m_title.empty() ? fileio::profileName(m_pathName) : m_title;
    switch (m_prompter.askSaveChanges(name)) {
        case Prompter::SaveChoice::Save:
            // Without a path, or in the read-unprotected-only mode, saving is refused with
            // its message; that is not a failed write.
            if (m_savePath.empty() || m_readUnprotectedOnly)
                return saveWithoutBackup() ? SavePrompt::Saved : SavePrompt::Cancelled;
            switch (store(false)) {
                case StoreOutcome::Written: m_modified = false; return SavePrompt::Saved;
                // The user asked for the changes to be kept: whether the write was refused
                // or failed, they are not on disk, and an open must not drop them.
                case StoreOutcome::Cancelled:
                case StoreOutcome::Failed: return SavePrompt::WriteFailed;
            }
            return SavePrompt::Cancelled;
        case Prompter::SaveChoice::Discard: return SavePrompt::Discarded;
        case Prompter::SaveChoice::Cancel: return SavePrompt::Cancelled;
    }
    return SavePrompt::Cancelled;
}

bool CKivranoDoc::saveModified() {
    const SavePrompt outcome = promptToSave();
    return outcome == SavePrompt::Saved || outcome == SavePrompt::Discarded;
}

void CKivranoDoc::changePassword(const std::string& oldPassword, const std::string& newPassword,
                                 const std::string& confirmation) {
    if (!(m_savePassword == oldPassword)) {
        m_prompter.message(std::string(text(StringId::InvalidPassword)));
        return;
    }
    if (newPassword != confirmation) {
        m_prompter.message(std::string(text(StringId::PasswordsDontMatch)));
        return;
    }
    m_savePassword = newPassword;
    if (!m_readUnprotectedOnly) m_modified = true;
    m_pathName = m_savePath;
    saveModified();
    m_prompter.message(std::string(
        text(newPassword.empty() ? StringId::PasswordChangedEmpty : StringId::PasswordChanged)));
}

void CKivranoDoc::setFolderProtection(bool protect) {
    TreeNode selected = m_tree.selection();
    if (!m_tree.isFolder(selected)) return;
    m_tree.setData(selected, protect ? 0 : VaultFolder::kUnprotectedByMenu);
}

bool CKivranoDoc::verifyUnlockPassword(const std::string& entered) const {
    return vaultfile::verifyUnlockPassword(m_verifier, entered);
}

}  // namespace kivrano
