#include "platform/wayland/WlrToplevelWindows.h"

#include "platform/qt/OwnWindow.h"
#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <set>

namespace kivrano::platform {

// The protocol's callbacks, passing each event on to the list.
struct ToplevelEvents {
    static WlrToplevelWindows::Toplevel* of(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        return static_cast<WlrToplevelWindows*>(data)->find(handle);
    }
    static void title(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* text) {
        if (auto* toplevel = of(data, handle)) toplevel->title = text ? text : "";
    }
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* text) {
        if (auto* toplevel = of(data, handle)) toplevel->appId = text ? text : "";
    }
    static void output(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void state(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states) {
        auto* toplevel = of(data, handle);
        if (!toplevel) return;
        bool activated = false;
        const auto* begin = static_cast<const std::uint32_t*>(states->data);
        const auto* end = begin + states->size / sizeof(std::uint32_t);
        activated = std::find(begin, end, ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) != end;
        auto* self = static_cast<WlrToplevelWindows*>(data);
        if (activated && !toplevel->activated)
            toplevel->lastActivated = ++self->m_activationCounter;
        toplevel->activated = activated;
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        if (auto* toplevel = of(data, handle))
            static_cast<WlrToplevelWindows*>(data)->changed(*toplevel);
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrToplevelWindows*>(data);
        for (auto& toplevel : self->m_toplevels)
            if (toplevel->parent == handle) toplevel->parent = nullptr;
        std::erase_if(self->m_toplevels, [handle](const auto& t) { return t->handle == handle; });
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
    static void parent(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                       zwlr_foreign_toplevel_handle_v1* parent) {
        if (auto* toplevel = of(data, handle)) toplevel->parent = parent;
    }
    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* handle) {
        static_cast<WlrToplevelWindows*>(data)->added(handle);
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        static_cast<WlrToplevelWindows*>(data)->m_finished = true;
    }
};

namespace {

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    &ToplevelEvents::title,  &ToplevelEvents::appId,  &ToplevelEvents::output,
    &ToplevelEvents::output, &ToplevelEvents::state,  &ToplevelEvents::done,
    &ToplevelEvents::closed, &ToplevelEvents::parent,
};

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {
    &ToplevelEvents::toplevel,
    &ToplevelEvents::finished,
};

// The title the compositor has for a Qt window.

}  // namespace

std::unique_ptr<WlrToplevelWindows> WlrToplevelWindows::create(WaylandConnection& connection) {
    if (!connection.seat()) return nullptr;
    auto* manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        connection.bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (!manager) return nullptr;
    std::unique_ptr<WlrToplevelWindows> windows(new WlrToplevelWindows(connection, manager));
    // The windows open now arrive at once.
    connection.roundtrip();
    return windows;
}

WlrToplevelWindows::WlrToplevelWindows(WaylandConnection& connection,
                                       zwlr_foreign_toplevel_manager_v1* manager)
    : m_connection(connection), m_manager(manager) {
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &kManagerListener, this);
}

WlrToplevelWindows::~WlrToplevelWindows() {
    // The list has no destructor request: asked to stop, the compositor says it has finished,
    // and windows it announced until then are ours to destroy too.
    if (!m_finished) {
        zwlr_foreign_toplevel_manager_v1_stop(m_manager);
        m_connection.roundtrip();
    }
    for (const auto& toplevel : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    m_connection.flush();
}

void WlrToplevelWindows::added(zwlr_foreign_toplevel_handle_v1* handle) {
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->handle = handle;
    toplevel->id = m_nextId++;
    m_toplevels.push_back(std::move(toplevel));
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, this);
}

WlrToplevelWindows::Toplevel* WlrToplevelWindows::find(zwlr_foreign_toplevel_handle_v1* handle) {
    for (const auto& toplevel : m_toplevels)
        if (toplevel->handle == handle) return toplevel.get();
    return nullptr;
}

const WlrToplevelWindows::Toplevel* WlrToplevelWindows::find(WindowId window) const {
    if (window == 0) return nullptr;
    for (const auto& toplevel : m_toplevels)
        if (toplevel->id == window) return toplevel.get();
    return nullptr;
}

