#include "ui/CMainFrame.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/FrameMenuRules.h"
#include "app/FramePlacement.h"
#include "ui/CommandKeys.h"
#include "vault/CKivranoDoc.h"
#include "vault/Strings.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QWindow>

namespace kivrano {

namespace {

constexpr int kSeparator = 0;

QIcon themedIcon(const char* themeName, const char* fallback) {
    return QIcon::fromTheme(
        QString::fromLatin1(themeName),
        QIcon(QStringLiteral(":/frame/toolbar/%1.svg").arg(QLatin1String(fallback))));
}

// Hides what a window of the program shows while the screen is locked, without closing it: a
// dialog that was open when the lock came (an item being edited) keeps its state for after.
class LockCurtain : public QWidget {
public:
    explicit LockCurtain(QWidget* window) : QWidget(window) {
        setAutoFillBackground(true);
        setGeometry(window->rect());
        window->installEventFilter(this);
        raise();
        show();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() && event->type() == QEvent::Resize) {
            setGeometry(parentWidget()->rect());
            raise();
        }
        return false;
    }
};

}  // namespace

CMainFrame::CMainFrame(CKivranoDoc& doc, platform::SettingsStore& settings, CommandRouter& router,
                       QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_settings(settings), m_router(router) {
    // The single-instance check and the desktop find the program by this name.
    setObjectName(QStringLiteral("KivranoClass"));
    setWindowIcon(QIcon(QStringLiteral(":/frame/kivrano.svg")));
    setWindowTitle(QString::fromUtf8(text(StringId::ProductName).data()));
    setAcceptDrops(true);

    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size()
                                                          : QSize(1024, 768);
    const FrameRect place = framePlacement(m_settings, screen.width(), screen.height());
    resize(place.width, place.height);
    move(place.x, place.y);

    buildMenus();
    buildToolBar();

    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setChildrenCollapsible(false);
    setCentralWidget(m_splitter);

    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(QString::fromUtf8(text(StringId::ProductName).data()).left(63));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // While locked any click leads to the lock dialog; the window itself stays away.
        if (r == QSystemTrayIcon::DoubleClick || (m_locked && r == QSystemTrayIcon::Trigger))
            bringForward();
    });
    m_placed = true;
}

CMainFrame::~CMainFrame() {
    if (m_tray) m_tray->hide();
}

void CMainFrame::setPanes(QWidget* treePane, QWidget* listPane) {
    m_splitter->addWidget(treePane);
    m_splitter->addWidget(listPane);
    const int listHeight = listInfoHeight(m_settings);
    const int total = std::max(height() - 35, listHeight + 40);
    m_splitter->setSizes({total - listHeight, listHeight});
    treePane->setFocus();
}

QAction* CMainFrame::makeAction(int command) {
    // The keys are shown after a tab as the menu's key text; the keys themselves are the
    // window's accelerators, so one key works whatever has the focus.
    auto* action = new QAction(QString::fromStdString(menuText(command)), this);
    action->setData(command);
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    m_actions[command] = action;
    for (const QKeySequence& key : commandKeySequences(command)) {
        auto* accelerator = new QAction(this);
        accelerator->setShortcut(key);
        accelerator->setShortcutContext(Qt::WindowShortcut);
        connect(accelerator, &QAction::triggered, this, [this, command] { runCommand(command); });
        addAction(accelerator);
    }
    return action;
}

