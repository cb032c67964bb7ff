#pragma once

#include "platform/ProgramPaths.h"
#include "platform/SettingsStore.h"
#include "vault/Prompter.h"
#include "vault/Secure.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

// What the sign-in hands to the document: the profile's file, the password and whether the
// file is to be merged into the vault already open.
struct SignIn {
    std::filesystem::path path;
    std::filesystem::path directory;
    std::string userName;
    std::string password;
    bool merge = false;

    SignIn() = default;
    SignIn(const SignIn&) = default;
    SignIn& operator=(const SignIn&) = default;
    // A move copies the password and wipes the source: a moved-from string may keep the
    // characters in its own buffer.
    SignIn(SignIn&& other) : SignIn(other) { secureWipe(other.password); }
    SignIn& operator=(SignIn&& other) {
        if (this != &other) {
            secureWipe(password);
            *this = other;
            secureWipe(other.password);
        }
        return *this;
    }
    ~SignIn() { secureWipe(password); }
};

// The New User dialog's fields.
struct NewUserEntry {
    std::string id;
    std::string password;
    std::string confirm;

    NewUserEntry() = default;
    NewUserEntry(const NewUserEntry&) = default;
    NewUserEntry& operator=(const NewUserEntry&) = default;
    NewUserEntry(NewUserEntry&& other) : NewUserEntry(other) { other.wipe(); }
    NewUserEntry& operator=(NewUserEntry&& other) {
        if (this != &other) {
            wipe();
            *this = other;
            other.wipe();
        }
        return *this;
    }
    ~NewUserEntry() { wipe(); }

    void wipe() {
        secureWipe(password);
        secureWipe(confirm);
    }
};

// One line of the profile list: the name shown (lower case for a file found on disk) and the
// file it stands for. The file keeps its own spelling: on a case-sensitive file system
// "Alice.KVR" must be opened under that name, not as "alice.kvr".
struct ProfileEntry {
    std::string name;
    std::filesystem::path file;
};

// An entry of the "Other disks" menu.
struct DiskChoice {
    std::string label;
    std::filesystem::path directory;
};

// The profile name as listed: lower case (letters outside ASCII too, when the name is UTF-8).
std::string lowerCaseName(std::string_view name);

// The New User dialog's OK: the two passwords must be equal and the ID must name a file in
// the profile directory. Tells the user what is wrong and returns false otherwise.
bool newUserAcceptable(const NewUserEntry& entry, Prompter& prompter);
// A name that can become a profile file in the listed directory (no folder separator).
bool profileNameAcceptable(const std::string& name, Prompter& prompter);

// The Select User dialog without its window: the list of profiles in a directory, the
// selection, and the add, remove, rename and OK rules. The dialog shows the list and hands
// the user's actions here.
class SelectUser {
public:
    SelectUser(const platform::ProgramPaths& paths, platform::SettingsStore& settings,
               Prompter& prompter);
    ~SelectUser() { secureWipe(m_password); }
    SelectUser(const SelectUser&) = delete;
    SelectUser& operator=(const SelectUser&) = delete;

    // Lists the program's own Profiles folder, creating it when it holds no profile, and
    // selects the stored default user.
    void listProfiles();
    // Lists another folder chosen under "Other disks"; nothing is created there.
    void listDirectory(const std::filesystem::path& directory);
    // The "Other disks" menu: the program folder, its Profiles folder, then every disk.
    std::vector<DiskChoice> otherDisks() const;

    const std::filesystem::path& directory() const { return m_directory; }
    const std::vector<ProfileEntry>& entries() const { return m_entries; }
    std::optional<std::size_t> selection() const { return m_selection; }
    void select(std::optional<std::size_t> index);
    // Selects the first entry that begins with prefix, whatever the case; false (and the
    // selection unchanged) when none does.
    bool selectPrefix(std::string_view prefix);

    // The dialog's controls, read before OK.
    void setPassword(const std::string& password);
    const std::string& password() const { return m_password; }
    void setMerge(bool merge) { m_merge = merge; }
    bool merge() const { return m_merge; }

    // OK: true when the dialog closes with the selected profile, which is remembered as the
    // default user.
    bool accept();
    // Whether an entry is selected; tells the user "No Selected User." when none is.
    bool checkSelected();
    // Add New User after its dialog's OK: a name not yet listed is added and signed in at
    // once (true); no file is written, the document starts the new profile.
    bool addNewUser(const NewUserEntry& entry);
    // Remove User: asks, then deletes the selected profile's file.
    void removeSelected();
    // Rename after its dialog's OK: renames the selected profile's file (never over an
    // existing one), lists the Profiles folder again and selects the new name.
    void renameSelected(const std::string& newName);
    // After a download from the network: the folder the file went into listed again, the
    // downloaded file selected.
    void afterDownload();

    // What OK chose; empty before a successful accept().
    std::optional<SignIn> result() const;

private:
    // Fills the list from directory; false when no "*.kvr" entry was there at all.
    bool fill();
    void selectDefaultUser();
    void sortEntries();

    const platform::ProgramPaths& m_paths;
    platform::SettingsStore& m_settings;
    Prompter& m_prompter;

    std::filesystem::path m_directory;
    std::vector<ProfileEntry> m_entries;
    std::optional<std::size_t> m_selection;
    std::string m_password;
    bool m_merge = false;
    bool m_accepted = false;
    std::filesystem::path m_path;
    std::string m_userName;
};

}  // namespace kivrano
