#include "desktop/DesktopPlatform.h"

#include "app/BackendChoice.h"

#include "platform/kwin/KWinScriptWindows.h"
#include "platform/portal/GlobalShortcutsHotKeys.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/RemoteDesktopKeyboard.h"
#include "platform/qt/DBusDesktopLockSignals.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboard.h"
#include "platform/wayland/WlrToplevelWindows.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowSystem.h"

#include <QGuiApplication>

namespace kivrano {

namespace {

// No hotkey can be registered: without an X server of our own, and on Wayland desktops
// without a GlobalShortcuts portal (there the desktop's own shortcut settings run
// `kivrano --hotkey N`).
class NoHotKeys : public platform::HotKeys {
public:
    bool registerHotKey(platform::HotKeyId, HotKeyValue) override { return false; }
    void unregisterHotKey(platform::HotKeyId) override {}
    void setHandler(std::function<void(platform::HotKeyId)>) override {}
};

// Nothing about other windows can be known.
class NoWindows : public platform::WindowSystem {
public:
    platform::WindowId foregroundWindow() const override { return 0; }
    std::string title(platform::WindowId) const override { return {}; }
    std::string className(platform::WindowId) const override { return {}; }
    std::string browserAddress(platform::WindowId) const override { return {}; }
    std::vector<platform::TopLevelWindow> topLevelWindows() const override { return {}; }
    void bringToTop(platform::WindowId) override {}
    bool seesOtherWindows() const override { return false; }
    platform::WindowId mainWindow() const override { return 0; }
    bool isMainWindowForeground() const override { return false; }
    void showMainWindow() override {}
    void hideMainWindow() override {}
    void activateMainWindow() override {}
};

}  // namespace

DesktopPlatform::DesktopPlatform() {
    const SessionEnvironment session = SessionEnvironment::fromProcess();
    // In a Wayland session an X connection (Xwayland) reaches X11 programs only: it is the
    // fallback when the compositor itself cannot be reached.
    if (session.isWayland()) openWayland(session);
    if (!m_wayland) openX11(session);
    if (!m_hotKeys) m_hotKeys = std::make_unique<NoHotKeys>();
    if (!m_windows) m_windows = std::make_unique<NoWindows>();
    m_desktopLock = std::make_unique<platform::DBusDesktopLockSignals>(trace);
}

namespace {

// Whether the desktop portal offers the interface (it answers its version).
bool portalOffers(const char* interface) {
    return platform::portal::portalProperty(QDBusConnection::sessionBus(),
                                            QString::fromLatin1(interface),
                                            QStringLiteral("version"))
        .isValid();
}

}  // namespace

void DesktopPlatform::openWayland(const SessionEnvironment& session) {
    m_wayland = platform::WaylandConnection::open();
    if (!m_wayland) return;
    DesktopOffer offer;
    offer.wayland = true;
    auto keyboard = platform::WaylandKeyboard::create(*m_wayland);
    auto toplevels = platform::WlrToplevelWindows::create(*m_wayland);
    offer.virtualKeyboard = keyboard != nullptr;
    offer.foreignToplevel = toplevels != nullptr;
    // The bus is asked only for what the compositor itself does not offer.
    offer.portalKeyboard =
        !offer.virtualKeyboard && portalOffers("org.freedesktop.portal.RemoteDesktop");
    offer.globalShortcuts = portalOffers("org.freedesktop.portal.GlobalShortcuts");
    offer.kwinScript = !offer.foreignToplevel && platform::KWinScriptWindows::kwinAvailable();
    const BackendChoice choice = chooseBackends(session, offer);
    trace.write(choice.text);
    takeWaylandKeyboard(choice.keyboard, std::move(keyboard));
    // Pasting a field sets the clipboard with another program in front, which the usual
    // Wayland clipboard does not allow everywhere (KDE Plasma ignores it).
    m_waylandClipboard = platform::DataControlClipboard::create(*m_wayland);
    trace.write(m_waylandClipboard ? "desktop: clipboard: the compositor's data-control protocol\n"
                                   : "desktop: clipboard: Qt's (the compositor offers no "
                                     "data-control protocol; pasting into another window may "
                                     "find the clipboard unchanged)\n");
    takeWaylandWindows(choice.windows, std::move(toplevels));
    if (choice.hotKeys == HotKeysBackend::GlobalShortcutsPortal)
        m_hotKeys = std::make_unique<platform::portal::GlobalShortcutsHotKeys>(
            QDBusConnection::sessionBus(), trace,
            platform::portal::GlobalShortcutsHotKeys::Timeouts{});
}

void DesktopPlatform::takeWaylandKeyboard(KeyboardBackend backend,
                                          std::unique_ptr<platform::Keyboard> virtualKeyboard) {
    if (backend == KeyboardBackend::VirtualKeyboard) {
        m_keyboard = std::move(virtualKeyboard);
    } else if (backend == KeyboardBackend::RemoteDesktopPortal) {
        // The restore token is a standing permission to type: it lives beside the settings,
        // readable by the user only.
        platform::portal::RestoreTokenFile token(
            platform::IniSettingsStore::defaultFile().parent_path() / "RemoteDesktop.token");
        m_keyboard = std::make_unique<platform::portal::RemoteDesktopKeyboard>(
            QDBusConnection::sessionBus(), std::move(token), trace,
            platform::portal::RemoteDesktopKeyboard::Timeouts{});
    }
}

void DesktopPlatform::takeWaylandWindows(WindowsBackend backend,
                                         std::unique_ptr<platform::WlrToplevelWindows> toplevels) {
    if (backend == WindowsBackend::ForeignToplevel) {
        platform::WlrToplevelWindows* windows = toplevels.get();
        m_setMainWindow = [windows](QWidget* window) {
            windows->setMainWindow(window, QGuiApplication::desktopFileName().toStdString());
        };
        m_windows = std::move(toplevels);
    } else if (backend == WindowsBackend::KWinScript) {
        auto kwin = std::make_unique<platform::KWinScriptWindows>(trace);
        // A KWin that refuses the script leaves the program without window information.
        if (!kwin->start()) return;
        platform::KWinScriptWindows* windows = kwin.get();
        m_setMainWindow = [windows](QWidget* window) { windows->setMainWindow(window); };
        m_windows = std::move(kwin);
    }
}

void DesktopPlatform::openX11(const SessionEnvironment& session) {
    m_x11 = platform::X11Connection::open();
    DesktopOffer offer;
    offer.x11 = m_x11 != nullptr;
    trace.write(chooseBackends(session, offer).text);
    if (!m_x11) return;
    m_keyboard = std::make_unique<platform::X11Keyboard>(*m_x11);
    m_hotKeys = std::make_unique<platform::X11HotKeys>(*m_x11);
    auto windows = std::make_unique<platform::X11WindowSystem>(*m_x11);
    platform::X11WindowSystem* x11Windows = windows.get();
    m_setMainWindow = [x11Windows](QWidget* window) { x11Windows->setMainWindow(window); };
    m_windows = std::move(windows);
}

platform::Clipboard& DesktopPlatform::clipboard() const {
    if (m_waylandClipboard) return *m_waylandClipboard;
    return m_qtClipboard;
}

void DesktopPlatform::setMainWindow(QWidget* window) {
    if (m_setMainWindow) m_setMainWindow(window);
}

// The services go in reverse order, the connections last.
DesktopPlatform::~DesktopPlatform() {
    m_desktopLock.reset();
    m_windows.reset();
    m_hotKeys.reset();
    m_keyboard.reset();
    m_waylandClipboard.reset();
}

}  // namespace kivrano
