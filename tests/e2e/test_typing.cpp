#include "E2eSupport.h"

#include <QProcess>

namespace kivrano::platform::e2e {
namespace {

std::u32string utf32(const std::string& utf8) {
    const QList<uint> codes = QString::fromStdString(utf8).toUcs4();
    return std::u32string(codes.begin(), codes.end());
}

class TypingE2E : public X11Test {
protected:
    void SetUp() override {
        target = startTarget(windows);
        ASSERT_TRUE(target);
    }
    void TearDown() override {
        // Whatever a test did, no modifier may be left down.
        for (Modifier m : {Modifier::Shift, Modifier::Ctrl, Modifier::Alt})
            EXPECT_FALSE(keyboard.isPhysicallyHeld(m)) << "modifier " << int(m) << " left down";
        target.reset();
        if (m_layoutChanged) QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
    }
    void type(const std::string& utf8) {
        for (char32_t c : utf32(utf8))
            EXPECT_TRUE(keyboard.typeCharacter(c)) << "U+" << std::hex << unsigned(c);
    }
    void tap(VirtualKey key) {
        keyboard.keyDown(key);
        keyboard.keyUp(key);
    }
    void setLayout(const QStringList& arguments) {
        m_layoutChanged = true;
        ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), arguments), 0)
            << "setxkbmap failed";
    }

    X11WindowSystem windows{connection()};
    X11Keyboard keyboard{connection()};
    std::unique_ptr<Target> target;
    bool m_layoutChanged = false;
};

TEST_F(TypingE2E, TextArrivesExactlyWhateverItsScript) {
    for (const std::string text : {"Hello, World! ~`^|\\\"{}<>?", "Z\xC3\xBCrich",
                                   "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C",
                                   "\xE5\xAF\x86\xE7\xA0\x81", "\xC3\x9F\xE2\x82\xAC",
                                   "a\xD0\xBF"
                                   "a\xD0\xBF"}) {
        ASSERT_TRUE(target->clear());
        type(text);
        EXPECT_TRUE(target->waitForText(0, text))
            << "expected " << text << ", got " << target->fieldText(0);
    }
}

TEST_F(TypingE2E, CapsLockOnDoesNotChangeTheTextAndStaysOn) {
    tap(vk::kCapital);
    type("aBc1 Z\xC3\xBCrich \xD0\xBF");
    tap('Q');  // a plain key press still sees Caps Lock
    tap(vk::kCapital);
    EXPECT_TRUE(target->waitForText(0, "aBc1 Z\xC3\xBCrich \xD0\xBFQ"))
        << target->output().toStdString();
}

TEST_F(TypingE2E, TabShiftTabAndEnterMoveAndSubmitAsKeys) {
    type("id");
    tap(vk::kTab);
    ASSERT_TRUE(target->waitForLine("focus 1"));
    type("pw");
    keyboard.keyDown(vk::kShift);
    tap(vk::kTab);
    keyboard.keyUp(vk::kShift);
    ASSERT_TRUE(target->waitForLine("focus 0"));
    tap(vk::kReturn);
    ASSERT_TRUE(target->waitForLine("enter 0"));
    EXPECT_EQ(target->fieldText(0), "id");
    EXPECT_EQ(target->fieldText(1), "pw");
}

TEST_F(TypingE2E, MappedKeysTypeThroughVirtualKeys) {
    const auto at = keyboard.mapCharacter(U'@');
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, (KeyStroke{'2', true, false, false}));
    EXPECT_EQ(keyboard.mapCharacter(U'\u00FC'), std::nullopt);
    for (char32_t c : std::u32string(U"P4s;@")) {
        const auto stroke = keyboard.mapCharacter(c);
        ASSERT_TRUE(stroke);
        if (stroke->shift) keyboard.keyDown(vk::kShift);
        tap(stroke->virtualKey);
        if (stroke->shift) keyboard.keyUp(vk::kShift);
    }
    EXPECT_TRUE(target->waitForText(0, "P4s;@")) << target->fieldText(0);
}

// A German layout: @ and € need AltGr, ^ and the accents are dead keys there; a second
// group (Russian) holds Cyrillic. Every character still arrives as itself.
TEST_F(TypingE2E, OtherLayoutsAltGrDeadKeysAndSecondGroup) {
    setLayout({QStringLiteral("de")});
    const std::string german =
        "@\xE2\x82\xAC\xC3\x9F^\xC3\xA9`~\xC3\xBC"
        "y";
    type(german);
    EXPECT_TRUE(target->waitForText(0, german)) << target->fieldText(0);

    setLayout({QStringLiteral("-layout"), QStringLiteral("us,ru")});
    ASSERT_TRUE(target->clear());
    const std::string mixed = "Pa\xD1\x81\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C!";
    type(mixed);
    EXPECT_TRUE(target->waitForText(0, mixed)) << target->fieldText(0);
}

}  // namespace
}  // namespace kivrano::platform::e2e
