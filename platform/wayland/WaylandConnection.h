#pragma once

#include <QMetaObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;

namespace kivrano::platform {

// Our own connection to the Wayland compositor, beside the one of the Qt platform plugin: the
// protocols we use are not Qt's. Its events are read when the socket has data and whatever
// was queued meanwhile (during a round trip) is dispatched before the Qt event loop sleeps.
class WaylandConnection {
public:
    // Null when no compositor can be reached (WAYLAND_DISPLAY, or `name` when given).
    static std::unique_ptr<WaylandConnection> open(const std::string& name = {});
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return m_display; }
    // The first seat the compositor announced; null when it has none.
    wl_seat* seat() const { return m_seat; }

    // The version of a global the compositor offers, 0 when it does not offer it.
    std::uint32_t offeredVersion(const char* interface) const;
    // Binds the global of that interface at the lower of its version and `maxVersion`; null
    // when it is not offered.
    void* bind(const wl_interface* interface, std::uint32_t maxVersion) const;

    // Sends what is buffered and waits until the compositor has handled it, dispatching the
    // events it sent meanwhile. False once the connection has failed.
    bool roundtrip();
    // Sends what is buffered.
    void flush();
    // A protocol error or a lost connection: every request after it is ignored.
    bool failed() const;

private:
    struct Global {
        std::uint32_t name = 0;
        std::string interface;
        std::uint32_t version = 0;
    };
    static void onGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);

    explicit WaylandConnection(wl_display* display);
    void readAndDispatch();
    void dispatchQueued();

    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    std::vector<Global> m_globals;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QMetaObject::Connection m_aboutToBlock;
};

}  // namespace kivrano::platform
