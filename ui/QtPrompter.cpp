#include "ui/QtPrompter.h"

#include "platform/qt/VaultText.h"
#include "vault/Strings.h"

#include <QMessageBox>

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

}  // namespace kivrano
