#pragma once

#include "app/TreeCommands.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kivrano {

class Prompter;

// "Automatic Lock Time Setting": the minutes without use in the tree after which the screen
// locks. "&OK" takes only a whole number; anything else is refused and the dialog stays.
class CAutoLockDlg : public QDialog {
    Q_OBJECT

public:
    CAutoLockDlg(int minutes, Prompter& prompter, QWidget* parent = nullptr);

    // The minutes "&OK" accepted.
    int minutes() const { return m_minutes; }
    void accept() override;

    QLineEdit* minutesEdit() const { return m_edit; }
    QPushButton* okButton() const { return m_ok; }

private:
    Prompter& m_prompter;
    QLineEdit* m_edit;
    QPushButton* m_ok;
    int m_minutes;
};

// Runs a new Automatic Lock Time Setting dialog each time the command asks.
class QtAutoLockDialog : public AutoLockDialog {
public:
    QtAutoLockDialog(Prompter& prompter, QWidget* parent)
        : m_prompter(prompter), m_parent(parent) {}
    std::optional<int> run(int minutes) override;

private:
    Prompter& m_prompter;
    QWidget* m_parent;
};

}  // namespace kivrano
