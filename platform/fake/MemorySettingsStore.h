#pragma once

#include "platform/SettingsStore.h"

#include <map>
#include <variant>

namespace kivrano::platform {

// Settings held in memory. Like the real store, values written through a key opened earlier
// stay visible to keys opened later.
class MemorySettingsStore : public SettingsStore {
public:
    using Value = std::variant<std::int32_t, std::string>;

    std::unique_ptr<SettingsKey> open(Open mode) override;

    bool exists() const { return m_exists; }
    // A store that cannot be written (a read-only configuration folder).
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    std::map<std::string, Value>& values() { return m_values; }

private:
    class Key;

    bool m_exists = false;
    bool m_readOnly = false;
    std::map<std::string, Value> m_values;
};

}  // namespace kivrano::platform
