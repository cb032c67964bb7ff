#include "ui/CScreenLockDlg.h"

#include "platform/qt/VaultText.h"
#include "ui/CVisualKeyboardDlg.h"
#include "vault/Secure.h"
#include "vault/Strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kivrano {

namespace {

// Above every other window, with a minimise box so that it can be put aside, and no parent
// that could take it along when hidden or minimised.
constexpr Qt::WindowFlags kLockWindowFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
    Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

// The visual keyboard above everything as the lock dialog is, or it could open behind it.
std::string enterOnTop(QWidget* parent, const std::string& text) {
    CVisualKeyboardDlg keyboard(text, parent);
    keyboard.setWindowFlag(Qt::WindowStaysOnTopHint);
    keyboard.exec();
    return keyboard.text();
}

}  // namespace

void bringLockWindowForward(QWidget* window) {
    if (!window) return;
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

CScreenLockDlg::CScreenLockDlg(VisualKeyboardRun visualKeyboard)
    : QDialog(nullptr, kLockWindowFlags), m_visualKeyboard(std::move(visualKeyboard)) {
    setWindowTitle(QStringLiteral("Screen Lock"));
    setWindowModality(Qt::ApplicationModal);

    auto* label = new QLabel(QStringLiteral("To unlock, enter the password please."), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("password"));
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setMinimumWidth(260);
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setDefault(true);
    m_keyboard = new QPushButton(QStringLiteral("&Visual Keyboard"), this);
    m_keyboard->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_keyboard);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_keyboard, &QPushButton::clicked, this, &CScreenLockDlg::visualKeyboardClicked);
    m_edit->setFocus();
}

CScreenLockDlg::~CScreenLockDlg() {
    m_edit->clear();
}

std::string CScreenLockDlg::password() const {
    return platform::toVaultText(m_edit->text());
}

void CScreenLockDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Also when the program's own windows are hidden: the desktop is asked to give this one
    // the keyboard.
    raise();
    activateWindow();
    m_edit->setFocus();
}

void CScreenLockDlg::visualKeyboardClicked() {
    std::string text = password();
    std::string keyed = m_visualKeyboard ? m_visualKeyboard(this, text) : enterOnTop(this, text);
    m_edit->setText(platform::fromVaultText(keyed));
    secureWipe(text);
    secureWipe(keyed);
    // However the keyboard closed, its text is tried as "&OK" would.
    accept();
}

std::optional<std::string> QtScreenLockDialog::run() {
    CScreenLockDlg dialog(visualKeyboard);
    m_shown = &dialog;
    const bool ok = dialog.exec() == QDialog::Accepted;
    m_shown = nullptr;
    if (!ok) return std::nullopt;
    return dialog.password();
}

void QtScreenLockDialog::refuse(const std::string& message) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(text(StringId::ProductName).data()),
                    platform::fromVaultText(message), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    m_shown = &box;
    QTimer::singleShot(0, &box, [&box] { bringLockWindowForward(&box); });
    box.exec();
    m_shown = nullptr;
}

void QtScreenLockDialog::bringForward() {
    bringLockWindowForward(m_shown);
}

}  // namespace kivrano
