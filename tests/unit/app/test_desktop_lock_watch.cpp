#include "app/DesktopLockWatch.h"

#include "platform/fake/CapturedDebugSink.h"
#include "platform/fake/FakeDesktopLockSignals.h"
#include "platform/fake/MemorySettingsStore.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace kivrano;

TEST(DesktopLockWatchTest, LocksUnlessTheSettingIsZero) {
    struct Case {
        bool settingsFile;
        std::optional<platform::MemorySettingsStore::Value> value;
        int locks;
    };
    for (const Case& c : {Case{false, std::nullopt, 1}, Case{true, std::nullopt, 1},
                          Case{true, std::int32_t{1}, 1}, Case{true, std::int32_t{0}, 0},
                          Case{true, std::int32_t{2}, 1}, Case{true, std::string("yes"), 1}}) {
        platform::MemorySettingsStore settings;
        if (c.settingsFile) {
            auto key = settings.open(platform::SettingsStore::Open::CreateIfMissing);
            if (c.value) settings.values()["LockOnDesktopLock"] = *c.value;
        }
        platform::FakeDesktopLockSignals desktop;
        platform::CapturedDebugSink trace;
        int locks = 0;
        DesktopLockWatch watch(desktop, settings, &trace, [&] { ++locks; });
        ASSERT_TRUE(desktop.lock("sleep"));
        EXPECT_EQ(locks, c.locks);
        EXPECT_NE(trace.text().find("desktop lock: sleep: "), std::string::npos) << trace.text();
    }
}

TEST(DesktopLockWatchTest, TheSettingIsReadAtEachSignalAndTheWatchLetsGo) {
    platform::MemorySettingsStore settings;
    settings.open(platform::SettingsStore::Open::CreateIfMissing)->writeInt("LockOnDesktopLock", 0);
    platform::FakeDesktopLockSignals desktop;
    int locks = 0;
    {
        DesktopLockWatch watch(desktop, settings, nullptr, [&] { ++locks; });
        desktop.lock();
        EXPECT_EQ(locks, 0);
        settings.open(platform::SettingsStore::Open::Existing)->writeInt("LockOnDesktopLock", 1);
        desktop.lock();
        EXPECT_EQ(locks, 1);
    }
    EXPECT_FALSE(desktop.lock());  // nobody listens once the watch is gone
}
