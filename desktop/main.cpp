// Kivrano's desktop program.
#include "app/BackendChoice.h"
#include "app/CommandLine.h"
#include "app/HotKeyCommand.h"
#include "desktop/CKivranoApp.h"
#include "platform/qt/LocalSingleInstance.h"
#include "vault/ProcessHardening.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// --hotkey and --launch-key: only the copy already running acts, none is started.
int forwardHotKey(int argc, char** argv, const kivrano::platform::InstanceRequest& request) {
    QCoreApplication application(argc, argv);
    kivrano::platform::LocalSingleInstance single;
    const kivrano::HotKeyCommandResult result = kivrano::forwardHotKeyCommand(single, request);
    if (!result.message.empty()) std::fprintf(stderr, "kivrano: %s\n", result.message.c_str());
    return result.status;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool hasDisplay() {
    // The caller chose a platform (offscreen, xcb, ...).
    if (isSet("QT_QPA_PLATFORM")) return true;
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

// In a Wayland session the windows are native Wayland ones (Qt would take Xwayland on some
// desktops), so that our own window is known among the compositor's; X11 when Qt's Wayland
// plug-in is missing.
void preferWayland() {
    if (isSet("QT_QPA_PLATFORM")) return;
    if (kivrano::SessionEnvironment::fromProcess().isWayland())
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
}

}  // namespace

int main(int argc, char** argv) {
    kivrano::hardenProcess();
    // Options are handled before any window system is needed, so --help works anywhere.
    const kivrano::CommandLine options = kivrano::parseCommandLine(argumentsOf(argc, argv));
    if (!options.error.empty()) {
        std::fprintf(stderr, "kivrano: %s\n\n%s", options.error.c_str(), options.helpText.c_str());
        return 2;
    }
    if (options.showHelp) {
        std::printf("%s", options.helpText.c_str());
        return 0;
    }
    if (options.showVersion) {
        std::printf("%s %s\n", kivrano::kProductName, kivrano::kProductVersion);
        return 0;
    }
    if (options.request) return forwardHotKey(argc, argv, *options.request);
    if (!hasDisplay()) {
        std::fprintf(stderr,
                     "kivrano: no graphical desktop was found (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set).\n"
                     "Kivrano is a desktop program for X11 and Wayland. Start it from a desktop "
                     "session, or\n"
                     "under a virtual display:  xvfb-run -a scripts/run.sh\n"
                     "On a machine without a desktop, kivrano-cli reads and writes the same "
                     "vault files (build/cli/kivrano-cli --help).\n");
        return 1;
    }

    preferWayland();
    QApplication application(argc, argv);
    QApplication::setApplicationName(kivrano::kProductName);
    QApplication::setApplicationVersion(kivrano::kProductVersion);
    // Ties the windows to the installed menu entry (its icon and name in task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quentaro.Kivrano"));
    // The sign-in dialogs come and go before the main window; the program ends when the
    // main window closes, not when the last window does.
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(frame);
    Q_INIT_RESOURCE(kivrano);
    return kivrano::CKivranoApp::run(options.file);
}
