#include "ui/CKivranoApp.h"

#include "app/CommandIds.h"
#include "app/CommandLine.h"
#include "app/CommandRouter.h"
#include "launch/HotKeyRegistry.h"
#include "platform/qt/IniSettingsStore.h"
#include "platform/qt/LinuxProgramPaths.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtShell.h"
#include "platform/qt/VaultText.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11WindowSystem.h"
#include "ui/CInfoList.h"
#include "ui/CKivranoView.h"
#include "ui/CMainFrame.h"
#include "ui/CProperty.h"
#include "ui/CSelectUserDlg.h"
#include "ui/QtPrompter.h"
#include "vault/CKivranoDoc.h"
#include "vault/FileIO.h"

#include <QApplication>
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

class SelectUserSignIn : public SignInDialog {
public:
    SelectUserSignIn(const platform::ProgramPaths& paths, platform::SettingsStore& settings,
                     Prompter& prompter)
        : m_paths(paths), m_settings(settings), m_prompter(prompter) {}

    std::optional<SignInChoice> run() override {
        std::optional<SignIn> chosen =
            CSelectUserDlg::choose(nullptr, m_paths, m_settings, m_prompter);
        if (!chosen) return std::nullopt;
        SignInChoice choice;
        choice.path = chosen->path.string();
        choice.userName = chosen->userName;
        choice.password = chosen->password;
        choice.merge = chosen->merge;
        return choice;
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

    bool edit(VaultItem& item, const ItemEditRequest& request) override {
        const ItemEditorRequest how{request.adding ? ItemEditorMode::Add : ItemEditorMode::Modify,
                                    request.fieldRow};
        return CProperty::editItem(m_parent, item, how, m_doc, m_applicationSelection, m_windows);
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
    std::unique_ptr<platform::X11WindowSystem> windows;
    if (x11) {
        hotKeys = std::make_unique<platform::X11HotKeys>(*x11);
        windows = std::make_unique<platform::X11WindowSystem>(*x11);
    } else {
        hotKeys = std::make_unique<NoHotKeys>();
    }
    HotKeyRegistry registry(*hotKeys);

    CMainFrame* frame = nullptr;
    CKivranoView* view = nullptr;
    DocumentEvents events;
    events.captionChanged = [&frame](const std::string& caption) {
        if (frame) frame->setWindowTitle(platform::fromVaultText(caption));
    };
    events.settingsLoaded = [&frame, &view](const VaultSettings& s) {
        if (frame) frame->showSettings();
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
    commands.hooks().unregisterLaunchKey = [&registry](TreeNode n) { registry.unregisterOne(n); };
    commands.hooks().hideToTray = [frame] { frame->toSystemTray(); };
    commands.hooks().addTrayIcon = [frame] { frame->showTrayIcon(); };
    commands.hooks().setCaption = [frame](const std::string& caption) {
        frame->setWindowTitle(platform::fromVaultText(caption));
    };
    view->frameAction = [frame](int command) { return frame->action(command); };

    QObject::connect(list, &CInfoList::viewModifyRequested, view,
                     [view](TreeNode, int row) { view->viewModifyFromFieldList(row); });
    QObject::connect(list, &CInfoList::treeFocusRequested, view, [view] { view->setFocus(); });
    QObject::connect(view, &CKivranoView::commandTriggered, frame,
                     [frame](int command) { frame->runCommand(command); });

    // The program's own commands.
    auto openProfile = [&] {
        std::optional<SignIn> chosen = CSelectUserDlg::choose(frame, paths, settings, prompter);
        if (!chosen) return;
        doc.open(chosen->path.string(), chosen->password, chosen->merge);
        view->refresh();
    };
    router.addHandler([view](int command) { return view->handleCommand(command); });
    router.addHandler([&](int command) {
        switch (command) {
            case cmd::Open:
                openProfile();
                return true;
            case cmd::Save:
                doc.save();
                return true;
            case cmd::SaveWithoutBackup:
                doc.saveWithoutBackup();
                return true;
            case cmd::About:
                QMessageBox::about(
                    frame, QStringLiteral("Kivrano"),
                    QStringLiteral("%1 version %2").arg(kProductName, kProductVersion));
                return true;
            case cmd::AutoTrack:
            case cmd::AutoTrackButton:
                doc.settings().autoTrack = doc.settings().autoTrack ? 0 : 1;
                frame->showSettings();
                view->setAutoTrackPolling(doc.settings().autoTrack != 0);
                return true;
            default:
                return false;
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
    mainFrame.reset();
    return code;
}

}  // namespace kivrano
