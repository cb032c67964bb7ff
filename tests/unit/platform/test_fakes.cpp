// The test doubles, used the way their callers will use them.
#include "platform/fake/CapturedDebugSink.h"
#include "platform/fake/FakeHotKeys.h"
#include "platform/fake/FakeSingleInstance.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/MemoryClipboard.h"
#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/RecordingKeyboard.h"
#include "platform/fake/RecordingPause.h"
#include "platform/fake/RecordingShell.h"
#include "platform/fake/TempProgramPaths.h"
#include "vault/VaultSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace kivrano::platform {
namespace {

using Event = RecordingKeyboard::Event;
using namespace std::chrono_literals;

TEST(RecordingKeyboard, MapsCharactersAsAUsLayoutDoes) {
    RecordingKeyboard keyboard;
    struct Case {
        char32_t character;
        std::optional<KeyStroke> expected;
    };
    const Case cases[] = {
        {U'a', KeyStroke{'A', false, false, false}},
        {U'Z', KeyStroke{'Z', true, false, false}},
        {U'7', KeyStroke{'7', false, false, false}},
        {U'@', KeyStroke{'2', true, false, false}},
        {U')', KeyStroke{'0', true, false, false}},
        {U' ', KeyStroke{vk::kSpace, false, false, false}},
        {U';', KeyStroke{0xBA, false, false, false}},
        {U'"', KeyStroke{0xDE, true, false, false}},
        {U'~', KeyStroke{0xC0, true, false, false}},
        {U'\t', KeyStroke{vk::kTab, false, false, false}},
        {U'\r', KeyStroke{vk::kReturn, false, false, false}},
        {U'\n', KeyStroke{vk::kReturn, false, true, false}},  // line feed: Ctrl+Enter
        {U'\u00E9', std::nullopt},
        {U'\u5BC6', std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keyboard.mapCharacter(c.character), c.expected)
            << "U+" << std::hex << unsigned(c.character);
}

// What a typing step does with a character: hold the modifiers, press the key, let go.
void typeByKeys(Keyboard& keyboard, char32_t c) {
    const auto stroke = keyboard.mapCharacter(c);
    ASSERT_TRUE(stroke);
    if (stroke->shift) keyboard.keyDown(vk::kShift);
    keyboard.keyDown(stroke->virtualKey);
    keyboard.keyUp(stroke->virtualKey);
    if (stroke->shift) keyboard.keyUp(vk::kShift);
}

TEST(RecordingKeyboard, RecordsTheExactEventsAndTracksModifiersItSends) {
    RecordingKeyboard keyboard;
    keyboard.setHeld(Modifier::Ctrl, true);  // the hotkey's Ctrl, still down
    if (keyboard.isPhysicallyHeld(Modifier::Ctrl)) keyboard.keyUp(vk::kControl);
    EXPECT_FALSE(keyboard.isPhysicallyHeld(Modifier::Ctrl));
    typeByKeys(keyboard, U'H');
    EXPECT_TRUE(keyboard.typeCharacter(U'\u00FC'));

    const std::vector<Event> expected{Event::up(vk::kControl), Event::down(vk::kShift),
                                      Event::down('H'),        Event::up('H'),
                                      Event::up(vk::kShift),   Event::typed(U'\u00FC')};
    EXPECT_EQ(keyboard.events(), expected);
    EXPECT_FALSE(keyboard.isPhysicallyHeld(Modifier::Shift));
}

TEST(RecordingKeyboard, LetsATestReleaseAKeyMidTypingAndRefuseCharacters) {
    RecordingKeyboard keyboard;
    keyboard.setHeld(Modifier::Alt, true);
    keyboard.setAfterEvent([&](const Event& event) {
        if (event == Event::typed(U'x')) keyboard.setHeld(Modifier::Alt, false);
    });
    keyboard.setUntypeable(U'\u5BC6');
    EXPECT_TRUE(keyboard.isPhysicallyHeld(Modifier::Alt));
    EXPECT_TRUE(keyboard.typeCharacter(U'x'));
    EXPECT_FALSE(keyboard.isPhysicallyHeld(Modifier::Alt));
    EXPECT_FALSE(keyboard.typeCharacter(U'\u5BC6'));
    EXPECT_EQ(keyboard.events(), std::vector<Event>{Event::typed(U'x')});
}

TEST(MemoryClipboard, PasteSequenceAndAClipboardHeldElsewhere) {
    MemoryClipboard clipboard;
    clipboard.setContent("earlier");
    clipboard.setOpenable(false);
    ASSERT_FALSE(clipboard.open());
    EXPECT_EQ(clipboard.content(), "earlier");

    clipboard.setOpenable(true);
    ASSERT_TRUE(clipboard.open());
    clipboard.empty();
    clipboard.setText("p\xC3\xA4ss");
    clipboard.close();
    EXPECT_EQ(clipboard.content(), "p\xC3\xA4ss");

    ASSERT_TRUE(clipboard.open());
    EXPECT_EQ(clipboard.text(), "p\xC3\xA4ss");
    clipboard.empty();
    EXPECT_EQ(clipboard.text(), std::nullopt);
    clipboard.close();
    EXPECT_FALSE(clipboard.isOpen());
}

TEST(MemoryClipboard, UseWithoutOpeningIsAProgrammingError) {
    MemoryClipboard clipboard;
    EXPECT_THROW(clipboard.setText("x"), std::logic_error);
    EXPECT_THROW(clipboard.text(), std::logic_error);
    EXPECT_THROW(clipboard.close(), std::logic_error);
}

TEST(FakeHotKeys, GlobalsAndItemKeysWithConflicts) {
    FakeHotKeys hotKeys;
    std::vector<HotKeyId> fired;
    hotKeys.setHandler([&](HotKeyId id) { fired.push_back(id); });
    const auto globals = VaultSettings::defaultGlobalHotKeys();
    for (HotKeyId id = 0; id < globals.size(); ++id)
        EXPECT_TRUE(hotKeys.registerHotKey(id, globals[id]));

    const HotKeyValue ctrlShiftM{'M', HotKeyValue::kCtrl | HotKeyValue::kShift};
    EXPECT_TRUE(hotKeys.registerHotKey(101, ctrlShiftM));
    EXPECT_FALSE(hotKeys.registerHotKey(102, ctrlShiftM));  // the first registration wins
    EXPECT_FALSE(hotKeys.registerHotKey(103, {0, 0}));      // not set: never taken
    EXPECT_EQ(hotKeys.registrations().count(102), 1u);      // a refused key stays listed
    EXPECT_EQ(hotKeys.registrations().count(103), 0u);

    EXPECT_EQ(hotKeys.press({'2', HotKeyValue::kCtrl}), HotKeyId{1});
    EXPECT_EQ(hotKeys.press(ctrlShiftM), HotKeyId{101});
    hotKeys.unregisterHotKey(101);
    EXPECT_EQ(hotKeys.press(ctrlShiftM), std::nullopt);  // 102 stays refused until renewed
    EXPECT_TRUE(hotKeys.registerHotKey(102, ctrlShiftM));
    EXPECT_EQ(hotKeys.press(ctrlShiftM), HotKeyId{102});
    EXPECT_EQ(fired, (std::vector<HotKeyId>{1, 101, 102}));
}

TEST(FakeHotKeys, CombinationHeldByAnotherProgramNeverFires) {
    FakeHotKeys hotKeys;
    int calls = 0;
    hotKeys.setHandler([&](HotKeyId) { ++calls; });
    hotKeys.takeByOtherProgram({0x7B, HotKeyValue::kCtrl});
    EXPECT_FALSE(hotKeys.registerHotKey(9, {0x7B, HotKeyValue::kCtrl}));
    EXPECT_EQ(hotKeys.press({0x7B, HotKeyValue::kCtrl}), std::nullopt);
    EXPECT_EQ(calls, 0);
}

TEST(FakeWindowSystem, ForegroundFollowsOwnersAndOurWindowHides) {
    FakeWindowSystem windows;
    windows.addWindow(20, {"Log in - Mozilla Firefox", "firefox", "https://bank.example/login", 0});
    windows.addWindow(21, {"Save password?", "firefox", "", 20});  // a dialog of the browser
    EXPECT_EQ(windows.foregroundWindow(), WindowId{20});
    EXPECT_EQ(windows.title(windows.foregroundWindow()), "Log in - Mozilla Firefox");
    EXPECT_EQ(windows.browserAddress(20), "https://bank.example/login");
    EXPECT_EQ(windows.topLevelWindows(),
              (std::vector<TopLevelWindow>{{21, 20}, {20, 0}, {FakeWindowSystem::kMainWindow, 0}}));

    windows.activateMainWindow();
    EXPECT_TRUE(windows.isMainWindowForeground());
    // The window below ours, as a typing step brings it back before typing.
    const auto order = windows.topLevelWindows();
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0].id, windows.mainWindow());
    windows.bringToTop(order[1].id);
    EXPECT_EQ(windows.foregroundWindow(), WindowId{20});