void CMainFrame::addEntries(QMenu* menu, std::initializer_list<int> commands) {
    // Entries with a check mark: the folder's protection, the switches and the typing mode.
    static const std::set<int> checkable = {
        cmd::FolderProtect,      cmd::FolderUnprotect, cmd::AutoTrack,      cmd::TopmostWindow,
        cmd::TypeInKeyEmulation, cmd::TypeInCopyPaste, cmd::TypeInAutomatic};
    for (int command : commands) {
        if (command == kSeparator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = makeAction(command);
        action->setCheckable(checkable.count(command) != 0);
        menu->addAction(action);
    }
}

void CMainFrame::buildMenus() {
    addEntries(menuBar()->addMenu(QStringLiteral("&File")),
               {cmd::Open, cmd::Save, cmd::SaveWithoutBackup, cmd::UploadDefaultBrowser,
                cmd::UploadInternetExplorer, kSeparator, cmd::ChangePassword, cmd::LockScreen,
                cmd::ShowTextFormat, kSeparator, cmd::Exit});

    m_itemFolderMenu = menuBar()->addMenu(QStringLiteral("&Item/Folder"));
    addEntries(
        m_itemFolderMenu,
        {cmd::ItemViewModify, cmd::ItemExecute, cmd::ItemAddNew, cmd::ItemDelete, cmd::FolderAddNew,
         cmd::FolderDelete, cmd::FolderChangeName, kSeparator, cmd::CollapseAll, cmd::ExpandAll,
         kSeparator, cmd::FolderProtect, cmd::FolderUnprotect});
    connect(m_itemFolderMenu, &QMenu::aboutToShow, this, &CMainFrame::updateItemFolderMenu);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    addEntries(tools,
               {cmd::Find, cmd::QuickFind, kSeparator, cmd::AutoTrack, cmd::ShowHistory,
                cmd::Previous, cmd::Next, kSeparator, cmd::TopmostWindow, cmd::TileUnderWork,
                cmd::ToSystemTray, kSeparator, cmd::HotkeySetting, cmd::AutoLockTimeSetting});
    QMenu* mode = tools->addMenu(QStringLiteral("Type-in &Mode"));
    addEntries(mode, {cmd::TypeInKeyEmulation, cmd::TypeInCopyPaste, cmd::TypeInAutomatic});
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (QAction* a : mode->actions()) modes->addAction(a);

    addEntries(menuBar()->addMenu(QStringLiteral("&Help")), {cmd::Help, cmd::About});

    // The history entries follow the work history, which starts empty.
    for (int command : {int(cmd::ShowHistory), int(cmd::Previous), int(cmd::Next)})
        m_actions[command]->setEnabled(false);
}

void CMainFrame::buildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("MainToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    struct Button {
        int command;
        const char* theme;
        const char* icon;
        const char* tip;
    };
    const Button buttons[] = {
        {cmd::AutoTrackButton, "", "autotrack", nullptr},
        {0, nullptr, nullptr, nullptr},
        {cmd::ItemAddNew, "list-add", "item-add", "Add a New Item (Ins)"},
        {cmd::ItemDelete, "list-remove", "item-delete", "Delete an Item (Del)"},
        {cmd::FolderAddNew, "folder-new", "folder-add", "Add a New Folder (Ctrl + Ins)"},
        {cmd::FolderDelete, "", "folder-delete", "Delete a Folder (Ctrl + Del)"},
        {0, nullptr, nullptr, nullptr},
        {cmd::ItemExecute, "system-run", "execute", "Execute (Ctrl + Enter)"},
        {cmd::ItemViewModify, "document-edit", "view-modify", "View/Modify an Item (Enter)"},
        {0, nullptr, nullptr, nullptr},
        {cmd::Previous, "go-previous", "previous", "Show the previous item in your work list"},
        {cmd::Next, "go-next", "next", "Show the next item in your work list"},
        {cmd::ShowHistory, "document-open-recent", "history",
         "Show the list of items you currently worked with"},
    };
    for (const Button& b : buttons) {
        if (!b.icon) {
            m_toolBar->addSeparator();
            continue;
        }
        if (b.command == cmd::AutoTrackButton) {
            auto* button = new QAction(themedIcon(b.theme, b.icon),
                                       QString::fromStdString(menuText(b.command)), this);
            button->setCheckable(true);
            connect(button, &QAction::triggered, this,
                    [this] { runCommand(cmd::AutoTrackButton); });
            m_actions[cmd::AutoTrackButton] = button;
            m_toolBar->addAction(button);
            continue;
        }
        // The button follows its menu entry's enabled state.
        QAction* entry = m_actions.at(b.command);
        auto* toolButton = new QAction(themedIcon(b.theme, b.icon), QString::fromUtf8(b.tip), this);
        connect(entry, &QAction::enabledChanged, toolButton, &QAction::setEnabled);
        toolButton->setEnabled(entry->isEnabled());
        toolButton->setData(b.command);
        connect(toolButton, &QAction::triggered, this, [this, c = b.command] { runCommand(c); });
        m_toolBar->addAction(toolButton);
        if (b.command == cmd::ShowHistory) m_historyButton = toolButton;
    }
}

