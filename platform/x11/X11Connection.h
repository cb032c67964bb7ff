#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct _XDisplay;
union _XEvent;

namespace kivrano::platform {

// Our own Xlib connection, independent of the Qt platform plugin. Its events are read when
// the socket has data and again whenever the Qt event loop is about to sleep: Xlib reads
// events into its queue during any round trip, where the socket notifier cannot see them.
class X11Connection {
public:
    // Null when the display cannot be opened (no X server, or a missing extension).
    static std::unique_ptr<X11Connection> open(const std::string& displayName = {});
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    _XDisplay* display() const { return m_display; }
    unsigned long rootWindow() const;
    unsigned long atom(const char* name) const;

    // Every event read from the connection goes to each listener until it is removed.
    int addListener(std::function<void(const _XEvent&)> listener);
    void removeListener(int id);
    // Reads and dispatches every queued event.
    void drain();
    // Sends what is buffered and waits until the server has handled it.
    void sync();

    // Whether an EWMH window manager runs (one that maintains _NET_ACTIVE_WINDOW).
    bool hasWindowManager() const;

    // Runs `request` with X errors caught instead of ending the process; returns the error
    // code of the first error it caused, 0 when none.
    int withErrorsCaught(const std::function<void()>& request) const;

private:
    explicit X11Connection(_XDisplay* display);
    // Events Xlib read during a round trip sit in its queue, unseen by the socket notifier.
    void drainQueuedLater() const;

    _XDisplay* m_display;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QMetaObject::Connection m_aboutToBlock;
    std::vector<std::pair<int, std::function<void(const _XEvent&)>>> m_listeners;
    int m_nextListener = 1;
    bool m_draining = false;
    mutable bool m_drainQueued = false;
};

}  // namespace kivrano::platform
