// The kivrano-cli program run as a user runs it: arguments, standard input, exit status,
// output and the files it leaves behind.

#include "cli/VaultJson.h"
#include "support/FileBytes.h"
#include "support/SampleVault.h"
#include "support/ScratchDirectory.h"
#include "vault/FileIO.h"
#include "vault/FileLock.h"
#include "vault/TextListing.h"
#include "vault/VaultFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace kivrano;
namespace fs = std::filesystem;
namespace support = kivrano::testing;

namespace {

const std::string kFixtures = KIVRANO_FIXTURE_DIR;
const std::string kFixturePassword = "legacy pw";

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the program with input on its standard input. The child gets a session of its own,
// so it has no terminal to ask on, just as under cron or in a pipeline.
CliRun runCli(const std::vector<std::string>& args, const std::string& input = {}) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argvStrings{KIVRANO_CLI_PATH};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStrings) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);

    CliRun run;
    std::size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        std::array<pollfd, 3> fds{{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}}};
        if (!outOpen) fds[0].fd = -1;
        if (!errOpen) fds[1].fd = -1;
        if (::poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ADD_FAILURE() << "kivrano-cli did not finish";
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[static_cast<std::size_t>(k)].revents == 0) continue;
            char buffer[4096];
            ssize_t n = ::read(fds[static_cast<std::size_t>(k)].fd, buffer, sizeof buffer);
            if (n <= 0) {
                (k == 0 ? outOpen : errOpen) = false;
            } else {
                (k == 0 ? run.out : run.err).append(buffer, static_cast<std::size_t>(n));
            }
        }
        if (inFd >= 0 && fds[2].revents != 0) {
            ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0) ::close(inFd);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return run;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliBinary : public ::testing::Test {
protected:
    void SetUp() override {
        std::signal(SIGPIPE, SIG_IGN);  // a child that stops reading must not end the test
    }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    // The sample vault written by us under password.
    std::string writeSample(const std::string& name, const std::string& password) const {
        auto v = support::makeSampleVault();
        support::writeFileBytes(path(name), vaultfile::write(v.tree, v.settings, password));
        return path(name);
    }

    static vaultfile::ReadResult readBack(const std::string& file, const std::string& password) {
        return vaultfile::read(support::readFileBytes(file), password);
    }

    kivrano::testing::ScratchDirectory m_scratch{"kivrano-cli"};
    fs::path m_dir = m_scratch.path();
};

// The export of a file, with the parts that may differ between a legacy file and the file
// written from it made comparable: no "format", "version" or legacyValue, and each item's
// application by path, since a save keeps only the applications that items refer to.
cli::Json comparableExport(const std::string& json) {
    cli::Json doc = cli::Json::parse(json);
    doc.erase("format");
    doc.erase("version");
    cli::Json table = doc["settings"]["applicationTable"];
    doc["settings"].erase("applicationTable");
    for (auto& folder : doc["folders"])
        for (auto& item : folder["items"]) {
            item.erase("legacyValue");
            const auto index = item["appIndex"].get<int>();
            item["appIndex"] = index < 0 ? cli::Json() : table.at(static_cast<std::size_t>(index));
        }
    return doc;
}

}  // namespace

TEST_F(CliBinary, ImportOfExportGivesTheSameFileByteForByte) {
    // A file of ours, and one with texts that are not UTF-8, zero bytes and the empty password.
    VaultTree odd;
    VaultSettings oddSettings;
    oddSettings.applicationTable = {std::string("C:\\Programme\\\xC4rger.exe")};
    TreeNode folder = odd.insertFolder({std::string("Geh\xE4use\0x", 8), 2});
    auto item = std::make_unique<VaultItem>();
    item->title = std::string("\xFF\xFE", 2);
    item->password = std::string("a\0b", 3);
    item->memo = "one\r\ntwo\n";
    item->appChoice = VaultItem::kAppChoiceApplication;
    item->appIndex = 0;
    item->hideEtc[3] = 1;
    odd.insertItem(folder, std::move(item));
    support::writeFileBytes(path("odd.kvr"), vaultfile::write(odd, oddSettings, ""));

    const std::pair<std::string, std::string> files[] = {
        {kFixtures + "/current-KVR2.04.kvr", kFixturePassword},
        {path("odd.kvr"), ""},
    };
    for (const auto& [file, password] : files) {
        SCOPED_TRACE(file);
        CliRun exported = runCli({"export", "--password-stdin", file}, password + "\n");
        ASSERT_EQ(exported.code, 0) << exported.err;
        support::writeFileBytes(path("vault.json"), std::vector<std::uint8_t>(exported.out.begin(),
                                                                              exported.out.end()));
        CliRun imported =
            runCli({"import", "--password-stdin", "--force", path("vault.json"), path("again.kvr")},
                   password + "\n");
        ASSERT_EQ(imported.code, 0) << imported.err;
        EXPECT_EQ(support::readFileBytes(path("again.kvr")), support::readFileBytes(file));
    }
}

