#include "ui/CAutoLockDlg.h"
#include "ui/CKivranoView.h"
#include "ui/CMainFrame.h"
#include "ui/CPasswordChangeDlg.h"
#include "ui/CScreenLockDlg.h"

#include "app/CommandIds.h"
#include "app/CommandRouter.h"
#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/RecordingShell.h"
#include "vault/CKivranoDoc.h"
#include "vault/Strings.h"

#include "support/ScriptedPrompter.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

using namespace kivrano;
using kivrano::testing::ScriptedPrompter;

namespace {

std::string msg(StringId id) {
    return std::string(text(id));
}

// Answers the modal windows as they come up, one step per window: each step gets the window
// that is modal at the time and must close it.
class ModalScript {
public:
    explicit ModalScript(std::deque<std::function<void(QWidget*)>> steps)
        : m_steps(std::move(steps)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    bool done() const { return m_steps.empty(); }
    QStringList titles() const { return m_titles; }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last || !modal->isVisible() || m_steps.empty()) return;
        m_last = modal;
        m_titles << modal->windowTitle();
        auto step = std::move(m_steps.front());
        m_steps.pop_front();
        step(modal);
    }

    std::deque<std::function<void(QWidget*)>> m_steps;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    QStringList m_titles;
};

void typeAndPressEnter(QWidget* dialog, const QString& text) {
    auto* lock = qobject_cast<CScreenLockDlg*>(dialog);
    ASSERT_NE(lock, nullptr) << dialog->windowTitle().toStdString();
    lock->passwordEdit()->setText(text);
    QTest::keyClick(lock->passwordEdit(), Qt::Key_Return);
}

void pressOk(QWidget* box) {
    auto* message = qobject_cast<QMessageBox*>(box);
    ASSERT_NE(message, nullptr) << box->windowTitle().toStdString();
    message->button(QMessageBox::Ok)->click();
}

}  // namespace

TEST(ScreenLockDialogTest, ShowsTheLabelsAndStaysAboveEverythingOnItsOwn) {
    CScreenLockDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Screen Lock"));
    EXPECT_EQ(dialog.parentWidget(), nullptr);  // not taken along when the main window hides
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
    QStringList labels;
    for (auto* label : dialog.findChildren<QLabel*>()) labels << label->text();
    EXPECT_EQ(labels, QStringList{QStringLiteral("To unlock, enter the password please.")});
    QStringList buttons;
    for (auto* button : dialog.findChildren<QPushButton*>()) buttons << button->text();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("&OK"), QStringLiteral("&Visual Keyboard")}));
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dialog.passwordEdit()->text().isEmpty());
}

TEST(ScreenLockDialogTest, EndsWithTheTextOnOkOrTheKeyboardAndWithNothingOnEscape) {
    QtScreenLockDialog lock;
    std::string keyboardGot;
    lock.visualKeyboard = [&](QWidget*, const std::string& text) {
        keyboardGot = text;
        return text + "ß!";
    };
    struct Case {
        std::function<void(QWidget*)> step;
        std::optional<std::string> result;
    };
    const std::vector<Case> cases = {
        {[](QWidget* d) { typeAndPressEnter(d, QStringLiteral("pässwörd")); },
         std::string("pässwörd")},
        {[](QWidget* d) {
             qobject_cast<CScreenLockDlg*>(d)->passwordEdit()->setText(QStringLiteral("pw"));
             qobject_cast<CScreenLockDlg*>(d)->visualKeyboardButton()->click();
         },
         std::string("pwß!")},
        {[](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); }, std::nullopt},
        {[](QWidget* d) { d->close(); }, std::nullopt},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        ModalScript script({cases[i].step});
        EXPECT_EQ(lock.run(), cases[i].result);
        EXPECT_TRUE(script.done());
    }
    EXPECT_EQ(keyboardGot, "pw");
}

TEST(AutoLockDialogTest, TakesOnlyAWholeNumberAndKeepsTheOldValueOnEscape) {
    ScriptedPrompter prompter;
    {
        CAutoLockDlg dialog(30, prompter);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Automatic Lock Time Setting"));
        EXPECT_EQ(dialog.minutesEdit()->text(), QStringLiteral("30"));
        QStringList labels;
        for (auto* label : dialog.findChildren<QLabel*>()) labels << label->text();
        EXPECT_EQ(labels, (QStringList{QStringLiteral("Automatically lock screen after"),
                                       QStringLiteral("minutes (0 to disable)")}));
        dialog.show();
        dialog.minutesEdit()->setText(QStringLiteral("ten"));
        dialog.okButton()->click();
        EXPECT_EQ(prompter.messages, std::vector<std::string>{msg(StringId::EnterUnsignedInteger)});
        EXPECT_TRUE(dialog.isVisible());  // refused: the dialog stays
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        dialog.minutesEdit()->setText(QStringLiteral(" 5 "));
        QTest::keyClick(dialog.minutesEdit(), Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.minutes(), 5);
    }
    QWidget parent;
    QtAutoLockDialog adapter(prompter, &parent);
    ModalScript escape({[](QWidget* d) {
        qobject_cast<CAutoLockDlg*>(d)->minutesEdit()->setText(QStringLiteral("1"));
        QTest::keyClick(d, Qt::Key_Escape);
    }});
    EXPECT_EQ(adapter.run(12), std::nullopt);
    ModalScript ok({[](QWidget* d) { qobject_cast<CAutoLockDlg*>(d)->okButton()->click(); }});
    EXPECT_EQ(adapter.run(12), 12);
}

