#include "ui/CProperty.h"

#include "platform/qt/VaultText.h"
#include "ui/CApplicationDlg.h"
#include "ui/CBasicPage.h"
#include "ui/CContentPage.h"
#include "ui/QtPrompter.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kivrano {

std::string editedVaultText(const QString& shown, const std::string& original) {
    if (shown == platform::fromVaultText(original)) return original;
    return platform::toVaultText(shown);
}

CProperty::CProperty(VaultItem& item, const ItemEditorRequest& request, CKivranoDoc& document,
                     std::int32_t& applicationSelection, const platform::WindowSystem* windowReader,
                     Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      m_session(std::make_unique<ItemEditorSession>(item, document, windowReader, prompter)) {
    setWindowTitle(QString::fromStdString(ItemEditorSession::caption(request.mode)));
    // Masked fields show "*" for every character, as the program always has.
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    m_basicPage = new CBasicPage(*m_session);
    m_etcPage = new CContentPage;
    m_tabs = new QTabWidget;
    m_tabs->addTab(m_basicPage, QStringLiteral("Basic Information"));
    m_tabs->addTab(m_etcPage, QStringLiteral("Etc Information"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CProperty::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CProperty::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);

    m_session->setBrowserLabel(request.browserLabel);
    setApplicationRunner(
        [&document, &applicationSelection, &prompter, browser = request.browserLabel](
            QWidget* owner, std::int32_t appChoice, std::int32_t appIndex) {
            return CApplicationDlg::run(owner, document.settings(), applicationSelection, prompter,
                                        appChoice, appIndex, browser);
        });

    m_currentPage = ItemEditorSession::startPage(item, request);
    m_tabs->setCurrentIndex(m_currentPage);
    pageShown(m_currentPage);
    if (m_currentPage == 0) m_basicPage->focusTitle();
    connect(m_tabs, &QTabWidget::currentChanged, this, &CProperty::tabChanged);
}

CProperty::~CProperty() = default;

bool CProperty::editItem(QWidget* parent, VaultItem& item, const ItemEditorRequest& request,
                         CKivranoDoc& document, std::int32_t& applicationSelection,
                         const platform::WindowSystem* windowReader) {
    QtPrompter prompter;
    CProperty sheet(item, request, document, applicationSelection, windowReader, prompter, parent);
    prompter.setParent(&sheet);
    return sheet.exec() == QDialog::Accepted;
}

void CProperty::setApplicationRunner(ApplicationRunner runner) {
    m_basicPage->setApplicationRunner(std::move(runner));
}

void CProperty::pageShown(int page) {
    if (page == ItemEditorSession::kBasicPage) {
        const bool first = !m_session->basicPageShown();
        const BasicPageValues& values = m_session->showBasicPage();
        if (first) m_basicPage->showValues(values);
    } else {
        const bool first = !m_session->etcPageShown();
        const EtcPageValues& values = m_session->showEtcPage();
        if (first) m_etcPage->showValues(values);
    }
}

bool CProperty::leavePage(int page) {
    std::optional<CountBox> bad;
    if (page == ItemEditorSession::kBasicPage) {
        m_basicPage->collect(m_session->basic());
    } else {
        m_etcPage->collect(m_session->etc());
    }
    bad = m_session->checkPage(page);
    if (!bad) return true;
    QLineEdit* box = page == ItemEditorSession::kBasicPage
                         ? m_basicPage->countBox(bad->row, bad->enter)
                         : m_etcPage->countBox(bad->row, bad->enter);
    box->setFocus();
    box->selectAll();
    return false;
}

void CProperty::tabChanged(int page) {
    if (m_switching) return;
    // The tab bar has already moved; the page being left must pass its checks with its own
    // page in front, so go back to it first.
    m_switching = true;
    m_tabs->setCurrentIndex(m_currentPage);
    m_switching = false;
    showPage(page);
}

bool CProperty::showPage(int page) {
    if (page == m_currentPage) return true;
    if (!leavePage(m_currentPage)) return false;
    m_currentPage = page;
    m_switching = true;
    m_tabs->setCurrentIndex(page);
    m_switching = false;
    pageShown(page);
    return true;
}

void CProperty::accept() {
    // The page in front is checked now; the other one was checked when it was left.
    if (!leavePage(m_currentPage)) return;
    m_session->writeBack();
    m_session->close();
    QDialog::accept();
}

void CProperty::reject() {
    m_session->close();
    QDialog::reject();
}

}  // namespace kivrano
