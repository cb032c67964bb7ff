// The portal clients' own rules, without a bus: paths, answers, keysyms, shortcut texts and
// the restore token's file.

#include "platform/portal/PortalKeysyms.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalShortcut.h"
#include "platform/portal/RestoreTokenFile.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace kivrano::platform::portal {
namespace {

TEST(PortalRequest, PredictsThePortalsPathsAndReadsItsAnswers) {
    EXPECT_EQ(predictedObjectPath(QStringLiteral("request"), QStringLiteral(":1.42"),
                                  QStringLiteral("kivrano_7_3")),
              QStringLiteral("/org/freedesktop/portal/desktop/request/1_42/kivrano_7_3"));
    EXPECT_EQ(predictedObjectPath(QStringLiteral("session"), QStringLiteral(":1.2.3"),
                                  QStringLiteral("t")),
              QStringLiteral("/org/freedesktop/portal/desktop/session/1_2_3/t"));
    EXPECT_NE(nextHandleToken(), nextHandleToken());
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^[A-Za-z0-9_]+$")).match(nextHandleToken()).hasMatch());

    EXPECT_EQ(outcomeOfResponseCode(0), PortalOutcome::Success);
    EXPECT_EQ(outcomeOfResponseCode(1), PortalOutcome::Cancelled);
    EXPECT_EQ(outcomeOfResponseCode(2), PortalOutcome::Failed);
    EXPECT_EQ(outcomeOfResponseCode(77), PortalOutcome::Failed);
    EXPECT_EQ((PortalResult{PortalOutcome::Cancelled, {}, {}}.describe(QStringLiteral("Start"))),
              "Start: cancelled by the user");
}

TEST(PortalKeysyms, TypesPrintableAsciiAndLineBreaksByKeysymOnly) {
    struct Case {
        char32_t character;
        std::uint32_t keysym;
        bool byKeysym;
    } cases[] = {
        {U'a', 0x61, true},
        {U'Z', 0x5a, true},
        {U'~', 0x7e, true},
        {U' ', 0x20, true},
        {U'\t', 0xff09, true},
        {U'\n', 0xff0d, true},
        {U'\r', 0xff0d, true},
        {U'\u00e4', 0xe4, false},
        {U'\u20ac', 0x20ac, false},
        {U'\u0416', 0x6f6, false},
        {U'\U0001F600', 0x101f600, false},
        {U'\x1b', 0xff1b, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<unsigned>(c.character));
        EXPECT_EQ(keysymForCharacter(c.character), c.keysym);
        EXPECT_EQ(typesByKeysym(c.character), c.byKeysym);
    }
    EXPECT_EQ(keysymForKey(vk::kControl), 0xffe3u);
    EXPECT_EQ(keysymForKey(vk::kV), 0x76u);
}

TEST(PortalShortcut, NamesEachHotKeyAndItsPreferredTrigger) {
    struct Case {
        HotKeyValue key;
        const char* trigger;
    } cases[] = {
        {{'P', HotKeyValue::kCtrl | HotKeyValue::kAlt}, "CTRL+ALT+p"},
        {{0x74, HotKeyValue::kShift}, "SHIFT+F5"},
        {{'1', HotKeyValue::kCtrl | HotKeyValue::kShift | HotKeyValue::kAlt}, "CTRL+ALT+SHIFT+1"},
        {{vk::kSpace, HotKeyValue::kCtrl}, "CTRL+space"},
        {{0x6B, HotKeyValue::kAlt}, "ALT+KP_Add"},
        {{vk::kF12, 0}, "F12"},
        {{0, HotKeyValue::kCtrl}, ""},     // modifiers alone
        {{0x07, HotKeyValue::kCtrl}, ""},  // no such key
        {{0x1234, HotKeyValue::kCtrl}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trigger);
        EXPECT_EQ(shortcutTriggerText(c.key), c.trigger);
    }

    const auto shortcuts = portalShortcuts({{57, {'L', HotKeyValue::kCtrl}},
                                            {1, {'P', HotKeyValue::kAlt}},
                                            {10, {0, HotKeyValue::kAlt}}});
    ASSERT_EQ(shortcuts.size(), 3u);
    EXPECT_EQ(shortcuts[0], (PortalShortcut{1, "hotkey-1", "Kivrano: type the password", "ALT+p"}));
    EXPECT_EQ(shortcuts[1],
              (PortalShortcut{10, "hotkey-10", "Kivrano: open the address on the clipboard", ""}));
    EXPECT_EQ(shortcuts[2],
              (PortalShortcut{57, "launch-57", "Kivrano: launch an item (57)", "CTRL+l"}));
}

TEST(RestoreTokenFile, KeepsTheTokenForTheUserAloneAndForgetsItWhenEmpty) {
    testing::ScratchDirectory scratch;
    const RestoreTokenFile file(scratch.path() / "config" / "RemoteDesktop.token");
    EXPECT_EQ(file.read(), "");

    std::string error;
    ASSERT_TRUE(file.write("first-token", error)) << error;
    ASSERT_TRUE(file.write("9b4e-22", error)) << error;
    EXPECT_EQ(file.read(), "9b4e-22");
    struct stat status {};
    ASSERT_EQ(::stat(file.path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    ASSERT_TRUE(file.write("", error));
    EXPECT_FALSE(std::filesystem::exists(file.path()));

    // A file that holds something else is not taken for a token.
    std::ofstream(file.path()) << "two words\n";
    EXPECT_EQ(file.read(), "");
}

}  // namespace
}  // namespace kivrano::platform::portal