    windows.activateMainWindow();
    windows.hideMainWindow();
    EXPECT_FALSE(windows.isMainWindowForeground());
    EXPECT_FALSE(windows.isMainWindowVisible());
    EXPECT_EQ(windows.foregroundWindow(), WindowId{20});  // the dialog is in front, owned by 20
}

TEST(RecordingShell, RecordsOpensAndReportsScriptedFailures) {
    RecordingShell shell;
    shell.setResult("/opt/missing/app", Shell::kFileNotFound);
    EXPECT_TRUE(Shell::succeeded(shell.open(shell.builtInBrowser(), "https://example.org")));
    EXPECT_FALSE(Shell::succeeded(shell.open("/opt/missing/app", "-x")));
    EXPECT_EQ(shell.calls(),
              (std::vector<RecordingShell::Call>{{"/usr/bin/x-www-browser", "https://example.org"},
                                                 {"/opt/missing/app", "-x"}}));
}

TEST(MemorySettingsStore, OpenWithoutCreatingFailsUntilCreated) {
    MemorySettingsStore store;
    EXPECT_EQ(store.open(SettingsStore::Open::Existing), nullptr);  // a placement write is skipped
    EXPECT_FALSE(store.exists());

    auto key = store.open(SettingsStore::Open::CreateIfMissing);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->readInt("ListInfoHeight"), std::nullopt);
    EXPECT_TRUE(key->writeInt("ListInfoHeight", 200));
    EXPECT_TRUE(key->writeString("DefaultUser", "m\xFCller"));

    auto again = store.open(SettingsStore::Open::Existing);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->readInt("ListInfoHeight"), 200);
    EXPECT_EQ(again->readString("DefaultUser"), "m\xFCller");
    EXPECT_EQ(again->readInt("DefaultUser"), std::nullopt);  // not a number: the default applies

    store.setReadOnly(true);
    EXPECT_FALSE(again->writeInt("X", 5));
    EXPECT_EQ(again->readInt("X"), std::nullopt);
}

