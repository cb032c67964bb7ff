#include "ui/CContentPage.h"

#include "platform/qt/VaultText.h"
#include "ui/CBasicPage.h"
#include "ui/CProperty.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace kivrano {

namespace {

// The memo box shows line breaks as "\n" whatever the stored text holds.
QString shownMemo(const std::string& memo) {
    QString text = platform::fromVaultText(memo);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// An unchanged memo keeps its bytes and its line breaks; an edited one keeps the line breaks
// the memo had ("\r\n" in memos written on Windows).
std::string memoVaultText(const QString& shown, const std::string& original) {
    if (shown == shownMemo(original)) return original;
    QString text = shown;
    if (original.find("\r\n") != std::string::npos)
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return platform::toVaultText(text);
}

QString maskedText(const QString& text) {
    QString masked;
    masked.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('\n'))
            masked += c;
        else if (!c.isLowSurrogate())
            masked += QLatin1Char('*');
    }
    return masked;
}

}  // namespace

CContentPage::CContentPage(QWidget* parent) : QWidget(parent) {
    auto* etc = new QGroupBox(QStringLiteral("&Etc"));
    auto* grid = new QGridLayout(etc);
    grid->addWidget(new QLabel(QStringLiteral("Name")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Text to Type")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Hide")), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Tab Enter")), 0, 4, 1, 2);
    for (std::size_t row = 0; row < 6; ++row) {
        m_name[row] = new QLineEdit;
        m_text[row] = new QLineEdit;
        m_hide[row] = new QCheckBox;
        m_hide[row]->setAccessibleName(QStringLiteral("Hide %1").arg(row + 1));
        m_tab[row] = makeCountBox();
        m_enter[row] = makeCountBox();
        auto* number = new QLabel(QStringLiteral("&%1").arg(row + 1));
        number->setBuddy(m_name[row]);
        const int line = static_cast<int>(row) + 1;
        grid->addWidget(number, line, 0);
        grid->addWidget(m_name[row], line, 1);
        grid->addWidget(m_text[row], line, 2);
        grid->addWidget(m_hide[row], line, 3, Qt::AlignCenter);
        grid->addWidget(m_tab[row], line, 4);
        grid->addWidget(m_enter[row], line, 5);
        QLineEdit* text = m_text[row];
        connect(m_hide[row], &QCheckBox::toggled, this, [text](bool on) { setMasked(text, on); });
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 3);

    m_memo = new QPlainTextEdit;
    m_memo->setTabChangesFocus(true);
    m_memoMask = new QPlainTextEdit;
    m_memoMask->setReadOnly(true);
    m_memoMask->setFocusPolicy(Qt::NoFocus);
    m_memoStack = new QStackedWidget;
    m_memoStack->addWidget(m_memo);
    m_memoStack->addWidget(m_memoMask);
    m_hideMemo = new QCheckBox(QStringLiteral("Hide"));
    auto* memoLabel = new QLabel(QStringLiteral("&Memo"));
    memoLabel->setBuddy(m_memo);
    auto* memoRow = new QHBoxLayout;
    memoRow->addWidget(memoLabel);
    memoRow->addStretch(1);
    memoRow->addWidget(m_hideMemo);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(etc);
    layout->addLayout(memoRow);
    layout->addWidget(m_memoStack, 1);

    connect(m_hideMemo, &QCheckBox::toggled, this, &CContentPage::maskMemo);
}

QLineEdit* CContentPage::countBox(int row, bool enter) const {
    const auto r = static_cast<std::size_t>(row);
    return enter ? m_enter.at(r) : m_tab.at(r);
}

bool CContentPage::memoMasked() const {
    return m_memoStack->currentWidget() == m_memoMask;
}

QString CContentPage::memoShownText() const {
    return (memoMasked() ? m_memoMask : m_memo)->toPlainText();
}

void CContentPage::maskMemo(bool masked) {
    if (masked) m_memoMask->setPlainText(maskedText(m_memo->toPlainText()));
    m_memoStack->setCurrentWidget(masked ? m_memoMask : m_memo);
}

void CContentPage::showValues(const EtcPageValues& values) {
    for (std::size_t row = 0; row < 6; ++row) {
        m_name[row]->setText(platform::fromVaultText(values.name[row]));
        m_text[row]->setText(platform::fromVaultText(values.text[row]));
        m_hide[row]->setChecked(values.hide[row]);
        setMasked(m_text[row], values.hide[row]);
        m_tab[row]->setText(QString::fromStdString(values.tabCount[row]));
        m_enter[row]->setText(QString::fromStdString(values.enterCount[row]));
    }
    m_memo->setPlainText(shownMemo(values.memo));
    m_hideMemo->setChecked(values.hideMemo);
    maskMemo(values.hideMemo);
}

void CContentPage::collect(EtcPageValues& values) const {
    for (std::size_t row = 0; row < 6; ++row) {
        values.name[row] = editedVaultText(m_name[row]->text(), values.name[row]);
        values.text[row] = editedVaultText(m_text[row]->text(), values.text[row]);
        values.hide[row] = m_hide[row]->isChecked();
        values.tabCount[row] = m_tab[row]->text().toStdString();
        values.enterCount[row] = m_enter[row]->text().toStdString();
    }
    values.memo = memoVaultText(m_memo->toPlainText(), values.memo);
    values.hideMemo = m_hideMemo->isChecked();
}

}  // namespace kivrano
