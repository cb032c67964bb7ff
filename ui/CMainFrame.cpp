#include "ui/CMainFrame.h"

#include "app/CommandIds.h"
#include "app/FrameMenuRules.h"
#include "app/FramePlacement.h"
#include "vault/CKivranoDoc.h"
#include "vault/Strings.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QWindow>

namespace kivrano {

namespace {

QIcon themedIcon(const char* themeName, const char* fallback) {
    return QIcon::fromTheme(
        QString::fromLatin1(themeName),
        QIcon(QStringLiteral(":/frame/toolbar/%1.svg").arg(QLatin1String(fallback))));
}

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
        if (r == QSystemTrayIcon::DoubleClick) bringForward();
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

QAction* CMainFrame::makeAction(int command, const QString& label, const QString& shortcutLabel) {
    // The shortcut is shown after a tab as the menu's key text; the keys themselves are the
    // window's accelerators, so one key works whatever has the focus.
    auto* action =
        new QAction(shortcutLabel.isEmpty() ? label : label + '\t' + shortcutLabel, this);
    action->setData(command);
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    m_actions[command] = action;
    return action;
}

void CMainFrame::addAccelerator(int command, const QKeySequence& key) {
    auto* accelerator = new QAction(this);
    accelerator->setShortcut(key);
    accelerator->setShortcutContext(Qt::WindowShortcut);
    connect(accelerator, &QAction::triggered, this, [this, command] { runCommand(command); });
    addAction(accelerator);
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(makeAction(cmd::Open, "&Open", "Ctrl+O"));
    file->addAction(makeAction(cmd::Save, "&Save", "Ctrl+S"));
    file->addAction(makeAction(cmd::SaveWithoutBackup, "Save without &backup", "Ctrl+B"));
    file->addAction(makeAction(cmd::UploadDefaultBrowser,
                               "&Upload to network server (using Default Browser)", "Ctrl+U"));
    file->addAction(makeAction(cmd::UploadInternetExplorer,
                               "Upload to network server (using &Internet Explorer)", "Ctrl+I"));
    file->addSeparator();
    file->addAction(makeAction(cmd::ChangePassword, "&Change Password"));
    file->addAction(makeAction(cmd::LockScreen, "&Lock Screen", "Ctrl+L"));
    file->addAction(makeAction(cmd::ShowTextFormat,
                               "Sho&w in text format (for print or using in other application)"));
    file->addSeparator();
    file->addAction(makeAction(cmd::Exit, "E&xit"));

    m_itemFolderMenu = menuBar()->addMenu(QStringLiteral("&Item/Folder"));
    QMenu* items = m_itemFolderMenu;
    items->addAction(makeAction(cmd::ItemViewModify, "Item - &View/Modify", "Enter"));
    items->addAction(makeAction(cmd::ItemExecute, "Item - &Execute", "Ctrl+Enter or Double Click"));
    items->addAction(makeAction(cmd::ItemAddNew, "Item - &Add New", "Ins"));
    items->addAction(makeAction(cmd::ItemDelete, "Item - &Delete", "Del"));
    items->addAction(makeAction(cmd::FolderAddNew, "Folder - Add &New", "Ctrl+Ins"));
    items->addAction(makeAction(cmd::FolderDelete, "Folder - De&lete", "Ctrl+Del"));
    items->addAction(makeAction(cmd::FolderChangeName, "Folder - &Change Name"));
    items->addSeparator();
    items->addAction(makeAction(cmd::CollapseAll, "Collapse All(&1)", "F5 or Ctrl+Left"));
    items->addAction(makeAction(cmd::ExpandAll, "Expand All(&2)", "F6 or Ctrl+Right"));
    items->addSeparator();
    QAction* protect =
        makeAction(cmd::FolderProtect, "Password-protect information in this folder");
    QAction* unprotect =
        makeAction(cmd::FolderUnprotect, "Do not password-protect information in this folder");
    protect->setCheckable(true);
    unprotect->setCheckable(true);
    items->addAction(protect);
    items->addAction(unprotect);
    connect(items, &QMenu::aboutToShow, this, &CMainFrame::updateItemFolderMenu);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(makeAction(cmd::Find, "&Find", "Ctrl+F"));
    tools->addAction(makeAction(cmd::QuickFind, "&Quick Find", "Ctrl+Q"));
    tools->addSeparator();
    QAction* autoTrack = makeAction(cmd::AutoTrack, "A&utoTrack", "F1");
    autoTrack->setCheckable(true);
    tools->addAction(autoTrack);
    tools->addAction(makeAction(cmd::ShowHistory, "Show &History", "F2 or Ctrl+Alt+Down"));
    tools->addAction(makeAction(cmd::Previous, "Previous(&3)", "F3 or Ctrl+Alt+Left"));
    tools->addAction(makeAction(cmd::Next, "Next(&4)", "F4 or Ctrl+Alt+Right"));
    tools->addSeparator();
    QAction* topmost = makeAction(cmd::TopmostWindow, "Topmost &Window", "F7");
    topmost->setCheckable(true);
    tools->addAction(topmost);
    QAction* tile = makeAction(cmd::TileUnderWork, "Tile(Under Work)", "F8");
    tile->setEnabled(false);  // nothing enables it
    tools->addAction(tile);
    tools->addAction(makeAction(cmd::ToSystemTray, "&To System Tray", "Esc"));
    tools->addSeparator();
    tools->addAction(makeAction(cmd::HotkeySetting, "Hot&key Setting"));
    tools->addAction(makeAction(cmd::AutoLockTimeSetting, "&Automatic Lock Time Setting"));
    QMenu* mode = tools->addMenu(QStringLiteral("Type-in &Mode"));
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (auto [command, label, key] :
         {std::tuple{int(cmd::TypeInKeyEmulation), "Key Down/Up Emulation", "F9"},
          std::tuple{int(cmd::TypeInCopyPaste), "Copy and Paste", "F10"},
          std::tuple{int(cmd::TypeInAutomatic), "Automatic", "F11"}}) {
        QAction* a = makeAction(command, label, key);
        a->setCheckable(true);
        modes->addAction(a);
        mode->addAction(a);
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(makeAction(cmd::Help, "&Help"));
    help->addAction(makeAction(cmd::About, "&About This Program"));

    // The history entries follow the work history, which starts empty.
    for (int command : {int(cmd::ShowHistory), int(cmd::Previous), int(cmd::Next)})
        m_actions[command]->setEnabled(false);

    const std::pair<int, QKeySequence> accelerators[] = {
        {cmd::Open, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {cmd::Save, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {cmd::SaveWithoutBackup, QKeySequence(Qt::CTRL | Qt::Key_B)},
        {cmd::UploadDefaultBrowser, QKeySequence(Qt::CTRL | Qt::Key_U)},
        {cmd::UploadInternetExplorer, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {cmd::LockScreen, QKeySequence(Qt::CTRL | Qt::Key_L)},
        {cmd::Find, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {cmd::QuickFind, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {cmd::ItemViewModify, QKeySequence(Qt::Key_Return)},
        {cmd::ItemViewModify, QKeySequence(Qt::Key_Enter)},
        {cmd::ItemExecute, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {cmd::ItemExecute, QKeySequence(Qt::CTRL | Qt::Key_Enter)},
        {cmd::ItemAddNew, QKeySequence(Qt::Key_Insert)},
        {cmd::FolderAddNew, QKeySequence(Qt::CTRL | Qt::Key_Insert)},
        {cmd::ItemDelete, QKeySequence(Qt::Key_Delete)},
        {cmd::FolderDelete, QKeySequence(Qt::CTRL | Qt::Key_Delete)},
        {cmd::CollapseAll, QKeySequence(Qt::Key_F5)},
        {cmd::CollapseAll, QKeySequence(Qt::CTRL | Qt::Key_Left)},
        {cmd::ExpandAll, QKeySequence(Qt::Key_F6)},
        {cmd::ExpandAll, QKeySequence(Qt::CTRL | Qt::Key_Right)},
        {cmd::AutoTrack, QKeySequence(Qt::Key_F1)},
        {cmd::ShowHistory, QKeySequence(Qt::Key_F2)},
        {cmd::ShowHistory, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Down)},
        {cmd::Previous, QKeySequence(Qt::Key_F3)},
        {cmd::Previous, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Left)},
        {cmd::Next, QKeySequence(Qt::Key_F4)},
        {cmd::Next, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Right)},
        {cmd::TopmostWindow, QKeySequence(Qt::Key_F7)},
        {cmd::ToSystemTray, QKeySequence(Qt::Key_Escape)},
        {cmd::TypeInKeyEmulation, QKeySequence(Qt::Key_F9)},
        {cmd::TypeInCopyPaste, QKeySequence(Qt::Key_F10)},
        {cmd::TypeInAutomatic, QKeySequence(Qt::Key_F11)},
    };
    for (const auto& [command, key] : accelerators) addAccelerator(command, key);
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
        {cmd::AutoTrackButton, "", "autotrack",
         "AutoTrack -highlights item corresponding to your working window automatically"},
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
            auto* button = new QAction(themedIcon(b.theme, b.icon), QString::fromUtf8(b.tip), this);
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

bool CMainFrame::handleCommand(int command) {
    switch (command) {
        case cmd::ToSystemTray: toSystemTray(); return true;
        case cmd::TopmostWindow: toggleTopmost(); return true;
        case cmd::TypeInKeyEmulation: setTypeInMode(kTypeInKeyEmulation); return true;
        case cmd::TypeInCopyPaste: setTypeInMode(kTypeInCopyPaste); return true;
        case cmd::TypeInAutomatic: setTypeInMode(kTypeInAutomatic); return true;
        case cmd::Exit: close(); return true;
        default: return false;
    }
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
    action(cmd::ItemExecute)->setEnabled(s.itemExecute);
    action(cmd::ItemDelete)->setEnabled(s.itemDelete);
    action(cmd::ItemViewModify)->setEnabled(s.itemViewModify);
    action(cmd::ItemAddNew)->setEnabled(s.itemAddNew);
    action(cmd::FolderAddNew)->setEnabled(s.folderAddNew);
    action(cmd::FolderDelete)->setEnabled(s.folderDelete);
    action(cmd::FolderChangeName)->setEnabled(s.folderChangeName);
    action(cmd::FolderProtect)->setEnabled(s.protectEnabled);
    action(cmd::FolderUnprotect)->setEnabled(s.protectEnabled);
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

void CMainFrame::bringForward() {
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
