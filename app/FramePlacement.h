#pragma once

#include "platform/SettingsStore.h"

#include <cstdint>

namespace kivrano {

struct FrameRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const FrameRect&) const = default;
};

// Where the main window opens: the stored "X", "Y", "DX", "DY" when all four are there and
// leave the window reachable on a screen of the given size, otherwise at (0, 0) with
// 280 x 522 (smaller on a smaller screen).
FrameRect framePlacement(platform::SettingsStore& store, std::int32_t screenWidth,
                         std::int32_t screenHeight);

// Remembered on every move and size change; nothing is written while no settings exist.
void storeFramePosition(platform::SettingsStore& store, std::int32_t x, std::int32_t y);
void storeFrameSize(platform::SettingsStore& store, std::int32_t width, std::int32_t height);

// The field list's pane height, "ListInfoHeight"; 160 when missing.
std::int32_t listInfoHeight(platform::SettingsStore& store);

}  // namespace kivrano
