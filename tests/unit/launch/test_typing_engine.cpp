#include "launch/TypingEngine.h"

#include "platform/fake/CapturedDebugSink.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/MemoryClipboard.h"
#include "platform/fake/RecordingKeyboard.h"
#include "platform/fake/RecordingPause.h"
#include "vault/VaultItem.h"
#include "vault/VaultSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace kivrano;
using platform::Modifier;
using Event = platform::RecordingKeyboard::Event;

namespace {

std::string keyName(platform::VirtualKey key) {
    switch (key) {
        case platform::vk::kShift: return "Shift";
        case platform::vk::kControl: return "Ctrl";
        case platform::vk::kMenu: return "Alt";
        case platform::vk::kRightShift: return "RightShift";
        case platform::vk::kRightControl: return "RightCtrl";
        case platform::vk::kRightMenu: return "RightAlt";
        case platform::vk::kTab: return "Tab";
        case platform::vk::kReturn: return "Enter";
        case platform::vk::kV: return "V";
        default: return "key" + std::to_string(key);
    }
}

// One log of everything the user's desktop sees, in order: "+Ctrl"/"-Ctrl" key down and up,
// a typed character as its code point ("U+61"), and each wait with what the clipboard holds
// meanwhile.
struct Desktop {
    platform::RecordingKeyboard keyboard;
    platform::MemoryClipboard clipboard;
    platform::RecordingPause pause;
    platform::FakeWindowSystem windows;
    std::vector<std::string> log;
    // The user's own doing after each key event (the key event is logged first).
    std::function<void(const Event&)> user;
    std::function<void(int waitIndex)> userDuringWait;
    int waits = 0;

    Desktop() {
        clipboard.setContent("earlier");
        windows.addWindow(2, {"Sign in - Editor", "editor", "", 0});
        keyboard.setAfterEvent([this](const Event& e) {
            if (e.kind == Event::Kind::Character) {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "U+%X", static_cast<unsigned>(e.character));
                log.push_back(buffer);
            } else {
                log.push_back((e.kind == Event::Kind::Down ? "+" : "-") + keyName(e.key));
            }
            if (user) user(e);
        });
        pause.setDuring([this](std::chrono::milliseconds d) {
            log.push_back("wait " + std::to_string(d.count()) + " " +
                          clipboard.content().value_or("(none)"));
            if (userDuringWait) userDuringWait(waits);
            ++waits;
        });
    }

    platform::CapturedDebugSink debug;

    void type(const VaultItem* item, int hotKey, std::int32_t mode) {
        TypingEngine engine(keyboard, clipboard, pause, windows);
        engine.setDebugSink(&debug);
        engine.typeField(item, hotKey, mode);
    }
};

std::vector<std::string> chars(const std::string& ascii) {
    std::vector<std::string> out;
    for (char c : ascii) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "U+%X", static_cast<unsigned>(c));
        out.push_back(buffer);
    }
    return out;
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const std::vector<std::string> kTab = {"+Tab", "-Tab"};
const std::vector<std::string> kEnter = {"+Enter", "-Enter"};
const std::vector<std::string> kShiftTab = {"+Shift", "+Tab", "-Tab", "-Shift"};
const std::vector<std::string> kCtrlV = {"+Ctrl", "+V", "-V", "-Ctrl"};

std::vector<std::string> pasted(const std::string& text, std::vector<std::string> presses) {
    return join({{"wait 500 " + text}, kCtrlV, presses, {"wait 500 " + text}});
}

}  // namespace

