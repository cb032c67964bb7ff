#pragma once

#include <filesystem>
#include <string>

namespace kivrano::platform::portal {

// The RemoteDesktop portal's restore token: a standing permission to type into the user's
// windows, so it lives in a file only the user can read (0600), replaced atomically.
class RestoreTokenFile {
public:
    explicit RestoreTokenFile(std::filesystem::path path) : m_path(std::move(path)) {}

    // The stored token; empty when there is none or the file cannot be read.
    std::string read() const;
    // Stores the token (an empty one removes the file). False with `error` naming the file
    // and the reason when it cannot be written.
    bool write(const std::string& token, std::string& error) const;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace kivrano::platform::portal
