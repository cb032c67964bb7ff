#include "app/SecretClipboard.h"

#include "platform/fake/CapturedDebugSink.h"
#include "platform/fake/MemoryClipboard.h"
#include "platform/fake/MemorySettingsStore.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace kivrano;
using namespace std::chrono_literals;

namespace {

struct SecretClipboardTest : ::testing::Test {
    platform::MemoryClipboard clipboard;
    platform::CapturedDebugSink trace;
    SecretClipboard copies{clipboard};
    std::vector<std::chrono::milliseconds> timers;

    SecretClipboardTest() {
        copies.setTimerStarter(
            [this](std::chrono::milliseconds delay) { timers.push_back(delay); });
        copies.setTrace(&trace);
    }
};

}  // namespace

TEST_F(SecretClipboardTest, ASecretIsHiddenAndClearedWhenTheDelayEnds) {
    ASSERT_TRUE(copies.copySecret("s3cret"));
    EXPECT_EQ(clipboard.content(), "s3cret");
    EXPECT_TRUE(clipboard.contentIsSecret());
    EXPECT_FALSE(clipboard.isOpen());
    EXPECT_EQ(timers, std::vector<std::chrono::milliseconds>{20s});

    copies.expire();
    EXPECT_EQ(clipboard.content(), std::nullopt);
    EXPECT_EQ(trace.text().find("s3cret"), std::string::npos);  // the trace never tells it
    copies.expire();  // a second end of the same countdown changes nothing
    EXPECT_EQ(clipboard.content(), std::nullopt);
}

TEST_F(SecretClipboardTest, WhatWasCopiedSinceStays) {
    struct Case {
        const char* what;
        void (*after)(SecretClipboard&, platform::MemoryClipboard&);
        std::optional<std::string> left;
    };
    const Case cases[] = {
        {"another program's copy",
         [](SecretClipboard&, platform::MemoryClipboard& c) { c.setContent("theirs"); }, "theirs"},
        {"the same text copied by another program",
         [](SecretClipboard&, platform::MemoryClipboard& c) { c.setContent("s3cret"); }, "s3cret"},
        {"our own address copy",
         [](SecretClipboard& s, platform::MemoryClipboard&) { s.copyPlain("https://a.example"); },
         "https://a.example"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(copies.copySecret("s3cret"));
        c.after(copies, clipboard);
        copies.expire();
        EXPECT_EQ(clipboard.content(), c.left);
    }
}

TEST_F(SecretClipboardTest, PlainTextNoDelayAndABusyClipboardStartNoCountdown) {
    ASSERT_TRUE(copies.copyPlain("https://a.example"));
    EXPECT_FALSE(clipboard.contentIsSecret());

    copies.setClearDelay(0s);  // keep secrets
    ASSERT_TRUE(copies.copySecret("s3cret"));
    EXPECT_TRUE(clipboard.contentIsSecret());
    copies.expire();
    EXPECT_EQ(clipboard.content(), "s3cret");

    copies.setClearDelay(5s);
    clipboard.setOpenable(false);
    EXPECT_FALSE(copies.copySecret("other"));
    EXPECT_TRUE(timers.empty());
}

TEST(SecretClipboardDelay, ComesFromTheSettingsWithinBounds) {
    struct Case {
        std::optional<platform::MemorySettingsStore::Value> stored;
        std::chrono::seconds expected;
    };
    const Case cases[] = {
        {std::nullopt, 20s},           {std::int32_t{5}, 5s},      {std::int32_t{0}, 0s},
        {std::int32_t{86400}, 86400s}, {std::int32_t{86401}, 20s}, {std::int32_t{-1}, 20s},
        {std::string("soon"), 20s},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore store;
        auto key = store.open(platform::SettingsStore::Open::CreateIfMissing);
        if (c.stored) store.values()["ClipboardClearSeconds"] = *c.stored;
        EXPECT_EQ(SecretClipboard::loadClearDelay(store), c.expected);
    }
    platform::MemorySettingsStore none;  // no settings file yet
    EXPECT_EQ(SecretClipboard::loadClearDelay(none), 20s);
}