TEST(TypingEngine, PlansEachFieldAndModeExactly) {
    struct Case {
        const char* name;
        std::function<void(VaultItem&)> fill;
        int hotKey;
        std::int32_t mode;
        std::string foregroundTitle;
        std::vector<std::string> expected;
        std::optional<std::string> clipboardAfter;
    };
    const std::string memo = "ab\r\ncd\r\n";
    const std::string accented = "p\xC3\xA4ss";  // "päss"
    const std::vector<Case> cases = {
        {"empty id still presses its keys", [](VaultItem& i) { i.id.clear(); }, 0,
         kTypeInKeyEmulation, "Editor", join({kTab, kEnter}), "earlier"},
        {"empty id in paste mode leaves the clipboard alone", [](VaultItem& i) { i.id.clear(); }, 0,
         kTypeInCopyPaste, "Editor", join({kTab, kEnter}), "earlier"},
        {"id in key mode", [](VaultItem&) {}, 0, kTypeInKeyEmulation, "Editor",
         join({chars("Me"), kTab, kEnter}), "earlier"},
        {"memo skips CR and never presses Tab or Enter", [&](VaultItem& i) { i.memo = memo; }, 8,
         kTypeInKeyEmulation, "Editor", chars("ab\ncd\n"), "earlier"},
        {"non-ASCII password is pasted even in key mode",
         [&](VaultItem& i) { i.password = accented; }, 1, kTypeInKeyEmulation, "Editor",
         pasted(accented, join({kTab, kEnter})), std::nullopt},
        {"paste mode empties the clipboard afterwards", [](VaultItem&) {}, 0, kTypeInCopyPaste,
         "Editor", pasted("Me", join({kTab, kEnter})), std::nullopt},
        {"automatic: application item, browser title pastes",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceApplication; }, 0, kTypeInAutomatic,
         "Bank - Microsoft Internet Explorer", pasted("Me", join({kTab, kEnter})), std::nullopt},
        {"automatic: Netscape title pastes",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceApplication; }, 0, kTypeInAutomatic,
         "Bank - Netscape", pasted("Me", join({kTab, kEnter})), std::nullopt},
        {"automatic: Firefox title pastes",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceApplication; }, 0, kTypeInAutomatic,
         "Bank \xE2\x80\x94 Mozilla Firefox", pasted("Me", join({kTab, kEnter})), std::nullopt},
        {"automatic: Chromium title pastes",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceApplication; }, 0, kTypeInAutomatic,
         "Bank - Chromium", pasted("Me", join({kTab, kEnter})), std::nullopt},
        {"automatic: application item, terminal title types",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceApplication; }, 0, kTypeInAutomatic,
         "bash - Terminal", join({chars("Me"), kTab, kEnter}), "earlier"},
        {"automatic: item opened in the browser pastes",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceBrowser; }, 0, kTypeInAutomatic,
         "bash - Terminal", pasted("Me", join({kTab, kEnter})), std::nullopt},
        {"automatic: e-mail item pastes",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceEmail; }, 0, kTypeInAutomatic,
         "bash - Terminal", pasted("Me", join({kTab, kEnter})), std::nullopt},
        {"browser title does not matter outside automatic mode",
         [](VaultItem& i) { i.appChoice = VaultItem::kAppChoiceBrowser; }, 0, kTypeInKeyEmulation,
         "Bank - Microsoft Internet Explorer", join({chars("Me"), kTab, kEnter}), "earlier"},
        {"-2 Tabs then 1 Enter",
         [](VaultItem& i) {
             i.password = "pw";
             i.tabCount[1] = -2;
             i.enterCount[1] = 1;
         },
         1, kTypeInKeyEmulation, "Editor", join({chars("pw"), kShiftTab, kShiftTab, kEnter}),
         "earlier"},
        {"negative Enter count is Shift+Enter; Etc 2 uses its own counts",
         [](VaultItem& i) {
             i.etcText[1] = "X";
             i.tabCount[3] = 0;
             i.enterCount[3] = -1;
         },
         3, kTypeInKeyEmulation, "Editor",
         join({chars("X"), {"+Shift", "+Enter", "-Enter", "-Shift"}}), "earlier"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop desktop;
        desktop.windows.addWindow(3, {c.foregroundTitle, "app", "", 0});
        VaultItem item;
        item.id = "Me";
        item.appChoice = VaultItem::kAppChoiceApplication;
        item.tabCount.fill(1);
        item.enterCount.fill(1);
        c.fill(item);
        desktop.type(&item, c.hotKey, c.mode);
        EXPECT_EQ(desktop.log, c.expected);
        EXPECT_EQ(desktop.clipboard.content(), c.clipboardAfter);
        EXPECT_FALSE(desktop.clipboard.isOpen());
        // A pasted field is a secret on the clipboard: clipboard managers do not keep it.
        const bool pasted = std::count(desktop.log.begin(), desktop.log.end(), "+V") > 0;
        EXPECT_EQ(desktop.clipboard.secretsPut(), pasted ? 1 : 0);
    }
}

TEST(TypingEngine, NothingForAFolderOrANonFieldHotKey) {
    Desktop desktop;
    VaultItem item;
    item.id = "Me";
    item.tabCount.fill(1);
    desktop.type(nullptr, 0, kTypeInCopyPaste);
    desktop.type(&item, 9, kTypeInCopyPaste);
    desktop.type(&item, -1, kTypeInKeyEmulation);
    EXPECT_TRUE(desktop.log.empty());
    EXPECT_EQ(desktop.clipboard.content(), "earlier");
}

