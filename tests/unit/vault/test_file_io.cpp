// Reading and writing vault files when the paths, the files or other programs are hostile:
// things that are not files, huge files, links, permissions, leftovers and a second writer.

#include "vault/FileIO.h"
#include "vault/FileLock.h"
#include "vault/VaultFile.h"

#include "support/FileBytes.h"
#include "support/SampleVault.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using namespace kivrano;
using namespace kivrano::testing;
namespace fs = std::filesystem;

namespace {

class FileIOTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir + "/" + name; }
    std::string writeSample(const std::string& name, const std::string& password) {
        SampleVault v = makeSampleVault();
        writeFileBytes(path(name), vaultfile::write(v.tree, v.settings, password));
        return path(name);
    }
    static mode_t modeOf(const std::string& file) {
        struct stat st {};
        EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
        return st.st_mode & 07777;
    }

    kivrano::testing::ScratchDirectory scratch{"kivrano-fileio"};
    std::string dir = scratch.path().string();
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(FileIOTest, ReadRefusesWhatIsNotAnOrdinaryVaultFileWithoutBlocking) {
    const std::string vault = writeSample("real.kvr", "pw");
    ASSERT_EQ(::mkfifo(path("pipe.kvr").c_str(), 0600), 0);
    fs::create_directory(path("folder.kvr"));
    fs::create_symlink(vault, path("link.kvr"));
    {  // sparse: takes no room, but claims more than the limit
        int fd = ::open(path("huge.kvr").c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(fileio::kMaxFileSize + 1)), 0);
        ::close(fd);
    }
    writeFileBytes(path("secret.kvr"), {1, 2, 3});
    ::chmod(path("secret.kvr").c_str(), 0);

    struct Case {
        std::string file;
        std::string message;  // empty: the read succeeds
    } cases[] = {
        {path("pipe.kvr"), "named pipe"}, {path("folder.kvr"), "folder, not a file"},
        {"/dev/zero", "device"},          {path("link.kvr"), ""},
        {path("huge.kvr"), "64 MiB"},     {path("missing.kvr"), "No such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string error;
        const auto started = std::chrono::steady_clock::now();
        auto bytes = fileio::readAll(c.file, error);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
        if (c.message.empty()) {
            ASSERT_TRUE(bytes.has_value()) << error;
            EXPECT_EQ(*bytes, readFileBytes(vault));
        } else {
            EXPECT_FALSE(bytes.has_value());
            EXPECT_TRUE(contains(error, c.message)) << error;
            EXPECT_TRUE(contains(error, c.file)) << error;
        }
    }
    if (::geteuid() != 0) {  // root reads anything
        std::string error;
        EXPECT_FALSE(fileio::readAll(path("secret.kvr"), error));
        EXPECT_TRUE(contains(error, "Permission denied")) << error;
    }
}

TEST_F(FileIOTest, EverythingWrittenIsReadableByTheOwnerOnlyAndLinksStayLinks) {
    const mode_t previous = ::umask(022);
    writeFileBytes(path("open.kvr"), {1});
    ::chmod(path("open.kvr").c_str(), 0644);
    writeFileBytes(path("target.kvr"), {2});
    ::chmod(path("target.kvr").c_str(), 0644);
    fs::create_directory(path("sub"));
    fs::create_symlink("../target.kvr", path("sub/link.kvr"));
    fs::create_symlink("sub/link.kvr", path("chain.kvr"));

    std::string error;
    EXPECT_TRUE(fileio::writeAtomically(path("open.kvr"), {3, 3}, error)) << error;
    EXPECT_TRUE(fileio::writeAtomically(path("new.kvr"), {4}, error)) << error;
    EXPECT_TRUE(fileio::writeAtomically(path("chain.kvr"), {5, 5, 5}, error)) << error;
    ::umask(previous);

    EXPECT_EQ(modeOf(path("open.kvr")), 0600u);
    EXPECT_EQ(modeOf(path("new.kvr")), 0600u);
    EXPECT_EQ(modeOf(path("target.kvr")), 0600u);
    EXPECT_TRUE(fs::is_symlink(path("chain.kvr")));
    EXPECT_TRUE(fs::is_symlink(path("sub/link.kvr")));
    EXPECT_EQ(readFileBytes(path("target.kvr")), (std::vector<std::uint8_t>{5, 5, 5}));
    EXPECT_EQ(fileio::writeTarget(path("chain.kvr")), path("sub/../target.kvr"));
}

