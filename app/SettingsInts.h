#pragma once

#include "platform/SettingsStore.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace kivrano {

// Writes integer settings under their names (a list's column widths). False when the
// settings cannot be opened or a value was not written.
inline bool writeSettingInts(platform::SettingsStore& store, std::span<const char* const> names,
                             std::span<const std::int32_t> values) {
    const auto key = store.open(platform::SettingsStore::Open::CreateIfMissing);
    if (!key) return false;
    bool written = true;
    for (std::size_t i = 0; i < names.size() && i < values.size(); ++i)
        written = key->writeInt(names[i], values[i]) && written;
    return written;
}

}  // namespace kivrano
