#include "desktop/CKivranoApp.h"

#include "app/CommandIds.h"
#include "app/CommandLine.h"
#include "app/CommandTable.h"
#include "app/ManualPage.h"
#include "desktop/DesktopPlatform.h"
#include "launch/ForwardedHotKey.h"
#include "launch/WebBrowser.h"
#include "net/NetworkEndpoints.h"
#include "net/UploadPage.h"
#include "phone/LineProviderPath.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/VaultText.h"
#include "ui/CFindDlg.h"
#include "ui/CInfoList.h"
#include "ui/CKivranoView.h"
#include "ui/CMainFrame.h"
#include "ui/CNetworkDlg.h"
#include "ui/CQuickFindDlg.h"
#include "ui/CScreenLockDlg.h"
#include "vault/Strings.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

namespace kivrano {

namespace {

// The file dialog the item launcher opens for a program that has gone missing.
std::optional<std::string> chooseProgram(QWidget* parent, const std::string& initial) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent, QString(), QString::fromStdString(initial));
    return chosen.isEmpty() ? std::nullopt : std::optional<std::string>(chosen.toStdString());
}

}  // namespace

int CKivranoApp::run(const std::string& fileToOpen) {
    platform::LocalSingleInstance single;
    if (single.forwardToRunningCopy()) return 0;
    DesktopPlatform platform;
    CKivranoApp app(platform);
    return app.exec(single, fileToOpen);
}

CKivranoApp::CKivranoApp(DesktopPlatform& platform)
    : m_platform(platform),
      m_registry(platform.hotKeys()),
      m_autoTrack(platform.windows()),
      m_doc(m_prompter, &m_registry, documentEvents()),
      m_router(&platform.trace),
      m_lineLibrary(
          lineProviderPath(platform.settings, QCoreApplication::applicationDirPath().toStdString()),
          platform.trace),
      m_dialer(m_lineLibrary, m_lineLoop, m_prompter, platform.trace),
      m_signIn(platform.paths, platform.settings, m_prompter, selectUserHooks()),
      m_editor(m_doc, &platform.windows()),
      m_launcher(
          platform.shell, platform.windows(), m_prompter,
          [this](const std::string& initial) { return chooseProgram(m_frame.get(), initial); }) {
    buildWindow();
    connectTreeCommands();
    connectHotKeys();
    connectScreenLock();
    addProgramCommands();
    connectWindows();
}

CKivranoApp::~CKivranoApp() {
    // The widgets go before the document and the platform services they use.
    m_desktopLockWatch.reset();
    m_platform.hotKeys().setHandler({});
    m_quickFindBar.reset();
    m_findDialog.reset();
    m_frame.reset();
    m_view = nullptr;
    m_list = nullptr;
}

CSelectUserDlg::Hooks CKivranoApp::selectUserHooks() {
    // The Select User dialog fetches a data file through the Network dialog.
    CSelectUserDlg::Hooks hooks;
    hooks.download = [this](QWidget* parent, const std::filesystem::path& directory) {
        return CNetworkDlg::download(parent, m_platform.settings, m_platform.shell, directory,
                                     m_platform.settings.file().string());
    };
    return hooks;
}

DocumentEvents CKivranoApp::documentEvents() {
    DocumentEvents events;
    events.workHistoryEmptied = [this] { m_history.clear(); };
    events.captionChanged = [this](const std::string& caption) { setCaption(caption); };
    events.settingsLoaded = [this](const VaultSettings& settings) {
        if (m_frame) m_frame->showSettings();
        if (m_work) m_work->settingsLoaded(settings);
    };
    events.opened = [this] {
        if (m_view) m_view->refresh();
    };
    return events;
}

