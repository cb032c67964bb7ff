#include "E2eSupport.h"

#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboard.h"
#include "platform/wayland/WlrToplevelWindows.h"

namespace kivrano::platform::e2e {
namespace {

std::u32string utf32(const std::string& utf8) {
    const QList<uint> codes = QString::fromStdString(utf8).toUcs4();
    return std::u32string(codes.begin(), codes.end());
}

// One connection to the compositor, shared by the backend objects under test.
class WaylandTest : public ::testing::Test {
protected:
    // One keyboard for all the tests, made before any of them, as the program makes its own
    // at start-up.
    static void SetUpTestSuite() {
        s_connection = WaylandConnection::open();
        ASSERT_NE(s_connection, nullptr)
            << "no Wayland compositor; run the tests through run-under-sway.sh";
        s_keyboard = WaylandKeyboard::create(*s_connection);
        ASSERT_TRUE(s_keyboard) << "the compositor offers no virtual keyboard";
    }
    static void TearDownTestSuite() {
        s_keyboard.reset();
        s_connection.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(s_keyboard);
        keyboard = s_keyboard.get();
        windows = WlrToplevelWindows::create(*s_connection);
        ASSERT_TRUE(windows) << "the compositor offers no foreign-toplevel list";
        target = startTarget(kTitle);
        ASSERT_TRUE(target);
    }

    // Starts a target and waits until it has the keyboard focus and the list shows it in front.
    std::unique_ptr<Target> startTarget(const std::string& title) {
        auto started = std::make_unique<Target>(title);
        if (!started->started() || !started->waitForLine("active", 10000)) return nullptr;
        if (!waitFor([&] { return windows->title(windows->foregroundWindow()) == title; }))
            return nullptr;
        return started->clear() ? std::move(started) : nullptr;
    }

    void type(const std::string& utf8) {
        for (char32_t c : utf32(utf8))
            EXPECT_TRUE(keyboard->typeCharacter(c)) << "U+" << std::hex << unsigned(c);
    }
    void tap(VirtualKey key) {
        keyboard->keyDown(key);
        keyboard->keyUp(key);
    }

    static constexpr const char* kTitle = "Wayland Target \xE2\x80\x93 Z\xC3\xBCrich";
    static inline std::unique_ptr<WaylandConnection> s_connection;
    static inline std::unique_ptr<WaylandKeyboard> s_keyboard;
    WaylandKeyboard* keyboard = nullptr;
    std::unique_ptr<WlrToplevelWindows> windows;
    std::unique_ptr<Target> target;
};

TEST_F(WaylandTest, TextArrivesExactlyWhateverItsScript) {
    // More different characters than the keymap has spare keys: keys are taken over while
    // the text is typed.
    std::string manyCharacters;
    for (char32_t c = 0x4E00; c < 0x4E00 + 200; ++c)
        manyCharacters += QString::fromUcs4(&c, 1).toStdString();
    for (const std::string& text :
         {std::string("Hello, World! ~`^|\\\"{}<>?"),
          std::string("p\xC3\xA4\xC2\xA7w\xE2\x82\xACrd\xE2\x9C\x93"),
          std::string("\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C \xCE\xA9\xCE\xBB"),
          std::string("\xE5\xAF\x86\xE7\xA0\x81 \xF0\x9F\x98\x80"), manyCharacters}) {
        ASSERT_TRUE(target->clear());
        type(text);
        EXPECT_TRUE(target->waitForText(0, text))
            << "expected " << text << ", got " << target->fieldText(0);
    }
}

TEST_F(WaylandTest, PlannedKeysKeepTheirModifiers) {
    // Tab to the second field, Shift+Tab back, Enter there. Keys named by code are the first
    // this new keyboard sends.
    tap(vk::kTab);
    ASSERT_TRUE(target->waitForLine("focus 1"));
    keyboard->keyDown(vk::kShift);
    tap(vk::kTab);
    keyboard->keyUp(vk::kShift);
    ASSERT_TRUE(target->waitForLine("focus 0"));
    // Shift is up again: a letter after it is a small one.
    type("a");
    tap(vk::kReturn);
    EXPECT_TRUE(target->waitForLine("enter 0"));
    EXPECT_EQ(target->fieldText(0), "a");
}

TEST_F(WaylandTest, FollowsTheWindowInFrontAndBringsOneForward) {
    const WindowId first = windows->foregroundWindow();
    EXPECT_EQ(windows->title(first), kTitle);
    EXPECT_EQ(windows->className(first), "kivrano_e2e_target");
    auto second = startTarget("Second Target");
    ASSERT_TRUE(second);
    const WindowId front = windows->foregroundWindow();
    EXPECT_NE(front, first);
    // Topmost first: by when each was last in front.
    const auto listed = windows->topLevelWindows();
    ASSERT_GE(listed.size(), 2u);
    EXPECT_EQ(listed[0].id, front);
    EXPECT_EQ(listed[1].id, first);

    windows->bringToTop(first);
    EXPECT_TRUE(waitFor([&] { return windows->foregroundWindow() == first; }));
    // Not the target's own "active" report: a busy client applies only the last of the
    // compositor's state changes, so it may never see itself inactive and say nothing. The
    // key arriving there is the proof.
    type("x");
    EXPECT_TRUE(target->waitForText(0, "x"));
    EXPECT_EQ(second->fieldText(0), "");
}

// Our clipboard works with another program in front (it has the keyboard, we do not): what we
// set is what it pastes, marked secret; what it copies we read; emptied, nothing is left.
TEST_F(WaylandTest, ClipboardServesAndReadsWithAnotherProgramInFront) {
    auto clipboard = DataControlClipboard::create(*s_connection);
    ASSERT_TRUE(clipboard) << "the compositor offers no data-control protocol";
    ASSERT_TRUE(clipboard->open());
    const std::string secret = "p\xC3\xA4\xC2\xA7w\xE2\x82\xACrd\xE2\x9C\x93";
    // The target reads the compositor's news and its commands apart: it is asked until its
    // answer is the one expected.
    auto targetReports = [&](const QByteArray& expected) {
        return waitFor([&] {
            target->clearOutput();
            target->send("report-clipboard");
            waitFor([&] { return target->output().contains("clipboard"); }, 2000);
            return target->hasLine(expected);
        });
    };
    clipboard->setSecretText(secret);
    EXPECT_TRUE(clipboard->isOwner());
    EXPECT_EQ(clipboard->text(), secret);
    EXPECT_TRUE(targetReports("clipboard " + QByteArray::fromStdString(secret).toHex()))
        << target->output().toStdString();
    target->send("report-hint");
    EXPECT_TRUE(target->waitForLine("hint secret")) << target->output().toStdString();

    // A program may take the clipboard after input of its own (the compositor checks).
    type("x");
    ASSERT_TRUE(target->waitForText(0, "x"));
    const std::string copied = "copied by the target \xE5\xAF\x86";
    target->send("set-clipboard " + QByteArray::fromStdString(copied).toHex());
    ASSERT_TRUE(target->waitForLine("clipboard-set"));
    EXPECT_TRUE(waitFor([&] { return !clipboard->isOwner(); }));
    EXPECT_EQ(clipboard->text(), copied);

    clipboard->empty();
    EXPECT_TRUE(targetReports("clipboard-none")) << target->output().toStdString();
    EXPECT_TRUE(waitFor([&] { return !clipboard->text().has_value(); }));
}

}  // namespace
}  // namespace kivrano::platform::e2e
