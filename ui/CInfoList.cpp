#include "ui/CInfoList.h"

#include "platform/SettingsStore.h"
#include "platform/qt/VaultText.h"
#include "vault/Secure.h"
#include "vault/Strings.h"
#include "vault/VaultTree.h"

#include <QDrag>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <cstdlib>

namespace kivrano {

namespace {

// The pointer must leave this many pixels around the press point before a drag starts.
constexpr int kDragHalfSquare = 5;
// The memo tooltip stays while the pointer rests on the memo row.
constexpr int kMemoTipMilliseconds = 32767;
constexpr int kMemoTipWidth = 600;

QString shown(const std::string& bytes) {
    return platform::fromVaultText(bytes);
}
QString shown(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The memo as tooltip text: its lines as they are, never read as markup, wrapped at
// kMemoTipWidth when a line is wider.
QString memoToolTip(const std::string& memo) {
    QString text = platform::fromVaultText(memo);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QString html = Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
    const QFontMetrics metrics(QToolTip::font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    if (widest <= kMemoTipWidth) return html;
    // A table of fixed width is the one width limit a rich-text tooltip obeys.
    return QStringLiteral("<table width=\"") + QString::number(kMemoTipWidth) +
           QStringLiteral("\" cellspacing=\"0\" cellpadding=\"0\"><tr><td>") + html +
           QStringLiteral("</td></tr></table>");
}

}  // namespace

CInfoList::CInfoList(platform::SettingsStore& settings, platform::Shell& shell,
                     platform::Clipboard& clipboard, Prompter& prompter, QWidget* parent)
    : QTreeWidget(parent), m_settings(settings), m_logic(shell, clipboard, prompter) {
    setColumnCount(InfoList::kColumnCount);
    setHeaderLabels({shown(text(StringId::ColumnName)), shown(text(StringId::ColumnContent)),
                     shown(text(StringId::ColumnHotkey))});
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);

    // The columns keep the widths the user gave them; the last one does not stretch, so
    // what is stored is what was chosen.
    QHeaderView* columns = header();
    columns->setSectionsMovable(false);
    columns->setStretchLastSection(false);
    const InfoList::ColumnWidths widths = InfoList::loadColumnWidths(m_settings);
    for (int i = 0; i < InfoList::kColumnCount; ++i)
        columns->resizeSection(i, widths[static_cast<std::size_t>(i)]);

    SecretClipboard& copies = m_logic.clipboard();
    copies.setClearDelay(SecretClipboard::loadClearDelay(m_settings));
    m_clipboardClear.setSingleShot(true);
    copies.setTimerStarter([this](std::chrono::milliseconds delay) {
        m_clipboardClear.start(static_cast<int>(delay.count()));
    });
    connect(&m_clipboardClear, &QTimer::timeout, this, [this] { m_logic.clipboard().expire(); });
}

CInfoList::~CInfoList() {
    saveColumnWidths();
}

void CInfoList::saveColumnWidths() {
    InfoList::ColumnWidths widths{};
    for (int i = 0; i < InfoList::kColumnCount; ++i)
        widths[static_cast<std::size_t>(i)] = header()->sectionSize(i);
    InfoList::saveColumnWidths(m_settings, widths);
}

void CInfoList::showNode(const VaultTree& tree, TreeNode node, const VaultSettings& settings) {
    m_logic.show(tree, node, settings);
    clear();
    for (const InfoRow& row : m_logic.rows())
        addTopLevelItem(
            new QTreeWidgetItem({shown(row.name), shown(row.content), shown(row.hotkey)}));
    emit treeFocusRequested();
}

int CInfoList::rowAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() && !index.parent().isValid() ? index.row() : -1;
}

void CInfoList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    m_leftPressed = true;
    m_pressPos = event->position().toPoint();
    m_pressItem = m_logic.shownItem();
    m_pressRow = rowAt(m_pressPos);
}

void CInfoList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint moved = event->position().toPoint() - m_pressPos;
    if (m_leftPressed && (event->buttons() & Qt::LeftButton) &&
        (std::abs(moved.x()) > kDragHalfSquare || std::abs(moved.y()) > kDragHalfSquare)) {
        // Leaving the square makes this a drag, not a click: no menu follows the release.
        m_leftPressed = false;
        if (auto text = m_logic.dragText(m_pressItem, m_pressRow)) {
            dragField(*text);
            secureWipe(*text);
            return;
        }
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CInfoList::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (!m_leftPressed) return;
        m_leftPressed = false;
        const TreeNode item = m_logic.shownItem();
        if (item == kNoNode) return;
        emit itemUsed(item);
        openActionMenu(item, rowAt(at), event->globalPosition().toPoint());
    } else if (event->button() == Qt::RightButton) {
        const TreeNode item = m_logic.shownItem();
        if (item == kNoNode) return;
        emit itemUsed(item);
        emit viewModifyRequested(item, rowAt(at));
    }
}

void CInfoList::openActionMenu(TreeNode item, int row, const QPoint& globalPos) {
    QMenu menu(this);
    for (const FieldMenuEntry& entry : InfoList::actionMenu()) {
        if (!entry.action) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(shown(entry.text));
        action->setData(static_cast<int>(*entry.action));
        action->setEnabled(entry.enabled && isAvailable(*entry.action));
    }
    QAction* chosen = m_menuRunner ? m_menuRunner(menu, globalPos) : menu.exec(globalPos);
    emit treeFocusRequested();
    if (!chosen || !chosen->isEnabled()) return;
    perform(static_cast<FieldAction>(chosen->data().toInt()), item, row);
}

bool CInfoList::isAvailable(FieldAction action) const {
    // Calling and hanging up need a dialer listening; without one the entries are greyed.
    switch (action) {
        case FieldAction::Call:
            return isSignalConnected(QMetaMethod::fromSignal(&CInfoList::callRequested));
        case FieldAction::Hangup:
            return isSignalConnected(QMetaMethod::fromSignal(&CInfoList::hangupRequested));
        default: return true;
    }
}

void CInfoList::perform(FieldAction action, TreeNode item, int row) {
    switch (action) {
        case FieldAction::Copy: m_logic.copyToClipboard(item, row); return;
        case FieldAction::ViewModify:
            if (m_logic.itemOf(item)) emit viewModifyRequested(item, row);
            return;
        case FieldAction::Web: m_logic.openWeb(item, row); return;
        case FieldAction::Email: m_logic.sendEmail(item, row); return;
        case FieldAction::Run: m_logic.run(item, row); return;
        case FieldAction::Call:
            if (const VaultItem* record = m_logic.itemOf(item)) {
                std::string number = InfoList::fieldValue(*record, row);
                emit callRequested(number);
                secureWipe(number);
            }
            return;
        case FieldAction::Hangup: emit hangupRequested(); return;
        case FieldAction::Send: return;  // greyed: sending touch-tones is not finished
    }
}

void CInfoList::dragField(const std::string& text) {
    auto* mime = new QMimeData;
    mime->setText(platform::fromVaultText(text));
    if (m_dragRunner) {
        m_dragRunner(mime);
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

bool CInfoList::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTreeWidget::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const int row = rowAt(help->pos());
    auto memo = m_logic.memoTip(row);
    if (!memo || memo->empty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), memoToolTip(*memo), viewport(),
                       visualItemRect(topLevelItem(row)), kMemoTipMilliseconds);
    secureWipe(*memo);
    return true;
}

bool CInfoList::focusNextPrevChild(bool) {
    // Tab moves between the two panes: from here that is always the tree.
    emit treeFocusRequested();
    return true;
}

}  // namespace kivrano
