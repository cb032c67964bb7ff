#pragma once

#include "vault/CDic.h"
#include "vault/FileIO.h"
#include "vault/Prompter.h"
#include "vault/Secure.h"
#include "vault/VaultFile.h"
#include "vault/VaultSettings.h"
#include "vault/VaultTree.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kivrano {

// Hotkey bookkeeping of the open vault; the platform layer registers with the system.
class HotKeyBook {
public:
    virtual ~HotKeyBook() = default;
    // Drops every registration, the global keys and the items' launching keys alike.
    virtual void dropAll() = 0;
    // Registers the eleven global keys under ids 0..10.
    virtual void registerGlobals(const std::array<HotKeyValue, kGlobalHotKeyCount>& keys) = 0;
    // Registers an item's launching key under its node's handle.
    virtual void registerLaunchKey(TreeNode node, const HotKeyValue& key) = 0;
};

// What the document tells the windows around it.
struct DocumentEvents {
    std::function<void()> workHistoryEmptied;
    // Settings were read from a file: check AutoTrack and the typing mode, start or stop
    // AutoTrack's timer.
    std::function<void(const VaultSettings&)> settingsLoaded;
    // The main window's caption.
    std::function<void(const std::string&)> captionChanged;
    // After an open: show the selected node's fields and restart the automatic lock.
    std::function<void()> opened;
};

// The one open vault: which file, which password, when it is read and written, its backup,
// merging, password change and the read-unprotected-only mode. The tree, the settings and
// the word index are held here and shown by the windows.
class CKivranoDoc {
public:
    CKivranoDoc(Prompter& prompter, HotKeyBook* hotKeys = nullptr, DocumentEvents events = {});

    // Program start: an empty tree and no hotkey registrations.
    void newDocument();

    // Opens a profile's file (a new profile when no file exists there), or merges it into
    // the open vault. Returns whether the vault at path is now open.
    bool open(const std::string& path, const std::string& password, bool merge);

    // Opening a file by path alone, with the open password already set: the way a file named
    // on the command line or dropped on the window is read.
    bool frameworkOpen(const std::string& path);

    // How long a save waits for another program that is writing the same file.
    static constexpr std::chrono::milliseconds kSaveLockWait{3000};

    // Save writes a backup copy of the loaded file first; both return whether the file was
    // written. When the file on disk is no longer the one this document read or wrote last,
    // the user is asked whether to overwrite it, save under another name or cancel; when the
    // backup cannot be made, whether to save without one.
    bool save();
    bool saveWithoutBackup();

    // Asks whether to save a modified vault (Yes writes it without a backup). Returns false
    // when the user cancels or the save failed.
    bool saveModified();

    void changePassword(const std::string& oldPassword, const std::string& newPassword,
                        const std::string& confirmation);

    // Sets the selected folder's protection: the menu's "Do not password-protect" stores 2.
    void setFolderProtection(bool protect);

    // The screen lock's check, against the vault as it was last read or saved.
    bool verifyUnlockPassword(const std::string& entered) const;

    // Data
    VaultTree& tree() { return m_tree; }
    const VaultTree& tree() const { return m_tree; }
    VaultSettings& settings() { return m_settings; }
    const VaultSettings& settings() const { return m_settings; }
    const CDic& index() const { return m_index; }
    // The word index follows the tree's edits: a node added or renamed is indexed (again)
    // under its name, or title and address; a deleted one is forgotten.
    void indexNode(TreeNode node);
    void forgetNode(TreeNode node) { m_index.forget(node); }

    // State
    bool isModified() const { return m_modified; }
    void setModified(bool modified = true) { m_modified = modified; }
    // Commands that change the vault call this: nothing is marked in the read-unprotected-only
    // mode.
    void markModifiedByEdit() {
        if (!m_readUnprotectedOnly) m_modified = true;
    }
    bool loadOk() const { return m_loadOk; }
    bool readUnprotectedOnly() const { return m_readUnprotectedOnly; }
    const std::string& loadPath() const { return m_loadPath; }
    const std::string& savePath() const { return m_savePath; }
    const std::string& pathName() const { return m_pathName; }
    const std::string& title() const { return m_title; }
    bool hasSavePassword(const std::string& password) const { return m_savePassword == password; }
    const vaultfile::UnlockVerifier& unlockVerifier() const { return m_verifier; }
    // The last read's format and version ("BF01" files read as "KVR2.04").
    int formatNumber() const { return m_formatNumber; }
    const std::string& version() const { return m_version; }

    // The open password for the next read (set by sign-in before a framework open).
    void setOpenPassword(const std::string& password) { m_openPassword = password; }
    void setMergeFlag(bool merge) { m_mergeFlag = merge; }

    ~CKivranoDoc();
    CKivranoDoc(const CKivranoDoc&) = delete;
    CKivranoDoc& operator=(const CKivranoDoc&) = delete;

private:
    enum class SavePrompt { Saved, Discarded, Cancelled, WriteFailed };
    enum class StoreOutcome { Written, Cancelled, Failed };
    // The checked write of the save path: lock, change check, backup, write.
    StoreOutcome store(bool backup);
    bool changedOnDisk() const;
    void adoptPath(const std::string& path);
    // The save-changes question for a modified vault (nothing to ask: Saved).
    SavePrompt promptToSave();
    bool load(const std::string& path);
    void startNewProfile(const std::string& path);
    bool writeTo(const std::string& path);
    bool saveCommon(bool backup);
    bool mergeFrom(vaultfile::ReadResult& loaded, const std::string& path);
    void placeLoaded(vaultfile::ReadResult& loaded);
    void registerAll();
    void emptyHistory();
    void setCaption(const std::string& caption);

    Prompter& m_prompter;
    HotKeyBook* m_hotKeys;
    DocumentEvents m_events;

    VaultTree m_tree;
    VaultSettings m_settings;
    CDic m_index;

    bool m_mergeFlag = false;
    bool m_loadOk = false;
    SecretString m_openPassword;
    SecretString m_savePassword;
    std::string m_loadPath;
    std::string m_savePath;
    bool m_readUnprotectedOnly = false;
    bool m_modified = false;
    std::string m_pathName;
    std::string m_title;
    vaultfile::UnlockVerifier m_verifier{};
    // The save path's file as this document last read or wrote it.
    std::optional<fileio::FileStamp> m_diskStamp;
    int m_formatNumber = 1;
    std::string m_version;
};

}  // namespace kivrano
