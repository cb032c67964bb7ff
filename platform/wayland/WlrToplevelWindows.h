#pragma once

#include "platform/WindowSystem.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace kivrano::platform {

class WaylandConnection;

// Windows through the foreign-toplevel list of wlroots compositors (sway and others): each
// program's windows with their title, app id and whether they are active, and a request to
// activate one, and (from version 3) the window a dialog belongs to. The list has no stacking
// order, so windows are ordered by when they were last active. Our own main window is the one
// with our app id and its title.
class WlrToplevelWindows : public WindowSystem {
public:
    // Null when the compositor offers no foreign-toplevel list or has no seat.
    static std::unique_ptr<WlrToplevelWindows> create(WaylandConnection& connection);
    ~WlrToplevelWindows() override;
    WlrToplevelWindows(const WlrToplevelWindows&) = delete;
    WlrToplevelWindows& operator=(const WlrToplevelWindows&) = delete;

    // Our app id is the desktop file name Qt gives the compositor.
    void setMainWindow(QWidget* window, const std::string& appId);

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

    struct Toplevel {
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        WindowId id = 0;
        std::string title;
        std::string appId;
        zwlr_foreign_toplevel_handle_v1* parent = nullptr;
        bool activated = false;
        std::uint64_t lastActivated = 0;  // 0: never seen active
        bool closed = false;
    };

private:
    WlrToplevelWindows(WaylandConnection& connection, zwlr_foreign_toplevel_manager_v1* manager);
    friend struct ToplevelEvents;
    void added(zwlr_foreign_toplevel_handle_v1* handle);
    Toplevel* find(zwlr_foreign_toplevel_handle_v1* handle);
    const Toplevel* find(WindowId window) const;
    void changed(Toplevel& toplevel);
    // Brings the list up to date with what the compositor has done so far.
    void refresh() const;

    WaylandConnection& m_connection;
    zwlr_foreign_toplevel_manager_v1* m_manager;
    std::vector<std::unique_ptr<Toplevel>> m_toplevels;
    WindowId m_nextId = 1;
    std::uint64_t m_activationCounter = 0;
    QPointer<QWidget> m_mainWindow;
    std::string m_appId;
    // Our main window is activated as soon as the compositor lists it.
    bool m_activateWhenListed = false;
    bool m_finished = false;  // the compositor sends nothing more
};

}  // namespace kivrano::platform
