#include "platform/x11/VirtualKeyMap.h"

#include <gtest/gtest.h>

namespace kivrano::platform::x11 {
namespace {

// Every key a hotkey can be shown with has a keysym, and the keysym leads back to the key.
TEST(VirtualKeyMap, NamedHotKeysLettersDigitsFunctionKeysAndKeypadRoundTrip) {
    std::vector<VirtualKey> keys{0x09, 0x14, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,
                                 0x2D, 0x2E, 0x6A, 0x6B, 0x6D, 0x6E, 0x6F, 0x90, 0x91, 0x08,
                                 0x0D, 0x1B, 0x20, 0x10, 0x11, 0x12, 0xBA, 0xBB, 0xBC, 0xBD,
                                 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE};
    for (int k = '0'; k <= '9'; ++k) keys.push_back(static_cast<VirtualKey>(k));
    for (int k = 'A'; k <= 'Z'; ++k) keys.push_back(static_cast<VirtualKey>(k));
    for (int k = 0x60; k <= 0x69; ++k) keys.push_back(static_cast<VirtualKey>(k));
    for (int k = 0x70; k <= 0x87; ++k) keys.push_back(static_cast<VirtualKey>(k));
    for (VirtualKey key : keys) {
        const unsigned long keysym = keysymForVirtualKey(key);
        ASSERT_NE(keysym, 0u) << "virtual key 0x" << std::hex << int(key);
        EXPECT_EQ(virtualKeyForKeysym(keysym), key) << "virtual key 0x" << std::hex << int(key);
    }
}

TEST(VirtualKeyMap, KnownKeysymsAndKeysWithoutOne) {
    struct Case {
        VirtualKey key;
        unsigned long keysym;
    };
    // Keysym values from the X protocol's keysym list.
    const Case cases[] = {{'A', 0x61},    {'1', 0x31},    {0x70, 0xFFBE}, {0x87, 0xFFD5},
                          {0x60, 0xFFB0}, {0x0D, 0xFF0D}, {0x11, 0xFFE3}, {0x12, 0xFFE9},
                          {0xBA, 0x3B},   {0x2E, 0xFFFF}, {0x3A, 0},      {0xFF, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(keysymForVirtualKey(c.key), c.keysym) << std::hex << int(c.key);
    EXPECT_EQ(virtualKeyForKeysym(0x41), VirtualKey{'A'});     // upper-case A is the A key too
    EXPECT_EQ(virtualKeyForKeysym(0xFFE4), VirtualKey{0xA3});  // right Ctrl
    EXPECT_EQ(virtualKeyForKeysym(0xFC), std::nullopt);        // u-umlaut: no US key
}

}  // namespace
}  // namespace kivrano::platform::x11