TEST_F(CliBinary, LegacyFilesBecomeCurrentFilesWithTheSameContent) {
    for (const char* version : {"1.00", "1.01", "1.02", "1.03", "1.04", "1.05", "1.06", "2.00",
                                "2.01", "2.02", "2.03", "2.04"}) {
        const std::string legacy = kFixtures + "/legacy-KVR" + version + ".kvr";
        SCOPED_TRACE(legacy);
        CliRun first = runCli({"export", "--password-stdin", legacy}, kFixturePassword + "\n");
        ASSERT_EQ(first.code, 0) << first.err;
        const cli::Json firstDoc = cli::Json::parse(first.out);
        EXPECT_EQ(firstDoc["format"], 0);
        EXPECT_EQ(firstDoc["version"], std::string("KVR") + version);
        support::writeFileBytes(path("legacy.json"),
                                std::vector<std::uint8_t>(first.out.begin(), first.out.end()));

        CliRun imported = runCli(
            {"import", "--password-stdin", "--force", path("legacy.json"), path("current.kvr")},
            kFixturePassword + "\n");
        ASSERT_EQ(imported.code, 0) << imported.err;
        // The old file lists an application no item uses and one twice.
        EXPECT_TRUE(contains(imported.err, "2 application entries that no item uses"))
            << imported.err;
        auto bytes = support::readFileBytes(path("current.kvr"));
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "BF01");

        CliRun second =
            runCli({"export", "--password-stdin", path("current.kvr")}, kFixturePassword + "\n");
        ASSERT_EQ(second.code, 0) << second.err;
        const cli::Json secondDoc = cli::Json::parse(second.out);
        EXPECT_EQ(secondDoc["format"], 1);
        EXPECT_EQ(secondDoc["version"], "KVR2.04");
        EXPECT_EQ(comparableExport(second.out), comparableExport(first.out));
        // legacyValue is read from the old versions and never written.
        for (const auto& f : secondDoc["folders"])
            for (const auto& i : f["items"]) EXPECT_EQ(i["legacyValue"], 0);
    }
}

