#include "cli/Commands.h"

#include "cli/CliError.h"
#include "cli/Display.h"
#include "cli/Passwords.h"
#include "cli/VaultJson.h"
#include "vault/CKivranoDoc.h"
#include "vault/FileIO.h"
#include "vault/FileLock.h"
#include "vault/Secure.h"
#include "vault/Strings.h"
#include "vault/TextListing.h"
#include "vault/VaultFile.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

namespace kivrano::cli {

namespace {

constexpr std::string_view kMask = "********";

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

void note(const std::string& text) {
    std::cerr << "kivrano-cli: " << text << '\n';
}

// Writes everything to standard output; a failed write (a full disk behind a redirection)
// must not look like success.
void writeStdout(std::string_view text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(STDOUT_FILENO, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CliError(kExitFile,
                           std::string("cannot write to standard output: ") + std::strerror(errno));
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Output that holds secrets: to a new file (mode 0600) or to standard output, then wiped.
void emitSecret(std::string& text, const std::string& output, bool force) {
    if (output.empty()) {
        try {
            writeStdout(text);
        } catch (...) {
            secureWipe(text);
            throw;
        }
        secureWipe(text);
        return;
    }
    if (!force && fileio::exists(output)) {
        secureWipe(text);
        throw CliError(kExitRefused, quoted(output) + " already exists; add --force to replace it");
    }
    std::string error;
    const bool written = fileio::writeAtomically(output, text.data(), text.size(), error);
    secureWipe(text);
    if (!written) throw CliError(kExitFile, error);
}

std::vector<std::uint8_t> readVaultBytes(const std::string& path) {
    std::string error;
    auto bytes = fileio::readAll(path, error);
    if (!bytes) throw CliError(kExitFile, error);
    return std::move(*bytes);
}

std::string damagedMessage(const std::string& path, const std::string& what) {
    std::string message = quoted(path) + " is damaged (" + what + ")";
    const std::string backup = fileio::backupPath(path);
    if (backup != path && fileio::exists(backup))
        message += "; its backup copy " + quoted(backup) + " may still be good";
    return message;
}

enum class OnWrongPassword {
    Refuse,
    RefuseWithHint,   // the command could read the unprotected folders: say how
    ReadUnprotected,  // go on with the folders that are not password-protected
};

// Reads a vault file's bytes and turns every failure into the right exit status.
vaultfile::ReadResult readVault(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                const std::string& password, OnWrongPassword onWrong) {
    vaultfile::ReadOptions options;
    options.buildIndex = false;
    options.askContinueUnprotected = [onWrong](std::string_view) {
        return onWrong == OnWrongPassword::ReadUnprotected;
    };
    vaultfile::ReadResult result = vaultfile::read(bytes, password, options);
    switch (result.status) {
        case vaultfile::ReadStatus::Ok: break;
        case vaultfile::ReadStatus::Declined:
            throw CliError(kExitRefused,
                           "wrong password for " + quoted(path) +
                               (onWrong == OnWrongPassword::RefuseWithHint
                                    ? "; add --unprotected-only to read the folders that are "
                                      "not password-protected"
                                    : ""));
        case vaultfile::ReadStatus::InvalidPassword:
            throw CliError(kExitRefused,
                           "cannot open " + quoted(path) +
                               ": wrong password, or the file was written by a newer version "
                               "of Kivrano");
        case vaultfile::ReadStatus::NotVaultFile:
            throw CliError(kExitFile, text(StringId::NotVaultFile, {path}));
        case vaultfile::ReadStatus::Damaged:
            throw CliError(kExitFile, damagedMessage(path, result.error));
    }
    if (result.nonzeroPaddings > 0)
        note(text(StringId::NonzeroPaddingWarning, {std::to_string(result.nonzeroPaddings), path,
                                                    std::to_string(result.firstNonzeroPadding)}));
    return result;
}

// Asks for the file's password and reads it; the common start of the reading commands.
vaultfile::ReadResult openForReading(const std::string& path, bool passwordStdin,
                                     bool unprotectedOnly, bool offerUnprotected) {
    std::vector<std::uint8_t> bytes = readVaultBytes(path);
    PasswordSource passwords(passwordStdin);
    std::string password = passwords.ask("password of " + quoted(path));
    OnWrongPassword onWrong = unprotectedOnly    ? OnWrongPassword::ReadUnprotected
                              : offerUnprotected ? OnWrongPassword::RefuseWithHint
                                                 : OnWrongPassword::Refuse;
    try {
        vaultfile::ReadResult result = readVault(path, bytes, password, onWrong);
        secureWipe(password);
        if (result.unprotectedOnly)
            note("wrong password for " + quoted(path) +
                 ": reading only the folders that are not password-protected");
        return result;
    } catch (...) {
        secureWipe(password);
        throw;
    }
}

// Message boxes of the document, kept for the command to report; every question is
// answered No, since a command says up front what it does.
class RecordingPrompter : public Prompter {
public:
    void message(const std::string& text, Icon) override { m_messages.push_back(text); }
    bool askYesNo(const std::string& text, Icon) override {
        m_questions.push_back(text);
        return false;
    }
    SaveChoice askSaveChanges(const std::string&) override { return SaveChoice::Discard; }
    ChangedFileChoice askChangedOnDisk(const std::string& text) override {
        m_questions.push_back(text);
        return ChangedFileChoice::Cancel;
    }
    std::string askSavePath(const std::string&) override { return {}; }

    // The document's question about saving without a backup, when it was asked: its first
    // paragraph says why there is none.
    std::optional<std::string> backupProblem() const {
        const std::string mark = text(StringId::SaveWithoutBackupQuestion, {""});
        const std::string lead = mark.substr(0, mark.find('\n'));
        for (const std::string& q : m_questions)
            if (q.compare(0, lead.size(), lead) == 0) return q.substr(0, q.find('\n'));
        return std::nullopt;
    }

    const std::vector<std::string>& messages() const { return m_messages; }
    void clear() { m_messages.clear(); }
    std::string joined() const {
        std::string all;
        for (const std::string& m : m_messages) {
            if (!all.empty()) all += " ";
            all += m;
        }
        return all;
    }

private:
    std::vector<std::string> m_messages;
    std::vector<std::string> m_questions;
};

// The lock of a vault that a command is about to change, held until the command ends.
fileio::FileLock lockForChange(const std::string& path, double waitSeconds) {
    std::string error;
    auto lock = fileio::FileLock::acquire(
        path, std::chrono::milliseconds(static_cast<std::int64_t>(waitSeconds * 1000)), error);
    if (!lock) throw CliError(kExitBusy, error);
    return std::move(*lock);
}

std::string noBackupMessage(const std::string& why, const std::string& path) {
    return why + "; " + quoted(path) +
           " was not changed. Add --no-backup to change it without a backup copy";
}

std::string pad(const std::string& label, std::size_t width) {
    std::string padded = label;
    if (padded.size() < width) padded.append(width - padded.size(), ' ');
    return padded;
}

// The key presses that follow typing a field, as the item editor sets them.
std::string keySuffix(std::int8_t tab, std::int8_t enter) {
    if (tab == 0 && enter == 0) return {};
    std::string keys;
    if (tab > 0) keys += "Tab " + std::to_string(tab);
    if (tab < 0) keys += "Shift+Tab " + std::to_string(-tab);
    if (enter != 0) {
        if (!keys.empty()) keys += ", ";
        keys +=
            enter > 0 ? "Enter " + std::to_string(enter) : "Shift+Enter " + std::to_string(-enter);
    }
    return "   (then " + keys + ")";
}

std::string shownValue(const std::string& value, bool hidden) {
    if (hidden && !value.empty()) return std::string(kMask);
    return displayText(value);
}

std::string itemBlock(const std::string& folderName, const VaultItem& item,
                      const VaultSettings& settings, bool reveal) {
    constexpr std::size_t kWidth = 15;
    std::string out;
    auto line = [&](const std::string& label, const std::string& value) {
        out += (value.empty() ? label + ":" : pad(label + ":", kWidth) + value) + "\n";
    };
    line("Folder", displayText(folderName));
    line("Title", displayText(item.title));
    line("Address", displayText(item.address));
    line("Open with", openWithLabel(item, settings));
    line("Launching key", hotKeyName(item.launchKey));
    line("ID", shownValue(item.id, item.hideId != 0 && !reveal) +
                   keySuffix(item.tabCount[0], item.enterCount[0]));
    line("Password", shownValue(item.password, item.hidePassword != 0 && !reveal) +
                         keySuffix(item.tabCount[1], item.enterCount[1]));
    for (std::size_t k = 0; k < 6; ++k) {
        const std::string suffix = keySuffix(item.tabCount[k + 2], item.enterCount[k + 2]);
        if (item.etcName[k].empty() && item.etcText[k].empty() && suffix.empty()) continue;
        line("Etc" + std::to_string(k + 1),
             displayText(item.etcName[k]) + " = " +
                 shownValue(item.etcText[k], item.hideEtc[k] != 0 && !reveal) + suffix);
    }
    if (item.hideMemo != 0 && !reveal && !item.memo.empty()) {
        line("Memo", std::string(kMask));
    } else {
        // One display line per memo line, under the first.
        std::string memoLines;
        std::size_t start = 0;
        bool first = true;
        while (start <= item.memo.size()) {
            std::size_t end = item.memo.find('\n', start);
            if (end == std::string::npos) end = item.memo.size();
            std::size_t stop = end;
            if (stop > start && item.memo[stop - 1] == '\r') --stop;
            if (!first) memoLines += "\n" + std::string(kWidth, ' ');
            memoLines += displayText(std::string_view(item.memo).substr(start, stop - start));
            first = false;
            start = end + 1;
        }
        line("Memo", memoLines);
        secureWipe(memoLines);
    }
    return out;
}

const char* const kHotKeyLabels[kGlobalHotKeyCount] = {"ID",
                                                       "Password",
                                                       "Etc1",
                                                       "Etc2",
                                                       "Etc3",
                                                       "Etc4",
                                                       "Etc5",
                                                       "Etc6",
                                                       "Memo",
                                                       "Show or hide",
                                                       "Address on the clipboard"};

}  // namespace

int runInfo(const InfoOptions& options) {
    vaultfile::ReadResult result;
    std::string contents;
    if (options.passwordStdin) {
        result = openForReading(options.file, true, options.unprotectedOnly, true);
        contents =
            result.unprotectedOnly ? "unprotected folders only (wrong password)" : "complete";
    } else {
        // Without a password everything but the protected folders can still be read.
        std::vector<std::uint8_t> bytes = readVaultBytes(options.file);
        vaultfile::ReadOptions readOptions;
        readOptions.buildIndex = false;
        readOptions.askContinueUnprotected = [](std::string_view) { return true; };
        result = vaultfile::read(bytes, "", readOptions);
        if (result.status == vaultfile::ReadStatus::NotVaultFile)
            throw CliError(kExitFile, text(StringId::NotVaultFile, {options.file}));
        if (result.status == vaultfile::ReadStatus::Damaged)
            throw CliError(kExitFile, damagedMessage(options.file, result.error));
        contents = result.unprotectedOnly
                       ? "unprotected folders only (give the password with --password-stdin "
                         "for the rest)"
                       : "complete (the password is empty)";
    }

    std::string out;
    auto line = [&](const std::string& label, const std::string& value) {
        out += pad(label + ":", 16) + value + "\n";
    };
    const bool blowfish = result.header[0] == 'B' && result.header[1] == 'F';
    line("File", displayText(options.file));
    line("Format", blowfish ? displayText(std::string_view(
                                  reinterpret_cast<const char*>(result.header.data()), 4))
                            : std::string("legacy (DES)"));
    if (result.status == vaultfile::ReadStatus::InvalidPassword) {
        // An old-format file keeps even its settings under the password.
        line("Version", "unknown without the password");
        line("Contents", "none readable without the password; give it with --password-stdin");
        writeStdout(out);
        return kExitOk;
    }
    line("Version", displayText(result.version));
    line("Contents", contents);
    const VaultSettings& s = result.settings;
    line("AutoTrack", s.autoTrack != 0 ? "on" : "off");
    line("Automatic lock",
         s.autoLockMinutes != 0 ? std::to_string(s.autoLockMinutes) + " minutes" : "off");
    line("Typing mode", typeInModeLabel(s.typeInMode));
    out += "Global hotkeys:\n";
    for (std::size_t h = 0; h < kGlobalHotKeyCount; ++h)
        out += "  " + pad(kHotKeyLabels[h], 26) + hotKeyName(s.globalHotKeys[h]) + "\n";
    line("Applications", std::to_string(s.applicationTable.size()));
    for (std::size_t e = 0; e < s.applicationTable.size(); ++e)
        out += "  " + std::to_string(e) + ": " + displayText(s.applicationTable[e]) + "\n";

    const VaultTree& tree = result.tree;
    std::size_t unprotected = 0;
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f))
        if (tree.data(f) != 0) ++unprotected;
    if (result.unprotectedOnly) {
        line("Folders", std::to_string(tree.folderCount()) +
                            " unprotected (password-protected folders are not counted)");
    } else {
        line("Folders", std::to_string(tree.folderCount()) + " (" +
                            std::to_string(tree.folderCount() - unprotected) +
                            " password-protected, " + std::to_string(unprotected) +
                            " unprotected)");
    }
    line("Items", std::to_string(tree.itemCount()));
    writeStdout(out);
    return kExitOk;
}

int runList(const ListOptions& options) {
    vaultfile::ReadResult result =
        openForReading(options.file, options.passwordStdin, options.unprotectedOnly, true);
    const VaultTree& tree = result.tree;
    std::string out;
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        out += displayText(tree.text(f)) +
               (tree.data(f) != 0 ? "  [unprotected]\n" : "  [password-protected]\n");
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i))
            out += "    " + displayText(tree.item(i)->title) + "\n";
    }
    writeStdout(out);
    return kExitOk;
}

