#include "vault/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <limits>

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
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::vector<std::uint8_t>> readAll(const std::string& path, std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot open \"" + path + "\": " + reason(errno) + ".";
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "Cannot read \"" + path + "\": it is not a regular file.";
        ::close(fd);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "Cannot read \"" + path + "\": " + reason(errno) + ".";
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return bytes;
}

bool writeAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                     std::string& error) {
    const std::string directory = directoryOf(path);
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;

    std::string temporary = path + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
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
    if (::fchmod(fd, mode) != 0) return fail("cannot set the file's permissions");
    if (!writeAll(fd, bytes.data(), bytes.size())) return fail("writing failed");
    if (::fsync(fd) != 0) return fail("flushing to disk failed");
    if (::close(fd) != 0) {
        fd = -1;
        int saved = errno;
        ::unlink(temporary.c_str());
        error = "Cannot save \"" + path + "\": closing failed (" + reason(saved) +
                "). The file on disk was not changed.";
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
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

}  // namespace kivrano::fileio