TEST(TypingEngine, HeldModifiersAreReleasedAndPressedAgainInOrder) {
    Desktop desktop;
    for (Modifier m : {Modifier::Ctrl, Modifier::Alt, Modifier::Shift})
        desktop.keyboard.setHeld(m, true);
    // The user's fingers stay on the keys: our release does not lift them.
    desktop.user = [&](const Event& e) {
        if (e.kind == Event::Kind::Up && e.key == platform::vk::kControl)
            desktop.keyboard.setHeld(Modifier::Ctrl, true);
        if (e.kind == Event::Kind::Up && e.key == platform::vk::kMenu)
            desktop.keyboard.setHeld(Modifier::Alt, true);
        if (e.kind == Event::Kind::Up && e.key == platform::vk::kShift)
            desktop.keyboard.setHeld(Modifier::Shift, true);
    };
    VaultItem item;
    item.id = "a";
    item.tabCount[0] = 1;
    desktop.type(&item, 0, kTypeInKeyEmulation);

    std::vector<std::string> expected(10, "wait 50 earlier");
    for (const char* s :
         {"-Shift", "-Alt", "-Ctrl", "U+61", "+Tab", "-Tab", "+Shift", "+Alt", "+Ctrl"})
        expected.push_back(s);
    EXPECT_EQ(desktop.log, expected);
}

TEST(TypingEngine, CtrlLetGoWhileWaitingIsNeverTouched) {
    Desktop desktop;
    desktop.keyboard.setHeld(Modifier::Ctrl, true);
    desktop.userDuringWait = [&](int wait) {
        if (wait == 1) desktop.keyboard.setHeld(Modifier::Ctrl, false);
    };
    VaultItem item;
    item.id = "a";
    desktop.type(&item, 0, kTypeInKeyEmulation);
    EXPECT_EQ(desktop.log,
              (std::vector<std::string>{"wait 50 earlier", "wait 50 earlier", "U+61"}));
}

TEST(TypingEngine, CtrlLetGoDuringTypingIsNotPressedAgain) {
    Desktop desktop;
    desktop.keyboard.setHeld(Modifier::Ctrl, true);
    desktop.user = [&](const Event& e) {
        if (e.kind == Event::Kind::Up && e.key == platform::vk::kControl)
            desktop.keyboard.setHeld(Modifier::Ctrl, true);  // still held
        if (e.kind == Event::Kind::Character)
            desktop.keyboard.setHeld(Modifier::Ctrl, false);  // and now let go
    };
    VaultItem item;
    item.id = "ab";
    desktop.type(&item, 0, kTypeInKeyEmulation);

    std::vector<std::string> expected(10, "wait 50 earlier");
    for (const char* s : {"-Ctrl", "U+61", "U+62"}) expected.push_back(s);
    EXPECT_EQ(desktop.log, expected);
    EXPECT_FALSE(desktop.keyboard.isPhysicallyHeld(Modifier::Ctrl));
}

TEST(TypingEngine, ClipboardThatCannotBeOpenedTypesNothingAndLeavesNoKeyChanged) {
    Desktop desktop;
    desktop.clipboard.setOpenable(false);
    desktop.keyboard.setHeld(Modifier::Ctrl, true);
    desktop.user = [&](const Event& e) {
        if (e.kind == Event::Kind::Up && e.key == platform::vk::kControl)
            desktop.keyboard.setHeld(Modifier::Ctrl, true);
    };
    VaultItem item;
    item.password = "secret";
    item.tabCount[1] = 1;
    desktop.type(&item, 1, kTypeInCopyPaste);

    std::vector<std::string> expected(10, "wait 50 earlier");
    expected.push_back("-Ctrl");
    expected.push_back("+Ctrl");  // the user still holds it
    EXPECT_EQ(desktop.log, expected);
    EXPECT_EQ(desktop.clipboard.content(), "earlier");
}

TEST(TypingEngine, WhatTheUserCopiesDuringThePasteIsKept) {
    Desktop desktop;
    desktop.userDuringWait = [&](int wait) {
        if (wait == 0) return;
        ASSERT_TRUE(desktop.clipboard.open());
        desktop.clipboard.setText("copied by the user");
        desktop.clipboard.close();
    };
    VaultItem item;
    item.password = "secret";
    desktop.type(&item, 1, kTypeInCopyPaste);
    EXPECT_EQ(desktop.clipboard.content(), "copied by the user");
}