TEST(TempProgramPaths, GivesAnEmptyProfileFolderAndRemovesItAfterwards) {
    std::filesystem::path root;
    {
        TempProgramPaths paths;
        root = paths.programDirectory();
        EXPECT_TRUE(std::filesystem::is_directory(paths.profileDirectory()));
        EXPECT_EQ(paths.profileDirectory().parent_path(), root);
        EXPECT_TRUE(std::filesystem::is_empty(paths.profileDirectory()));
        EXPECT_EQ(paths.otherDisks().front(), root);
    }
    EXPECT_FALSE(std::filesystem::exists(root));
}

TEST(FakeSingleInstance, LaterCopyBringsTheFirstForward) {
    auto desktop = std::make_shared<FakeSingleInstance::Desktop>();
    FakeSingleInstance first(desktop), second(desktop);
    int requests = 0;
    EXPECT_FALSE(first.forwardToRunningCopy());
    EXPECT_TRUE(first.becomeRunningCopy([&] { ++requests; }));
    EXPECT_TRUE(second.forwardToRunningCopy());
    EXPECT_FALSE(second.becomeRunningCopy({}));
    EXPECT_EQ(requests, 1);
}

TEST(InstanceRequest, EachRequestIsOneLineThatReadsBack) {
    using Kind = InstanceRequest::Kind;
    const std::pair<InstanceRequest, std::string> lines[] = {
        {{}, "come-forward\n"},
        {{Kind::HotKey, 0, {}}, "hotkey 0\n"},
        {{Kind::HotKey, 10, {}}, "hotkey 10\n"},
        {{Kind::LaunchKey, 0, {0x4C, 3}}, "launch-key 76 3\n"},
    };
    for (const auto& [request, line] : lines) {
        EXPECT_EQ(encodeInstanceRequest(request), line);
        EXPECT_EQ(decodeInstanceRequest(line), request) << line;
    }
    EXPECT_EQ(decodeInstanceRequest("hotkey 1"), (InstanceRequest{Kind::HotKey, 1, {}}));
    // Nothing out of range, half-written or unknown is taken for a request.
    for (const char* line :
         {"hotkey 11", "hotkey -1", "hotkey", "hotkey 1 2", "hotkey 1x", "launch-key 0 0",
          "launch-key 76", "launch-key 256 0", "launch-key 76 8", "come-forward now", "", "type 1"})
        EXPECT_FALSE(decodeInstanceRequest(line)) << line;

    EXPECT_EQ(decodeInstanceAnswer(encodeInstanceAnswer({})), "");
    EXPECT_EQ(encodeInstanceAnswer("locked\r\nnow"), "refused locked  now\n");
    EXPECT_EQ(decodeInstanceAnswer("refused locked  now\n"), "locked  now");
    EXPECT_FALSE(decodeInstanceAnswer("refused \n"));
    EXPECT_FALSE(decodeInstanceAnswer("okay\n"));
}

