#include "platform/portal/RestoreTokenFile.h"

#include "vault/FileIO.h"

#include <system_error>

namespace kivrano::platform::portal {

namespace {

// A token is a short printable word; anything else in the file is not one of ours.
bool looksLikeToken(const std::string& text) {
    if (text.empty() || text.size() > 4096) return false;
    for (char c : text) {
        if (c <= 0x20 || c >= 0x7F) return false;
    }
    return true;
}

}  // namespace

std::string RestoreTokenFile::read() const {
    if (!fileio::exists(m_path.string())) return {};
    std::string error;
    const auto bytes = fileio::readAll(m_path.string(), error);
    if (!bytes) return {};
    std::string text(bytes->begin(), bytes->end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return looksLikeToken(text) ? text : std::string();
}

bool RestoreTokenFile::write(const std::string& token, std::string& error) const {
    if (token.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
        return true;
    }
    std::error_code made;
    std::filesystem::create_directories(m_path.parent_path(), made);
    const std::string line = token + "\n";
    return fileio::writeAtomically(m_path.string(), line.data(), line.size(), error);
}

}  // namespace kivrano::platform::portal
