#include "ui/CKivranoView.h"

#include "app/CommandIds.h"
#include "app/CommandRouter.h"
#include "app/CommandTable.h"
#include "app/FrameMenuRules.h"
#include "ui/CAutoLockDlg.h"
#include "ui/CFolderNameDlg.h"
#include "ui/CKeySettingDlg.h"
#include "ui/CPasswordChangeDlg.h"
#include "ui/CScreenLockDlg.h"
#include "ui/CTextFormatDlg.h"
#include "ui/VaultTreeModel.h"
#include "vault/CKivranoDoc.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

namespace kivrano {

namespace {

constexpr int kSeparator = 0;

// The context menu: the item and folder commands, then the tools used most from the tree.
constexpr int kContextMenu[] = {
    cmd::ItemViewModify,
    cmd::ItemExecute,
    cmd::ItemAddNew,
    cmd::ItemDelete,
    cmd::FolderAddNew,
    cmd::FolderDelete,
    cmd::FolderChangeName,
    kSeparator,
    cmd::FolderProtect,
    cmd::FolderUnprotect,
    kSeparator,
    cmd::Find,
    kSeparator,
    cmd::CollapseAll,
    cmd::ExpandAll,
    kSeparator,
    cmd::ShowHistory,
    cmd::Previous,
    cmd::Next,
    kSeparator,
    cmd::AutoTrack,
    cmd::TopmostWindow,
    cmd::ToSystemTray,
    kSeparator,
    cmd::ChangePassword,
};

std::size_t timerSlot(ViewTimer timer) {
    return static_cast<std::size_t>(static_cast<int>(timer) - 1);
}

DragKeys dragKeys(Qt::KeyboardModifiers modifiers) {
    return DragKeys{modifiers.testFlag(Qt::ControlModifier), modifiers.testFlag(Qt::AltModifier),
                    modifiers.testFlag(Qt::ShiftModifier)};
}

// The dragged node's image: its row as drawn, a little transparent so the tree shows through.
QPixmap dragPixmap(const QPixmap& row) {
    QPixmap image(row.size());
    image.setDevicePixelRatio(row.devicePixelRatio());
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setOpacity(0.6);
    painter.drawPixmap(0, 0, row);
    return image;
}

}  // namespace

CKivranoView::CKivranoView(CKivranoDoc& doc, Prompter& prompter, platform::Shell& shell,
                           HotKeyBook* hotKeys, QWidget* fieldList,
                           std::function<void(TreeNode)> showNode, QWidget* parent)
    : QTreeView(parent),
      m_doc(doc),
      m_fieldList(fieldList),
      m_showNode(std::move(showNode)),
      m_model(new VaultTreeModel(doc.tree(), this)),
      m_commands(std::make_unique<TreeCommands>(doc, prompter, shell, hotKeys,
                                                static_cast<TreeViewHost&>(*this))),
      m_folderNameDialog(std::make_unique<QtFolderNameDialog>(this)),
      m_hotKeySettingDialog(std::make_unique<QtHotKeySettingDialog>(this)),
      m_screenLockDialog(std::make_unique<QtScreenLockDialog>()),
      m_autoLockDialog(std::make_unique<QtAutoLockDialog>(prompter, this)),
      m_passwordChangeDialog(std::make_unique<QtPasswordChangeDialog>(this)),
      m_dragDrop(doc, prompter, hotKeys) {
    setModel(m_model);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setExpandsOnDoubleClick(true);
    // Drag scrolling moves by whole lines.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Long titles scroll sideways instead of being cut.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // Every mouse move over the tree counts as use and postpones the automatic lock.
    setMouseTracking(true);
    viewport()->setMouseTracking(true);

    TreeCommands::Dialogs& dialogs = m_commands->dialogs();
    dialogs.folderName = m_folderNameDialog.get();
    dialogs.hotKeySetting = m_hotKeySettingDialog.get();
    dialogs.screenLock = m_screenLockDialog.get();
    dialogs.autoLock = m_autoLockDialog.get();
    dialogs.passwordChange = m_passwordChangeDialog.get();

    const std::array<int, 3> periods = {TreeCommands::kDragScrollPeriodMs,
                                        TreeCommands::kAutoTrackPeriodMs, 0};
    for (std::size_t i = 0; i < m_timers.size(); ++i) {
        m_timers[i] = new QTimer(this);
        m_timers[i]->setInterval(periods[i]);
    }
    connect(m_timers[timerSlot(ViewTimer::DragScroll)], &QTimer::timeout, this,
            [this] { dragScrollTick(); });
    connect(m_timers[timerSlot(ViewTimer::AutoTrack)], &QTimer::timeout, this,
            [this] { m_commands->autoTrackTimer(); });
    connect(m_timers[timerSlot(ViewTimer::AutoLock)], &QTimer::timeout, this,
            [this] { m_commands->autoLockTimer(); });

    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { folderExpansion(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { folderExpansion(index, false); });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_syncing = true; });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_syncing = false;
        // A freshly loaded tree: show its folders as the tree has them and its selection.
        showExpansion();
        showSelection(m_doc.tree().selection());
    });

    runMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
}

