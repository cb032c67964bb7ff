#include "ui/HotKeyEdit.h"

#include "app/VirtualKeyCodes.h"
#include "vault/VaultText.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>

namespace kivrano {

namespace {

QString modifierText(std::uint16_t modifiers) {
    // The same order as the field list's hotkey column.
    QString text;
    if (modifiers & HotKeyValue::kCtrl) text += QStringLiteral("Ctrl+");
    if (modifiers & HotKeyValue::kAlt) text += QStringLiteral("Alt+");
    if (modifiers & HotKeyValue::kShift) text += QStringLiteral("Shift+");
    return text;
}

QString keyName(std::uint16_t vk) {
    if (vk == 0) return {};
    // The field list's name where it has one, so both windows show a key alike.
    const std::string listName = keyNameText({vk, 0});
    if (!listName.empty()) return QString::fromStdString(listName);
    const vkeys::QtKeyName name = vkeys::qtKeyForVirtualKey(vk);
    if (name.key != Qt::Key_unknown) {
        const QKeyCombination combination(name.keypad ? Qt::KeypadModifier : Qt::NoModifier,
                                          static_cast<Qt::Key>(name.key));
        const QString text = QKeySequence(combination).toString(QKeySequence::NativeText);
        if (!text.isEmpty()) return text;
    }
    return QStringLiteral("0x") + QStringLiteral("%1").arg(vk, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

HotKeyEdit::HotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    showValue();
}

void HotKeyEdit::setValue(const HotKeyValue& value) {
    m_value = value;
    showValue();
}

QString HotKeyEdit::keyText(const HotKeyValue& value) {
    if (!value.isSet()) return QStringLiteral("None");
    return modifierText(value.modifiers) + keyName(value.virtualKey);
}

void HotKeyEdit::showValue() {
    setText(keyText(m_value));
}

bool HotKeyEdit::leftToDialog(const QKeyEvent& event) {
    const int key = event.key();
    const auto modifiers =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return !(modifiers & (Qt::ControlModifier | Qt::AltModifier));
    return modifiers == Qt::NoModifier &&
           (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter);
}

bool HotKeyEdit::event(QEvent* event) {
    // While the control has the focus, a chord such as Alt+T is a key for the control, not the
    // mnemonic of a label.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (!leftToDialog(*keyEvent)) {
            keyEvent->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void HotKeyEdit::keyPressEvent(QKeyEvent* event) {
    if (leftToDialog(*event)) {
        event->ignore();
        return;
    }
    event->accept();
    const int key = event->key();
    const std::uint16_t modifiers = vkeys::hotKeyModifiers(event->modifiers());
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && modifiers == 0) {
        setValue({});
        emit edited();
        return;
    }
    if (vkeys::isModifierQtKey(key)) {
        // Show the modifiers held so far; the value changes only when a key joins them.
        setText(modifiers ? modifierText(modifiers) : keyText(m_value));
        return;
    }
    const std::uint16_t vk = vkeys::virtualKeyFromQtKey(
        key, event->modifiers().testFlag(Qt::KeypadModifier), event->nativeScanCode());
    const HotKeyValue chord{vk, modifiers};
    // The Windows key has no hotkey bit: a chord with it would be stored as another key.
    if (event->modifiers().testFlag(Qt::MetaModifier) || !vkeys::isUsableLaunchingKey(chord)) {
        showValue();
        return;
    }
    setValue(chord);
    emit edited();
}

void HotKeyEdit::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (!vkeys::isModifierQtKey(event->key())) return;
    // Whether a release still counts its own key among the modifiers differs between window
    // systems; the released one is up either way.
    std::uint16_t modifiers = vkeys::hotKeyModifiers(event->modifiers());
    const auto release = [&](std::uint16_t bit) {
        modifiers = static_cast<std::uint16_t>(modifiers & ~bit);
    };
    if (event->key() == Qt::Key_Shift) release(HotKeyValue::kShift);
    if (event->key() == Qt::Key_Control) release(HotKeyValue::kCtrl);
    if (event->key() == Qt::Key_Alt) release(HotKeyValue::kAlt);
    setText(modifiers ? modifierText(modifiers) : keyText(m_value));
}

void HotKeyEdit::focusOutEvent(QFocusEvent* event) {
    showValue();
    QLineEdit::focusOutEvent(event);
}

}  // namespace kivrano
