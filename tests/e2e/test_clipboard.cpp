#include "E2eSupport.h"

#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPause.h"

namespace kivrano::platform::e2e {
namespace {

using namespace std::chrono_literals;

class ClipboardE2E : public X11Test {
protected:
    X11WindowSystem windows{connection()};
    QtClipboard clipboard;
};

TEST_F(ClipboardE2E, TextCrossesBetweenProgramsBothWays) {
    auto target = startTarget(windows);
    const std::string ours = "Z\xC3\xBCrich \xE5\xAF\x86\xE7\xA0\x81";
    ASSERT_TRUE(clipboard.open());
    clipboard.setText(ours);
    clipboard.close();
    target->send("report-clipboard");
    ASSERT_TRUE(target->waitForLine("clipboard " + QByteArray::fromStdString(ours).toHex()))
        << target->output().toStdString();

    const std::string theirs = "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C";
    target->send("set-clipboard " + QByteArray::fromStdString(theirs).toHex());
    ASSERT_TRUE(target->waitForLine("clipboard-set"));
    ASSERT_TRUE(waitFor([&] {
        clipboard.open();
        const bool arrived = clipboard.text() == theirs;
        clipboard.close();
        return arrived;
    }));
}

// A secret reaches the other program with the hint that keeps clipboard managers from storing
// it, and stays out of the primary selection; once that program copies, we no longer own it.
TEST_F(ClipboardE2E, SecretTextCarriesTheHintAndSkipsThePrimarySelection) {
    auto target = startTarget(windows);
    const std::string secret = "p\xC3\xA4ss";
    ASSERT_TRUE(clipboard.open());
    clipboard.setSecretText(secret);
    clipboard.close();
    EXPECT_TRUE(clipboard.isOwner());
    target->send("report-clipboard");
    ASSERT_TRUE(target->waitForLine("clipboard " + QByteArray::fromStdString(secret).toHex()))
        << target->output().toStdString();
    target->send("report-hint");
    EXPECT_TRUE(target->waitForLine("hint secret")) << target->output().toStdString();
    target->send("report-selection");
    ASSERT_TRUE(waitFor([&] { return target->output().contains("\nselection"); }));
    EXPECT_FALSE(
        target->output().contains("selection " + QByteArray::fromStdString(secret).toHex()))
        << target->output().toStdString();

    // A plain text carries no hint.
    ASSERT_TRUE(clipboard.open());
    clipboard.setText("https://a.example");
    clipboard.close();
    // The target learns of a new owner by an event that may come after our question; until
    // then it answers from the formats the secret had ("hint " with no value). Asked again,
    // it must say that the plain text carries no hint.
    bool plain = false;
    for (int attempt = 0; attempt < 20 && !plain; ++attempt) {
        target->clearOutput();
        target->send("report-hint");
        ASSERT_TRUE(waitFor([&] {
            return target->output().startsWith("hint") && target->output().endsWith('\n');
        })) << target->output().toStdString();
        plain = target->hasLine("hint-none");
        if (!plain) QtPause().pause(50ms);
    }
    EXPECT_TRUE(plain) << target->output().toStdString();

    target->send("set-clipboard " + QByteArray("theirs").toHex());
    ASSERT_TRUE(target->waitForLine("clipboard-set"));
    EXPECT_TRUE(waitFor([&] { return !clipboard.isOwner(); }));
}

// While we wait with text on the clipboard (before a paste), another program's request for it
// is answered at once rather than after the wait.
TEST_F(ClipboardE2E, WaitingKeepsServingTheClipboard) {
    auto target = startTarget(windows);
    const std::string text = "\xC3\x9F\xE2\x82\xAC";
    ASSERT_TRUE(clipboard.open());
    clipboard.setText(text);
    clipboard.close();
    // The target may ask before the server has seen our claim to the clipboard (the two
    // programs' requests race); it then finds none and asks again. Every answer arrives while
    // we are waiting.
    const QByteArray served = "clipboard " + QByteArray::fromStdString(text).toHex() + "\n";
    bool answered = false;
    for (int attempt = 0; attempt < 10 && !answered; ++attempt) {
        target->clearOutput();
        target->send("report-clipboard");
        QtPause().pause(150ms);
        answered = target->pollOutput().contains(served);
    }
    EXPECT_TRUE(answered) << target->output().toStdString();

    ASSERT_TRUE(clipboard.open());
    clipboard.empty();
    clipboard.close();
    target->send("report-clipboard");
    EXPECT_TRUE(target->waitForLine("clipboard-none")) << target->output().toStdString();
}

}  // namespace
}  // namespace kivrano::platform::e2e