int runShow(const ShowOptions& options) {
    vaultfile::ReadResult result =
        openForReading(options.file, options.passwordStdin, false, false);
    const VaultTree& tree = result.tree;
    bool folderFound = false;
    std::string out;
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        if (tree.text(f) != options.folder) continue;
        folderFound = true;
        for (TreeNode i = tree.findItem(f, options.title); i != kNoNode;
             i = tree.findItem(f, options.title, i)) {
            if (!out.empty()) out += "\n";
            out += itemBlock(tree.text(f), *tree.item(i), result.settings, options.reveal);
        }
    }
    if (!folderFound)
        throw CliError(kExitRefused, quoted(options.file) + " has no folder named " +
                                         quoted(options.folder) + "; \"kivrano-cli ls " +
                                         options.file + "\" lists its folders and items");
    if (out.empty())
        throw CliError(kExitRefused, "folder " + quoted(options.folder) + " of " +
                                         quoted(options.file) + " has no item titled " +
                                         quoted(options.title));
    emitSecret(out, {}, false);
    return kExitOk;
}

int runExport(const ExportOptions& options) {
    if (options.nonEmpty && options.format != "text")
        throw CliError(kExitUsage, "--non-empty applies to --format text only");
    if (!options.output.empty() && !options.force && fileio::exists(options.output))
        throw CliError(kExitRefused,
                       quoted(options.output) + " already exists; add --force to replace it");
    // A terminal shows every password to whoever looks at the screen, and keeps them in its
    // scroll-back: asked before anything is read.
    if (options.output.empty() && !options.yes && ::isatty(STDOUT_FILENO) &&
        !confirmOnTerminal("This shows every password of " + quoted(options.file) +
                           " in clear on the terminal. Go on?"))
        throw CliError(kExitRefused, "nothing was shown; write to a file with -o, or add --yes");
    vaultfile::ReadResult result =
        openForReading(options.file, options.passwordStdin, options.unprotectedOnly, true);
    std::string out;
    if (options.format == "text") {
        out = textListing(result.tree,
                          options.nonEmpty ? ListingLines::NonEmptyOnly : ListingLines::All);
    } else {
        out = formatVaultJson(result.tree, result.settings, result.formatNumber, result.version);
    }
    emitSecret(out, options.output, options.force);
    return kExitOk;
}

