#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kivrano::platform {

// The program's named machine settings ("X", "ListInfoHeight", "DefaultUser", ...).
class SettingsKey {
public:
    virtual ~SettingsKey() = default;

    // Nothing when the value is missing or is not a number.
    virtual std::optional<std::int32_t> readInt(const std::string& name) const = 0;
    virtual std::optional<std::string> readString(const std::string& name) const = 0;
    // False when the value could not be stored.
    virtual bool writeInt(const std::string& name, std::int32_t value) = 0;
    virtual bool writeString(const std::string& name, const std::string& value) = 0;
};

class SettingsStore {
public:
    enum class Open { Existing, CreateIfMissing };

    virtual ~SettingsStore() = default;

    // Null when `Existing` is asked and there are no settings yet, or the store cannot be
    // created.
    virtual std::unique_ptr<SettingsKey> open(Open mode) = 0;
};

}  // namespace kivrano::platform
