#include "ui/CKivranoApp.h"

#include "app/CommandIds.h"
#include "app/CommandLine.h"
#include "app/CommandRouter.h"
#include "launch/AutoTrack.h"
#include "launch/HotKeyDispatch.h"
#include "launch/HotKeyRegistry.h"
#include "launch/ItemLauncher.h"
#include "launch/TypingEngine.h"
#include "launch/WorkHistory.h"
#include "platform/qt/IniSettingsStore.h"
#include "platform/qt/LinuxProgramPaths.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPause.h"
#include "platform/qt/QtShell.h"
#include "platform/qt/VaultText.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowSystem.h"
#include "ui/CFindDlg.h"
#include "ui/CInfoList.h"
#include "ui/CKivranoView.h"
#include "ui/CMainFrame.h"
#include "ui/CProperty.h"
#include "ui/CQuickFindDlg.h"
#include "ui/CSelectUserDlg.h"
#include "ui/QtPrompter.h"
#include "vault/CKivranoDoc.h"
#include "vault/FileIO.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <cstdio>
#include <memory>

namespace kivrano {

namespace {

// Without an X server of our own (another window system) no hotkey can be registered; the
// program still works from its window.
class NoHotKeys : public platform::HotKeys {
public:
    bool registerHotKey(platform::HotKeyId, HotKeyValue) override { return false; }
    void unregisterHotKey(platform::HotKeyId) override {}
    void setHandler(std::function<void(platform::HotKeyId)>) override {}
};

// Without our own X connection nothing about other windows can be known.
class NoWindows : public platform::WindowSystem {
public:
    platform::WindowId foregroundWindow() const override { return 0; }
    std::string title(platform::WindowId) const override { return {}; }
    std::string className(platform::WindowId) const override { return {}; }
    std::string browserAddress(platform::WindowId) const override { return {}; }
    std::vector<platform::TopLevelWindow> topLevelWindows() const override { return {}; }
    void bringToTop(platform::WindowId) override {}
    platform::WindowId mainWindow() const override { return 0; }
    bool isMainWindowForeground() const override { return false; }
    void showMainWindow() override {}
    void hideMainWindow() override {}
    void activateMainWindow() override {}
};

class SelectUserSignIn : public SignInDialog {
public:
    SelectUserSignIn(const platform::ProgramPaths& paths, platform::SettingsStore& settings,
                     Prompter& prompter)
        : m_paths(paths), m_settings(settings), m_prompter(prompter) {}

