#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivrano::fileio {

// Whether a file (of any kind) exists at path.
bool exists(const std::string& path);

// Reads a whole regular file. On failure returns nothing and sets error to a sentence that
// names the file and the reason.
std::optional<std::vector<std::uint8_t>> readAll(const std::string& path, std::string& error);

// Replaces the file at path with bytes so that the file is either the old one or the new
// one, never a mix: the bytes go to a temporary file in the same directory, are flushed to
// the disk, and the temporary file is renamed over the target. A new file gets mode 0600;
// an existing file keeps its mode. On failure the target is untouched, the temporary file
// is removed, and error names the file and the reason.
bool writeAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                     std::string& error);

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

}  // namespace kivrano::fileio
