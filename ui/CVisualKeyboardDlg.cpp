#include "ui/CVisualKeyboardDlg.h"

#include "platform/qt/VaultText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

namespace {

// The keys work with the mouse only: they never take the focus from the edit, and only
// "&Done" answers Enter.
QPushButton* makeKey(const QString& label, QWidget* parent) {
    auto* button = new QPushButton(label, parent);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

CVisualKeyboardDlg::CVisualKeyboardDlg(const std::string& text, QWidget* parent)
    : QDialog(parent), m_keyboard(text) {
    setWindowTitle(QStringLiteral("Visual Keyboard"));

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("text"));
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);

    std::vector<QHBoxLayout*> rows;
    for (int i = 0; i < 5; ++i) {
        rows.push_back(new QHBoxLayout);
        rows.back()->setSpacing(2);
        layout->addLayout(rows.back());
    }

    m_shiftButton = makeKey(QStringLiteral("Shift"), this);
    m_shiftButton->setCheckable(true);
    rows[3]->addWidget(m_shiftButton);

    for (const VisualKey& key : VisualKeyboard::keys()) {
        auto* button = makeKey(
            QString::fromLatin1(key.label.data(), static_cast<qsizetype>(key.label.size())), this);
        if (key.label != "Space") button->setMinimumWidth(button->fontMetrics().height() * 2);
        rows[static_cast<std::size_t>(key.row)]->addWidget(button, key.label == "Space" ? 4 : 0);
        m_keyButtons.emplace_back(&key, button);
        connect(button, &QPushButton::clicked, this, [this, &key] { press(key); });
    }
    for (std::size_t i = 0; i < 4; ++i) rows[i]->addStretch();

    m_clearButton = makeKey(QStringLiteral("Clear"), this);
    rows[4]->addWidget(m_clearButton);
    m_showBox = new QCheckBox(QStringLiteral("Show"), this);
    m_showBox->setFocusPolicy(Qt::NoFocus);
    rows[4]->addWidget(m_showBox);
    m_doneButton = new QPushButton(QStringLiteral("&Done"), this);
    m_doneButton->setDefault(true);
    rows[4]->addWidget(m_doneButton);

    connect(m_shiftButton, &QPushButton::clicked, this, [this] {
        m_keyboard.toggleShift();
        showShift();
    });
    connect(m_clearButton, &QPushButton::clicked, this, [this] {
        m_keyboard.clear();
        showText();
    });
    connect(m_showBox, &QCheckBox::clicked, this, [this] {
        m_keyboard.toggleMask();
        m_edit->setEchoMode(m_keyboard.masked() ? QLineEdit::Password : QLineEdit::Normal);
        m_showBox->setChecked(!m_keyboard.masked());
        m_edit->repaint();
    });
    connect(m_doneButton, &QPushButton::clicked, this, &CVisualKeyboardDlg::accept);

    showText();
    showShift();
    m_edit->setFocus();
}

std::string CVisualKeyboardDlg::enter(QWidget* parent, const std::string& text) {
    CVisualKeyboardDlg dialog(text, parent);
    dialog.exec();
    return dialog.text();
}

QPushButton* CVisualKeyboardDlg::keyButton(std::string_view label) const {
    for (const auto& [key, button] : m_keyButtons) {
        if (key->label == label) return button;
    }
    return nullptr;
}

void CVisualKeyboardDlg::accept() {
    readEdit();
    QDialog::accept();
}

void CVisualKeyboardDlg::press(const VisualKey& key) {
    readEdit();  // characters typed by hand stay
    m_keyboard.press(key);
    showText();
    showShift();
}

void CVisualKeyboardDlg::readEdit() {
    std::string typed = platform::toVaultText(m_edit->text());
    m_keyboard.setText(typed);
    secureWipe(typed);
}

void CVisualKeyboardDlg::showText() {
    m_edit->setText(platform::fromVaultText(m_keyboard.text()));
    m_edit->end(false);
}

// The Shift button looks pressed exactly while the next key is shifted.
void CVisualKeyboardDlg::showShift() {
    m_shiftButton->setChecked(m_keyboard.shift());
}

}  // namespace kivrano