CKivranoView::~CKivranoView() {
    // The model stops listening to the tree before the view's members go.
    setModel(nullptr);
}

bool CKivranoView::firstUpdate() {
    return m_commands->firstUpdate();
}

TreeNode CKivranoView::nodeAt(const QPoint& viewportPos) const {
    return m_model->node(indexAt(viewportPos));
}

void CKivranoView::addCommands(CommandRouter& router) {
    TreeCommands& c = *m_commands;
    router.add(cmd::FolderAddNew, [&c] { c.addFolder(); });
    router.add(cmd::FolderDelete, [&c] { c.deleteFolder(); });
    router.add(cmd::FolderChangeName, [&c] { c.renameFolder(); });
    router.add(cmd::ItemAddNew, [&c] { c.addItem(); });
    router.add(cmd::ItemViewModify, [&c] { c.viewModifyItem(); });
    router.add(cmd::ItemDelete, [&c] { c.deleteItem(); });
    router.add(cmd::ItemExecute, [&c] { c.executeItem(); });
    router.add(cmd::Help, [&c] { c.help(); });
    router.add(cmd::HotkeySetting, [&c] { c.hotKeySetting(); });
    router.add(cmd::ExpandAll, [&c] { c.setAllExpanded(true); });
    router.add(cmd::CollapseAll, [&c] { c.setAllExpanded(false); });
    router.add(cmd::ShowTextFormat, [this] { showTextFormat(); });
    router.add(cmd::FolderProtect, [&c] { c.setFolderProtection(true); });
    router.add(cmd::FolderUnprotect, [&c] { c.setFolderProtection(false); });
    router.add(cmd::Find, [&c] { c.find(); });
    router.add(cmd::QuickFind, [&c] { c.quickFind(); });
    router.add(cmd::LockScreen, [&c] { c.lockScreen(); });
    router.add(cmd::AutoLockTimeSetting, [&c] { c.autoLockTimeSetting(); });
    router.add(cmd::ChangePassword, [&c] { c.changePassword(); });
}

void CKivranoView::showTextFormat() {
    CTextFormatDlg dialog(m_doc.tree(), this);
    dialog.exec();
}

void CKivranoView::setAutoTrackPolling(bool on) {
    if (on)
        startViewTimer(ViewTimer::AutoTrack, TreeCommands::kAutoTrackPeriodMs);
    else
        stopViewTimer(ViewTimer::AutoTrack);
}

QTimer* CKivranoView::viewTimer(ViewTimer timer) const {
    return m_timers[timerSlot(timer)];
}

std::unique_ptr<QMenu> CKivranoView::createContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const VaultTree& tree = m_doc.tree();
    const ItemFolderMenuState state = itemFolderMenuState(tree, tree.selection());
    for (const int command : kContextMenu) {
        if (command == kSeparator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromStdString(menuText(command)));
        action->setData(command);
        connect(action, &QAction::triggered, this,
                [this, command] { emit commandTriggered(command); });

        auto set = [action](bool enabled, bool checked = false) {
            action->setEnabled(enabled);
            action->setCheckable(checked);
            action->setChecked(checked);
        };
        // The main window's entry of the same command: its enabling (the history, the
        // commands not available) and its check mark (Topmost, AutoTrack).
        QAction* own = frameAction ? frameAction(command) : nullptr;
        switch (command) {
            case cmd::ItemViewModify: set(state.itemViewModify); break;
            case cmd::ItemExecute: set(state.itemExecute); break;
            case cmd::ItemAddNew: set(state.itemAddNew); break;
            case cmd::ItemDelete: set(state.itemDelete); break;
            case cmd::FolderAddNew: set(state.folderAddNew); break;
            case cmd::FolderDelete: set(state.folderDelete); break;
            case cmd::FolderChangeName: set(state.folderChangeName); break;
            case cmd::FolderProtect: set(state.protectEnabled, state.protectChecked); break;
            case cmd::FolderUnprotect: set(state.protectEnabled, state.unprotectChecked); break;
            default: set(!own || own->isEnabled(), own && own->isChecked()); break;
        }
    }
    return menu;
}

