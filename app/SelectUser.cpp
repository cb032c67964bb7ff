#include "app/SelectUser.h"

#include "vault/Strings.h"
#include "vault/VaultText.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <system_error>
#include <tuple>

namespace kivrano {

namespace {

constexpr std::string_view kExtension = ".kvr";
constexpr const char* kDefaultUser = "DefaultUser";

std::string message(StringId id) {
    return std::string(text(id));
}

// Fills the "%s" places of a message in order.
std::string format(StringId id, std::initializer_list<std::string> values) {
    std::string result = message(id);
    std::size_t from = 0;
    for (const auto& value : values) {
        const auto at = result.find("%s", from);
        if (at == std::string::npos) break;
        result.replace(at, 2, value);
        from = at + value.size();
    }
    return result;
}

std::string quoted(const std::filesystem::path& path) {
    // Appended piece by piece: g++ 12 at -O3 warns falsely about "literal" + string.
    std::string text(1, '"');
    text += path.string();
    text += '"';
    return text;
}

QString qPath(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

// Anything at all under that name, a dangling link included.
bool pathTaken(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

bool endsWithExtension(const std::string& lowerName) {
    return lowerName.size() >= kExtension.size() &&
           lowerName.compare(lowerName.size() - kExtension.size(), kExtension.size(), kExtension) ==
               0;
}

}  // namespace

std::string lowerCaseName(std::string_view name) {
    if (isValidUtf8(name)) {
        const QByteArray lower =
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toLower().toUtf8();
        return std::string(lower.constData(), static_cast<std::size_t>(lower.size()));
    }
    // A name in some other encoding: only the ASCII letters are known for sure.
    return asciiLowered(name);
}

bool profileNameAcceptable(const std::string& name, Prompter& prompter) {
    // A separator would put the profile into another folder, out of the list (or anywhere on
    // the disk); a zero byte cannot be part of a file name.
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
        prompter.message(message(StringId::UserNameHasSeparator), Prompter::Icon::Exclamation);
        return false;
    }
    return true;
}

bool newUserAcceptable(const NewUserEntry& entry, Prompter& prompter) {
    if (entry.password != entry.confirm) {
        prompter.message(message(StringId::PasswordsDontMatch), Prompter::Icon::Exclamation);
        return false;
    }
    return profileNameAcceptable(entry.id, prompter);
}

SelectUser::SelectUser(const platform::ProgramPaths& paths, platform::SettingsStore& settings,
                       Prompter& prompter)
    : m_paths(paths),
      m_settings(settings),
      m_prompter(prompter),
      m_directory(paths.profileDirectory()) {}

void SelectUser::listProfiles() {
    m_directory = m_paths.profileDirectory();
    if (!fill()) {
        // The first run: make the folder the new profile will be written to. create_directories,
        // because on a fresh system the program folder itself may not exist yet.
        std::error_code ignored;
        std::filesystem::create_directories(m_directory, ignored);
        return;
    }
    selectDefaultUser();
}

void SelectUser::listDirectory(const std::filesystem::path& directory) {
    m_directory = directory;
    if (fill()) selectDefaultUser();
}

std::vector<DiskChoice> SelectUser::otherDisks() const {
    const auto program = m_paths.programDirectory();
    const auto profiles = m_paths.profileDirectory();
    std::vector<DiskChoice> choices;
    for (const auto& disk : m_paths.otherDisks()) {
        std::string label;
        if (disk == program)
            label = "Current Directory";
        else if (disk == profiles)
            label = "Current Directory\\Profiles";
        else
            label = disk.string();
        choices.push_back({std::move(label), disk});
    }
    return choices;
}

bool SelectUser::fill() {
    m_entries.clear();
    m_selection.reset();
    bool matched = false;
    std::error_code error;
    std::filesystem::directory_iterator it(m_directory, error);
    if (error) return false;  // a folder that is missing or cannot be read lists nothing
    for (std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        const std::string fileName = it->path().filename().string();
        const std::string lower = lowerCaseName(fileName);
        if (!endsWithExtension(lower)) continue;
        matched = true;
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;  // folders, devices, dangling links
        const auto size = it->file_size(fileError);
        if (fileError) continue;
        if (size == 0) {
            // An empty file is no profile (a profile that was never written): clear it away.
            std::filesystem::remove(it->path(), fileError);
            continue;
        }
        m_entries.push_back({lower.substr(0, lower.size() - kExtension.size()), it->path()});
    }
    sortEntries();
    if (!m_entries.empty()) m_selection = 0;
    return matched;
}

void SelectUser::sortEntries() {
    std::sort(m_entries.begin(), m_entries.end(), [](const ProfileEntry& a, const ProfileEntry& b) {
        return std::forward_as_tuple(lowerCaseName(a.name), a.name, a.file) <
               std::forward_as_tuple(lowerCaseName(b.name), b.name, b.file);
    });
}

void SelectUser::selectDefaultUser() {
    auto key = m_settings.open(platform::SettingsStore::Open::CreateIfMissing);
    if (!key) return;
    if (auto stored = key->readString(kDefaultUser)) selectPrefix(*stored);
}

void SelectUser::select(std::optional<std::size_t> index) {
    if (index && *index >= m_entries.size()) index.reset();
    m_selection = index;
}

bool SelectUser::selectPrefix(std::string_view prefix) {
    const std::string lowerPrefix = lowerCaseName(prefix);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (lowerCaseName(m_entries[i].name).starts_with(lowerPrefix)) {
            m_selection = i;
            return true;
        }
    }
    return false;
}

void SelectUser::setPassword(const std::string& password) {
    secureWipe(m_password);  // first, so that a reallocation frees no readable copy
    m_password.assign(password);
}

bool SelectUser::checkSelected() {
    if (m_selection) return true;
    m_prompter.message(message(StringId::NoSelectedUser), Prompter::Icon::Exclamation);
    return false;
}

bool SelectUser::accept() {
    if (!checkSelected()) return false;
    const ProfileEntry& entry = m_entries[*m_selection];
    m_userName = entry.name;
    m_path = entry.file;
    // Remembered for the next sign-in; a store that cannot be written is not worth a message.
    if (auto key = m_settings.open(platform::SettingsStore::Open::CreateIfMissing))
        key->writeString(kDefaultUser, m_userName);
    m_accepted = true;
    return true;
}

bool SelectUser::addNewUser(const NewUserEntry& entry) {
    if (!profileNameAcceptable(entry.id, m_prompter)) return false;
    const std::string lower = lowerCaseName(entry.id);
    for (const auto& existing : m_entries) {
        if (lowerCaseName(existing.name) == lower) {
            m_prompter.message(message(StringId::UserNameExists), Prompter::Icon::Exclamation);
            return false;
        }
    }
    // The document writes the new file at once; a Profiles folder chosen under "Other disks"
    // may not exist yet.
    std::error_code ignored;
    std::filesystem::create_directories(m_directory, ignored);

    m_entries.push_back({entry.id, m_directory / (entry.id + std::string(kExtension))});
    const ProfileEntry added = m_entries.back();
    sortEntries();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].file == added.file && m_entries[i].name == added.name) m_selection = i;
    }
    setPassword(entry.password);
    return accept();
}

