#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace kivrano::testing {

// A fresh folder in the temporary directory, removed with all it holds when the test is done,
// also when an assertion ends the test early or the test took its own permissions away.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& prefix = "kivrano") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a scratch folder like " + pattern);
        m_path = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // A file's path in the folder, as the vault code takes paths.
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

}  // namespace kivrano::testing
