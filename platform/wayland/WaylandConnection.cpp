#include "platform/wayland/WaylandConnection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kivrano::platform {

void WaylandConnection::onGlobal(void* data, wl_registry* registry, std::uint32_t name,
                                 const char* interface, std::uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    self->m_globals.push_back({name, interface, version});
    if (!self->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        self->m_seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 1u)));
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* self = static_cast<WaylandConnection*>(data);
    std::erase_if(self->m_globals, [name](const Global& g) { return g.name == name; });
}

std::unique_ptr<WaylandConnection> WaylandConnection::open(const std::string& name) {
    wl_display* display = wl_display_connect(name.empty() ? nullptr : name.c_str());
    if (!display) return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    // Two round trips: the globals, then the events of what was bound on the way (the seat).
    if (!connection->roundtrip() || !connection->roundtrip()) return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : m_display(display) {
    static const wl_registry_listener listener = {&WaylandConnection::onGlobal,
                                                  &WaylandConnection::onGlobalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &listener, this);
    if (QCoreApplication::instance()) {
        m_notifier =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { readAndDispatch(); });
        if (auto* dispatcher = QAbstractEventDispatcher::instance())
            m_aboutToBlock = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                              m_notifier.get(), [this] { dispatchQueued(); });
    }
}

WaylandConnection::~WaylandConnection() {
    QObject::disconnect(m_aboutToBlock);
    m_notifier.reset();
    if (m_seat) wl_seat_destroy(m_seat);
    if (m_registry) wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

std::uint32_t WaylandConnection::offeredVersion(const char* interface) const {
    for (const Global& global : m_globals)
        if (global.interface == interface) return global.version;
    return 0;
}

void* WaylandConnection::bind(const wl_interface* interface, std::uint32_t maxVersion) const {
    for (const Global& global : m_globals) {
        if (global.interface != interface->name) continue;
        const auto version =
            std::min({global.version, maxVersion, static_cast<std::uint32_t>(interface->version)});
        return wl_registry_bind(m_registry, global.name, interface, version);
    }
    return nullptr;
}

bool WaylandConnection::roundtrip() {
    if (failed()) return false;
    return wl_display_roundtrip(m_display) >= 0;
}

void WaylandConnection::flush() {
    // A full socket takes the rest once the compositor has read some (within a bound: a
    // compositor that reads nothing for seconds has hung).
    while (!failed() && wl_display_flush(m_display) < 0 && errno == EAGAIN) {
        pollfd writable{wl_display_get_fd(m_display), POLLOUT, 0};
        if (::poll(&writable, 1, 2000) <= 0) break;
    }
}

bool WaylandConnection::failed() const {
    return wl_display_get_error(m_display) != 0;
}

void WaylandConnection::readAndDispatch() {
    if (failed()) {
        // The compositor has gone or ended our connection: stop watching its socket.
        if (m_notifier) m_notifier->setEnabled(false);
        return;
    }
    while (wl_display_prepare_read(m_display) != 0) wl_display_dispatch_pending(m_display);
    wl_display_flush(m_display);
    pollfd ready{wl_display_get_fd(m_display), POLLIN, 0};
    if (::poll(&ready, 1, 0) > 0)
        wl_display_read_events(m_display);
    else
        wl_display_cancel_read(m_display);
    wl_display_dispatch_pending(m_display);
}

void WaylandConnection::dispatchQueued() {
    if (failed()) return;
    wl_display_dispatch_pending(m_display);
    wl_display_flush(m_display);
}

}  // namespace kivrano::platform