TEST_F(FileIOTest, LeftoversOfAnInterruptedSaveGoAtTheNextSaveOfThatFile) {
    const std::string vault = writeSample("alice.kvr", "pw");
    const char* leftovers[] = {"alice.kvr.a1B2c3", "alice.kvr.ZZZZZZ"};
    const char* others[] = {"alice.kvr.a1B2c", "alice.kvr.a1B2c3d", "alice.kvr.a1-2c3",
                            "bob.kvr.a1B2c3", "alice.kvr.a1B2c3.bak"};
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const char* name : leftovers) {
        writeFileBytes(path(name), {9});
        ASSERT_EQ(::utimensat(AT_FDCWD, path(name).c_str(), old, 0), 0);
    }
    for (const char* name : others) {
        writeFileBytes(path(name), {9});
        ASSERT_EQ(::utimensat(AT_FDCWD, path(name).c_str(), old, 0), 0);
    }
    // One of our pattern but written after the save began: another save's, in progress.
    const auto began = std::chrono::system_clock::now() - std::chrono::seconds(5);
    writeFileBytes(path("alice.kvr.NEWone"), {9});

    EXPECT_EQ(fileio::removeStaleTemporaries(vault, began), 2);
    for (const char* name : leftovers) EXPECT_FALSE(fs::exists(path(name))) << name;
    for (const char* name : others) EXPECT_TRUE(fs::exists(path(name))) << name;
    EXPECT_TRUE(fs::exists(path("alice.kvr.NEWone")));

    // A save does the same on its own.
    writeFileBytes(path("alice.kvr.Qq9Qq9"), {9});
    ASSERT_EQ(::utimensat(AT_FDCWD, path("alice.kvr.Qq9Qq9").c_str(), old, 0), 0);
    std::string error;
    ASSERT_TRUE(fileio::writeAtomically(vault, {1, 2}, error)) << error;
    EXPECT_FALSE(fs::exists(path("alice.kvr.Qq9Qq9")));
}

TEST_F(FileIOTest, TwoWritersOfOneVaultTakeTurnsAndNoChangeIsLost) {
    const std::string vault = path("shared.kvr");
    {
        VaultTree tree;
        tree.insertFolder({"Folder", 0});
        writeFileBytes(vault, vaultfile::write(tree, VaultSettings{}, "pw"));
    }
    constexpr int kRounds = 25;
    std::atomic<int> failures{0};
    // Each round is a whole read-modify-write of the file: read it, add an item, write it.
    auto writer = [&](const std::string& name) {
        for (int round = 0; round < kRounds; ++round) {
            std::string error;
            auto lock = fileio::FileLock::acquire(vault, std::chrono::seconds(30), error);
            if (!lock) {
                ++failures;
                continue;
            }
            auto bytes = fileio::readAll(vault, error);
            auto read = vaultfile::read(*bytes, "pw");
            auto item = std::make_unique<VaultItem>();
            item->title = name + std::to_string(round);
            read.tree.insertItem(read.tree.firstFolder(), std::move(item));
            if (!fileio::writeAtomically(vault, vaultfile::write(read.tree, read.settings, "pw"),
                                         error))
                ++failures;
        }
    };
    std::thread first(writer, "first "), second(writer, "second ");
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(vaultfile::read(readFileBytes(vault), "pw").tree.itemCount(),
              static_cast<std::size_t>(2 * kRounds));

    // A writer that finds the lock taken gives up after its wait, saying why; the holder
    // itself may lock again (a command around a document's save).
    std::string error;
    auto held = fileio::FileLock::acquire(vault, std::chrono::seconds(1), error);
    ASSERT_TRUE(held) << error;
    EXPECT_TRUE(fileio::FileLock::acquire(vault, std::chrono::milliseconds(0), error)) << error;
    auto tryFromAnotherThread = [&](std::chrono::milliseconds wait) {
        bool got = false;
        std::thread other([&] { got = fileio::FileLock::acquire(vault, wait, error).has_value(); });
        other.join();
        return got;
    };
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(tryFromAnotherThread(std::chrono::milliseconds(200)));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_TRUE(contains(error, "another program")) << error;
    held.reset();
    EXPECT_TRUE(tryFromAnotherThread(std::chrono::milliseconds(200))) << error;
}
