#include "ui/CAutoLockDlg.h"

#include "vault/Prompter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

CAutoLockDlg::CAutoLockDlg(int minutes, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_minutes(minutes) {
    setWindowTitle(QStringLiteral("Automatic Lock Time Setting"));

    m_edit = new QLineEdit(QString::number(minutes), this);
    m_edit->setObjectName(QStringLiteral("minutes"));
    m_edit->setMaximumWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    m_edit->selectAll();
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Automatically lock screen after"), this));
    row->addWidget(m_edit);
    row->addWidget(new QLabel(QStringLiteral("minutes (0 to disable)"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &CAutoLockDlg::accept);
    m_edit->setFocus();
}

void CAutoLockDlg::accept() {
    std::string error;
    const std::optional<int> minutes = parseAutoLockMinutes(m_edit->text().toStdString(), error);
    if (!minutes) {
        m_prompter.message(error, Prompter::Icon::Exclamation);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_minutes = *minutes;
    QDialog::accept();
}

std::optional<int> QtAutoLockDialog::run(int minutes) {
    CAutoLockDlg dialog(minutes, m_prompter, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.minutes();
}

}  // namespace kivrano
