#pragma once

#include "platform/SettingsStore.h"

#include <filesystem>

namespace kivrano::platform {

// The machine settings in an INI file, by default $KIVRANO_CONFIG_DIR/Kivrano.ini or
// $XDG_CONFIG_HOME/Quentaro/Kivrano.ini. "Existing" means the file is already there.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore() : IniSettingsStore(defaultFile()) {}
    explicit IniSettingsStore(std::filesystem::path file) : m_file(std::move(file)) {}

    std::unique_ptr<SettingsKey> open(Open mode) override;

    const std::filesystem::path& file() const { return m_file; }
    static std::filesystem::path defaultFile();

private:
    std::filesystem::path m_file;
};

}  // namespace kivrano::platform
