#include "ui/CBasicPage.h"

#include "platform/qt/VaultText.h"
#include "ui/CProperty.h"
#include "ui/HotKeyEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

namespace {

std::string countText(const QLineEdit* box) {
    return box->text().toStdString();
}

// "Press Tab key" n "times and Enter key" m "times".
QHBoxLayout* countRow(const QString& tabLabel, QLineEdit* tab, QLineEdit* enter) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(tabLabel);
    label->setBuddy(tab);
    row->addWidget(label);
    row->addWidget(tab);
    row->addWidget(new QLabel(QStringLiteral("times and Enter key")));
    row->addWidget(enter);
    row->addWidget(new QLabel(QStringLiteral("times")));
    row->addStretch(1);
    return row;
}

}  // namespace

QLineEdit* makeCountBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(8);
    box->setAlignment(Qt::AlignRight);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("-1280")) + 12);
    return box;
}

void setMasked(QLineEdit* edit, bool masked) {
    edit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    edit->update();
}

CBasicPage::CBasicPage(ItemEditorSession& session, QWidget* parent)
    : QWidget(parent), m_session(session) {
    m_title = new QLineEdit;
    m_address = new QLineEdit;
    m_id = new QLineEdit;
    m_password = new QLineEdit;
    m_hideId = new QCheckBox(QStringLiteral("Hide"));
    m_hidePassword = new QCheckBox(QStringLiteral("&Hide"));
    for (std::size_t row = 0; row < 2; ++row) {
        m_tab[row] = makeCountBox();
        m_enter[row] = makeCountBox();
    }
    m_clearAll = new QPushButton(QStringLiteral("Cl&ear All"));
    m_application = new QPushButton(QStringLiteral("Appli&cation"));
    m_appLabel = new QLabel;
    m_appLabel->setTextFormat(Qt::PlainText);
    m_appLabel->setWordWrap(true);
    m_launchKey = new HotKeyEdit;
    for (QPushButton* button : {m_clearAll, m_application}) button->setAutoDefault(false);

    const auto labelFor = [](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text);
        label->setBuddy(buddy);
        return label;
    };

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(labelFor(QStringLiteral("&Title"), m_title));
    titleRow->addWidget(m_title, 1);

    auto* site = new QGroupBox(QStringLiteral("Site Information"));
    auto* siteGrid = new QGridLayout(site);
    siteGrid->addWidget(labelFor(QStringLiteral("&Address"), m_address), 0, 0);
    siteGrid->addWidget(m_address, 0, 1, 1, 2);
    siteGrid->addWidget(labelFor(QStringLiteral("&ID"), m_id), 1, 0);
    siteGrid->addWidget(m_id, 1, 1);
    siteGrid->addWidget(m_hideId, 1, 2);
    siteGrid->addLayout(countRow(QStringLiteral("Press Tab &key"), m_tab[0], m_enter[0]), 2, 1, 1,
                        2);
    siteGrid->addWidget(labelFor(QStringLiteral("&Password"), m_password), 3, 0);
    siteGrid->addWidget(m_password, 3, 1);
    siteGrid->addWidget(m_hidePassword, 3, 2);
    siteGrid->addLayout(countRow(QStringLiteral("Press Tab key"), m_tab[1], m_enter[1]), 4, 1, 1,
                        2);
    auto* noteRow = new QHBoxLayout;
    noteRow->addWidget(new QLabel(QStringLiteral("Negative value for Shift+Tab key.")));
    noteRow->addStretch(1);
    noteRow->addWidget(m_clearAll);
    siteGrid->addLayout(noteRow, 5, 0, 1, 3);
    siteGrid->setColumnStretch(1, 1);

    auto* advanced = new QGroupBox(QStringLiteral("Advanced"));
    auto* advancedGrid = new QGridLayout(advanced);
    advancedGrid->addWidget(m_application, 0, 0);
    advancedGrid->addWidget(labelFor(QStringLiteral("&Launching Key"), m_launchKey), 0, 1,
                            Qt::AlignRight);
    advancedGrid->addWidget(m_launchKey, 0, 2);
    advancedGrid->addWidget(m_appLabel, 1, 0, 1, 3);
    advancedGrid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(titleRow);
    layout->addWidget(site);
    layout->addWidget(advanced);
    layout->addStretch(1);

    // The box flips the masking at once; the flag itself is stored on OK.
    connect(m_hideId, &QCheckBox::toggled, this, [this](bool on) { setMasked(m_id, on); });
    connect(m_hidePassword, &QCheckBox::toggled, this,
            [this](bool on) { setMasked(m_password, on); });
    connect(m_clearAll, &QPushButton::clicked, this, &CBasicPage::clearAll);
    connect(m_application, &QPushButton::clicked, this, &CBasicPage::chooseApplication);
}

QLineEdit* CBasicPage::countBox(int row, bool enter) const {
    const auto r = static_cast<std::size_t>(row);
    return enter ? m_enter.at(r) : m_tab.at(r);
}

void CBasicPage::focusTitle() {
    m_title->setFocus();
}

void CBasicPage::showValues(const BasicPageValues& values) {
    m_title->setText(platform::fromVaultText(values.title));
    m_address->setText(platform::fromVaultText(values.address));
    m_id->setText(platform::fromVaultText(values.id));
    m_password->setText(platform::fromVaultText(values.password));
    for (std::size_t row = 0; row < 2; ++row) {
        m_tab[row]->setText(QString::fromStdString(values.tabCount[row]));
        m_enter[row]->setText(QString::fromStdString(values.enterCount[row]));
    }
    m_hideId->setChecked(values.hideId);
    m_hidePassword->setChecked(values.hidePassword);
    setMasked(m_id, values.hideId);
    setMasked(m_password, values.hidePassword);
    m_appLabel->setText(platform::fromVaultText(values.appLabel));
    m_launchKey->setValue(values.launchKey);
}

void CBasicPage::collect(BasicPageValues& values) const {
    values.title = editedVaultText(m_title->text(), values.title);
    values.address = editedVaultText(m_address->text(), values.address);
    values.id = editedVaultText(m_id->text(), values.id);
    values.password = editedVaultText(m_password->text(), values.password);
    for (std::size_t row = 0; row < 2; ++row) {
        values.tabCount[row] = countText(m_tab[row]);
        values.enterCount[row] = countText(m_enter[row]);
    }
    values.hideId = m_hideId->isChecked();
    values.hidePassword = m_hidePassword->isChecked();
    values.launchKey = m_launchKey->value();
}

void CBasicPage::clearAll() {
    BasicPageValues& values = m_session.basic();
    collect(values);
    ItemEditorSession::clearSiteInformation(values);
    showValues(values);
}

void CBasicPage::chooseApplication() {
    if (!m_runApplication) return;
    BasicPageValues& values = m_session.basic();
    const std::optional<ApplicationChoice::Result> result =
        m_runApplication(this, values.appChoice, values.appIndex);
    if (!result) return;
    collect(values);
    m_session.takeApplication(*result);
    showValues(values);
}

}  // namespace kivrano
