#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace kivrano::fileio {

// An advisory lock on a vault file, held from the read to the rename of a read-modify-write,
// so that two programs saving the same vault take turns instead of one undoing the other.
// Every writer of ours takes it; a program that does not is not stopped by it.
class FileLock {
public:
    // How long a second writer waits by default before it gives up.
    static constexpr std::chrono::milliseconds kDefaultWait{10000};

    // Locks the file that writing path would change (a symbolic link is followed). Waits up
    // to wait for another holder to let go; nothing, with error set to a sentence for the
    // user, when the lock could not be had. A missing file needs no lock and gets one that
    // holds nothing.
    static std::optional<FileLock> acquire(const std::string& path, std::chrono::milliseconds wait,
                                           std::string& error);

    FileLock(FileLock&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    void release() noexcept;
    int m_fd = -1;
};

}  // namespace kivrano::fileio