void CKivranoView::mousePressEvent(QMouseEvent* event) {
    // A drag whose release never arrived (the grab was lost) ends without a drop.
    if (m_dragDrop.isDragging()) cancelDrag();
    QTreeView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (trace) trace("tree: left button pressed\n");
    const TreeNode hit = nodeAt(event->position().toPoint());
    m_commands->click(hit);
    m_pressNode = hit;
    m_pressPos = event->position().toPoint();
}

void CKivranoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_commands->doubleClick();
    // The tree's own handling goes on: a folder opens or closes.
    QTreeView::mouseDoubleClickEvent(event);
}

void CKivranoView::mouseMoveEvent(QMouseEvent* event) {
    m_commands->restartAutoLock();
    const QPoint pos = event->position().toPoint();
    if (m_dragDrop.isDragging()) {
        dragMove(pos);
        return;
    }
    if (m_pressNode != kNoNode && (event->buttons() & Qt::LeftButton)) {
        // The button held on a node never drags a selection along: past the drag distance it
        // drags the node, with the keys held at that moment.
        if ((pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            beginDrag(event->modifiers());
            dragMove(pos);
        }
        return;
    }
    QTreeView::mouseMoveEvent(event);
}

void CKivranoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_pressNode = kNoNode;
    if (event->button() == Qt::LeftButton && m_dragDrop.isDragging()) {
        finishDrag(event->position().toPoint());
        setState(NoState);
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

bool CKivranoView::eventFilter(QObject* watched, QEvent* event) {
    // While dragging, Escape cancels the drag, wherever the keyboard focus is, instead of
    // sending the window to the notification area.
    const bool escape =
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (!escape || !m_dragDrop.isDragging()) return QTreeView::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        cancelDrag();
        m_commands->refresh();
    }
    return true;
}

void CKivranoView::cancelDrag() {
    m_dragDrop.cancel();
    endDragDisplay();
}

QModelIndex CKivranoView::rowAt(const QPoint& pos) const {
    // A whole row counts, also beside its text.
    return indexAt(QPoint(columnViewportPosition(0), pos.y()));
}

void CKivranoView::beginDrag(Qt::KeyboardModifiers modifiers) {
    const TreeNode node = m_pressNode;
    m_pressNode = kNoNode;
    const QModelIndex index = m_model->indexOf(node);
    if (!index.isValid() || !m_dragDrop.begin(node, dragKeys(modifiers))) return;
    const QRect row = visualRect(index);
    m_dragHotSpot = QPoint(m_pressPos.x() - row.left(), row.height() / 2);
    m_dragImage = new QLabel(viewport());
    m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dragImage->setPixmap(dragPixmap(viewport()->grab(row)));
    m_dragImage->resize(row.size());
    m_dragImage->show();
    qApp->installEventFilter(this);
    if (trace) trace("tree: drag begun\n");
    startViewTimer(ViewTimer::DragScroll, TreeCommands::kDragScrollPeriodMs);
    m_commands->refresh();
}

void CKivranoView::dragMove(const QPoint& pos) {
    m_lastDragPos = pos;
    if (m_dragImage) m_dragImage->move(pos - m_dragHotSpot);
    const QModelIndex under = rowAt(pos);
    if (under.isValid() && viewport()->rect().contains(pos)) setDropTarget(under);
}

void CKivranoView::dragScrollTick() {
    if (!m_dragDrop.isDragging()) return;
    const QRect area = viewport()->rect();
    const QPoint at = m_lastDragPos;
    const DragScroll scroll =
        TreeDrop::scrollFor(at.x(), at.y(), area.left(), area.top(), area.right(), area.bottom());
    if (scroll.lines != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + scroll.lines);
    if (scroll.columns != 0)
        horizontalScrollBar()->triggerAction(scroll.columns < 0
                                                 ? QAbstractSlider::SliderSingleStepSub
                                                 : QAbstractSlider::SliderSingleStepAdd);
    switch (scroll.highlight) {
        case DragScroll::Highlight::UnderPointer:
            if (const QModelIndex under = rowAt(at); under.isValid()) setDropTarget(under);
            break;
        case DragScroll::Highlight::FirstVisible: setDropTarget(rowAt(QPoint(0, 0))); break;
        case DragScroll::Highlight::LastVisible: {
            QModelIndex last = rowAt(QPoint(0, area.bottom()));
            if (!last.isValid()) {
                // The rows end above the bottom: the last row there is.
                for (QModelIndex i = rowAt(QPoint(0, 0)); i.isValid(); i = indexBelow(i)) last = i;
            }
            setDropTarget(last);
            break;
        }
    }
}

void CKivranoView::finishDrag(const QPoint& pos) {
    // Released outside the tree: no node is hit and nothing changes.
    const TreeNode target = viewport()->rect().contains(pos) ? m_model->node(rowAt(pos)) : kNoNode;
    endDragDisplay();
    const TreeNode selected = m_dragDrop.drop(target);
    showExpansion();  // a moved folder shows open when it was open
    m_commands->selectNode(m_doc.tree().contains(selected) ? selected : kNoNode);
    m_commands->refresh();
}

void CKivranoView::endDragDisplay() {
    qApp->removeEventFilter(this);
    stopViewTimer(ViewTimer::DragScroll);
    delete m_dragImage;
    m_dragImage = nullptr;
    setDropTarget(QModelIndex());
}

void CKivranoView::setDropTarget(const QModelIndex& index) {
    if (index == m_dropIndex) return;
    m_dropIndex = index;
    viewport()->update();
}

TreeNode CKivranoView::dropTarget() const {
    return m_dropIndex.isValid() ? m_model->node(m_dropIndex) : kNoNode;
}

void CKivranoView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    if (!m_dropIndex.isValid() || index != m_dropIndex) return;
    // The drop target: the selection's colour laid over the row, and a frame around it.
    QColor colour = palette().color(QPalette::Highlight);
    colour.setAlpha(110);
    painter->fillRect(option.rect, colour);
    painter->setPen(palette().color(QPalette::Highlight));
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
}

