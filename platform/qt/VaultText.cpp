#include "platform/qt/VaultText.h"

#include "vault/VaultText.h"

#include <QByteArray>

namespace kivrano::platform {

QString fromVaultText(std::string_view bytes) {
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromStdU32String(decodeVaultText(bytes));
}

std::string toVaultText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace kivrano::platform
