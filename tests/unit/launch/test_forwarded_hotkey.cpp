#include "launch/ForwardedHotKey.h"

#include "platform/fake/FakeHotKeys.h"

#include <gtest/gtest.h>

using namespace kivrano;
using platform::InstanceRequest;

TEST(ForwardedHotKey, NamesTheIdAPressWouldDispatch) {
    platform::FakeHotKeys system;
    HotKeyRegistry registry(system);
    registry.registerGlobals(VaultSettings::defaultGlobalHotKeys());
    registry.registerLaunchKey(500, {0x4C, 3});
    registry.registerLaunchKey(501, {0x4D, 3});
    const ProgramState signedIn{true, false, false};

    const InstanceRequest password{InstanceRequest::Kind::HotKey, 1, {}};
    const ForwardedHotKey typed = resolveForwardedHotKey(password, registry, signedIn);
    EXPECT_EQ(typed.id, 1u);
    EXPECT_EQ(typed.refusal, "");

    const InstanceRequest ctrlShiftM{InstanceRequest::Kind::LaunchKey, 0, {0x4D, 3}};
    EXPECT_EQ(resolveForwardedHotKey(ctrlShiftM, registry, signedIn).id, 501u);

    // A global hotkey's combination is no item's launching key.
    const InstanceRequest ctrl2{InstanceRequest::Kind::LaunchKey, 0, {0x32, 2}};
    const ForwardedHotKey none = resolveForwardedHotKey(ctrl2, registry, signedIn);
    EXPECT_FALSE(none.id);
    EXPECT_EQ(none.refusal, "no item has the launching key Ctrl+2.");

    // Before the sign-in there is nothing to act on.
    const ForwardedHotKey early = resolveForwardedHotKey(password, registry, {false, false, false});
    EXPECT_FALSE(early.id);
    EXPECT_NE(early.refusal.find("sign in first"), std::string::npos);

    // Locked: dispatched all the same (the dispatch ignores it as it ignores a press), and the
    // caller is told why nothing happened.
    const ForwardedHotKey locked =
        resolveForwardedHotKey(ctrlShiftM, registry, {true, true, false});
    EXPECT_EQ(locked.id, 501u);
    EXPECT_NE(locked.refusal.find("locked"), std::string::npos);

    // A field key while a field is being typed is dropped, as a pressed one is; other keys work.
    const ProgramState typing{true, false, true};
    const ForwardedHotKey dropped = resolveForwardedHotKey(password, registry, typing);
    EXPECT_EQ(dropped.id, 1u);
    EXPECT_NE(dropped.refusal.find("still typing"), std::string::npos);
    const InstanceRequest showHide{InstanceRequest::Kind::HotKey, 9, {}};
    EXPECT_EQ(resolveForwardedHotKey(showHide, registry, typing).refusal, "");
    EXPECT_EQ(resolveForwardedHotKey(ctrlShiftM, registry, typing).refusal, "");
}
