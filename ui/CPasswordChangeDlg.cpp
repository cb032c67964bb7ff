#include "ui/CPasswordChangeDlg.h"

#include "platform/qt/VaultText.h"
#include "ui/DialogButtons.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kivrano {

namespace {

QLineEdit* maskedEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMinimumWidth(220);
    return edit;
}

}  // namespace

CPasswordChangeDlg::CPasswordChangeDlg(bool vaultHasPassword, QWidget* parent)
    : QDialog(parent),
      m_current(maskedEdit(QStringLiteral("current"), this)),
      m_new(maskedEdit(QStringLiteral("new"), this)),
      m_confirm(maskedEdit(QStringLiteral("confirm"), this)) {
    setWindowTitle(QStringLiteral("Password Change"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Current Password"), m_current);
    form->addRow(QStringLiteral("New Password"), m_new);
    form->addRow(QStringLiteral("Confirm"), m_confirm);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancelButtons(this));

    m_current->setEnabled(vaultHasPassword);
    (vaultHasPassword ? m_current : m_new)->setFocus();
}

CPasswordChangeDlg::~CPasswordChangeDlg() {
    for (QLineEdit* edit : {m_current, m_new, m_confirm}) edit->clear();
}

PasswordChangeEntry CPasswordChangeDlg::entry() const {
    PasswordChangeEntry e;
    e.oldPassword = platform::toVaultText(m_current->text());
    e.newPassword = platform::toVaultText(m_new->text());
    e.confirmation = platform::toVaultText(m_confirm->text());
    return e;
}

std::optional<PasswordChangeEntry> QtPasswordChangeDialog::run(bool vaultHasPassword) {
    CPasswordChangeDlg dialog(vaultHasPassword, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.entry();
}

}  // namespace kivrano
