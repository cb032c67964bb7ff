#include "desktop/DesktopPlatform.h"

#include "app/BackendChoice.h"

#include "platform/qt/DBusDesktopLockSignals.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowSystem.h"

namespace kivrano {

namespace {

// Without an X server of our own no hotkey can be registered.
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
    bool seesOtherWindows() const override { return false; }
    platform::WindowId mainWindow() const override { return 0; }
    bool isMainWindowForeground() const override { return false; }
    void showMainWindow() override {}
    void hideMainWindow() override {}
    void activateMainWindow() override {}
};

}  // namespace

DesktopPlatform::DesktopPlatform() : m_x11(platform::X11Connection::open()) {
    if (m_x11) {
        m_keyboard = std::make_unique<platform::X11Keyboard>(*m_x11);
        m_hotKeys = std::make_unique<platform::X11HotKeys>(*m_x11);
        m_windows = std::make_unique<platform::X11WindowSystem>(*m_x11);
    } else {
        m_hotKeys = std::make_unique<NoHotKeys>();
        m_windows = std::make_unique<NoWindows>();
    }
    trace.write(backendChoiceText(SessionEnvironment::fromProcess(), m_x11 != nullptr));
    m_desktopLock = std::make_unique<platform::DBusDesktopLockSignals>(trace);
}

// The services go in reverse order, the X connection last.
DesktopPlatform::~DesktopPlatform() {
    m_desktopLock.reset();
    m_windows.reset();
    m_hotKeys.reset();
    m_keyboard.reset();
}

}  // namespace kivrano
