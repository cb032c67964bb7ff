#include "launch/HotKeyRegistry.h"

#include "platform/fake/FakeHotKeys.h"

#include <gtest/gtest.h>

using namespace kivrano;

TEST(HotKeyRegistry, ListsWhatItRegisteredAndDropsItAll) {
    platform::FakeHotKeys system;
    HotKeyRegistry registry(system);
    registry.registerGlobals(VaultSettings::defaultGlobalHotKeys());
    registry.registerLaunchKey(500, {0x4D, HotKeyValue::kCtrl | HotKeyValue::kShift});
    // A second item with the same key: listed, but the first registration keeps the keys.
    registry.registerLaunchKey(501, {0x4D, HotKeyValue::kCtrl | HotKeyValue::kShift});
    ASSERT_EQ(registry.records().size(), 13u);
    EXPECT_EQ(system.press({0x31, HotKeyValue::kCtrl}), 0u);
    EXPECT_EQ(system.press({0x7B, HotKeyValue::kCtrl}), 9u);
    EXPECT_EQ(system.press({0x4D, 3}), 500u);

    registry.unregisterOne(500);
    EXPECT_EQ(registry.records().size(), 12u);
    EXPECT_EQ(system.press({0x4D, 3}), std::nullopt);  // 501 was refused while 500 held it

    registry.dropAll();
    EXPECT_TRUE(registry.records().empty());
    EXPECT_EQ(system.press({0x31, HotKeyValue::kCtrl}), std::nullopt);
}
