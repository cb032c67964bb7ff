#include "ui/CTextFormatDlg.h"

#include "platform/qt/VaultText.h"
#include "vault/Secure.h"
#include "vault/TextListing.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string_view>

namespace kivrano {

namespace {

// The listing's lines are converted one by one: each comes from one item's fields, and one
// field that is not UTF-8 must not garble the others.
QString listingForScreen(const std::string& listing) {
    QString shown;
    std::string_view rest(listing);
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        const std::string_view line = rest.substr(0, end);
        std::string bytes(line);
        shown += platform::fromVaultText(bytes);
        secureWipe(bytes);
        shown += QLatin1Char('\n');
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 2);
    }
    return shown;
}

}  // namespace

CTextFormatDlg::CTextFormatDlg(const VaultTree& tree, QWidget* parent)
    : QDialog(parent),
      m_tree(tree),
      m_allLines(new QRadioButton(QStringLiteral("Show all lines"), this)),
      m_nonEmptyLines(new QRadioButton(QStringLiteral("Show non-empty lines only"), this)),
      m_start(new QPushButton(QStringLiteral("&Start"), this)),
      m_text(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Show in text format"));
    m_allLines->setChecked(true);
    m_start->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setAutoDefault(false);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setTabChangesFocus(false);

    connect(m_start, &QPushButton::clicked, this, &CTextFormatDlg::start);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_allLines);
    controls->addWidget(m_nonEmptyLines);
    controls->addStretch();
    controls->addWidget(m_start);
    controls->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_text);
    resize(560, 420);
}

CTextFormatDlg::~CTextFormatDlg() {
    m_text->clear();
}

void CTextFormatDlg::start() {
    std::string listing = textListing(
        m_tree, m_nonEmptyLines->isChecked() ? ListingLines::NonEmptyOnly : ListingLines::All);
    m_text->setPlainText(listingForScreen(listing));
    secureWipe(listing);
}

}  // namespace kivrano
