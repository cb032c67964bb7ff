#pragma once

#include "app/TreeCommands.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kivrano {

// "Password Change": the current password, the new one and its confirmation, all masked. The
// command compares them once the dialog has closed; a vault without a password has no current
// password to give, so that edit is off.
class CPasswordChangeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPasswordChangeDlg(bool vaultHasPassword, QWidget* parent = nullptr);
    ~CPasswordChangeDlg() override;

    // The three edits as vault bytes.
    PasswordChangeEntry entry() const;

    QLineEdit* currentEdit() const { return m_current; }
    QLineEdit* newEdit() const { return m_new; }
    QLineEdit* confirmEdit() const { return m_confirm; }

private:
    QLineEdit* m_current;
    QLineEdit* m_new;
    QLineEdit* m_confirm;
};

// Runs a new Password Change dialog each time the command asks.
class QtPasswordChangeDialog : public PasswordChangeDialog {
public:
    explicit QtPasswordChangeDialog(QWidget* parent) : m_parent(parent) {}
    std::optional<PasswordChangeEntry> run(bool vaultHasPassword) override;

private:
    QWidget* m_parent;
};

}  // namespace kivrano