void CKivranoApp::buildWindow() {
    m_frame = std::make_unique<CMainFrame>(m_doc, m_platform.settings, m_router);
    m_platform.setMainWindow(m_frame.get());
    m_prompter.setParent(m_frame.get());
    m_editor.setParent(m_frame.get());
    m_list =
        new CInfoList(m_platform.settings, m_platform.shell, m_platform.clipboard(), m_prompter);
    m_list->setTrace(&m_platform.trace);
    m_view = new CKivranoView(m_doc, m_prompter, m_platform.shell, &m_registry, m_list,
                              [this](TreeNode n) {
                                  m_list->showNode(m_doc.tree(), n, m_doc.settings());
                                  if (m_work) m_work->updateHistoryCommands();
                              });
    m_frame->setPanes(m_view, m_list);
    m_frame->showSettings();
    // The upload entry names the browser that will open the page.
    if (QAction* upload = m_frame->action(cmd::UploadInternetExplorer))
        upload->setText(QString::fromStdString(menuTextWithBrowser(
            cmd::UploadInternetExplorer, webBrowserLabel(m_platform.shell.builtInBrowser()))));
    m_view->frameAction = [this](int command) { return m_frame->action(command); };
    m_view->trace = [this](std::string_view line) { m_platform.trace.write(line); };
    m_work =
        std::make_unique<WorkCommands>(m_doc, m_view->commands(), m_autoTrack, m_history,
                                       m_launcher, static_cast<WorkWindowHost&>(*this), m_prompter);
}

void CKivranoApp::connectTreeCommands() {
    TreeCommands& commands = m_view->commands();
    commands.dialogs().signIn = &m_signIn;
    commands.dialogs().itemEditor = &m_editor;
    m_findDialog = std::make_unique<QtFindDialog>(m_doc.tree(), m_platform.settings, m_frame.get());
    m_quickFindBar =
        std::make_unique<QtQuickFindBar>(m_doc.index(), commands, m_doc.tree(), m_view);
    commands.dialogs().find = m_findDialog.get();
    commands.dialogs().quickFind = m_quickFindBar.get();
    TreeCommands::Hooks& hooks = commands.hooks();
    hooks.unregisterLaunchKey = [this](TreeNode n) { m_registry.unregisterOne(n); };
    hooks.hideToTray = [this] { m_frame->toSystemTray(); };
    hooks.addTrayIcon = [this] { m_frame->showTrayIcon(); };
    hooks.setCaption = [this](const std::string& caption) { setCaption(caption); };
    hooks.launch = [this](TreeNode n) { m_work->launch(n); };
    hooks.recordNode = [this](TreeNode n) { m_work->record(n); };
    hooks.forgetNode = [this](TreeNode n) { m_work->forget(n); };
    hooks.autoTrackStep = [this] { m_work->autoTrackStep(); };

    TreeDrop::Hooks& drop = m_view->dragDrop().hooks();
    drop.unregisterLaunchKey = hooks.unregisterLaunchKey;
    drop.replaceInHistory = [this](TreeNode from, TreeNode to) { m_work->replace(from, to); };
    drop.forgetNode = hooks.forgetNode;
    commands.setManualPage(findManualPage(QCoreApplication::applicationDirPath().toStdString(),
                                          {KIVRANO_MANUAL_INSTALLED, KIVRANO_MANUAL_BUILT}));
}

void CKivranoApp::connectHotKeys() {
    if (platform::Keyboard* keyboard = m_platform.keyboard()) {
        m_typing = std::make_unique<TypingEngine>(*keyboard, m_platform.clipboard(),
                                                  m_platform.pause, m_platform.windows());
        m_typing->setDebugSink(&m_platform.trace);
    }
    HotKeyDispatch::Hooks hooks;
    hooks.isLocked = [this] { return m_view->isLocked(); };
    hooks.isShownInFront = [this] { return m_frame->isVisible() && m_frame->isActiveWindow(); };
    hooks.hideToTray = [this] { m_frame->toSystemTray(); };
    hooks.restore = [this] { m_frame->bringForward(); };
    hooks.typeField = [this](int field) { typeField(field); };
    hooks.autoTrackStep = [this] { m_work->autoTrackStep(); };
    hooks.recordSelected = [this] {
        const TreeNode selected = m_doc.tree().selection();
        if (m_doc.tree().isItem(selected)) m_work->record(selected);
    };
    hooks.isItem = [this](TreeNode node) { return m_doc.tree().isItem(node); };
    hooks.launchItem = [this](TreeNode node) { m_work->launchByKey(node); };
    m_keyDispatch = std::make_unique<HotKeyDispatch>(m_platform.clipboard(), m_platform.shell,
                                                     std::move(hooks));
    m_platform.hotKeys().setHandler([this](platform::HotKeyId id) { onHotKey(id); });
}

