#include "E2eSupport.h"

#include "platform/x11/X11HotKeys.h"

namespace kivrano::platform::e2e {
namespace {

const HotKeyValue kCtrl1{'1', HotKeyValue::kCtrl};

class HotKeysE2E : public X11Test {
protected:
    void SetUp() override {
        hotKeys.setHandler([this](HotKeyId id) { fired.push_back(id); });
    }
    // The user pressing a combination with Ctrl.
    void pressCtrl(VirtualKey key) {
        user.keyDown(vk::kControl);
        user.keyDown(key);
        user.keyUp(key);
        user.keyUp(vk::kControl);
    }

    X11Keyboard user{connection()};
    X11HotKeys hotKeys{connection()};
    std::vector<HotKeyId> fired;
};

TEST_F(HotKeysE2E, ReportedOnceWhenTheKeyIsReleasedNotWhilePressedOrRepeating) {
    ASSERT_TRUE(hotKeys.registerHotKey(0, kCtrl1));
    user.keyDown(vk::kControl);
    user.keyDown('1');
    user.keyDown('1');  // auto-repeat
    settle();
    EXPECT_TRUE(fired.empty());
    user.keyUp('1');
    user.keyUp(vk::kControl);
    ASSERT_TRUE(waitFor([&] { return !fired.empty(); }));
    settle();
    EXPECT_EQ(fired, std::vector<HotKeyId>{0});
    EXPECT_FALSE(user.isPhysicallyHeld(Modifier::Ctrl));
}

TEST_F(HotKeysE2E, FiresWithCapsLockAndNumLockOnAndStopsWhenUnregistered) {
    ASSERT_TRUE(hotKeys.registerHotKey(9, {0x7B, HotKeyValue::kCtrl}));  // Ctrl+F12
    ASSERT_TRUE(hotKeys.registerHotKey(4000, {'M', HotKeyValue::kCtrl | HotKeyValue::kShift}));
    for (VirtualKey lock : {vk::kCapital, VirtualKey{0x90}}) {
        user.keyDown(lock);
        user.keyUp(lock);
    }
    pressCtrl(0x7B);
    user.keyDown(vk::kShift);
    pressCtrl('M');
    user.keyUp(vk::kShift);
    ASSERT_TRUE(waitFor([&] { return fired.size() == 2; }));
    EXPECT_EQ(fired, (std::vector<HotKeyId>{9, 4000}));
    for (VirtualKey lock : {vk::kCapital, VirtualKey{0x90}}) {
        user.keyDown(lock);
        user.keyUp(lock);
    }

    hotKeys.unregisterHotKey(9);
    pressCtrl(0x7B);
    settle();
    EXPECT_EQ(fired.size(), 2u);
}

TEST_F(HotKeysE2E, CombinationHeldElsewhereIsRefusedKeptAndNeverFires) {
    auto otherConnection = X11Connection::open();
    ASSERT_NE(otherConnection, nullptr);
    X11HotKeys otherProgram(*otherConnection);
    std::vector<HotKeyId> otherFired;
    otherProgram.setHandler([&](HotKeyId id) { otherFired.push_back(id); });
    ASSERT_TRUE(otherProgram.registerHotKey(1, {'2', HotKeyValue::kCtrl}));

    EXPECT_FALSE(hotKeys.registerHotKey(1, {'2', HotKeyValue::kCtrl}));
    EXPECT_TRUE(hotKeys.registerHotKey(0, kCtrl1));
    EXPECT_FALSE(hotKeys.registerHotKey(4001, kCtrl1));  // our own id 0 holds it
    EXPECT_FALSE(hotKeys.registerHotKey(4002, {0, 0}));

    pressCtrl('2');
    pressCtrl('1');
    ASSERT_TRUE(waitFor([&] { return !otherFired.empty() && !fired.empty(); }));
    settle();
    EXPECT_EQ(otherFired, std::vector<HotKeyId>{1});
    EXPECT_EQ(fired, std::vector<HotKeyId>{0});

    // The refused registration does not come alive when the other program lets go.
    otherProgram.unregisterHotKey(1);
    pressCtrl('2');
    settle();
    EXPECT_EQ(fired, std::vector<HotKeyId>{0});
    EXPECT_TRUE(hotKeys.registerHotKey(1, {'2', HotKeyValue::kCtrl}));  // renewed
    pressCtrl('2');
    ASSERT_TRUE(waitFor([&] { return fired.size() == 2; }));
    EXPECT_EQ(fired.back(), HotKeyId{1});
}

// Typing right after the hotkey: with the key released, the grab is over, so every typed key,
// also the hotkey's own key, reaches the focused window.
TEST_F(HotKeysE2E, TypingFromTheHandlerReachesTheFocusedWindow) {
    X11WindowSystem windows(connection());
    auto target = startTarget(windows);
    ASSERT_TRUE(hotKeys.registerHotKey(0, kCtrl1));
    hotKeys.setHandler([&](HotKeyId) {
        for (char32_t c : std::u32string(U"1a1!")) user.typeCharacter(c);
    });
    pressCtrl('1');
    EXPECT_TRUE(target->waitForText(0, "1a1!")) << target->output().toStdString();
    settle();
    EXPECT_EQ(target->fieldText(0), "1a1!");
}

}  // namespace
}  // namespace kivrano::platform::e2e
