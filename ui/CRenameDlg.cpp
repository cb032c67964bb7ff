#include "ui/CRenameDlg.h"
#include "ui/DialogButtons.h"

#include "app/SelectUser.h"
#include "platform/qt/VaultText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

CRenameUserDlg::CRenameUserDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Rename"));

    auto* label = new QLabel(QStringLiteral("Enter a new name please"), this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("newName"));
    label->setBuddy(m_name);

    QDialogButtonBox* buttons = okCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_name);
    layout->addWidget(buttons);
    m_name->setFocus();
}

std::optional<std::string> CRenameUserDlg::ask(QWidget* parent, Prompter& prompter) {
    CRenameUserDlg dialog(prompter, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.newName();
}

std::string CRenameUserDlg::newName() const {
    return platform::toVaultText(m_name->text());
}

void CRenameUserDlg::accept() {
    if (!profileNameAcceptable(newName(), m_prompter)) return;
    QDialog::accept();
}

}  // namespace kivrano
