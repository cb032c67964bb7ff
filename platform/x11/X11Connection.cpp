#include "platform/x11/X11Connection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace kivrano::platform {

namespace {

// Xlib's error handler is process-wide, so the trap is too; only one request runs at a time
// on the user-interface thread.
int g_trappedError = 0;

int trapError(Display*, XErrorEvent* event) {
    if (g_trappedError == 0) g_trappedError = event->error_code;
    return 0;
}

}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(const std::string& displayName) {
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    int reason = 0;
    Display* display = XkbOpenDisplay(displayName.empty() ? nullptr : displayName.c_str(), nullptr,
                                      nullptr, &xkbMajor, &xkbMinor, &reason);
    if (!display) return nullptr;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::X11Connection(_XDisplay* display) : m_display(display) {
    if (QCoreApplication::instance()) {
        m_notifier =
            std::make_unique<QSocketNotifier>(XConnectionNumber(m_display), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { drain(); });
        if (auto* dispatcher = QAbstractEventDispatcher::instance())
            m_aboutToBlock = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                              m_notifier.get(), [this] { drain(); });
    }
}

X11Connection::~X11Connection() {
    QObject::disconnect(m_aboutToBlock);
    m_notifier.reset();
    XCloseDisplay(m_display);
}

unsigned long X11Connection::rootWindow() const {
    return XDefaultRootWindow(m_display);
}

unsigned long X11Connection::atom(const char* name) const {
    return XInternAtom(m_display, name, False);
}

int X11Connection::addListener(std::function<void(const _XEvent&)> listener) {
    const int id = m_nextListener++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void X11Connection::removeListener(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void X11Connection::drain() {
    if (m_draining) return;  // a listener's round trip must not re-enter
    m_draining = true;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        // A listener may remove listeners, so go by id over a copy of the list.
        const auto listeners = m_listeners;
        for (const auto& [id, listener] : listeners) {
            const bool stillListening =
                std::any_of(m_listeners.begin(), m_listeners.end(),
                            [id = id](const auto& entry) { return entry.first == id; });
            if (stillListening) listener(event);
        }
    }
    m_draining = false;
}

void X11Connection::sync() {
    XSync(m_display, False);
    drainQueuedLater();
}

void X11Connection::drainQueuedLater() const {
    if (m_drainQueued || !m_notifier || XQLength(m_display) == 0) return;
    m_drainQueued = true;
    auto* self = const_cast<X11Connection*>(this);
    QMetaObject::invokeMethod(
        m_notifier.get(),
        [self] {
            self->m_drainQueued = false;
            self->drain();
        },
        Qt::QueuedConnection);
}

bool X11Connection::hasWindowManager() const {
    // _NET_SUPPORTING_WM_CHECK on the root names a child window that names itself the same way.
    const Atom check = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
    auto readWindow = [&](Window from, Window& result) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const int status = XGetWindowProperty(m_display, from, check, 0, 1, False, XA_WINDOW, &type,
                                              &format, &count, &after, &data);
        bool found = status == Success && type == XA_WINDOW && format == 32 && count == 1;
        if (found) result = *reinterpret_cast<Window*>(data);
        if (data) XFree(data);
        return found;
    };
    Window child = 0, self = 0;
    if (!readWindow(XDefaultRootWindow(m_display), child)) return false;
    const int error = withErrorsCaught([&] { readWindow(child, self); });
    return error == 0 && self == child;
}

int X11Connection::withErrorsCaught(const std::function<void()>& request) const {
    XSync(m_display, False);
    g_trappedError = 0;
    auto* previous = XSetErrorHandler(trapError);
    request();
    XSync(m_display, False);
    XSetErrorHandler(previous);
    const int error = g_trappedError;
    g_trappedError = 0;
    drainQueuedLater();
    return error;
}

}  // namespace kivrano::platform
