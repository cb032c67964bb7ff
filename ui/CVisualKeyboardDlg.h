#pragma once

#include "app/VisualKeyboard.h"

#include <QDialog>

#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kivrano {

// "Visual Keyboard": a password entered by clicking keys, so that nothing passes through the
// physical keyboard. It edits the text its caller hands in and always hands the text back.
class CVisualKeyboardDlg : public QDialog {
    Q_OBJECT

public:
    explicit CVisualKeyboardDlg(const std::string& text, QWidget* parent = nullptr);

    // Shows the keyboard modally over parent and returns its text, however it was closed:
    // "&Done" takes the edit as it stands, Escape and the close box what the last key left.
    static std::string enter(QWidget* parent, const std::string& text);

    const std::string& text() const { return m_keyboard.text(); }

    // "&Done" and Enter: the edit, hand-typed characters included, becomes the text.
    void accept() override;

    // The controls, for the tests that click them.
    QLineEdit* edit() const { return m_edit; }
    QPushButton* keyButton(std::string_view label) const;
    QPushButton* shiftButton() const { return m_shiftButton; }
    QPushButton* clearButton() const { return m_clearButton; }
    QPushButton* doneButton() const { return m_doneButton; }
    QCheckBox* showBox() const { return m_showBox; }

private:
    void press(const VisualKey& key);
    void readEdit();
    void showText();
    void showShift();

    VisualKeyboard m_keyboard;
    QLineEdit* m_edit;
    QPushButton* m_shiftButton;
    QPushButton* m_clearButton;
    QPushButton* m_doneButton;
    QCheckBox* m_showBox;
    std::vector<std::pair<const VisualKey*, QPushButton*>> m_keyButtons;
};

}  // namespace kivrano
