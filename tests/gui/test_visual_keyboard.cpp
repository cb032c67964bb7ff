#include "ui/CVisualKeyboardDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

using namespace kivrano;

namespace {

void click(CVisualKeyboardDlg& dialog, std::initializer_list<std::string_view> labels) {
    for (auto label : labels) {
        QPushButton* button = label == "Shift"   ? dialog.shiftButton()
                              : label == "Clear" ? dialog.clearButton()
                                                 : dialog.keyButton(label);
        ASSERT_NE(button, nullptr) << label;
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

}  // namespace

TEST(VisualKeyboardDialog, StartsMaskedWithTheCallersTextAndEveryKey) {
    CVisualKeyboardDlg dialog("abc");
    EXPECT_EQ(dialog.windowTitle(), "Visual Keyboard");
    EXPECT_EQ(dialog.edit()->text(), "abc");
    EXPECT_EQ(dialog.edit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.edit()->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                dialog.edit()),
              '*');
    EXPECT_EQ(dialog.focusWidget(), dialog.edit());
    EXPECT_TRUE(dialog.doneButton()->isDefault());
    EXPECT_EQ(dialog.doneButton()->text(), "&Done");
    EXPECT_EQ(dialog.showBox()->text(), "Show");
    EXPECT_FALSE(dialog.shiftButton()->isChecked());
    // 47 character keys, Space, Shift, Clear and Done.
    EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 51);
    for (const auto& key : VisualKeyboard::keys()) {
        QPushButton* button = dialog.keyButton(key.label);
        ASSERT_NE(button, nullptr) << key.label;
        EXPECT_EQ(button->text().toStdString(), key.label);
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);  // the edit keeps the caret
    }

    // "Show" twice comes back to the masked look.
    QTest::mouseClick(dialog.showBox(), Qt::LeftButton);
    EXPECT_EQ(dialog.edit()->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(dialog.showBox()->isChecked());
    QTest::mouseClick(dialog.showBox(), Qt::LeftButton);
    EXPECT_EQ(dialog.edit()->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(dialog.showBox()->isChecked());
}

TEST(VisualKeyboardDialog, ShiftButtonLooksPressedWhileTheNextKeyIsShifted) {
    CVisualKeyboardDlg dialog("");
    click(dialog, {"Shift"});
    EXPECT_TRUE(dialog.shiftButton()->isChecked());
    click(dialog, {"A"});
    EXPECT_FALSE(dialog.shiftButton()->isChecked());
    click(dialog, {"A", "Shift", "'", "'", "Shift", "="});
    EXPECT_EQ(dialog.edit()->text(), "Aa'=");
    EXPECT_EQ(dialog.text(), "Aa'=");

    click(dialog, {"Shift", "Clear"});
    EXPECT_EQ(dialog.edit()->text(), "");
    EXPECT_TRUE(dialog.shiftButton()->isChecked());
    click(dialog, {"Shift", "Shift"});
    EXPECT_TRUE(dialog.shiftButton()->isChecked());
}

TEST(VisualKeyboardDialog, HandTypedTextStaysBeforeTheKeysCharacter) {
    CVisualKeyboardDlg dialog("ab");
    dialog.show();
    dialog.edit()->end(false);
    QTest::keyClicks(dialog.edit(), "xy");
    dialog.edit()->setCursorPosition(0);  // the key still types at the end
    click(dialog, {"1", "Space"});
    EXPECT_EQ(dialog.edit()->text(), "abxy1 ");
    EXPECT_EQ(dialog.text(), "abxy1 ");
}

TEST(VisualKeyboardDialog, DoneTakesTheEditEscapeKeepsWhatTheKeysLeft) {
    CVisualKeyboardDlg done("p");
    done.show();
    click(done, {"W"});
    done.edit()->end(false);
    QTest::keyClicks(done.edit(), "d!");
    QTest::keyClick(done.edit(), Qt::Key_Return);
    EXPECT_EQ(done.result(), QDialog::Accepted);
    EXPECT_EQ(done.text(), "pwd!");

    CVisualKeyboardDlg escaped("p");
    escaped.show();
    click(escaped, {"W"});
    escaped.edit()->end(false);
    QTest::keyClicks(escaped.edit(), "d!");
    QTest::keyClick(escaped.edit(), Qt::Key_Escape);
    EXPECT_FALSE(escaped.isVisible());
    EXPECT_NE(escaped.result(), QDialog::Accepted);
    EXPECT_EQ(escaped.text(), "pw");

    // The close box: the caller still gets the keyed text.
    CVisualKeyboardDlg closed("");
    closed.show();
    click(closed, {"Shift", "Q"});
    closed.close();
    EXPECT_EQ(closed.text(), "Q");
}