void WlrToplevelWindows::changed(Toplevel& toplevel) {
    if (m_activateWhenListed && m_mainWindow && toplevel.id == mainWindow()) {
        m_activateWhenListed = false;
        bringToTop(toplevel.id);
    }
}

void WlrToplevelWindows::refresh() const {
    const_cast<WaylandConnection&>(m_connection).roundtrip();
}

void WlrToplevelWindows::setMainWindow(QWidget* window, const std::string& appId) {
    m_mainWindow = window;
    m_appId = appId;
}

WindowId WlrToplevelWindows::foregroundWindow() const {
    refresh();
    const Toplevel* active = nullptr;
    for (const auto& toplevel : m_toplevels)
        if (toplevel->activated) active = toplevel.get();
    // Up the owners to the window the dialog belongs to.
    std::set<const Toplevel*> seen;
    while (active && active->parent && seen.insert(active).second) {
        const auto owner = std::find_if(m_toplevels.begin(), m_toplevels.end(),
                                        [&](const auto& t) { return t->handle == active->parent; });
        if (owner == m_toplevels.end()) break;
        active = owner->get();
    }
    return active ? active->id : 0;
}

std::string WlrToplevelWindows::title(WindowId window) const {
    const Toplevel* toplevel = find(window);
    return toplevel ? toplevel->title : std::string();
}

std::string WlrToplevelWindows::className(WindowId window) const {
    const Toplevel* toplevel = find(window);
    return toplevel ? toplevel->appId : std::string();
}

std::string WlrToplevelWindows::browserAddress(WindowId) const {
    return {};
}

std::vector<TopLevelWindow> WlrToplevelWindows::topLevelWindows() const {
    refresh();
    std::vector<const Toplevel*> order;
    for (const auto& toplevel : m_toplevels) order.push_back(toplevel.get());
    // The one active last first; those never active after them, the newest first.
    std::stable_sort(order.begin(), order.end(), [](const Toplevel* a, const Toplevel* b) {
        if (a->lastActivated != b->lastActivated) return a->lastActivated > b->lastActivated;
        return a->id > b->id;
    });
    std::vector<TopLevelWindow> windows;
    for (const Toplevel* toplevel : order) {
        WindowId owner = 0;
        for (const auto& other : m_toplevels)
            if (toplevel->parent && other->handle == toplevel->parent) owner = other->id;
        windows.push_back({toplevel->id, owner});
    }
    return windows;
}

void WlrToplevelWindows::bringToTop(WindowId window) {
    const Toplevel* toplevel = find(window);
    if (!toplevel || !m_connection.seat()) return;
    zwlr_foreign_toplevel_handle_v1_activate(toplevel->handle, m_connection.seat());
    m_connection.roundtrip();
}

WindowId WlrToplevelWindows::mainWindow() const {
    if (!m_mainWindow || !m_mainWindow->isVisible()) return 0;
    const std::string title = nativeWindowTitle(*m_mainWindow);
    for (const auto& toplevel : m_toplevels)
        if (toplevel->appId == m_appId && toplevel->title == title) return toplevel->id;
    return 0;
}

bool WlrToplevelWindows::isMainWindowForeground() const {
    const WindowId main = mainWindow();
    return main != 0 && foregroundWindow() == main;
}

void WlrToplevelWindows::showMainWindow() {
    if (m_mainWindow) m_mainWindow->show();
}

void WlrToplevelWindows::hideMainWindow() {
    if (m_mainWindow) m_mainWindow->hide();
}

void WlrToplevelWindows::activateMainWindow() {
    if (!m_mainWindow) return;
    restoreAndActivate(*m_mainWindow);
    // Compositors give the focus to a window that asks for it only with a token from the
    // user's last input; the foreign-toplevel request has no such condition. A window just
    // shown is listed a moment later, and activated then.
    refresh();
    if (const WindowId main = mainWindow())
        bringToTop(main);
    else
        m_activateWhenListed = true;
}

}  // namespace kivrano::platform
