#pragma once

#include "app/CommandRouter.h"
#include "app/DesktopLockWatch.h"
#include "app/WorkCommands.h"
#include "launch/AutoTrack.h"
#include "launch/HotKeyDispatch.h"
#include "launch/HotKeyRegistry.h"
#include "launch/ItemLauncher.h"
#include "launch/TypingEngine.h"
#include "launch/WorkHistory.h"
#include "net/UploadPage.h"
#include "phone/CTapiDialer.h"
#include "phone/LineLibrary.h"
#include "phone/QtLineMessageLoop.h"
#include "ui/CProperty.h"
#include "ui/CSelectUserDlg.h"
#include "ui/QtPrompter.h"
#include "vault/CKivranoDoc.h"

#include <memory>
#include <string>

namespace kivrano {

class CInfoList;
class QtFindDialog;
class QtQuickFindBar;
class CKivranoView;
class CMainFrame;
class DesktopPlatform;
namespace platform {
class LocalSingleInstance;
struct InstanceRequest;
}  // namespace platform

// The program: one running copy, the sign-in, the main window and the commands that belong
// to the whole program (open, save, about, the work history list). It puts the parts
// together; what each command does lives in the parts.
class CKivranoApp : private WorkWindowHost {
public:
    // Runs the program after the QApplication exists; returns the exit code. fileToOpen is a
    // vault named on the command line, opened after the sign-in with the same password.
    static int run(const std::string& fileToOpen);

private:
    explicit CKivranoApp(DesktopPlatform& platform);
    ~CKivranoApp() override;

    CSelectUserDlg::Hooks selectUserHooks();
    DocumentEvents documentEvents();
    void buildWindow();
    void connectTreeCommands();
    void connectHotKeys();
    void onHotKey(platform::HotKeyId id);
    std::string takeForwardedHotKey(const platform::InstanceRequest& request);
    void connectScreenLock();
    void addProgramCommands();
    void connectWindows();
    int exec(platform::LocalSingleInstance& single, const std::string& fileToOpen);

    void openProfile();
    void upload(UploadPage::Browser browser);
    void showAbout();
    void showHistoryMenu();
    void setCaption(const std::string& caption);
    void typeField(int field);
    void traceTreeLayout();

    // WorkWindowHost
    void setCommandEnabled(int command, bool enabled) override;
    void showAutoTrack(bool on) override;
    void focusTree() override;

    DesktopPlatform& m_platform;
    QtPrompter m_prompter;
    HotKeyRegistry m_registry;
    WorkHistory m_history;
    AutoTrack m_autoTrack;
    CKivranoDoc m_doc;
    CommandRouter m_router;
    // The field list's Call and Hangup, through the telephony provider of the settings or the
    // one installed with the program.
    QtLineMessageLoop m_lineLoop;
    LineLibrary m_lineLibrary;
    CTapiDialer m_dialer;
    std::unique_ptr<CMainFrame> m_frame;
    CKivranoView* m_view = nullptr;
    CInfoList* m_list = nullptr;
    std::unique_ptr<QtFindDialog> m_findDialog;
    std::unique_ptr<QtQuickFindBar> m_quickFindBar;
    SelectUserSignIn m_signIn;
    PropertySheetEditor m_editor;
    ItemLauncher m_launcher;
    std::unique_ptr<WorkCommands> m_work;
    std::unique_ptr<TypingEngine> m_typing;
    std::unique_ptr<HotKeyDispatch> m_keyDispatch;
    std::unique_ptr<DesktopLockWatch> m_desktopLockWatch;
    bool m_shown = false;      // the main window is up: a second start may bring it forward
    int m_hotKeysRunning = 0;  // hotkeys whose work (typing) runs
};

}  // namespace kivrano
