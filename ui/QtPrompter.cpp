#include "ui/QtPrompter.h"

#include "platform/qt/VaultText.h"
#include "vault/Strings.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kivrano {

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon) {
    switch (icon) {
        case Prompter::Icon::Information: return QMessageBox::Information;
        case Prompter::Icon::Exclamation: return QMessageBox::Warning;
        case Prompter::Icon::Error: return QMessageBox::Critical;
        case Prompter::Icon::Question: return QMessageBox::Question;
        case Prompter::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString title() {
    return QString::fromUtf8(text(StringId::ProductName).data());
}

}  // namespace

void QtPrompter::message(const std::string& text, Icon icon) {
    QMessageBox box(boxIcon(icon), title(), platform::fromVaultText(text), QMessageBox::Ok,
                    m_parent);
    box.exec();
}

bool QtPrompter::askYesNo(const std::string& text, Icon icon) {
    QMessageBox box(boxIcon(icon), title(), platform::fromVaultText(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

Prompter::SaveChoice QtPrompter::askSaveChanges(const std::string& documentName) {
    QMessageBox box(
        QMessageBox::Warning, title(),
        QStringLiteral("Save changes to %1?").arg(platform::fromVaultText(documentName)),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
        case QMessageBox::Yes: return SaveChoice::Save;
        case QMessageBox::No: return SaveChoice::Discard;
        default: return SaveChoice::Cancel;
    }
}

Prompter::ChangedFileChoice QtPrompter::askChangedOnDisk(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, title(), platform::fromVaultText(text),
                    QMessageBox::NoButton, m_parent);
    QPushButton* overwrite = box.addButton(QStringLiteral("&Overwrite"), QMessageBox::AcceptRole);
    QPushButton* saveAs = box.addButton(QStringLiteral("Save &As..."), QMessageBox::ActionRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    // Nothing is lost by the safe answer, so it is the one Enter gives.
    box.setDefaultButton(cancel);
    box.exec();
    if (box.clickedButton() == overwrite) return ChangedFileChoice::Overwrite;
    if (box.clickedButton() == saveAs) return ChangedFileChoice::SaveUnderAnotherName;
    return ChangedFileChoice::Cancel;
}

std::string QtPrompter::askSavePath(const std::string& suggestedPath) {
    const QString chosen =
        QFileDialog::getSaveFileName(m_parent, title(), QFile::decodeName(suggestedPath.c_str()),
                                     QStringLiteral("Kivrano data files (*.kvr)"));
    return QFile::encodeName(chosen).toStdString();
}

}  // namespace kivrano
