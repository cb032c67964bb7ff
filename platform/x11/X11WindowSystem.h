#pragma once

#include "platform/WindowSystem.h"

#include <QPointer>
#include <QWidget>

namespace kivrano::platform {

class X11Connection;

// Windows through the EWMH hints a window manager keeps (_NET_ACTIVE_WINDOW,
// _NET_CLIENT_LIST_STACKING); without a window manager, the input focus and the root's
// children. Browsers do not publish their address on X11, so browserAddress() is empty.
class X11WindowSystem : public WindowSystem {
public:
    explicit X11WindowSystem(X11Connection& connection) : m_connection(connection) {}

    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    WindowId foregroundWindow() const override;
    std::string title(WindowId window) const override;
    std::string className(WindowId window) const override;
    std::string browserAddress(WindowId window) const override;
    std::vector<TopLevelWindow> topLevelWindows() const override;
    void bringToTop(WindowId window) override;

    WindowId mainWindow() const override;
    bool isMainWindowForeground() const override;
    void showMainWindow() override;
    void hideMainWindow() override;
    void activateMainWindow() override;

private:
    WindowId activeWindow() const;
    WindowId owner(WindowId window) const;

    X11Connection& m_connection;
    QPointer<QWidget> m_mainWindow;
};

}  // namespace kivrano::platform
