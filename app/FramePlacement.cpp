#include "app/FramePlacement.h"

#include <algorithm>

namespace kivrano {

FrameRect framePlacement(platform::SettingsStore& store, std::int32_t screenWidth,
                         std::int32_t screenHeight) {
    FrameRect rect{0, 0, std::min(screenWidth, 280), std::min(screenHeight, 522)};
    auto key = store.open(platform::SettingsStore::Open::Existing);
    if (!key) return rect;
    auto x = key->readInt("X");
    auto y = key->readInt("Y");
    auto dx = key->readInt("DX");
    auto dy = key->readInt("DY");
    if (!x || !y || !dx || !dy) return rect;
    // 64-bit sums: stored values are whatever was in the file.
    const std::int64_t X = *x, Y = *y, DX = *dx, DY = *dy;
    if (DX > 0 && DY > 0 && X + DX > 20 && X < screenWidth - 20 && Y + DY > 20 &&
        Y < screenHeight - 20)
        rect = {*x, *y, *dx, *dy};
    return rect;
}

void storeFramePosition(platform::SettingsStore& store, std::int32_t x, std::int32_t y) {
    if (auto key = store.open(platform::SettingsStore::Open::Existing)) {
        key->writeInt("X", x);
        key->writeInt("Y", y);
    }
}

void storeFrameSize(platform::SettingsStore& store, std::int32_t width, std::int32_t height) {
    if (auto key = store.open(platform::SettingsStore::Open::Existing)) {
        key->writeInt("DX", width);
        key->writeInt("DY", height);
    }
}

std::int32_t listInfoHeight(platform::SettingsStore& store) {
    auto key = store.open(platform::SettingsStore::Open::CreateIfMissing);
    if (!key) return 160;
    return key->readInt("ListInfoHeight").value_or(160);
}

}  // namespace kivrano
