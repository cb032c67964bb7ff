#include "ui/CommandKeys.h"

#include "app/CommandTable.h"

#include <QString>

namespace kivrano {

QList<QKeySequence> commandKeySequences(int command) {
    QList<QKeySequence> sequences;
    for (const std::string& key : commandKeys(command)) {
        const QString text = QString::fromStdString(key);
        sequences << QKeySequence::fromString(text, QKeySequence::PortableText);
        if (text.endsWith(QLatin1String("Enter"))) {
            QString mainKey = text;
            mainKey.replace(mainKey.size() - 5, 5, QStringLiteral("Return"));
            sequences << QKeySequence::fromString(mainKey, QKeySequence::PortableText);
        }
    }
    return sequences;
}

}  // namespace kivrano