QAction* CMainFrame::action(int command) const {
    auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::runCommand(int command) {
    if (QAction* a = action(command); a && !a->isEnabled()) return;
    m_router.dispatch(command);
}

QPoint CMainFrame::historyMenuPosition() const {
    const QWidget* button = m_historyButton ? m_toolBar->widgetForAction(m_historyButton) : nullptr;
    if (!button || !button->isVisible()) return QCursor::pos();
    return button->mapToGlobal(button->rect().bottomLeft() + QPoint(0, 1));
}

void CMainFrame::addCommands(CommandRouter& router) {
    router.add(cmd::ToSystemTray, [this] { toSystemTray(); });
    router.add(cmd::TopmostWindow, [this] { toggleTopmost(); });
    router.add(cmd::TypeInKeyEmulation, [this] { setTypeInMode(kTypeInKeyEmulation); });
    router.add(cmd::TypeInCopyPaste, [this] { setTypeInMode(kTypeInCopyPaste); });
    router.add(cmd::TypeInAutomatic, [this] { setTypeInMode(kTypeInAutomatic); });
    router.add(cmd::Exit, [this] { close(); });
}

void CMainFrame::greyUnhandledCommands() {
    for (const auto& [command, action] : m_actions) {
        if (m_router.handles(command)) continue;
        action->setEnabled(false);
        m_unavailable.insert(command);
    }
}

void CMainFrame::setCommandEnabled(int command, bool enabled) {
    if (QAction* a = action(command); a && !m_unavailable.count(command)) a->setEnabled(enabled);
}

void CMainFrame::setTypeInMode(int mode) {
    m_doc.settings().typeInMode = mode;
    showSettings();
}

void CMainFrame::showSettings() {
    const int mode = m_doc.settings().typeInMode;
    action(cmd::TypeInKeyEmulation)->setChecked(mode == kTypeInKeyEmulation);
    action(cmd::TypeInCopyPaste)->setChecked(mode == kTypeInCopyPaste);
    action(cmd::TypeInAutomatic)->setChecked(mode == kTypeInAutomatic);
    const bool autoTrack = m_doc.settings().autoTrack != 0;
    action(cmd::AutoTrack)->setChecked(autoTrack);
    action(cmd::AutoTrackButton)->setChecked(autoTrack);
}

void CMainFrame::updateItemFolderMenu() {
    const VaultTree& tree = m_doc.tree();
    const ItemFolderMenuState s = itemFolderMenuState(tree, tree.selection());
    setCommandEnabled(cmd::ItemExecute, s.itemExecute);
    setCommandEnabled(cmd::ItemDelete, s.itemDelete);
    setCommandEnabled(cmd::ItemViewModify, s.itemViewModify);
    setCommandEnabled(cmd::ItemAddNew, s.itemAddNew);
    setCommandEnabled(cmd::FolderAddNew, s.folderAddNew);
    setCommandEnabled(cmd::FolderDelete, s.folderDelete);
    setCommandEnabled(cmd::FolderChangeName, s.folderChangeName);
    setCommandEnabled(cmd::FolderProtect, s.protectEnabled);
    setCommandEnabled(cmd::FolderUnprotect, s.protectEnabled);
    action(cmd::FolderProtect)->setChecked(s.protectChecked);
    action(cmd::FolderUnprotect)->setChecked(s.unprotectChecked);
}

void CMainFrame::toSystemTray() {
    // Without a notification area the window would become unreachable; it then stays
    // minimised instead, and the show/hide hotkey or starting the program again brings it
    // back.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray->show();
        hide();
    } else {
        showMinimized();
    }
}

void CMainFrame::showTrayIcon() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) m_tray->show();
}

void CMainFrame::setLocked(bool locked) {
    if (locked == m_locked) return;
    m_locked = locked;
    if (locked) {
        // An open menu (the tree's context menu, the history list) goes first.
        for (int i = 0; i < 8 && QApplication::activePopupWidget(); ++i)
            QApplication::activePopupWidget()->close();
        emit vaultWindowsClosing();
        // The program's other windows still up (modal dialogs) are covered until the unlock.
        for (QWidget* window : QApplication::topLevelWidgets()) {
            const Qt::WindowType type = window->windowType();
            if (window == this || !window->isVisible() || type == Qt::Popup || type == Qt::ToolTip)
                continue;
            m_curtains.emplace_back(new LockCurtain(window));
        }
        m_lockedTrayMenu = new QMenu(this);
        QAction* unlock = m_lockedTrayMenu->addAction(QStringLiteral("Show Screen &Lock"));
        connect(unlock, &QAction::triggered, this, &CMainFrame::bringForward);
        m_tray->setContextMenu(m_lockedTrayMenu);
    } else {
        m_tray->setContextMenu(nullptr);
        m_lockedTrayMenu->deleteLater();
        m_lockedTrayMenu = nullptr;
        for (const QPointer<QWidget>& curtain : m_curtains) delete curtain.data();
        m_curtains.clear();
    }
}

void CMainFrame::bringForward() {
    if (m_locked) {
        if (showScreenLock) showScreenLock();
        return;
    }
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

bool CMainFrame::isTopmost() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void CMainFrame::toggleTopmost() {
    // Not stored: every start begins not topmost.
    const bool makeTopmost = !isTopmost();
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, makeTopmost);
    if (visible) show();  // changing window flags hides the window
    action(cmd::TopmostWindow)->setChecked(makeTopmost);
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (m_placed) storeFramePosition(m_settings, frameGeometry().x(), frameGeometry().y());
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (m_placed) storeFrameSize(m_settings, width(), height());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (canClose && !canClose()) {
        event->ignore();
        return;
    }
    if (m_splitter && m_splitter->count() == 2) {
        if (auto key = m_settings.open(platform::SettingsStore::Open::CreateIfMissing))
            key->writeInt("ListInfoHeight", m_splitter->sizes().value(1));
    }
    m_tray->hide();
    event->accept();
    QCoreApplication::quit();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    if (fileDropped) fileDropped(urls.front().toLocalFile());
}

}  // namespace kivrano