void CKivranoApp::onHotKey(platform::HotKeyId id) {
    const bool locked = m_view->isLocked();
    // Counted: a key pressed while another one types arrives inside it.
    ++m_hotKeysRunning;
    m_keyDispatch->dispatch(id);
    --m_hotKeysRunning;
    m_platform.trace.write("hotkey " + std::to_string(id) +
                           (locked ? ": ignored, the screen is locked\n" : ": done\n"));
    // A lock that came while a field was being typed happens now, not half-way.
    if (m_hotKeysRunning == 0) m_view->commands().runPendingLock();
}

std::string CKivranoApp::takeForwardedHotKey(const platform::InstanceRequest& request) {
    const bool typing = m_typing && m_typing->isTyping();
    const ForwardedHotKey forwarded =
        resolveForwardedHotKey(request, m_registry, {m_shown, m_view->isLocked(), typing});
    // The answer goes out first: the other copy waits for it, and typing takes a while.
    if (forwarded.id)
        QTimer::singleShot(0, m_frame.get(), [this, id = *forwarded.id] { onHotKey(id); });
    m_platform.trace.write("forwarded " + platform::encodeInstanceRequest(request));
    return forwarded.refusal;
}

void CKivranoApp::connectScreenLock() {
    m_view->commands().hooks().lockChanged = [this](bool locked) { m_frame->setLocked(locked); };
    m_view->commands().hooks().isBusy = [this] { return m_hotKeysRunning > 0; };
    m_frame->showScreenLock = [this] { m_view->screenLockDialog().bringForward(); };
    // The desktop locking locks the vault as Ctrl+L does, once there is a vault on screen.
    m_desktopLockWatch = std::make_unique<DesktopLockWatch>(
        m_platform.desktopLock(), m_platform.settings, &m_platform.trace, [this] {
            if (m_shown) m_frame->runCommand(cmd::LockScreen);
        });
}

void CKivranoApp::addProgramCommands() {
    m_router.add(cmd::Open, [this] { openProfile(); });
    m_router.add(cmd::Save, [this] { m_doc.save(); });
    m_router.add(cmd::SaveWithoutBackup, [this] { m_doc.saveWithoutBackup(); });
    m_router.add(cmd::UploadDefaultBrowser, [this] { upload(UploadPage::Browser::Default); });
    m_router.add(cmd::UploadInternetExplorer, [this] { upload(UploadPage::Browser::BuiltIn); });
    m_router.add(cmd::About, [this] { showAbout(); });
    m_router.add(cmd::ShowHistory, [this] { showHistoryMenu(); });
    m_view->addCommands(m_router);
    m_work->addCommands(m_router);
    m_frame->addCommands(m_router);
    m_frame->greyUnhandledCommands();
}

void CKivranoApp::connectWindows() {
    QObject::connect(m_list, &CInfoList::viewModifyRequested, m_view,
                     [this](TreeNode, int row) { m_view->viewModifyFromFieldList(row); });
    QObject::connect(m_list, &CInfoList::treeFocusRequested, m_view, [this] { focusTree(); });
    QObject::connect(m_list, &CInfoList::callRequested, m_list,
                     [this](const std::string& number) { m_dialer.call(number); });
    QObject::connect(m_list, &CInfoList::hangupRequested, m_list, [this] { m_dialer.hangup(); });
    QObject::connect(m_list, &CInfoList::itemUsed, m_view,
                     [this](TreeNode n) { m_work->record(n); });
    QObject::connect(m_view, &CKivranoView::commandTriggered, m_frame.get(),
                     [this](int command) { m_frame->runCommand(command); });
    m_frame->canClose = [this] { return m_doc.saveModified(); };
    m_frame->fileDropped = [this](const QString& path) {
        if (!m_doc.saveModified()) return;
        m_doc.frameworkOpen(path.toStdString());
        m_view->refresh();
    };
}

