#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace kivrano {

// A dialog's push button with its object name; only the button made default answers Enter.
inline QPushButton* makeButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The OK (default) and Cancel buttons of the program's small dialogs, with the given texts;
// OK accepts, Cancel rejects.
inline QDialogButtonBox* okCancelButtons(QDialog* dialog,
                                         const QString& okText = QStringLiteral("&OK"),
                                         const QString& cancelText = QStringLiteral("&Cancel")) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelText, QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace kivrano