void CKivranoView::keyPressEvent(QKeyEvent* event) {
    QTreeView::keyPressEvent(event);
    m_commands->refresh();
}

void CKivranoView::contextMenuEvent(QContextMenuEvent* event) {
    QPoint at = event->pos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        const TreeNode hit = nodeAt(at);
        if (hit != kNoNode) m_commands->selectNode(hit);
        m_commands->refresh();
    } else {
        // From the keyboard: at the selected node.
        const QRect rect = visualRect(currentIndex());
        if (rect.isValid()) at = rect.bottomLeft();
    }
    event->accept();
    std::unique_ptr<QMenu> menu = createContextMenu();
    if (runMenu) runMenu(*menu, viewport()->mapToGlobal(at));
}

void CKivranoView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (m_syncing) return;
    const TreeNode node = m_model->node(current);
    VaultTree& tree = m_doc.tree();
    if (node == kNoNode || tree.contains(node)) tree.select(node);
}

void CKivranoView::folderExpansion(const QModelIndex& index, bool expanded) {
    if (m_syncing) return;
    m_commands->folderExpansionChanged(m_model->node(index), expanded);
}

void CKivranoView::showNode(TreeNode node) {
    if (m_showNode) m_showNode(node);
    // Whatever the field list shows, the keyboard stays with the tree.
    QWidget* focus = QApplication::focusWidget();
    if (m_fieldList && focus && (focus == m_fieldList || m_fieldList->isAncestorOf(focus)))
        setFocus();
}

void CKivranoView::showSelection(TreeNode node) {
    const QModelIndex index = m_model->indexOf(node);
    const bool wasSyncing = m_syncing;
    m_syncing = true;  // the tree already has this selection
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    m_syncing = wasSyncing;
    // Scrolling a node into view opens its folder; the tree learns it here.
    const VaultTree& tree = m_doc.tree();
    if (tree.isItem(node) && !tree.isExpanded(tree.parent(node)))
        m_doc.tree().setExpanded(tree.parent(node), true);
}

void CKivranoView::showExpansion() {
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    const VaultTree& tree = m_doc.tree();
    for (TreeNode folder = tree.firstFolder(); folder != kNoNode; folder = tree.nextSibling(folder))
        setExpanded(m_model->indexOf(folder), tree.isExpanded(folder));
    m_syncing = wasSyncing;
}

void CKivranoView::scrollPageLeft() {
    horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
}

void CKivranoView::startViewTimer(ViewTimer timer, int milliseconds) {
    m_timers[timerSlot(timer)]->start(milliseconds);
}

void CKivranoView::stopViewTimer(ViewTimer timer) {
    m_timers[timerSlot(timer)]->stop();
}

}  // namespace kivrano
