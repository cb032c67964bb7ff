#pragma once

#include "vault/Ripemd160.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivrano::fileio {

// No vault comes near this size; a bigger file is refused before it is read, so a file
// named by mistake (or made to hurt) cannot take the machine's memory.
inline constexpr std::uint64_t kMaxFileSize = 64ull * 1024 * 1024;

// What a file was when it was read: a later look tells whether someone else has written it
// since. The digest catches a rewrite that keeps the size within the same clock tick.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    Ripemd160Digest digest{};
    bool operator==(const FileStamp&) const = default;
};

// Whether a file (of any kind) exists at path.
bool exists(const std::string& path);

// Reads a whole regular file of at most kMaxFileSize bytes. The open never blocks (a named
// pipe or a device is refused, not waited on). On failure returns nothing and sets error to
// a sentence that names the file and the reason. stamp, when given, describes what was read.
std::optional<std::vector<std::uint8_t>> readAll(const std::string& path, std::string& error,
                                                 FileStamp* stamp = nullptr);

// The stamp of the file now at path; nothing when it cannot be read.
std::optional<FileStamp> currentStamp(const std::string& path);

// The file that writing to path changes: a symbolic link is followed to what it points to
// (through any chain of links), so that the link stays a link.
std::string writeTarget(const std::string& path);

// Replaces the file at path with bytes so that the file is either the old one or the new
// one, never a mix: the bytes go to a temporary file in the same directory, are flushed to
// the disk, and the temporary file is renamed over the target. A symbolic link is written
// through. The file gets mode 0600 whatever it had before: it holds secrets. Temporary files
// that an interrupted save of the same file left behind are removed. On failure the target
// is untouched, the temporary file is removed, and error names the file and the reason.
bool writeAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                     std::string& error);
bool writeAtomically(const std::string& path, const void* data, std::size_t size,
                     std::string& error);

// Removes the temporary files of earlier saves of target that were cut short: only names of
// exactly our pattern ("<name>.XXXXXX"), regular files of ours, last written before
// startedBefore. Returns how many were removed.
int removeStaleTemporaries(const std::string& target,
                           std::chrono::system_clock::time_point startedBefore);

// Writes all of data to the open file descriptor, resuming after interruptions; false (with
// errno set) when the system refuses.
bool writeAll(int fd, const void* data, std::size_t size);

// Makes a rename or a new file in directory durable; failures are ignored.
void syncDirectory(const std::string& directory);

// The file name without its directory and without its last extension: "alice" for
// ".../Profiles/alice.kvr".
std::string profileName(const std::string& path);

// The backup copy's path: the path up to its extension's "." (a "." in a directory name
// does not count) followed by " (backup).kvr".
std::string backupPath(const std::string& path);

// Copies the file at path to its backup path, written as every vault is (atomically, mode
// 0600). False, with error naming the file and the reason, when it cannot be read or the copy
// cannot be written.
bool writeBackupCopy(const std::string& path, std::string& error);

}  // namespace kivrano::fileio