int runImport(const ImportOptions& options) {
    const bool fromStdin = options.json == "-";
    if (fromStdin && options.passwordStdin)
        throw CliError(kExitUsage,
                       "the JSON and the password cannot both come from standard input; name "
                       "the JSON file, or leave out --password-stdin to be asked on the "
                       "terminal");
    if (!options.force && fileio::exists(options.out))
        throw CliError(kExitRefused,
                       quoted(options.out) + " already exists; add --force to replace it");

    std::string input;
    const std::string source = fromStdin ? std::string("standard input") : quoted(options.json);
    if (fromStdin) {
        // The same limit as for files: a document that never ends must not take the memory.
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            input.append(buffer, static_cast<std::size_t>(n));
            if (input.size() > fileio::kMaxFileSize) {
                secureWipe(input);
                throw CliError(kExitFile,
                               "standard input holds more than the 64 MiB that Kivrano reads; "
                               "nothing was written");
            }
        }
        secureWipe(buffer, sizeof buffer);
    } else {
        std::string error;
        auto bytes = fileio::readAll(options.json, error);
        if (!bytes) throw CliError(kExitFile, error);
        input.assign(bytes->begin(), bytes->end());
        secureWipe(*bytes);
    }

    VaultTree tree;
    VaultSettings settings;
    {
        Json document;
        try {
            document = parseJson(input);
        } catch (const JsonSyntaxError& e) {
            secureWipe(input);
            throw CliError(kExitFile,
                           source + " is not valid JSON (" + e.what() + "); nothing was written");
        } catch (const JsonImportError& e) {
            secureWipe(input);
            throw CliError(kExitFile, source + ": " + e.what() + "; nothing was written");
        }
        secureWipe(input);
        try {
            vaultFromJson(document, tree, settings);
        } catch (const JsonImportError& e) {
            wipeJson(document);
            throw CliError(kExitFile, source + ": " + e.what() + "; nothing was written");
        }
        wipeJson(document);
    }

    PasswordSource passwords(options.passwordStdin);
    std::string password = passwords.ask("password for the new file " + quoted(options.out));
    if (!options.passwordStdin) {
        std::string again = passwords.ask("the same password again, to confirm");
        const bool same = again == password;
        secureWipe(again);
        if (!same) {
            secureWipe(password);
            throw CliError(kExitRefused, "the two passwords differ; nothing was written");
        }
    }
    std::vector<std::uint8_t> bytes = vaultfile::write(tree, settings, password);
    secureWipe(password);
    std::string error;
    if (!fileio::writeAtomically(options.out, bytes, error)) throw CliError(kExitFile, error);
    note("wrote " + quoted(options.out) + ": " + std::to_string(tree.folderCount()) + " folders, " +
         std::to_string(tree.itemCount()) + " items");
    // The file keeps only the applications that items use; say so rather than lose them
    // silently.
    std::vector<bool> used(settings.applicationTable.size(), false);
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f))
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i))
            if (tree.item(i)->appIndex >= 0)
                used[static_cast<std::size_t>(tree.item(i)->appIndex)] = true;
    const auto unused = static_cast<std::size_t>(std::count(used.begin(), used.end(), false));
    if (unused > 0)
        note(std::to_string(unused) +
             " application entries that no item uses were left out: a vault file keeps only "
             "the applications its items use");
    return kExitOk;
}

