#include "platform/qt/QtShell.h"

#include "platform/qt/VaultText.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace kivrano::platform {

bool QtShell::isAddress(const QString& target) {
    // A scheme of two letters or more, so that "C:" style paths never count.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

QString QtShell::findProgram(const QString& name) const {
    if (name.contains(QLatin1Char('/'))) {
        QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return m_searchPath ? QStandardPaths::findExecutable(name, *m_searchPath)
                        : QStandardPaths::findExecutable(name);
}

int QtShell::open(const std::string& target, const std::string& parameters) {
    const QString file = fromVaultText(target).trimmed();
    if (file.isEmpty()) return kFileNotFound;

    if (const QString program = findProgram(file); !program.isEmpty()) {
        const QStringList arguments = QProcess::splitCommand(fromVaultText(parameters));
        return QProcess::startDetached(program, arguments) ? kOpened : kFileNotFound;
    }
    if (isAddress(file)) return QDesktopServices::openUrl(QUrl(file)) ? kOpened : kNoAssociation;
    if (QFileInfo(file).exists())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()))
                   ? kOpened
                   : kNoAssociation;
    return kFileNotFound;
}

std::string QtShell::builtInBrowser() const {
    // $BROWSER is a colon-separated list of commands, each possibly with "%s" for the address.
    const QString fromEnvironment = qEnvironmentVariable("BROWSER");
    for (const QString& entry : fromEnvironment.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QStringList words = QProcess::splitCommand(entry);
        if (words.isEmpty()) continue;
        if (const QString program = findProgram(words.first()); !program.isEmpty())
            return toVaultText(program);
    }
    for (const char* name : {"x-www-browser", "firefox", "chromium", "google-chrome"}) {
        if (const QString program = findProgram(QString::fromLatin1(name)); !program.isEmpty())
            return toVaultText(program);
    }
    return {};
}

}  // namespace kivrano::platform
