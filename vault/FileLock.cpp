#include "vault/FileLock.h"

#include "vault/FileIO.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <thread>

namespace kivrano::fileio {

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

FileLock::~FileLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing lets go of the lock
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
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // A save renames a new file over the old one: a lock won on the file that was
            // just replaced guards nothing, so it is taken again on the new one.
            struct stat now {};
            if (::stat(target.c_str(), &now) == 0 && now.st_dev == held.st_dev &&
                now.st_ino == held.st_ino)
                return FileLock(fd);
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
