#pragma once

#include "app/SelectUser.h"

#include <QDialog>

#include <optional>

class QLineEdit;

namespace kivrano {

class Prompter;

// "New User": the ID of a new profile and its password, typed twice.
class CNewUserDlg : public QDialog {
    Q_OBJECT

public:
    explicit CNewUserDlg(Prompter& prompter, QWidget* parent = nullptr);

    // Shows the dialog modally; the fields after OK, nothing after Cancel.
    static std::optional<NewUserEntry> ask(QWidget* parent, Prompter& prompter);

    NewUserEntry entry() const;
    // OK: stays open, with a message, while the two passwords differ.
    void accept() override;

    QLineEdit* idEdit() const { return m_id; }
    QLineEdit* passwordEdit() const { return m_password; }
    QLineEdit* confirmEdit() const { return m_confirm; }

private:
    Prompter& m_prompter;
    QLineEdit* m_id;
    QLineEdit* m_password;
    QLineEdit* m_confirm;
};

}  // namespace kivrano