void SelectUser::removeSelected() {
    if (!m_selection) return;
    if (!m_prompter.askYesNo(message(StringId::ReallyRemoveUser))) return;
    const auto file = m_entries[*m_selection].file;
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error) {
        // The entry stays: dropping it would claim the profile is gone while its file remains.
        m_prompter.message(format(StringId::CannotRemoveProfile, {quoted(file), error.message()}),
                           Prompter::Icon::Exclamation);
        return;
    }
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(*m_selection));
    m_selection.reset();
}

void SelectUser::renameSelected(const std::string& newName) {
    if (!checkSelected()) return;
    if (profileNameAcceptable(newName, m_prompter)) {
        const auto from = m_entries[*m_selection].file;
        const auto to = m_directory / (newName + std::string(kExtension));
        // QFile never renames over an existing file, so the other profile is kept.
        QFile file(qPath(from));
        if (pathTaken(to) || !file.rename(qPath(to))) {
            if (pathTaken(to))
                m_prompter.message(message(StringId::RenameTargetExists));
            else
                m_prompter.message(
                    format(StringId::CannotRenameProfile,
                           {quoted(from), quoted(to), file.errorString().toStdString()}),
                    Prompter::Icon::Exclamation);
        }
    }
    listProfiles();
    selectPrefix(newName);
}

void SelectUser::afterDownload() {
    // The file went into the folder listed, which may be one chosen under "Other disks".
    if (m_directory == m_paths.profileDirectory())
        listProfiles();
    else
        listDirectory(m_directory);
    selectPrefix("from_network");
}

std::optional<SignIn> SelectUser::result() const {
    if (!m_accepted) return std::nullopt;
    SignIn signIn;
    signIn.path = m_path;
    signIn.directory = m_directory;
    signIn.userName = m_userName;
    signIn.password = m_password;
    signIn.merge = m_merge;
    return signIn;
}

}  // namespace kivrano
