#include "ui/CFindDlg.h"

#include "platform/SettingsStore.h"
#include "platform/qt/VaultText.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kivrano {

namespace {

constexpr int kNodeRole = Qt::UserRole;

struct FieldBox {
    const char* label;
    bool ticked;
};
constexpr FieldBox kFieldBoxes[CFindDlg::FieldCount] = {
    {"Title(&1)", true},  {"Address(&2)", true}, {"ID(&3)", false},    {"Password(&4)", false},
    {"Etc's(&5)", false}, {"Memo(&6)", false},   {"Folder(&7)", true},
};

// A check box's mnemonic ticks it at once, not after the button's pressed look has been
// shown: an Enter right after Alt+4 must search with Password ticked.
void tickAtOnce(QCheckBox* box) {
    const QKeySequence key = QKeySequence::mnemonic(box->text());
    box->setShortcut(QKeySequence());
    auto* shortcut = new QShortcut(key, box->window());
    QObject::connect(shortcut, &QShortcut::activated, box, [box] {
        box->setFocus(Qt::ShortcutFocusReason);
        box->toggle();
    });
}

}  // namespace

CFindDlg::CFindDlg(const VaultTree& tree, platform::SettingsStore& settings, QWidget* parent)
    : QDialog(parent),
      m_tree(tree),
      m_settings(settings),
      m_findEdit(new QLineEdit(this)),
      m_caseSensitive(new QCheckBox(QStringLiteral("C&ase sensitive"), this)),
      m_results(new QTreeWidget(this)),
      m_start(new QPushButton(QStringLiteral("&Start"), this)) {
    setWindowTitle(QStringLiteral("Find"));

    auto* findLabel = new QLabel(QStringLiteral("&Find"), this);
    findLabel->setBuddy(m_findEdit);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_findEdit, 1);
    findRow->addWidget(m_caseSensitive);

    auto* inLabel = new QLabel(QStringLiteral("Find &In"), this);
    auto* boxes = new QGridLayout;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i] = new QCheckBox(QString::fromUtf8(kFieldBoxes[i].label), this);
        m_fields[i]->setChecked(kFieldBoxes[i].ticked);
        boxes->addWidget(m_fields[i], 0, static_cast<int>(i));
    }
    inLabel->setBuddy(m_fields[0]);

    auto* resultLabel = new QLabel(
        QStringLiteral("&Result: Double click or press Enter on the item to go there"), this);
    resultLabel->setBuddy(m_results);
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setSelectionMode(QAbstractItemView::SingleSelection);
    m_results->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_results->setHeaderLabels(
        {QStringLiteral("Title"), QStringLiteral("Found String"), QStringLiteral("Folder")});
    m_results->header()->setStretchLastSection(false);
    m_results->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    tickAtOnce(m_caseSensitive);
    for (QCheckBox* box : m_fields) tickAtOnce(box);

    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    m_start->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(inLabel);
    layout->addLayout(boxes);
    layout->addWidget(resultLabel);
    layout->addWidget(m_results, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(m_start, &QPushButton::clicked, this, &CFindDlg::start);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_results, &QTreeWidget::itemDoubleClicked, this, [this] { goToSelected(); });
    m_findEdit->setFocus();
}

CFindDlg::~CFindDlg() {
    if (!m_widthsSet) return;  // never shown: nothing was read, nothing to keep
    FindSearch::ColumnWidths widths{};
    for (int i = 0; i < FindSearch::kColumnCount; ++i)
        widths[static_cast<std::size_t>(i)] = m_results->header()->sectionSize(i);
    FindSearch::saveColumnWidths(m_settings, widths);
}

void CFindDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_widthsSet) return;
    m_widthsSet = true;
    const FindSearch::ColumnWidths widths =
        FindSearch::loadColumnWidths(m_settings, m_results->viewport()->width());
    for (int i = 0; i < FindSearch::kColumnCount; ++i)
        m_results->header()->resizeSection(i, widths[static_cast<std::size_t>(i)]);
}

FindQuery CFindDlg::query() const {
    FindQuery q;
    q.text = platform::toVaultText(m_findEdit->text());
    q.caseSensitive = m_caseSensitive->isChecked();
    q.title = fieldBox(Title)->isChecked();
    q.address = fieldBox(Address)->isChecked();
    q.id = fieldBox(Id)->isChecked();
    q.password = fieldBox(Password)->isChecked();
    q.etc = fieldBox(Etc)->isChecked();
    q.memo = fieldBox(Memo)->isChecked();
    q.folder = fieldBox(Folder)->isChecked();
    return q;
}

void CFindDlg::start() {
    // Enter in the result list reaches the default button: it goes to the selected row.
    if (QApplication::focusWidget() == m_results) {
        goToSelected();
        return;
    }
    m_results->clear();
    for (const FindResult& row : FindSearch::search(m_tree, query())) {
        auto* item = new QTreeWidgetItem(m_results);
        const QString texts[] = {platform::fromVaultText(row.title),
                                 platform::fromVaultText(row.found),
                                 platform::fromVaultText(row.folder)};
        for (int column = 0; column < 3; ++column) {
            item->setText(column, texts[column]);
            item->setToolTip(column, texts[column]);
        }
        item->setData(0, kNodeRole, static_cast<qulonglong>(row.node));
    }
    if (m_results->topLevelItemCount() == 0) return;
    m_results->setFocus();
    m_results->setCurrentItem(m_results->topLevelItem(0));
    if (m_results->topLevelItemCount() == 1) goToSelected();
}

void CFindDlg::goToSelected() {
    const QList<QTreeWidgetItem*> selected = m_results->selectedItems();
    if (selected.isEmpty()) return;
    m_chosen = static_cast<TreeNode>(selected.front()->data(0, kNodeRole).toULongLong());
    accept();
}

std::optional<TreeNode> QtFindDialog::run() {
    CFindDlg dialog(m_tree, m_settings, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.chosenNode();
}

}  // namespace kivrano
