#include "vault/FileLock.h"

#include "vault/FileIO.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace kivrano::fileio {

namespace {

struct HeldLock {
    dev_t device;
    ino_t inode;
    int fd;
    int users;
};
// The locks this thread holds: a second lock of the same file in the same thread would
// otherwise wait for the first forever.
thread_local std::vector<HeldLock> t_held;

}  // namespace

void FileLock::release() noexcept {
    for (auto it = t_held.begin(); it != t_held.end(); ++it) {
        if (it->fd != m_fd) continue;
        if (--it->users == 0) {
            ::close(it->fd);  // closing lets go of the lock
            t_held.erase(it);
        }
        break;
    }
    m_fd = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

std::optional<FileLock> FileLock::acquire(const std::string& path, std::chrono::milliseconds wait,
                                          std::string& error) {
    const std::string target = writeTarget(path);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return FileLock(-1);
            error = "Cannot lock \"" + path + "\": " + std::strerror(errno) + ".";
            return std::nullopt;
        }
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            error = "Cannot lock \"" + path + "\": it is not a regular file.";
            return std::nullopt;
        }
        for (HeldLock& mine : t_held) {
            if (mine.device == held.st_dev && mine.inode == held.st_ino) {
                ::close(fd);
                ++mine.users;
                return FileLock(mine.fd);
            }
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // A save renames a new file over the old one: a lock won on the file that was
            // just replaced guards nothing, so it is taken again on the new one.
            struct stat now {};
            if (::stat(target.c_str(), &now) == 0 && now.st_dev == held.st_dev &&
                now.st_ino == held.st_ino) {
                t_held.push_back({held.st_dev, held.st_ino, fd, 1});
                return FileLock(fd);
            }
            ::close(fd);
            continue;
        }
        const int saved = errno;
        ::close(fd);
        if (saved != EWOULDBLOCK && saved != EINTR) {
            error = "Cannot lock \"" + path + "\": " + std::strerror(saved) + ".";
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "\"" + path +
                    "\" is being changed by another program (another kivrano-cli "
                    "or the Kivrano window); it was left as it is. Try again when that has "
                    "finished.";
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace kivrano::fileio