int runPasswd(const PasswdOptions& options) {
    const std::string& path = options.file;
    PasswordSource passwords(options.passwordStdin);
    std::vector<std::uint8_t> bytes = readVaultBytes(path);
    std::string current = passwords.ask("current password of " + quoted(path));
    std::string fresh, confirmation;
    auto wipeAll = [&] {
        secureWipe(current);
        secureWipe(fresh);
        secureWipe(confirmation);
    };
    try {
        // Checked before the new password is asked for, so a typing error costs one line.
        readVault(path, bytes, current, OnWrongPassword::Refuse);
        secureWipe(bytes);
        fresh = passwords.ask("new password for " + quoted(path));
        confirmation = passwords.ask("new password again, to confirm");

        // From the read below to the rename of the save, no other writer of ours gets in.
        const fileio::FileLock lock = lockForChange(path, options.lockWaitSeconds);
        RecordingPrompter prompter;
        CKivranoDoc doc(prompter);
        if (!doc.open(path, current, false))
            throw CliError(kExitFile, "cannot open " + quoted(path) + ": " + prompter.joined());
        prompter.clear();
        doc.changePassword(current, fresh, confirmation);
        const auto& said = prompter.messages();
        const bool changed = !said.empty() && (said.back() == text(StringId::PasswordChanged) ||
                                               said.back() == text(StringId::PasswordChangedEmpty));
        if (!changed)
            throw CliError(kExitRefused, (said.empty() ? std::string("refused.") : said.back()) +
                                             " The password of " + quoted(path) +
                                             " was not changed.");
        prompter.clear();
        if (!(options.noBackup ? doc.saveWithoutBackup() : doc.save())) {
            if (auto why = prompter.backupProblem())
                throw CliError(kExitFile, noBackupMessage(*why, path));
            throw CliError(kExitFile, prompter.joined() + " The password of " + quoted(path) +
                                          " was not changed.");
        }
        if (options.noBackup)
            note("changed the password of " + quoted(path) + "; no backup copy was made");
        else
            note("changed the password of " + quoted(path) + "; the file as it was is kept as " +
                 quoted(fileio::backupPath(path)));
        if (fresh.empty()) note("the new password is empty: anybody who has the file can open it");
    } catch (...) {
        wipeAll();
        throw;
    }
    wipeAll();
    return kExitOk;
}

