#include "platform/qt/QtClipboard.h"

#include "platform/qt/VaultText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kivrano::platform {

namespace {
QClipboard* clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}
}  // namespace

bool QtClipboard::open() {
    return clipboard() != nullptr;
}

void QtClipboard::empty() {
    if (QClipboard* c = clipboard()) c->clear(QClipboard::Clipboard);
}

void QtClipboard::setText(const std::string& text) {
    if (QClipboard* c = clipboard()) c->setText(fromVaultText(text), QClipboard::Clipboard);
}

void QtClipboard::setSecretText(const std::string& text) {
    QClipboard* c = clipboard();
    if (!c) return;
    auto* data = new QMimeData;
    data->setText(fromVaultText(text));
    data->setData(QString::fromLatin1(kPasswordHintFormat), QByteArray(kPasswordHintSecret));
    c->setMimeData(data, QClipboard::Clipboard);
}

bool QtClipboard::isOwner() const {
    QClipboard* c = clipboard();
    return c && c->ownsClipboard();
}

std::optional<std::string> QtClipboard::text() const {
    QClipboard* c = clipboard();
    if (!c) return std::nullopt;
    const QMimeData* data = c->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText()) return std::nullopt;
    return toVaultText(data->text());
}

}  // namespace kivrano::platform
