#include "vault/FileIO.h"

#include "vault/Secure.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace kivrano::fileio {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

std::string directoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void syncDirectory(const std::string& directory) {
    int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

namespace {

// Why a file that is not a regular file cannot be read, in the user's words.
std::string notAFile(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not a file";
    if (S_ISFIFO(mode)) return "it is a named pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
    if (S_ISSOCK(mode)) return "it is a socket, not a file";
    return "it is not a regular file";
}

std::string tooLarge(std::uint64_t size) {
    return "it is " + std::to_string(size) +
           " bytes long, more than the 64 MiB that Kivrano reads (no vault comes near that "
           "size)";
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readAll(const std::string& path, std::string& error,
                                                 FileStamp* stamp) {
    auto refuse = [&](const std::string& why) {
        error = "Cannot read \"" + path + "\": " + why + ".";
        return std::nullopt;
    };
    // Looked at before the open, so that a device is never opened at all.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return refuse(notAFile(st.st_mode));
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot open \"" + path + "\": " + reason(errno) + ".";
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0) return refuse(reason(errno));
    if (!S_ISREG(st.st_mode)) return refuse(notAFile(st.st_mode));
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxFileSize) return refuse(tooLarge(size));

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t got = 0;
    // One byte more than the limit is asked for, so a file that grows while it is read is
    // still caught.
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() > kMaxFileSize) {
                secureWipe(bytes);
                return refuse(tooLarge(bytes.size()));
            }
            bytes.resize(std::min<std::size_t>(bytes.size() + 65536, kMaxFileSize + 1));
        }
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int saved = errno;
            secureWipe(bytes);
            return refuse(reason(saved));
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    if (stamp) {
        stamp->size = got;
        stamp->modifiedNs =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        stamp->digest = ripemd160(bytes.data(), bytes.size());
    }
    return bytes;
}

std::optional<FileStamp> currentStamp(const std::string& path) {
    std::string ignored;
    FileStamp stamp;
    auto bytes = readAll(path, ignored, &stamp);
    if (!bytes) return std::nullopt;
    secureWipe(*bytes);
    return stamp;
}

std::string writeTarget(const std::string& path) {
    std::string current = path;
    // The same limit as the system's own, so that a loop of links ends.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0) return current;
        link.resize(static_cast<std::size_t>(n));
        if (link.front() == '/' || current.find('/') == std::string::npos)
            current = link;
        else
            current = directoryOf(current) + "/" + link;
    }
    return current;
}

int removeStaleTemporaries(const std::string& target,
                           std::chrono::system_clock::time_point startedBefore) {
    const std::string directory = directoryOf(target);
    const auto slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return 0;
    const auto limit =
        std::chrono::duration_cast<std::chrono::nanoseconds>(startedBefore.time_since_epoch())
            .count();
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        // mkstemp's pattern: the name, a dot and six letters or digits.
        if (name.size() != base.size() + 7 || name.substr(0, base.size()) != base ||
            name[base.size()] != '.')
            continue;
        bool pattern = true;
        for (char c : name.substr(base.size() + 1))
            pattern = pattern && std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (!pattern) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const std::int64_t written =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || written >= limit) continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool writeAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                     std::string& error) {
    return writeAtomically(path, bytes.data(), bytes.size(), error);
}

bool writeAtomically(const std::string& path, const void* data, std::size_t size,
                     std::string& error) {
    const auto started = std::chrono::system_clock::now();
    const std::string target = writeTarget(path);
    const std::string directory = directoryOf(target);
    removeStaleTemporaries(target, started);

    std::string temporary = target + ".XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot save \"" + path + "\": cannot create a file in \"" + directory + "\" (" +
                reason(errno) + "). The file on disk was not changed.";
        return false;
    }
    auto fail = [&](const std::string& what) {
        int saved = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        error = "Cannot save \"" + path + "\": " + what + " (" + reason(saved) +
                "). The file on disk was not changed.";
        return false;
    };
    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) return fail("cannot set the file's permissions");
    if (!writeAll(fd, static_cast<const std::uint8_t*>(data), size)) return fail("writing failed");
    if (::fsync(fd) != 0) return fail("flushing to disk failed");
    if (::close(fd) != 0) {
        fd = -1;
        int saved = errno;
        ::unlink(temporary.c_str());
        error = "Cannot save \"" + path + "\": closing failed (" + reason(saved) +
                "). The file on disk was not changed.";
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        int saved = errno;
        ::unlink(temporary.c_str());
        error = "Cannot save \"" + path + "\": replacing the file failed (" + reason(saved) +
                "). The file on disk was not changed.";
        return false;
    }
    syncDirectory(directory);  // make the rename itself durable
    return true;
}

std::string profileName(const std::string& path) {
    auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::string backupPath(const std::string& path) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    std::string stem = path;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem.resize(dot);
    return stem + " (backup).kvr";
}

bool writeBackupCopy(const std::string& path, std::string& error) {
    std::optional<std::vector<std::uint8_t>> previous = readAll(path, error);
    if (!previous) return false;
    const bool written = writeAtomically(backupPath(path), *previous, error);
    secureWipe(*previous);
    return written;
}

}  // namespace kivrano::fileio