int runMerge(const MergeOptions& options) {
    PasswordSource passwords(options.passwordStdin);
    std::vector<std::uint8_t> intoBytes = readVaultBytes(options.into);
    std::vector<std::uint8_t> fromBytes = readVaultBytes(options.from);
    std::string intoPassword, fromPassword;
    auto wipeAll = [&] {
        secureWipe(intoPassword);
        secureWipe(fromPassword);
        secureWipe(intoBytes);
        secureWipe(fromBytes);
    };
    try {
        intoPassword = passwords.ask("password of " + quoted(options.into));
        readVault(options.into, intoBytes, intoPassword, OnWrongPassword::Refuse);
        fromPassword = passwords.ask("password of " + quoted(options.from));
        const std::size_t fromItems =
            readVault(options.from, fromBytes, fromPassword, OnWrongPassword::Refuse)
                .tree.itemCount();

        // INTO is read again under the lock, which is held to the rename: what another
        // program saved meanwhile is merged, not overwritten.
        const fileio::FileLock lock = lockForChange(options.into, options.lockWaitSeconds);
        secureWipe(intoBytes);
        intoBytes = readVaultBytes(options.into);
        readVault(options.into, intoBytes, intoPassword, OnWrongPassword::Refuse);
        RecordingPrompter prompter;
        CKivranoDoc doc(prompter);
        if (!doc.open(options.into, intoPassword, false))
            throw CliError(kExitFile,
                           "cannot open " + quoted(options.into) + ": " + prompter.joined());
        const std::size_t foldersBefore = doc.tree().folderCount();
        const std::size_t itemsBefore = doc.tree().itemCount();
        std::vector<std::pair<TreeNode, bool>> protectedBefore;
        for (TreeNode f = doc.tree().firstFolder(); f != kNoNode; f = doc.tree().nextSibling(f))
            protectedBefore.emplace_back(f, doc.tree().data(f) == 0);
        prompter.clear();
        if (!doc.open(options.from, fromPassword, true))
            throw CliError(kExitRefused, prompter.joined().empty()
                                             ? "cannot merge " + quoted(options.from)
                                             : prompter.joined());

        // The document would now save to the merged file; here INTO is the one written,
        // under its own password, after a backup of what it held.
        std::vector<std::uint8_t> merged =
            vaultfile::write(doc.tree(), doc.settings(), intoPassword);
        const std::string backup = fileio::backupPath(options.into);
        std::string error;
        const bool backedUp =
            !options.noBackup && fileio::writeAtomically(backup, intoBytes, error);
        if (!options.noBackup && !backedUp) {
            secureWipe(merged);
            throw CliError(kExitFile,
                           noBackupMessage("no backup copy could be made: " + error, options.into));
        }
        const bool written = fileio::writeAtomically(options.into, merged, error);
        secureWipe(merged);
        if (!written) throw CliError(kExitFile, error);

        // A joined folder takes FROM's protection; say so, since it changes who can read
        // the items INTO already had.
        for (const auto& [folder, wasProtected] : protectedBefore) {
            const bool isProtected = doc.tree().data(folder) == 0;
            if (isProtected == wasProtected) continue;
            note("folder " + quoted(displayText(doc.tree().text(folder))) + " is now " +
                 (isProtected ? "password-protected"
                              : "unprotected: its items can be read without the password") +
                 ", as in " + quoted(options.from));
        }
        const std::size_t addedItems = doc.tree().itemCount() - itemsBefore;
        note("merged " + quoted(options.from) + " into " + quoted(options.into) + ": " +
             std::to_string(doc.tree().folderCount() - foldersBefore) + " new folders, " +
             std::to_string(addedItems) + " new items, " + std::to_string(fromItems - addedItems) +
             " items left out as equal to one already there" +
             (backedUp ? "; the file as it was is kept as " + quoted(backup) : std::string()));
    } catch (...) {
        wipeAll();
        throw;
    }
    wipeAll();
    return kExitOk;
}

}  // namespace kivrano::cli