    std::optional<SignIn> run() override {
        return CSelectUserDlg::choose(nullptr, m_paths, m_settings, m_prompter);
    }

private:
    const platform::ProgramPaths& m_paths;
    platform::SettingsStore& m_settings;
    Prompter& m_prompter;
};

class PropertySheetEditor : public ItemEditor {
public:
    PropertySheetEditor(CKivranoDoc& doc, const platform::WindowSystem* windows)
        : m_doc(doc), m_windows(windows) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    bool edit(VaultItem& item, const ItemEditorRequest& request) override {
        return CProperty::editItem(m_parent, item, request, m_doc, m_applicationSelection,
                                   m_windows);
    }

private:
    CKivranoDoc& m_doc;
    const platform::WindowSystem* m_windows;
    QWidget* m_parent = nullptr;
    std::int32_t m_applicationSelection = -1;  // the last application chosen, for this run
};

}  // namespace

int CKivranoApp::run(const std::string& fileToOpen) {
    platform::LocalSingleInstance single;
    if (single.forwardToRunningCopy()) return 0;

    platform::IniSettingsStore settings;
    platform::LinuxProgramPaths paths;
    platform::QtShell shell;
    platform::QtClipboard clipboard;
    QtPrompter prompter(nullptr);

    std::unique_ptr<platform::X11Connection> x11 = platform::X11Connection::open();
    std::unique_ptr<platform::HotKeys> hotKeys;
    std::unique_ptr<platform::WindowSystem> windows;
    std::unique_ptr<platform::X11Keyboard> keyboard;
    platform::QtPause pause;
    if (x11) {
        keyboard = std::make_unique<platform::X11Keyboard>(*x11);
        hotKeys = std::make_unique<platform::X11HotKeys>(*x11);
        windows = std::make_unique<platform::X11WindowSystem>(*x11);
    } else {
        hotKeys = std::make_unique<NoHotKeys>();
        windows = std::make_unique<NoWindows>();
    }
    HotKeyRegistry registry(*hotKeys);

    CMainFrame* frame = nullptr;
    CKivranoView* view = nullptr;
    WorkHistory history;
    AutoTrack autoTrack(*windows);
    DocumentEvents events;
    events.workHistoryEmptied = [&history] { history.clear(); };
    events.captionChanged = [&frame](const std::string& caption) {
        if (frame) frame->setWindowTitle(platform::fromVaultText(caption));
    };
    events.settingsLoaded = [&frame, &view, &autoTrack](const VaultSettings& s) {
        if (frame) frame->showSettings();
        autoTrack.setEnabled(s.autoTrack != 0);
        if (view) view->setAutoTrackPolling(s.autoTrack != 0);
    };
    events.opened = [&view] {
        if (view) view->refresh();
    };
    CKivranoDoc doc(prompter, &registry, events);
    CommandRouter router;

    auto mainFrame = std::make_unique<CMainFrame>(doc, settings, router);
    frame = mainFrame.get();
    prompter.setParent(frame);
    auto* list = new CInfoList(settings, shell, clipboard, prompter);
    view = new CKivranoView(doc, prompter, shell, &registry, list, [list, &doc](TreeNode n) {
        list->showNode(doc.tree(), n, doc.settings());
    });
    frame->setPanes(view, list);
    frame->showSettings();

    SelectUserSignIn signIn(paths, settings, prompter);
    PropertySheetEditor editor(doc, windows.get());
    editor.setParent(frame);
    TreeCommands& commands = view->commands();
    commands.dialogs().signIn = &signIn;
    commands.dialogs().itemEditor = &editor;
    QtFindDialog findDialog(doc.tree(), settings, frame);
    QtQuickFindBar quickFindBar(doc.index(), commands, doc.tree(), view);
    commands.dialogs().find = &findDialog;
    commands.dialogs().quickFind = &quickFindBar;
    commands.hooks().unregisterLaunchKey = [&registry](TreeNode n) { registry.unregisterOne(n); };
    commands.hooks().hideToTray = [frame] { frame->toSystemTray(); };
    commands.hooks().addTrayIcon = [frame] { frame->showTrayIcon(); };
    commands.hooks().setCaption = [frame](const std::string& caption) {
        frame->setWindowTitle(platform::fromVaultText(caption));
    };
    view->frameAction = [frame](int command) { return frame->action(command); };

    // Launching, the work history and AutoTrack.
    ItemLauncher launcher(shell, *windows, prompter, [frame](const std::string& initial) {
        const QString chosen =
            QFileDialog::getOpenFileName(frame, QString(), QString::fromStdString(initial));
        return chosen.isEmpty() ? std::nullopt : std::optional<std::string>(chosen.toStdString());
    });
    auto updateHistoryActions = [&history, &doc, frame] {
        frame->action(cmd::Previous)->setEnabled(history.canGoPrevious(doc.tree().selection()));
        frame->action(cmd::Next)->setEnabled(history.canGoNext());
        frame->action(cmd::ShowHistory)->setEnabled(history.canShowHistory());
    };
    auto showHistoryNode = [&commands, view, &updateHistoryActions](TreeNode node) {
        if (node == kNoNode) return;
        commands.selectNode(node);
        view->refresh();
        updateHistoryActions();
    };
    commands.hooks().launch = [&doc, &launcher](TreeNode node) {
        const VaultItem* item = doc.tree().item(node);
        if (!item) return;
        if (launcher.launch(*item, doc.settings().applicationTable) ==
            ItemLauncher::Outcome::ApplicationReplaced)
            doc.markModifiedByEdit();
    };
    commands.hooks().recordNode = [&history, &doc, &updateHistoryActions](TreeNode node) {
        history.record(doc.tree(), node);
        updateHistoryActions();
    };
    commands.hooks().forgetNode = [&history, &updateHistoryActions](TreeNode node) {
        history.forget(node);
        updateHistoryActions();
    };
    commands.hooks().autoTrackStep = [&autoTrack, &doc, &history, &showHistoryNode] {
        showHistoryNode(autoTrack.step(doc.tree(), history));
    };
    auto showHistoryMenu = [&history, &doc, frame, &showHistoryNode] {
        QMenu menu(frame);
        for (const WorkHistory::MenuEntry& entry :
             history.menuEntries(doc.tree(), doc.tree().selection())) {
            QAction* a = menu.addAction(platform::fromVaultText(entry.text));
            a->setData(entry.command);
            a->setCheckable(entry.checked);
            a->setChecked(entry.checked);
        }
        if (QAction* chosen = menu.exec(QCursor::pos()))
            showHistoryNode(history.choose(chosen->data().toInt()));
    };

    QObject::connect(list, &CInfoList::viewModifyRequested, view,
                     [view](TreeNode, int row) { view->viewModifyFromFieldList(row); });
    QObject::connect(list, &CInfoList::treeFocusRequested, view, [view] { view->setFocus(); });
    QObject::connect(view, &CKivranoView::commandTriggered, frame,
                     [frame](int command) { frame->runCommand(command); });

    // Hotkeys pressed anywhere on the desktop.
    HotKeyDispatch::Hooks keyHooks;
    keyHooks.isLocked = [view] { return view->isLocked(); };
    keyHooks.isShownInFront = [frame] { return frame->isVisible() && frame->isActiveWindow(); };
    keyHooks.hideToTray = [frame] { frame->toSystemTray(); };
    keyHooks.restore = [frame] { frame->bringForward(); };
    std::unique_ptr<TypingEngine> typing;
    if (keyboard) typing = std::make_unique<TypingEngine>(*keyboard, clipboard, pause, *windows);
    keyHooks.typeField = [&](int field) {
        if (typing)
            typing->typeField(doc.tree().item(doc.tree().selection()), field,
                              doc.settings().typeInMode);
    };
    keyHooks.autoTrackStep = commands.hooks().autoTrackStep;
    keyHooks.recordSelected = [&] {
        const TreeNode selected = doc.tree().selection();
        if (doc.tree().isItem(selected)) commands.hooks().recordNode(selected);
    };
    keyHooks.isItem = [&doc](TreeNode node) { return doc.tree().isItem(node); };
    keyHooks.launchItem = [&](TreeNode node) {
        commands.hooks().recordNode(node);
        showHistoryNode(node);
        commands.hooks().launch(node);
        view->setFocus();
    };
    HotKeyDispatch keyDispatch(clipboard, shell, keyHooks);
    hotKeys->setHandler([&keyDispatch](platform::HotKeyId id) { keyDispatch.dispatch(id); });

    // The program's own commands.
    auto openProfile = [&] {
        std::optional<SignIn> chosen = CSelectUserDlg::choose(frame, paths, settings, prompter);
        if (!chosen) return;
        doc.open(chosen->path.string(), chosen->password, chosen->merge);  // refreshes the view
    };
    router.addHandler([view](int command) { return view->handleCommand(command); });
    router.addHandler([&](int command) {
        switch (command) {
            case cmd::Open: openProfile(); return true;
            case cmd::Save: doc.save(); return true;
            case cmd::SaveWithoutBackup: doc.saveWithoutBackup(); return true;
            case cmd::About:
                QMessageBox::about(
                    frame, QStringLiteral("Kivrano"),
                    QStringLiteral("%1 version %2").arg(kProductName, kProductVersion));
                return true;
            case cmd::AutoTrack:
            case cmd::AutoTrackButton:
                doc.settings().autoTrack = doc.settings().autoTrack ? 0 : 1;
                autoTrack.setEnabled(doc.settings().autoTrack != 0);
                frame->showSettings();
                view->setAutoTrackPolling(doc.settings().autoTrack != 0);
                return true;
            case cmd::Previous:
                showHistoryNode(history.previous(doc.tree().selection()));
                return true;
            case cmd::Next: showHistoryNode(history.next()); return true;
            case cmd::ShowHistory: showHistoryMenu(); return true;
            default: return false;
        }
    });
    router.addHandler([frame](int command) { return frame->handleCommand(command); });

    frame->canClose = [&doc] { return doc.saveModified(); };
    frame->fileDropped = [&doc, view](const QString& path) {
        if (!doc.saveModified()) return;
        doc.frameworkOpen(path.toStdString());
        view->refresh();
    };

    // Claim the single-instance name before the sign-in, so a second start meanwhile ends
    // at once; until the window is up there is nothing to bring forward.
    bool shown = false;
    single.becomeRunningCopy([frame, &shown] {
        if (!shown) return;
        // A hidden copy stays in the notification area where there is one; without one it
        // must come back, or it could never be reached again.
        if (frame->isMinimized() || !QSystemTrayIcon::isSystemTrayAvailable())
            frame->bringForward();
        else if (frame->isVisible())
            frame->raise();
    });

    doc.newDocument();
    if (!view->firstUpdate()) return 0;  // sign-in cancelled: nothing shown, nothing written

    if (!fileToOpen.empty()) {
        // A file named on the command line opens like a dropped file, with the password of
        // the sign-in; if that fails the signed-in profile stays open.
        if (doc.frameworkOpen(fileToOpen)) view->refresh();
    }

    frame->show();
    shown = true;
    frame->showTrayIcon();
    const int code = QApplication::exec();
    // The widgets go before the document and the platform services they use.
    hotKeys->setHandler({});
    mainFrame.reset();
    return code;
}

}  // namespace kivrano
