#include "app/FramePlacement.h"

#include "platform/fake/MemorySettingsStore.h"

#include <gtest/gtest.h>

using namespace kivrano;

namespace {

void store(platform::MemorySettingsStore& s, std::int32_t x, std::int32_t y, std::int32_t dx,
           std::int32_t dy) {
    auto key = s.open(platform::SettingsStore::Open::CreateIfMissing);
    key->writeInt("X", x);
    key->writeInt("Y", y);
    key->writeInt("DX", dx);
    key->writeInt("DY", dy);
}

}  // namespace

TEST(FramePlacement, DefaultsAndValidation) {
    platform::MemorySettingsStore none;
    EXPECT_EQ(framePlacement(none, 1024, 768), (FrameRect{0, 0, 280, 522}));
    EXPECT_EQ(framePlacement(none, 1024, 500), (FrameRect{0, 0, 280, 500}));

    struct Case {
        std::int32_t x, y, dx, dy;
        bool used;
    } cases[] = {
        {100, 50, 300, 600, true},
        {-32000, -32000, 160, 24, false},  // a minimised window's rectangle
        {100, 50, 0, 600, false},          // no width: all four are dropped
        {100, 50, 300, -1, false},
        {-290, 50, 300, 600, false},  // right edge within 20 pixels of the left border
        {-270, 50, 300, 600, true},
        {1004, 50, 300, 600, false},  // left edge too far right
        {1003, 747, 300, 600, true},
        {1003, 748, 300, 600, false},
    };
    for (const auto& c : cases) {
        platform::MemorySettingsStore s;
        store(s, c.x, c.y, c.dx, c.dy);
        const FrameRect expected =
            c.used ? FrameRect{c.x, c.y, c.dx, c.dy} : FrameRect{0, 0, 280, 522};
        EXPECT_EQ(framePlacement(s, 1024, 768), expected)
            << c.x << "," << c.y << " " << c.dx << "x" << c.dy;
    }

    platform::MemorySettingsStore partial;
    partial.open(platform::SettingsStore::Open::CreateIfMissing)->writeInt("X", 5);
    EXPECT_EQ(framePlacement(partial, 1024, 768), (FrameRect{0, 0, 280, 522}));
}

TEST(FramePlacement, WritesOnlyWhereSettingsExist) {
    platform::MemorySettingsStore s;
    storeFramePosition(s, 10, 20);
    EXPECT_FALSE(s.exists());
    EXPECT_EQ(listInfoHeight(s), 160);  // reading the pane height creates the settings
    EXPECT_TRUE(s.exists());
    storeFramePosition(s, 10, 20);
    storeFrameSize(s, 300, 400);
    EXPECT_EQ(framePlacement(s, 1024, 768), (FrameRect{10, 20, 300, 400}));
}
