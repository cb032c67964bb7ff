#pragma once

#include "vault/HotKeyValue.h"

#include <QLineEdit>

namespace kivrano {

// A one-chord key editor: pressing a key with any of Ctrl, Alt and Shift makes it the value,
// kept as a Windows virtual-key code and hotkey modifier bits. Backspace or Delete alone clears
// it ("None"); Tab moves on, and Enter and Esc alone are left to the dialog's buttons. A key
// that types text is taken only together with Ctrl or Alt.
class HotKeyEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit HotKeyEdit(QWidget* parent = nullptr);

    HotKeyValue value() const { return m_value; }
    void setValue(const HotKeyValue& value);

    // "None", or the modifiers and the key's name, such as "Ctrl+Alt+F5".
    static QString keyText(const HotKeyValue& value);

signals:
    void edited();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static bool leftToDialog(const QKeyEvent& event);
    void showValue();

    HotKeyValue m_value;
};

}  // namespace kivrano
