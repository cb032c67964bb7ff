#include "platform/x11/X11WindowSystem.h"

#include "platform/qt/OwnWindow.h"
#include "platform/x11/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <set>

namespace kivrano::platform {

namespace {

// A window property as a list of 32-bit items (Xlib hands them over as longs).
std::vector<unsigned long> readList(Display* display, Window window, Atom property, Atom type) {
    std::vector<unsigned long> items;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1L << 16, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        actualType == type && format == 32 && data) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data) XFree(data);
    return items;
}

std::string readUtf8(Display* display, Window window, Atom property, Atom type) {
    std::string text;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1L << 16, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        actualType == type && format == 8 && data)
        text.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    return text;
}

}  // namespace

WindowId X11WindowSystem::owner(WindowId window) const {
    Window transientFor = 0;
    const int error = m_connection.withErrorsCaught([&] {
        if (!XGetTransientForHint(m_connection.display(), window, &transientFor)) transientFor = 0;
    });
    if (error || transientFor == m_connection.rootWindow()) return 0;
    return transientFor;
}

WindowId X11WindowSystem::activeWindow() const {
    Display* display = m_connection.display();
    const Window root = m_connection.rootWindow();
    if (m_connection.hasWindowManager()) {
        const auto active =
            readList(display, root, m_connection.atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
        return active.empty() ? 0 : active.front();
    }
    // Without a window manager: the top-level window that holds the input focus.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == 0 || focus == PointerRoot || focus == root) return 0;
    Window current = focus;
    const int error = m_connection.withErrorsCaught([&] {
        for (int depth = 0; depth < 64; ++depth) {
            Window rootReturn = 0, parent = 0;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, current, &rootReturn, &parent, &children, &count)) break;
            if (children) XFree(children);
            if (parent == root || parent == 0) break;
            current = parent;
        }
    });
    return error ? 0 : current;
}

WindowId X11WindowSystem::foregroundWindow() const {
    WindowId window = activeWindow();
    std::set<WindowId> seen;
    while (window != 0 && seen.insert(window).second) {
        const WindowId next = owner(window);
        if (next == 0) break;
        window = next;
    }
    return window;
}

std::string X11WindowSystem::title(WindowId window) const {
    if (window == 0) return {};
    Display* display = m_connection.display();
    std::string text;
    m_connection.withErrorsCaught([&] {
        text = readUtf8(display, window, m_connection.atom("_NET_WM_NAME"),
                        m_connection.atom("UTF8_STRING"));
        if (!text.empty()) return;
        XTextProperty property{};
        if (!XGetWMName(display, window, &property) || !property.value) return;
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list &&
            count > 0)
            text = list[0];
        if (list) XFreeStringList(list);
        XFree(property.value);
    });
    return text;
}

std::string X11WindowSystem::className(WindowId window) const {
    if (window == 0) return {};
    std::string text;
    m_connection.withErrorsCaught([&] {
        XClassHint hint{};
        if (!XGetClassHint(m_connection.display(), window, &hint)) return;
        if (hint.res_class) text = hint.res_class;
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
    });
    return text;
}

std::string X11WindowSystem::browserAddress(WindowId) const {
    return {};
}

std::vector<TopLevelWindow> X11WindowSystem::topLevelWindows() const {
    Display* display = m_connection.display();
    const Window root = m_connection.rootWindow();
    std::vector<unsigned long> bottomFirst;
    if (m_connection.hasWindowManager()) {
        bottomFirst =
            readList(display, root, m_connection.atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
    } else {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) && children) {
            for (unsigned i = 0; i < count; ++i) {
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(display, children[i], &attributes) &&
                    attributes.map_state == IsViewable && !attributes.override_redirect)
                    bottomFirst.push_back(children[i]);
            }
        }
        if (children) XFree(children);
    }
    std::vector<TopLevelWindow> windows;
    for (auto it = bottomFirst.rbegin(); it != bottomFirst.rend(); ++it)
        windows.push_back({*it, owner(*it)});
    return windows;
}

void X11WindowSystem::bringToTop(WindowId window) {
    if (window == 0) return;
    Display* display = m_connection.display();
    const Window root = m_connection.rootWindow();
    m_connection.withErrorsCaught([&] {
        if (m_connection.hasWindowManager()) {
            // Asked as a pager would: window managers honour that without focus-stealing checks.
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = m_connection.atom("_NET_ACTIVE_WINDOW");
            event.xclient.format = 32;
            event.xclient.data.l[0] = 2;
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                       &event);
        } else {
            XRaiseWindow(display, window);
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
        }
    });
}

WindowId X11WindowSystem::mainWindow() const {
    return m_mainWindow ? m_mainWindow->winId() : 0;
}

bool X11WindowSystem::isMainWindowForeground() const {
    return m_mainWindow && m_mainWindow->isVisible() && foregroundWindow() == mainWindow();
}

void X11WindowSystem::showMainWindow() {
    if (m_mainWindow) m_mainWindow->show();
}

void X11WindowSystem::hideMainWindow() {
    if (m_mainWindow) m_mainWindow->hide();
}

void X11WindowSystem::activateMainWindow() {
    if (!m_mainWindow) return;
    const bool wasShown = m_mainWindow->isVisible() && !m_mainWindow->isMinimized();
    // Qt asks for the focus once the window is mapped; a window already on screen is also
    // asked for directly, which window managers grant more readily.
    restoreAndActivate(*m_mainWindow);
    if (wasShown) bringToTop(m_mainWindow->winId());
}

}  // namespace kivrano::platform
