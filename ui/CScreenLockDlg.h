#pragma once

#include "app/TreeCommands.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace kivrano {

// "Screen Lock": the vault's password, typed or clicked on the visual keyboard, is the only way
// back to the vault. The dialog belongs to no other window and stays above all of them, so it
// stays up and in front when the main window is hidden to the notification area or minimised.
class CScreenLockDlg : public QDialog {
    Q_OBJECT

public:
    // Shows the visual keyboard over parent with a text and returns its text.
    using VisualKeyboardRun = std::function<std::string(QWidget* parent, const std::string& text)>;

    // visualKeyboard: empty for the real one.
    explicit CScreenLockDlg(VisualKeyboardRun visualKeyboard = {});
    ~CScreenLockDlg() override;

    // What the edit holds, as vault bytes.
    std::string password() const;

    QLineEdit* passwordEdit() const { return m_edit; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* visualKeyboardButton() const { return m_keyboard; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void visualKeyboardClicked();

    VisualKeyboardRun m_visualKeyboard;
    QLineEdit* m_edit;
    QPushButton* m_ok;
    QPushButton* m_keyboard;
};

// Runs a new Screen Lock dialog for each attempt, and its refusal in front of everything too.
class QtScreenLockDialog : public ScreenLockDialog {
public:
    std::optional<std::string> run() override;
    void refuse(const std::string& message) override;

    // The lock dialog (or the refusal on its place) shown again, restored, in front and with
    // the keyboard: the notification-area icon and a second start of the program call it.
    void bringForward();

    // Replaceable so that tests need not click in a real keyboard.
    CScreenLockDlg::VisualKeyboardRun visualKeyboard;

private:
    QPointer<QWidget> m_shown;
};

// Brings a window of the screen lock to the front with the keyboard, restored if minimised.
void bringLockWindowForward(QWidget* window);

}  // namespace kivrano