int CKivranoApp::exec(platform::LocalSingleInstance& single, const std::string& fileToOpen) {
    // Claim the single-instance name before the sign-in, so a second start meanwhile ends
    // at once; until the window is up there is nothing to bring forward.
    single.becomeRunningCopy([this] {
        if (!m_shown) return;
        // A hidden copy stays in the notification area where there is one; without one it
        // must come back, or it could never be reached again.
        // While locked that is the lock dialog.
        if (m_frame->isLocked() || m_frame->isMinimized() ||
            !QSystemTrayIcon::isSystemTrayAvailable())
            m_frame->bringForward();
        else if (m_frame->isVisible())
            m_frame->raise();
    });

    // `kivrano --hotkey N` from the desktop's own shortcut settings acts as the hotkey would.
    single.setRequestHandler(
        [this](const platform::InstanceRequest& request) { return takeForwardedHotKey(request); });

    m_doc.newDocument();
    if (!m_view->firstUpdate()) return 0;  // sign-in cancelled: nothing shown, nothing written

    // A file named on the command line opens like a dropped file, with the password of the
    // sign-in; if that fails the signed-in profile stays open.
    if (!fileToOpen.empty() && m_doc.frameworkOpen(fileToOpen)) m_view->refresh();

    m_frame->show();
    m_shown = true;
    m_frame->showTrayIcon();
    QTimer::singleShot(0, m_frame.get(), [this] { traceTreeLayout(); });
    return QApplication::exec();
}

void CKivranoApp::traceTreeLayout() {
    // Where the rows of the two panes stand in the window, for whoever drives the program by
    // the pointer (the end-to-end tests): each pane's rows have one height.
    auto at = [this](const QWidget* pane) {
        const QPoint origin = pane->mapTo(m_frame.get(), QPoint(0, 0));
        return std::to_string(origin.x()) + "," + std::to_string(origin.y());
    };
    const int rowHeight = m_view->visualRect(m_view->model()->index(0, 0)).height();
    m_platform.trace.write("tree rows at " + at(m_view->viewport()) + " of the main window, " +
                           std::to_string(rowHeight) + " pixels high, indented " +
                           std::to_string(m_view->indentation()) + "\n");
    m_platform.trace.write("field list rows at " + at(m_list->viewport()) +
                           " of the main window\n");
}

void CKivranoApp::openProfile() {
    std::optional<SignIn> chosen = CSelectUserDlg::choose(
        m_frame.get(), m_platform.paths, m_platform.settings, m_prompter, selectUserHooks());
    if (!chosen) return;
    m_doc.open(chosen->path.string(), chosen->password, chosen->merge);  // refreshes the view
}

void CKivranoApp::upload(UploadPage::Browser browser) {
    // The [Network] addresses as they stand in the settings now.
    UploadPage(m_platform.paths, m_platform.shell, m_prompter,
               readNetworkEndpoints(m_platform.settings), m_platform.settings.file().string())
        .upload(m_doc.pathName(), browser);
}

void CKivranoApp::showAbout() {
    QMessageBox::about(m_frame.get(), QStringLiteral("Kivrano"),
                       QStringLiteral("%1 version %2").arg(kProductName, kProductVersion));
}

void CKivranoApp::showHistoryMenu() {
    QMenu menu(m_frame.get());
    for (const WorkHistory::MenuEntry& entry : m_work->historyEntries()) {
        QAction* a = menu.addAction(platform::fromVaultText(entry.text));
        a->setData(entry.command);
        a->setCheckable(entry.checked);
        a->setChecked(entry.checked);
    }
    if (QAction* chosen = menu.exec(m_frame->historyMenuPosition()))
        m_work->chooseFromHistory(chosen->data().toInt());
}

void CKivranoApp::setCaption(const std::string& caption) {
    if (m_frame) m_frame->setWindowTitle(platform::fromVaultText(caption));
}

void CKivranoApp::typeField(int field) {
    if (!m_typing) return;
    const TypingEngine::Result result = m_typing->typeField(
        m_doc.tree().item(m_doc.tree().selection()), field, m_doc.settings().typeInMode);
    // A refused keyboard types nothing; without the message the hotkey would seem dead.
    if (result == TypingEngine::Result::KeyboardUnavailable)
        m_prompter.message(std::string(text(StringId::KeyboardNotGranted)),
                           Prompter::Icon::Exclamation);
}

void CKivranoApp::setCommandEnabled(int command, bool enabled) {
    m_frame->setCommandEnabled(command, enabled);
}

void CKivranoApp::showAutoTrack(bool on) {
    if (m_frame) m_frame->showSettings();
    if (m_view) m_view->setAutoTrackPolling(on);
}

void CKivranoApp::focusTree() {
    m_view->setFocus();
}

}  // namespace kivrano
