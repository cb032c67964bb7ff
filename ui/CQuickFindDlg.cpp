#include "ui/CQuickFindDlg.h"

#include "platform/qt/VaultText.h"
#include "vault/VaultTree.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

namespace kivrano {

namespace {

constexpr int kNodeRole = Qt::UserRole;

}  // namespace

CQuickFindDlg::CQuickFindDlg(const CDic& index, const VaultTree& tree,
                             std::function<bool(TreeNode)> select, std::function<void(TreeNode)> go,
                             QWidget* parent)
    // A window of its own, not a tool window of the main one: the main window's Enter and Esc
    // accelerators would take those keys from it.
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint),
      m_find(index, tree, std::move(select)),
      m_goTo(std::move(go)),
      m_edit(new QLineEdit(this)),
      m_list(new QListWidget(this)),
      m_go(new QPushButton(QStringLiteral("&Go"), this)),
      m_cancel(new QPushButton(QStringLiteral("&Cancel"), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quick Find"));  // for task lists; the bar shows no caption
    setModal(false);

    auto* row = new QHBoxLayout;
    row->addWidget(m_edit, 1);
    row->addWidget(m_go);
    row->addWidget(m_cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(row);
    outer->addStretch();
    m_go->setDefault(true);
    m_go->setAutoDefault(false);
    m_cancel->setAutoDefault(false);
    m_edit->setMinimumWidth(220);

    // The bar's base size holds the controls; the list comes below them, left-aligned with
    // the edit field, and is laid out by hand as it grows and shrinks with its lines.
    const QSize controls = row->sizeHint();
    const QMargins margins = outer->contentsMargins();
    m_baseSize = QSize(controls.width() + margins.left() + margins.right(),
                       controls.height() + margins.top() + margins.bottom());
    m_listPlace = QPoint(margins.left(), m_baseSize.height() - margins.bottom());
    m_list->setVisible(false);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedSize(m_baseSize);

    connect(m_edit, &QLineEdit::textChanged, this, &CQuickFindDlg::queryChanged);
    connect(m_go, &QPushButton::clicked, this, &CQuickFindDlg::goToChosen);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_edit->setFocus();
}

void CQuickFindDlg::queryChanged() {
    m_list->clear();
    for (const QuickFind::Line& line : m_find.search(platform::toVaultText(m_edit->text()))) {
        auto* item = new QListWidgetItem(line.text, m_list);
        item->setData(kNodeRole, static_cast<qulonglong>(line.node));
    }
    int linesHeight = 0;
    for (int i = 0; i < m_list->count(); ++i) linesHeight += m_list->sizeHintForRow(i);
    if (m_list->count() > 0) {
        m_list->setGeometry(m_listPlace.x(), m_listPlace.y(),
                            m_baseSize.width() - 2 * m_listPlace.x(), linesHeight + kListPadding);
        m_list->show();
    } else {
        m_list->hide();
    }
    setFixedSize(m_baseSize.width(), m_baseSize.height() + linesHeight + kBarPadding);
}

void CQuickFindDlg::goToChosen() {
    const int row = m_list->selectedItems().isEmpty() ? -1 : m_list->currentRow();
    if (const std::optional<TreeNode> target = m_find.goTarget(row)) {
        if (m_goTo) m_goTo(*target);
        accept();
        return;
    }
    reject();
}

void CQuickFindDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    // As a press on a caption would: the window manager moves the bar where it can; where it
    // cannot, the bar follows the mouse itself.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    m_dragFrom = event->position().toPoint();
}

void CQuickFindDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *m_dragFrom);
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CQuickFindDlg::mouseReleaseEvent(QMouseEvent* event) {
    m_dragFrom.reset();
    QDialog::mouseReleaseEvent(event);
}

void QtQuickFindBar::open() {
    TreeCommands& commands = m_commands;
    const VaultTree& tree = m_tree;
    auto* bar = new CQuickFindDlg(
        m_index, tree,
        [&commands, &tree](TreeNode node) {
            if (!tree.contains(node)) return false;
            commands.selectNode(node);
            return true;
        },
        [&commands](TreeNode node) { commands.goToNode(node); }, m_parent);
    if (m_parent) bar->move(m_parent->mapToGlobal(QPoint(24, 24)));
    bar->show();
    bar->activateWindow();
    bar->queryEdit()->setFocus();
}

void QtQuickFindBar::closeAll() {
    if (!m_parent) return;
    for (CQuickFindDlg* bar : m_parent->findChildren<CQuickFindDlg*>(Qt::FindDirectChildrenOnly))
        bar->close();
}

}  // namespace kivrano