TEST(TypingEngine, OwnWindowInFrontTypesIntoTheWindowBehindIt) {
    Desktop desktop;  // window 2, an editor, is on top
    desktop.windows.addWindow(4, {"Bank - Microsoft Internet Explorer", "browser", "", 0});
    desktop.windows.bringToTop(platform::FakeWindowSystem::kMainWindow);
    VaultItem item;
    item.id = "Me";
    item.appChoice = VaultItem::kAppChoiceApplication;
    desktop.type(&item, 0, kTypeInAutomatic);
    EXPECT_EQ(desktop.windows.foregroundWindow(), 4u);
    // The browser now in front decides the automatic mode.
    EXPECT_EQ(desktop.log, pasted("Me", {}));
}

TEST(TypingEngine, UntypeableCharacterIsSkippedAndTypingGoesOn) {
    Desktop desktop;
    desktop.keyboard.setUntypeable(U'b');
    VaultItem item;
    item.id = "abc";
    item.tabCount[0] = 1;
    desktop.type(&item, 0, kTypeInKeyEmulation);
    EXPECT_EQ(desktop.log, join({chars("ac"), kTab}));
}

TEST(TypingEngine, HotKeyPressedDuringAPasteIsDropped) {
    Desktop desktop;
    TypingEngine engine(desktop.keyboard, desktop.clipboard, desktop.pause, desktop.windows);
    VaultItem item;
    item.id = "Me";
    item.password = "pw";
    desktop.userDuringWait = [&](int wait) {
        if (wait == 0) engine.typeField(&item, 1, kTypeInKeyEmulation);
    };
    engine.typeField(&item, 0, kTypeInCopyPaste);
    EXPECT_EQ(desktop.log, pasted("Me", {}));
}