TEST_F(CliBinary, ExitStatusTellsWhatWentWrong) {
    const std::string good = writeSample("good.kvr", "right");
    auto damagedBytes = support::readFileBytes(good);
    damagedBytes.resize(damagedBytes.size() - 9);
    support::writeFileBytes(path("damaged.kvr"), damagedBytes);
    support::writeFileBytes(path("bad.json"), {'{', '"', 'f'});
    const std::string legacy = kFixtures + "/legacy-KVR1.03.kvr";

    struct Case {
        std::vector<std::string> args;
        std::string input;
        int code;
        std::string message;  // part of standard error
    } cases[] = {
        {{}, "", 2, "subcommand"},
        {{"frobnicate"}, "", 2, "frobnicate"},
        {{"ls"}, "", 2, "FILE"},
        {{"ls", "--password", "secret", good}, "", 2, "--password"},
        {{"export", "--format", "xml", good}, "", 2, "xml"},
        {{"export", "--non-empty", "--password-stdin", good}, "right\n", 2, "--format text"},
        {{"ls", "--password-stdin", good}, "", 2, "standard input ended"},
        {{"ls", good}, "", 2, "no terminal"},
        {{"ls", "--password-stdin", path("missing.kvr")}, "x\n", 3, "missing.kvr"},
        {{"ls", "--password-stdin", path("damaged.kvr")}, "right\n", 3, "is damaged"},
        {{"info", path("damaged.kvr")}, "", 3, "is damaged"},
        {{"import", "--password-stdin", path("bad.json"), path("x.kvr")}, "p\n", 3, "line 1"},
        {{"import", "--password-stdin", path("none.json"), path("x.kvr")}, "p\n", 3, "none.json"},
        {{"ls", "--password-stdin", good}, "wrong\n", 1, "--unprotected-only"},
        {{"show", "--password-stdin", good, "Mail", "Mail Box"}, "wrong\n", 1, "wrong password"},
        {{"ls", "--password-stdin", legacy}, "wrong\n", 1, "wrong password"},
        {{"ls", "--password-stdin", "--unprotected-only", legacy}, "wrong\n", 1, "wrong password"},
        {{"show", "--password-stdin", good, "Nope", "Mail Box"}, "right\n", 1, "no folder named"},
        {{"show", "--password-stdin", good, "Mail", "Nope"}, "right\n", 1, "no item titled"},
        {{"import", "--password-stdin", "-", path("x.kvr")}, "{}\n", 2, "standard input"},
        {{"ls", "--password-stdin", good}, "right\n", 0, ""},
        {{"--help"}, "", 0, ""},
        {{"--version"}, "", 0, ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        CliRun run = runCli(c.args, c.input);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_TRUE(contains(run.err, c.message)) << run.err;
        EXPECT_FALSE(contains(run.err, "right")) << "a password reached standard error";
    }
    EXPECT_FALSE(fs::exists(path("x.kvr")));

    // A write that fails: the directory is gone.
    CliRun exported = runCli({"export", "--password-stdin", good}, "right\n");
    support::writeFileBytes(path("good.json"),
                            std::vector<std::uint8_t>(exported.out.begin(), exported.out.end()));
    CliRun failed =
        runCli({"import", "--password-stdin", path("good.json"), path("gone/x.kvr")}, "p\n");
    EXPECT_EQ(failed.code, 3);
    EXPECT_TRUE(contains(failed.err, "gone/x.kvr")) << failed.err;
}

TEST_F(CliBinary, HelpDescribesEveryCommand) {
    CliRun top = runCli({"--help"});
    for (const char* command : {"info", "ls", "show", "export", "import", "passwd", "merge"}) {
        EXPECT_TRUE(contains(top.out, command)) << command;
        CliRun help = runCli({command, "--help"});
        EXPECT_EQ(help.code, 0) << command;
        EXPECT_TRUE(contains(help.out, "--password-stdin")) << command;
    }
    EXPECT_TRUE(contains(top.out, "Exit status"));
}

TEST_F(CliBinary, PasswordsAreLinesOfStandardInput) {
    const std::string good = writeSample("good.kvr", "right");
    CliRun exported = runCli({"export", "--password-stdin", good}, "right\n");
    ASSERT_EQ(exported.code, 0) << exported.err;
    support::writeFileBytes(path("v.json"),
                            std::vector<std::uint8_t>(exported.out.begin(), exported.out.end()));

    // The newline ends the password; an empty line is the empty password; the last line
    // may lack its newline; a line may hold spaces.
    const std::pair<std::string, std::string> cases[] = {
        {"pw\n", "pw"},
        {"\n", ""},
        {"no newline", "no newline"},
        {" sp ace \n", " sp ace "},
        {"first\nsecond\n", "first"},
    };
    for (const auto& [input, password] : cases) {
        SCOPED_TRACE(input);
        CliRun run =
            runCli({"import", "--password-stdin", "--force", path("v.json"), path("p.kvr")}, input);
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(readBack(path("p.kvr"), password).status, vaultfile::ReadStatus::Ok);
        if (input != password) {
            EXPECT_EQ(readBack(path("p.kvr"), input).status, vaultfile::ReadStatus::Declined);
        }
    }
}

TEST_F(CliBinary, PasswdTakesCurrentNewAndConfirmationAndKeepsABackup) {
    const std::string file = writeSample("alice.kvr", "old");
    const auto before = support::readFileBytes(file);
    const std::string backup = path("alice (backup).kvr");

    struct Refused {
        std::string input;
        std::string message;
    } refusals[] = {
        {"wrong\nnew\nnew\n", "wrong password"},
        {"old\nnew\nother\n", "don't match"},
        {"old\nnew\n", "standard input ended"},
    };
    for (const auto& r : refusals) {
        CliRun run = runCli({"passwd", "--password-stdin", file}, r.input);
        EXPECT_NE(run.code, 0) << r.input;
        EXPECT_TRUE(contains(run.err, r.message)) << run.err;
        EXPECT_EQ(support::readFileBytes(file), before) << r.input;
        EXPECT_FALSE(fs::exists(backup)) << r.input;
    }

    CliRun changed = runCli({"passwd", "--password-stdin", file}, "old\nnew\nnew\n");
    ASSERT_EQ(changed.code, 0) << changed.err;
    EXPECT_EQ(readBack(file, "new").status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(readBack(file, "old").status, vaultfile::ReadStatus::Declined);
    EXPECT_EQ(support::readFileBytes(backup), before);
    EXPECT_EQ(runCli({"ls", "--password-stdin", file}, "old\n").code, 1);
    EXPECT_EQ(runCli({"ls", "--password-stdin", file}, "new\n").out,
              runCli({"ls", "--password-stdin", path("alice (backup).kvr")}, "old\n").out);

    // To the empty password: still encrypted, and said so.
    CliRun empty = runCli({"passwd", "--password-stdin", file}, "new\n\n\n");
    ASSERT_EQ(empty.code, 0) << empty.err;
    EXPECT_TRUE(contains(empty.err, "empty")) << empty.err;
    EXPECT_EQ(readBack(file, "").status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(readBack(backup, "new").status, vaultfile::ReadStatus::Ok);
}

TEST_F(CliBinary, MergeAddsFromIntoAndWritesIntoUnderItsOwnPassword) {
    // INTO: "Mail" with two items. FROM: "Mail" with an item equal to one of them and a new
    // one, and a folder INTO lacks.
    auto build = [](std::initializer_list<std::pair<const char*, std::vector<const char*>>> folders,
                    std::int32_t lockMinutes) {
        VaultTree tree;
        VaultSettings settings;
        settings.autoLockMinutes = lockMinutes;
        for (const auto& [name, titles] : folders) {
            TreeNode f = tree.insertFolder({name, 0});
            for (const char* title : titles) {
                auto item = std::make_unique<VaultItem>();
                item->title = title;
                item->password = std::string("pw of ") + title;
                tree.insertItem(f, std::move(item));
            }
        }
        return std::make_pair(std::move(tree), settings);
    };
    auto [intoTree, intoSettings] = build({{"Mail", {"Work", "Home"}}}, 10);
    auto [fromTree, fromSettings] = build({{"Mail", {"Home", "Club"}}, {"Bank", {"Giro"}}}, 20);
    const std::string into = path("into.kvr");
    const std::string from = path("from.kvr");
    support::writeFileBytes(into, vaultfile::write(intoTree, intoSettings, "A"));
    support::writeFileBytes(from, vaultfile::write(fromTree, fromSettings, "B"));
    const auto intoBefore = support::readFileBytes(into);
    const auto fromBefore = support::readFileBytes(from);

    // The passwords in the wrong order: nothing happens.
    CliRun swapped = runCli({"merge", "--password-stdin", into, from}, "B\nA\n");
    EXPECT_EQ(swapped.code, 1);
    EXPECT_EQ(support::readFileBytes(into), intoBefore);

    CliRun merged = runCli({"merge", "--password-stdin", into, from}, "A\nB\n");
    ASSERT_EQ(merged.code, 0) << merged.err;
    EXPECT_TRUE(contains(merged.err, "1 new folders, 2 new items, 1 items left out")) << merged.err;
    EXPECT_EQ(support::readFileBytes(from), fromBefore);
    EXPECT_EQ(support::readFileBytes(path("into (backup).kvr")), intoBefore);

    CliRun listed = runCli({"ls", "--password-stdin", into}, "A\n");
    ASSERT_EQ(listed.code, 0) << listed.err;
    EXPECT_EQ(listed.out,
              "Bank  [password-protected]\n"
              "    Giro\n"
              "Mail  [password-protected]\n"
              "    Club\n"
              "    Work\n"
              "    Home\n");
    auto result = readBack(into, "A");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(result.settings.autoLockMinutes, 20);  // FROM's settings replace INTO's

    // A joined folder takes FROM's protection, and the user is told.
    fromTree.setData(fromTree.findFolder("Mail"), 2);
    support::writeFileBytes(from, vaultfile::write(fromTree, fromSettings, "B"));
    CliRun opened = runCli({"merge", "--password-stdin", into, from}, "A\nB\n");
    ASSERT_EQ(opened.code, 0) << opened.err;
    EXPECT_TRUE(contains(opened.err, "folder \"Mail\" is now unprotected")) << opened.err;
    EXPECT_EQ(runCli({"ls", "--password-stdin", "--unprotected-only", into}, "x\n").out,
              "Mail  [unprotected]\n    Club\n    Work\n    Home\n");
}

TEST_F(CliBinary, ExistingFilesAreReplacedOnlyWithForce) {
    const std::string good = writeSample("good.kvr", "right");
    CliRun exported = runCli({"export", "--password-stdin", good}, "right\n");
    support::writeFileBytes(path("v.json"),
                            std::vector<std::uint8_t>(exported.out.begin(), exported.out.end()));
    support::writeFileBytes(path("taken.kvr"), {'k', 'e', 'e', 'p'});
    support::writeFileBytes(path("taken.json"), {'k', 'e', 'e', 'p'});

    CliRun import =
        runCli({"import", "--password-stdin", path("v.json"), path("taken.kvr")}, "p\n");
    EXPECT_EQ(import.code, 1);
    EXPECT_TRUE(contains(import.err, "--force")) << import.err;
    CliRun exportTo =
        runCli({"export", "--password-stdin", "-o", path("taken.json"), good}, "right\n");
    EXPECT_EQ(exportTo.code, 1);
    EXPECT_EQ(support::readFileBytes(path("taken.kvr")),
              (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(support::readFileBytes(path("taken.json")),
              (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));

    import =
        runCli({"import", "--password-stdin", "--force", path("v.json"), path("taken.kvr")}, "p\n");
    EXPECT_EQ(import.code, 0) << import.err;
    EXPECT_EQ(readBack(path("taken.kvr"), "p").status, vaultfile::ReadStatus::Ok);
    exportTo = runCli({"export", "--password-stdin", "--force", "-o", path("taken.json"), good},
                      "right\n");
    EXPECT_EQ(exportTo.code, 0) << exportTo.err;
    EXPECT_EQ(support::readFileBytes(path("taken.json")),
              std::vector<std::uint8_t>(exported.out.begin(), exported.out.end()));
    // What holds passwords in clear is readable by its owner only.
    CliRun fresh = runCli({"export", "--password-stdin", "-o", path("x.json"), good}, "right\n");
    EXPECT_EQ(fresh.code, 0);
    EXPECT_EQ(fs::status(path("x.json")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(CliBinary, WrongPasswordReadsTheUnprotectedFoldersOnlyWhenAsked) {
    const std::string good = writeSample("good.kvr", "right");

    CliRun ls = runCli({"ls", "--password-stdin", "--unprotected-only", good}, "wrong\n");
    EXPECT_EQ(ls.code, 0) << ls.err;
    EXPECT_EQ(ls.out, "Shared Things  [unprotected]\n    Editor\n    Mailer\n");
    EXPECT_TRUE(contains(ls.err, "wrong password")) << ls.err;

    CliRun exported = runCli({"export", "--password-stdin", "--unprotected-only", good}, "wrong\n");
    EXPECT_EQ(exported.code, 0) << exported.err;
    cli::Json doc = cli::Json::parse(exported.out);
    ASSERT_EQ(doc["folders"].size(), 1u);
    EXPECT_EQ(doc["folders"][0]["name"], "Shared Things");
    EXPECT_FALSE(contains(exported.out, "alice@example.com"));

    // With the right password the flag changes nothing.
    CliRun all = runCli({"ls", "--password-stdin", "--unprotected-only", good}, "right\n");
    EXPECT_TRUE(contains(all.out, "Mail Box"));

    // info asks no password unless told to, and counts what it could read.
    CliRun info = runCli({"info", good});
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "unprotected folders only")) << info.out;
    EXPECT_TRUE(contains(info.out, "Items:          2\n")) << info.out;
    CliRun infoAll = runCli({"info", "--password-stdin", good}, "right\n");
    EXPECT_TRUE(contains(infoAll.out, "1 password-protected, 1 unprotected")) << infoAll.out;
    EXPECT_TRUE(contains(infoAll.out, "Items:          4\n")) << infoAll.out;
    EXPECT_EQ(runCli({"info", "--password-stdin", good}, "wrong\n").code, 1);
}

TEST_F(CliBinary, ShowMasksWhatTheItemHidesUnlessRevealed) {
    const std::string good = writeSample("good.kvr", "right");
    CliRun masked = runCli({"show", "--password-stdin", good, "Mail", "Mail Box"}, "right\n");
    ASSERT_EQ(masked.code, 0) << masked.err;
    EXPECT_TRUE(contains(masked.out, "Password:      ********")) << masked.out;
    EXPECT_TRUE(contains(masked.out, "ID:            ********")) << masked.out;
    EXPECT_TRUE(contains(masked.out, "Name1 = Text number 1")) << masked.out;  // not hidden
    EXPECT_TRUE(contains(masked.out, "Name2 = ********")) << masked.out;       // hidden
    EXPECT_TRUE(contains(masked.out, "Memo:          ********")) << masked.out;
    for (const char* secret : {"s3cr3t", "alice@example.com", "Text number 2", "line one"})
        EXPECT_FALSE(contains(masked.out, secret)) << secret;

    CliRun revealed =
        runCli({"show", "--password-stdin", "--reveal", good, "Mail", "Mail Box"}, "right\n");
    ASSERT_EQ(revealed.code, 0) << revealed.err;
    for (const char* secret : {"s3cr3t-pässword", "alice@example.com", "Text number 2",
                               "line one\n               line two\n"})
        EXPECT_TRUE(contains(revealed.out, secret)) << secret;
}

TEST_F(CliBinary, TextExportIsTheListing) {
    const std::string good = writeSample("good.kvr", "right");
    auto v = support::makeSampleVault();
    CliRun all = runCli({"export", "--password-stdin", "--format", "text", good}, "right\n");
    EXPECT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(all.out, textListing(v.tree, ListingLines::All));
    CliRun nonEmpty =
        runCli({"export", "--password-stdin", "--format", "text", "--non-empty", good}, "right\n");
    EXPECT_EQ(nonEmpty.code, 0) << nonEmpty.err;
    EXPECT_EQ(nonEmpty.out, textListing(v.tree, ListingLines::NonEmptyOnly));
    EXPECT_NE(all.out, nonEmpty.out);
}

TEST_F(CliBinary, BadJsonIsReportedByPathWithoutItsTexts) {
    const std::string good = writeSample("good.kvr", "right");
    CliRun exported = runCli({"export", "--password-stdin", good}, "right\n");
    cli::Json doc = cli::Json::parse(exported.out);
    doc["folders"][0]["items"][0]["enterCount"][2] = 300;
    std::string text = cli::formatJson(doc);
    support::writeFileBytes(path("range.json"),
                            std::vector<std::uint8_t>(text.begin(), text.end()));
    CliRun range =
        runCli({"import", "--password-stdin", path("range.json"), path("out.kvr")}, "p\n");
    EXPECT_EQ(range.code, 3);
    EXPECT_TRUE(
        contains(range.err, "$.folders[0].items[0].enterCount[2]: 300 is outside -128..127"))
        << range.err;
    EXPECT_FALSE(fs::exists(path("out.kvr")));

    // A syntax error right after a password: the message points at it without showing it.
    const std::string broken = R"({"folders": [{"items": [{"password": "hunter2" "memo": "x"}]}]})";
    support::writeFileBytes(path("broken.json"),
                            std::vector<std::uint8_t>(broken.begin(), broken.end()));
    CliRun syntax =
        runCli({"import", "--password-stdin", path("broken.json"), path("out.kvr")}, "p\n");
    EXPECT_EQ(syntax.code, 3);
    EXPECT_TRUE(contains(syntax.err, "line 1, column")) << syntax.err;
    EXPECT_FALSE(contains(syntax.err, "hunter2")) << syntax.err;
    EXPECT_FALSE(fs::exists(path("out.kvr")));
}

namespace {

// Talks to the program through a pseudo-terminal, as a user at a terminal would.
class TerminalSession {
public:
    // runAs: the user to run as (0: this test's own); debug: the KIVRANO_DEBUG value.
    explicit TerminalSession(const std::vector<std::string>& args, uid_t runAs = 0,
                             const char* debug = nullptr) {
        std::vector<std::string> argvStrings{KIVRANO_CLI_PATH};
        argvStrings.insert(argvStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argvStrings) argv.push_back(a.data());
        argv.push_back(nullptr);
        m_pid = ::forkpty(&m_master, nullptr, nullptr, nullptr);
        if (m_pid == 0) {
            if (debug)
                ::setenv("KIVRANO_DEBUG", debug, 1);
            else
                ::unsetenv("KIVRANO_DEBUG");
            if (runAs != 0 && (::setgid(runAs) != 0 || ::setuid(runAs) != 0)) ::_exit(126);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~TerminalSession() {
        if (m_master >= 0) ::close(m_master);
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    // Reads until text has appeared; false when the program ends or stalls first.
    bool waitFor(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_output.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline || !readSome()) return false;
        }
        return true;
    }
    bool echoIsOn() const {
        termios settings{};
        ::tcgetattr(m_master, &settings);
        return (settings.c_lflag & ECHO) != 0;
    }
    void type(const std::string& line) {
        std::string typed = line + "\n";
        EXPECT_EQ(::write(m_master, typed.data(), typed.size()),
                  static_cast<ssize_t>(typed.size()));
    }
    int finish() {
        while (readSome()) {
        }
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& output() const { return m_output; }
    pid_t pid() const { return m_pid; }

private:
    bool readSome() {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, 1000) <= 0) return true;  // nothing yet; the caller's clock decides
        char buffer[1024];
        ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) return false;  // the program has ended
        m_output.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int m_master = -1;
    pid_t m_pid = -1;
    bool m_reaped = false;
    std::string m_output;
};

}  // namespace

TEST_F(CliBinary, AsksOnTheTerminalWithEchoOff) {
    const std::string good = writeSample("good.kvr", "right");
    {
        TerminalSession session({"ls", good});
        ASSERT_TRUE(session.waitFor("Password of \"" + good + "\": ")) << session.output();
        EXPECT_FALSE(session.echoIsOn());
        session.type("right");
        EXPECT_EQ(session.finish(), 0) << session.output();
        EXPECT_TRUE(contains(session.output(), "Mail Box")) << session.output();
        EXPECT_FALSE(contains(session.output(), "right")) << session.output();
    }

    CliRun exported = runCli({"export", "--password-stdin", good}, "right\n");
    support::writeFileBytes(path("v.json"),
                            std::vector<std::uint8_t>(exported.out.begin(), exported.out.end()));
    // A new file's password is asked twice; two different answers write nothing.
    for (const char* second : {"typo", "n3w"}) {
        TerminalSession session({"import", path("v.json"), path("new.kvr")});
        ASSERT_TRUE(session.waitFor("Password for the new file")) << session.output();
        EXPECT_FALSE(session.echoIsOn());
        session.type("n3w");
        ASSERT_TRUE(session.waitFor("again, to confirm: ")) << session.output();
        EXPECT_FALSE(session.echoIsOn());
        session.type(second);
        const bool same = std::string(second) == "n3w";
        EXPECT_EQ(session.finish(), same ? 0 : 1) << session.output();
        EXPECT_FALSE(contains(session.output(), "n3w")) << session.output();
        EXPECT_EQ(fs::exists(path("new.kvr")), same);
    }
    EXPECT_EQ(readBack(path("new.kvr"), "n3w").status, vaultfile::ReadStatus::Ok);
}

TEST_F(CliBinary, HostilePathsAndFilesGetAClearMessageAndStatus) {
    const std::string good = writeSample("good.kvr", "right");
    ASSERT_EQ(::mkfifo(path("pipe.kvr").c_str(), 0600), 0);
    fs::create_directory(path("folder.kvr"));
    fs::create_symlink(good, path("link.kvr"));
    {
        int fd = ::open(path("huge.kvr").c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 2000000000), 0);  // sparse: no room taken
        ::close(fd);
    }
    support::writeFileBytes(path("zeros.kvr"), std::vector<std::uint8_t>(4096, 0));
    support::writeFileBytes(path("empty.kvr"), {});

    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"ls", "--password-stdin", path("pipe.kvr")}, 3, "named pipe"},
        {{"merge", "--password-stdin", good, path("pipe.kvr")}, 3, "named pipe"},
        {{"ls", "--password-stdin", path("folder.kvr")}, 3, "folder, not a file"},
        {{"ls", "--password-stdin", "/dev/zero"}, 3, "device"},
        {{"ls", "--password-stdin", path("huge.kvr")}, 3, "64 MiB"},
        {{"ls", "--password-stdin", "/etc/passwd"}, 3, "not a Kivrano data file"},
        {{"info", "/etc/passwd"}, 3, "not a Kivrano data file"},
        {{"info", path("zeros.kvr")}, 3, "not a Kivrano data file"},
        {{"ls", "--password-stdin", path("empty.kvr")}, 3, "not a Kivrano data file"},
        {{"ls", "--password-stdin", path("link.kvr")}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        const auto started = std::chrono::steady_clock::now();
        CliRun run = runCli(c.args, "right\nright\n");
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_TRUE(contains(run.err, c.message)) << run.err;
    }
}

namespace {

// A vault of one folder holding one item, written under password.
void writeOneFolder(const std::string& file, const std::string& folder, const std::string& pw) {
    VaultTree tree;
    TreeNode f = tree.insertFolder({folder, 0});
    auto item = std::make_unique<VaultItem>();
    item->title = folder + " item";
    tree.insertItem(f, std::move(item));
    support::writeFileBytes(file, vaultfile::write(tree, VaultSettings{}, pw));
}

fs::perms permissionsOf(const std::string& file) {
    return fs::status(file).permissions() & fs::perms::all;
}

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

}  // namespace

TEST_F(CliBinary, CommandsChangingOneVaultAtOnceTakeTurnsAndLoseNothing) {
    const std::string into = path("into.kvr");
    writeOneFolder(into, "Start", "A");
    constexpr int kMerges = 6;
    for (int k = 0; k < kMerges; ++k)
        writeOneFolder(path("from" + std::to_string(k)), "F" + std::to_string(k), "B");
    // Merges in pairs, started together, and a password change among them.
    for (int k = 0; k < kMerges; k += 2) {
        CliRun first, second, passwd;
        std::thread a([&] {
            first = runCli({"merge", "--password-stdin", into, path("from" + std::to_string(k))},
                           "A\nB\n");
        });
        std::thread b([&] {
            second =
                runCli({"merge", "--password-stdin", into, path("from" + std::to_string(k + 1))},
                       "A\nB\n");
        });
        std::thread c([&] {
            if (k == 2) passwd = runCli({"passwd", "--password-stdin", into}, "A\nA\nA\n");
        });
        a.join();
        b.join();
        c.join();
        EXPECT_EQ(first.code, 0) << first.err;
        EXPECT_EQ(second.code, 0) << second.err;
        if (k == 2) {
            EXPECT_EQ(passwd.code, 0) << passwd.err;
        }
    }
    auto result = readBack(into, "A");
    ASSERT_EQ(result.status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(result.tree.folderCount(), static_cast<std::size_t>(kMerges + 1));

    // The password change on its own, beside a merge: the file opens with the new password.
    writeOneFolder(path("more.kvr"), "More", "B");
    CliRun merge, passwd;
    std::thread a([&] {
        merge = runCli({"merge", "--password-stdin", into, path("more.kvr")}, "A\nB\n");
    });
    std::thread b([&] { passwd = runCli({"passwd", "--password-stdin", into}, "A\nNew\nNew\n"); });
    a.join();
    b.join();
    EXPECT_EQ(passwd.code, 0) << passwd.err;
    // The merge either came first (and the change kept it) or found the password changed.
    EXPECT_TRUE(merge.code == 0 || contains(merge.err, "wrong password")) << merge.err;
    EXPECT_EQ(readBack(into, "New").status, vaultfile::ReadStatus::Ok);
}

TEST_F(CliBinary, ACommandThatFindsTheVaultLockedWaitsThenGivesUp) {
    const std::string into = path("into.kvr");
    writeOneFolder(into, "Start", "A");
    writeOneFolder(path("from.kvr"), "From", "B");
    const auto before = support::readFileBytes(into);
    std::string error;
    auto held = fileio::FileLock::acquire(into, std::chrono::seconds(1), error);
    ASSERT_TRUE(held) << error;
    const auto started = std::chrono::steady_clock::now();
    CliRun merge =
        runCli({"merge", "--password-stdin", "--wait", "0.3", into, path("from.kvr")}, "A\nB\n");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
    EXPECT_EQ(merge.code, 4) << merge.err;
    EXPECT_TRUE(contains(merge.err, "being changed by another program")) << merge.err;
    CliRun passwd = runCli({"passwd", "--password-stdin", "--wait", "0", into}, "A\nN\nN\n");
    EXPECT_EQ(passwd.code, 4) << passwd.err;
    EXPECT_EQ(support::readFileBytes(into), before);

    held.reset();
    EXPECT_EQ(
        runCli({"merge", "--password-stdin", "--wait", "0", into, path("from.kvr")}, "A\nB\n").code,
        0);
}

TEST_F(CliBinary, ABackupThatCannotBeMadeStopsTheChangeUnlessNoBackupIsGiven) {
    const std::string into = path("into.kvr");
    writeOneFolder(into, "Start", "A");
    writeOneFolder(path("from.kvr"), "From", "B");
    fs::create_directory(path("into (backup).kvr"));  // the backup's name is taken
    const auto before = support::readFileBytes(into);

    CliRun merge = runCli({"merge", "--password-stdin", into, path("from.kvr")}, "A\nB\n");
    EXPECT_EQ(merge.code, 3) << merge.err;
    EXPECT_TRUE(contains(merge.err, "--no-backup")) << merge.err;
    CliRun passwd = runCli({"passwd", "--password-stdin", into}, "A\nN\nN\n");
    EXPECT_EQ(passwd.code, 3) << passwd.err;
    EXPECT_TRUE(contains(passwd.err, "No backup copy could be made")) << passwd.err;
    EXPECT_TRUE(contains(passwd.err, "--no-backup")) << passwd.err;
    EXPECT_FALSE(contains(passwd.err, "is kept as")) << passwd.err;
    EXPECT_EQ(support::readFileBytes(into), before);

    merge = runCli({"merge", "--password-stdin", "--no-backup", into, path("from.kvr")}, "A\nB\n");
    EXPECT_EQ(merge.code, 0) << merge.err;
    EXPECT_FALSE(contains(merge.err, "is kept as")) << merge.err;
    passwd = runCli({"passwd", "--password-stdin", "--no-backup", into}, "A\nN\nN\n");
    EXPECT_EQ(passwd.code, 0) << passwd.err;
    EXPECT_TRUE(contains(passwd.err, "no backup copy was made")) << passwd.err;
    EXPECT_EQ(readBack(into, "N").tree.folderCount(), 2u);
}

TEST_F(CliBinary, WrittenFilesAreOwnerOnlyAndLinksAreWrittenThrough) {
    const mode_t previous = ::umask(022);
    const std::string good = writeSample("good.kvr", "right");
    ::chmod(good.c_str(), 0644);
    support::writeFileBytes(path("out.json"), {'o', 'l', 'd'});
    ::chmod(path("out.json").c_str(), 0644);
    support::writeFileBytes(path("link (backup).kvr"), {'o', 'l', 'd'});
    ::chmod(path("link (backup).kvr").c_str(), 0644);
    fs::create_symlink("good.kvr", path("link.kvr"));
    ::umask(previous);

    CliRun exported =
        runCli({"export", "--password-stdin", "--force", "-o", path("out.json"), good}, "right\n");
    EXPECT_EQ(exported.code, 0) << exported.err;
    EXPECT_EQ(permissionsOf(path("out.json")), kOwnerOnly);

    CliRun passwd = runCli({"passwd", "--password-stdin", path("link.kvr")}, "right\nnew\nnew\n");
    ASSERT_EQ(passwd.code, 0) << passwd.err;
    EXPECT_TRUE(fs::is_symlink(path("link.kvr")));
    EXPECT_EQ(readBack(good, "new").status, vaultfile::ReadStatus::Ok);
    EXPECT_EQ(permissionsOf(good), kOwnerOnly);
    EXPECT_EQ(permissionsOf(path("link (backup).kvr")), kOwnerOnly);
    EXPECT_EQ(readBack(path("link (backup).kvr"), "right").status, vaultfile::ReadStatus::Ok);
}

TEST_F(CliBinary, HostileJsonIsRefusedByNameAndPathAndNothingIsWritten) {
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    const std::string tooDeep =
        R"({"folders": [{"items": [{"etcName": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]}]}]})";
    struct Case {
        std::string name;
        std::string json;
        std::string message;  // "": imported
    } cases[] = {
        {"deep", deep, "$[0][0][0]"},
        {"deep", deep, "nested deeper than 32 levels"},
        {"too-deep", tooDeep, "$.folders[0].items[0].etcName[0][0]"},
        {"twice", R"({"folders": [{"name": "A"}], "folders": []})",
         "$.folders: this name appears twice"},
        {"twice-inner", R"({"folders": [{"items": [{"title": "a", "memo": "", "title": "b"}]}]})",
         "$.folders[0].items[0].title: this name appears twice"},
        {"huge-number", R"({"settings": {"autoLockMinutes": 1e400}})",
         "line 1, column 38: a number is out of range"},
        {"raw-nul", std::string("{\"folders\": [{\"name\": \"a\0b\"}]}", 30), "is not valid JSON"},
        {"not-utf8", "{\"folders\": [{\"name\": \"\xC3\x28\"}]}", "is not valid JSON"},
        {"escaped-nul", R"({"folders": [{"name": "a\u0000b", "items": [{"title": "x"}]}]})", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + ": " + c.message);
        const std::string file = path(c.name + ".json");
        support::writeFileBytes(file, std::vector<std::uint8_t>(c.json.begin(), c.json.end()));
        CliRun run =
            runCli({"import", "--password-stdin", "--force", file, path("out.kvr")}, "p\n");
        if (c.message.empty()) {
            EXPECT_EQ(run.code, 0) << run.err;
            auto read = readBack(path("out.kvr"), "p");
            ASSERT_EQ(read.status, vaultfile::ReadStatus::Ok);
            EXPECT_EQ(read.tree.text(read.tree.firstFolder()), std::string("a\0b", 3));
            fs::remove(path("out.kvr"));
            continue;
        }
        EXPECT_EQ(run.code, 3) << run.err;
        EXPECT_TRUE(contains(run.err, c.message)) << run.err;
        EXPECT_TRUE(contains(run.err, file)) << run.err;
        EXPECT_TRUE(contains(run.err, "nothing was written")) << run.err;
        EXPECT_LT(run.err.size(), 1000u) << "the message repeats the document";
        EXPECT_FALSE(fs::exists(path("out.kvr")));
    }
}

TEST_F(CliBinary, TheRunningProgramCannotBeDumpedOrReadByOthers) {
    // The owner of /proc/PID/mem tells: a process that is not dumpable has it shown as root's. Run
    // as root, the program is started as another user so that the difference shows.
    const uid_t runAs = ::geteuid() == 0 ? 65534 : 0;
    const uid_t shownWhenDumpable = runAs != 0 ? runAs : ::geteuid();
    ::chmod(m_dir.c_str(), 0755);
    const std::string good = writeSample("good.kvr", "right");
    ::chmod(good.c_str(), 0644);
    for (const char* debug : {static_cast<const char*>(nullptr), "1"}) {
        SCOPED_TRACE(debug ? "KIVRANO_DEBUG=1" : "normal");
        TerminalSession session({"ls", good}, runAs, debug);
        // Waiting for the password: well past the start.
        ASSERT_TRUE(session.waitFor("Password of")) << session.output();
        struct stat st {};
        ASSERT_EQ(::stat(("/proc/" + std::to_string(session.pid()) + "/mem").c_str(), &st), 0);
        std::ifstream limits("/proc/" + std::to_string(session.pid()) + "/limits");
        std::string line, coreLine;
        while (std::getline(limits, line))
            if (line.rfind("Max core file size", 0) == 0) coreLine = line;
        if (debug) {
            EXPECT_EQ(st.st_uid, shownWhenDumpable);
        } else {
            EXPECT_EQ(st.st_uid, 0u);
            EXPECT_NE(coreLine.find(" 0 "), std::string::npos) << coreLine;
        }
        session.type("right");
        EXPECT_EQ(session.finish(), 0) << session.output();
    }
}

TEST_F(CliBinary, ExportToATerminalAsksFirstUnlessYes) {
    const std::string good = writeSample("good.kvr", "right");
    struct Case {
        std::vector<std::string> args;
        const char* answer;  // nullptr: no question expected
        int code;
    } cases[] = {
        {{"export", good}, "n", 1},
        {{"export", good}, "y", 0},
        {{"export", "--yes", good}, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer ? c.answer : "--yes");
        TerminalSession session(c.args);
        if (c.answer) {
            ASSERT_TRUE(session.waitFor("in clear on the terminal. Go on? [y/N] "))
                << session.output();
            session.type(c.answer);
        }
        if (c.code == 0) {
            ASSERT_TRUE(session.waitFor("Password of")) << session.output();
            session.type("right");
        }
        EXPECT_EQ(session.finish(), c.code) << session.output();
        EXPECT_EQ(contains(session.output(), "hunter2"), c.code == 0) << session.output();
    }
}