TEST(PasswordChangeDialogTest, HandsBackTheThreeEditsAndHasNoCurrentPasswordWithoutOne) {
    for (const bool hasPassword : {true, false}) {
        SCOPED_TRACE(hasPassword);
        CPasswordChangeDlg dialog(hasPassword);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Password Change"));
        EXPECT_EQ(dialog.currentEdit()->isEnabled(), hasPassword);
        for (QLineEdit* edit : {dialog.currentEdit(), dialog.newEdit(), dialog.confirmEdit()}) {
            EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
            EXPECT_TRUE(edit->text().isEmpty());
        }
    }
    QWidget parent;
    QtPasswordChangeDialog adapter(&parent);
    ModalScript ok({[](QWidget* d) {
        auto* dialog = qobject_cast<CPasswordChangeDlg*>(d);
        dialog->currentEdit()->setText(QStringLiteral("old"));
        dialog->newEdit()->setText(QStringLiteral("nëw"));
        dialog->confirmEdit()->setText(QStringLiteral("nëw2"));
        QTest::keyClick(dialog->confirmEdit(), Qt::Key_Return);
    }});
    const std::optional<PasswordChangeEntry> entry = adapter.run(true);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->oldPassword, "old");
    EXPECT_EQ(entry->newPassword, "nëw");
    EXPECT_EQ(entry->confirmation, "nëw2");
    ModalScript cancel({[](QWidget* d) {
        auto* dialog = qobject_cast<CPasswordChangeDlg*>(d);
        for (auto* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("&Cancel")) button->click();
    }});
    EXPECT_FALSE(adapter.run(false).has_value());
}

// The lock as the program runs it: Ctrl+L's command through the view's own dialogs.
TEST(ScreenLockViewTest, LockScreenAsksUntilTheRightPasswordAndTheFrameFollows) {
    ScriptedPrompter prompter;
    platform::RecordingShell shell;
    platform::MemorySettingsStore settings;
    CKivranoDoc doc(prompter);
    CommandRouter router;
    CMainFrame frame(doc, settings, router);
    QWidget fieldList;
    auto* view = new CKivranoView(doc, prompter, shell, nullptr, &fieldList, {});
    frame.setPanes(view, &fieldList);
    view->addCommands(router);
    frame.addCommands(router);
    frame.greyUnhandledCommands();
    for (int command :
         {int(cmd::LockScreen), int(cmd::AutoLockTimeSetting), int(cmd::ChangePassword)})
        EXPECT_TRUE(frame.action(command)->isEnabled()) << command;

    int brought = 0;
    frame.showScreenLock = [&] { ++brought; };
    view->commands().hooks().lockChanged = [&](bool locked) { frame.setLocked(locked); };
    QSignalSpy closing(&frame, &CMainFrame::vaultWindowsClosing);

    // This vault has no password: only an empty entry unlocks.
    ModalScript script({
        [&](QWidget* d) {
            EXPECT_TRUE(frame.isLocked());
            EXPECT_EQ(closing.count(), 1);
            // The icon's menu leads to the lock dialog only, and so does bringing forward.
            ASSERT_NE(frame.lockedTrayMenu(), nullptr);
            ASSERT_EQ(frame.lockedTrayMenu()->actions().size(), 1);
            frame.lockedTrayMenu()->actions().front()->trigger();
            frame.bringForward();
            EXPECT_EQ(brought, 2);
            EXPECT_FALSE(frame.isVisible());
            typeAndPressEnter(d, QStringLiteral("wrong"));
        },
        [&](QWidget* box) {
            EXPECT_EQ(qobject_cast<QMessageBox*>(box)->text().toStdString(),
                      msg(StringId::CannotUnlock));
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            pressOk(box);
        },
        [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); },
        pressOk,
        [](QWidget* d) { typeAndPressEnter(d, QString()); },
    });
    frame.runCommand(cmd::LockScreen);
    EXPECT_TRUE(script.done());
    EXPECT_EQ(script.titles(),
              (QStringList{QStringLiteral("Screen Lock"), QStringLiteral("Kivrano"),
                           QStringLiteral("Screen Lock"), QStringLiteral("Kivrano"),
                           QStringLiteral("Screen Lock")}));
    EXPECT_FALSE(view->isLocked());
    EXPECT_FALSE(frame.isLocked());
    EXPECT_EQ(frame.lockedTrayMenu(), nullptr);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(ScreenLockViewTest, WindowsOpenWhenTheLockComesAreCoveredUntilTheUnlock) {
    ScriptedPrompter prompter;
    platform::MemorySettingsStore settings;
    CKivranoDoc doc(prompter);
    CommandRouter router;
    CMainFrame frame(doc, settings, router);
    QDialog editor(&frame);
    auto* secret = new QLabel(QStringLiteral("s3cret"), &editor);
    secret->setGeometry(0, 0, 200, 100);
    editor.resize(200, 100);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    const QPoint inside(50, 50);
    ASSERT_EQ(editor.childAt(inside), secret);

    frame.setLocked(true);
    EXPECT_NE(editor.childAt(inside), secret);
    EXPECT_TRUE(editor.isVisible());  // covered, not closed: its work is kept
    editor.resize(400, 300);
    secret->setGeometry(0, 0, 400, 300);
    EXPECT_NE(editor.childAt(QPoint(350, 250)), secret);

    frame.setLocked(false);
    EXPECT_EQ(editor.childAt(inside), secret);
    EXPECT_EQ(editor.childAt(QPoint(350, 250)), secret);
}