TEST(FakeSingleInstance, HotKeyRequestsReachTheRunningCopyOnly) {
    auto desktop = std::make_shared<FakeSingleInstance::Desktop>();
    FakeSingleInstance first(desktop), second(desktop);
    const InstanceRequest memo{InstanceRequest::Kind::HotKey, 8, {}};
    EXPECT_EQ(second.sendToRunningCopy(memo), std::nullopt);
    int cameForward = 0;
    ASSERT_TRUE(first.becomeRunningCopy([&] { ++cameForward; }));
    std::optional<InstanceRequest> received;
    first.setRequestHandler([&](const InstanceRequest& r) {
        received = r;
        return std::string();
    });
    EXPECT_EQ(second.sendToRunningCopy(memo), "");
    EXPECT_EQ(received, memo);
    EXPECT_EQ(cameForward, 0);
}

TEST(CapturedDebugSink, KeepsTraceLinesInOrder) {
    CapturedDebugSink sink;
    sink.write("lineOpen\n");
    sink.write("lineClose\n");
    EXPECT_EQ(sink.text(), "lineOpen\nlineClose\n");
}

TEST(RecordingPause, ShowsWhatHappensWhileTheCallerWaits) {
    RecordingPause pause;
    MemoryClipboard clipboard;
    std::optional<std::string> seenByOtherProgram;
    pause.setDuring([&](std::chrono::milliseconds) { seenByOtherProgram = clipboard.content(); });
    ASSERT_TRUE(clipboard.open());
    clipboard.setText("secret");
    clipboard.close();
    pause.pause(500ms);
    EXPECT_EQ(seenByOtherProgram, "secret");
    EXPECT_EQ(pause.pauses(), std::vector<std::chrono::milliseconds>{500ms});
}

}  // namespace
}  // namespace kivrano::platform
