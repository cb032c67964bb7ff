#include "ui/CNewUserDlg.h"
#include "ui/DialogButtons.h"

#include "platform/qt/VaultText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

CNewUserDlg::CNewUserDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("New User"));

    m_id = new QLineEdit(this);
    m_id->setObjectName(QStringLiteral("id"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_confirm = new QLineEdit(this);
    m_confirm->setObjectName(QStringLiteral("confirm"));
    m_confirm->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ID"), m_id);
    form->addRow(QStringLiteral("Password"), m_password);
    form->addRow(QStringLiteral("Confirm"), m_confirm);

    QDialogButtonBox* buttons =
        okCancelButtons(this, QStringLiteral("OK"), QStringLiteral("Cancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_id->setFocus();
}

std::optional<NewUserEntry> CNewUserDlg::ask(QWidget* parent, Prompter& prompter) {
    CNewUserDlg dialog(prompter, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.entry();
}

NewUserEntry CNewUserDlg::entry() const {
    NewUserEntry entry;
    entry.id = platform::toVaultText(m_id->text());
    entry.password = platform::toVaultText(m_password->text());
    entry.confirm = platform::toVaultText(m_confirm->text());
    return entry;
}

void CNewUserDlg::accept() {
    if (!newUserAcceptable(entry(), m_prompter)) return;
    QDialog::accept();
}

}  // namespace kivrano
