#include "ui/CFolderNameDlg.h"
#include "ui/DialogButtons.h"

#include "platform/qt/VaultText.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

CFolderNameDlg::CFolderNameDlg(QWidget* parent) : QDialog(parent), m_edit(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Folder Name"));
    QDialogButtonBox* buttons = okCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    m_edit->setMinimumWidth(260);
    m_edit->setFocus();
}

void CFolderNameDlg::setName(const QString& name) {
    m_edit->setText(name);
    m_edit->selectAll();
}

QString CFolderNameDlg::name() const {
    return m_edit->text();
}

std::optional<std::string> QtFolderNameDialog::run(const std::string& text) {
    CFolderNameDlg dialog(m_parent);
    dialog.setName(platform::fromVaultText(text));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return platform::toVaultText(dialog.name());
}

}  // namespace kivrano