TEST(TypingEngine, StopsWhenAnotherWindowComesToTheFront) {
    // A notification window (5) takes the focus after the log entry named by `after`.
    struct Case {
        const char* what;
        std::int32_t mode;
        std::string after;  // the log entry after which the window changes
        std::vector<std::string> expected;
    } cases[] = {
        {"between characters", kTypeInKeyEmulation, "U+62",
         join({{"-Ctrl"}, chars("ab"), {"+Ctrl"}})},
        {"before the Tab", kTypeInKeyEmulation, "U+64",
         join({{"-Ctrl"}, chars("abcd"), {"+Ctrl"}})},
        {"before the Enter", kTypeInKeyEmulation, "-Tab",
         join({{"-Ctrl"}, chars("abcd"), kTab, {"+Ctrl"}})},
        // The clipboard is still emptied after the usual wait.
        {"before the paste",
         kTypeInCopyPaste,
         "wait 500 abcd",
         {"-Ctrl", "wait 500 abcd", "+Ctrl", "wait 500 abcd"}},
        {"after the paste", kTypeInCopyPaste, "-V",
         join({{"-Ctrl", "wait 500 abcd"}, kCtrlV, {"+Ctrl", "wait 500 abcd"}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Desktop desktop;
        desktop.keyboard.setHeld(Modifier::Ctrl, true);  // the hotkey's Ctrl, still held
        auto notificationAfterTrigger = [&] {
            if (desktop.log.back() == c.after)
                desktop.windows.addWindow(5, {"Notification", "popup", "", 0});
        };
        desktop.user = [&](const Event& e) {
            if (e.kind == Event::Kind::Up && e.key == platform::vk::kControl)
                desktop.keyboard.setHeld(Modifier::Ctrl, true);  // the user still holds it
            notificationAfterTrigger();
        };
        desktop.pause.setDuring([&](std::chrono::milliseconds d) {
            if (d == TypingEngine::kReleasePoll) return;  // the user keeps holding Ctrl
            desktop.log.push_back("wait " + std::to_string(d.count()) + " " +
                                  desktop.clipboard.content().value_or("(none)"));
            notificationAfterTrigger();
        });
        VaultItem item;
        item.id = "abcd";
        item.tabCount[0] = 1;
        item.enterCount[0] = 1;
        desktop.type(&item, 0, c.mode);

        // Nothing more goes anywhere, and Ctrl is pressed again as at the end of any typing.
        EXPECT_EQ(desktop.log, c.expected);
        EXPECT_NE(desktop.debug.text().find("typing stopped"), std::string::npos);
        // The field never stays on the clipboard, stopped or not.
        if (c.mode == kTypeInCopyPaste) {
            EXPECT_EQ(desktop.clipboard.content(), std::nullopt);
        }
    }

    // A Shift+Tab that has begun is finished before the stop: no key is left down.
    Desktop desktop;
    desktop.user = [&](const Event& e) {
        if (e.kind == Event::Kind::Down && e.key == platform::vk::kShift)
            desktop.windows.addWindow(5, {"Notification", "popup", "", 0});
    };
    VaultItem item;
    item.id = "a";
    item.tabCount[0] = -2;
    desktop.type(&item, 0, kTypeInKeyEmulation);
    EXPECT_EQ(desktop.log, join({chars("a"), kShiftTab}));
}

TEST(TypingEngine, KeyboardTheDesktopDoesNotGrantTypesNothing) {
    Desktop desktop;
    desktop.keyboard.setGrantsTyping(false);
    desktop.keyboard.setHeld(Modifier::Ctrl, true);
    VaultItem item;
    item.password = "secret";
    TypingEngine engine(desktop.keyboard, desktop.clipboard, desktop.pause, desktop.windows);
    engine.setDebugSink(&desktop.debug);
    for (std::int32_t mode : {kTypeInKeyEmulation, kTypeInCopyPaste}) {
        EXPECT_EQ(engine.typeField(&item, 1, mode), TypingEngine::Result::KeyboardUnavailable);
        EXPECT_FALSE(engine.isTyping());
    }
    EXPECT_TRUE(desktop.log.empty());  // no key, no wait, the clipboard left alone
    EXPECT_EQ(desktop.clipboard.content(), "earlier");
    EXPECT_EQ(desktop.keyboard.typingsEnded(), 0);
    EXPECT_NE(desktop.debug.text().find("did not grant the keyboard"), std::string::npos);
}

TEST(TypingEngine, EveryKeyIsSentWithinOneGrantedTyping) {
    for (std::int32_t mode : {kTypeInKeyEmulation, kTypeInCopyPaste}) {
        SCOPED_TRACE(mode);
        Desktop desktop;
        desktop.keyboard.setHeld(Modifier::Alt, true);
        desktop.user = [&](const Event& e) {
            if (e.kind == Event::Kind::Up && e.key == platform::vk::kMenu)
                desktop.keyboard.setHeld(Modifier::Alt, true);  // still held: pressed again
        };
        VaultItem item;
        item.password = "pw";
        item.tabCount[1] = 1;
        TypingEngine engine(desktop.keyboard, desktop.clipboard, desktop.pause, desktop.windows);
        EXPECT_EQ(engine.typeField(&item, 1, mode), TypingEngine::Result::Typed);
        EXPECT_EQ(desktop.keyboard.typingsBegun(), 1);
        EXPECT_EQ(desktop.keyboard.typingsEnded(), 1);
        // The Alt pressed again for the user's finger is inside it too.
        EXPECT_EQ(desktop.keyboard.eventsOutsideTyping(), 0);
        EXPECT_NE(std::find(desktop.log.begin(), desktop.log.end(), "+Alt"), desktop.log.end());
    }
}

TEST(TypingEngine, UnknownModifiersAreReleasedAfterTheWholeMomentAndNotPressedAgain) {
    Desktop desktop;
    desktop.keyboard.setKnowsHeldModifiers(false);
    desktop.keyboard.setHeld(Modifier::Ctrl, true);  // what the desktop would not tell
    VaultItem item;
    item.id = "ab";
    item.enterCount[0] = 1;
    desktop.type(&item, 0, kTypeInKeyEmulation);
    // Both sides: the user may hold either Ctrl, and one desktop state (KDE) has them all.
    EXPECT_EQ(desktop.log, join({{"wait 500 earlier", "-Shift", "-RightShift", "-Alt", "-RightAlt",
                                  "-Ctrl", "-RightCtrl"},
                                 chars("ab"),
                                 kEnter}));
}

TEST(TypingEngine, FieldWithACharacterTheKeyboardDoesNotTrustIsPasted) {
    struct Case {
        const char* text;
        bool pasted;
    } cases[] = {{"a\x1b"
                  "b",
                  true},
                 {"ab\r\n", false},  // the carriage return is never typed, so never asked for
                 {"ab", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Desktop desktop;
        desktop.keyboard.setPastedOnly(U'\x1b');
        desktop.keyboard.setPastedOnly(U'\r');
        VaultItem item;
        item.id = c.text;
        desktop.type(&item, 0, kTypeInKeyEmulation);
        ASSERT_FALSE(desktop.log.empty());
        EXPECT_EQ(desktop.log.front() == "wait 500 " + std::string(c.text), c.pasted);
    }
    EXPECT_TRUE(keyboardTypesText(platform::RecordingKeyboard(), "any\x1btext"));
}
