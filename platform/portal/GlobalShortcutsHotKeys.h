#pragma once

#include "platform/HotKeys.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

class QDBusMessage;

namespace kivrano::platform {

class DebugSink;

namespace portal {

struct BusShortcut;
using BusShortcuts = QList<BusShortcut>;

// System-wide hotkeys through the desktop's GlobalShortcuts portal, for Wayland desktops. All
// our registrations form the shortcuts of one portal session; the desktop binds them (it may
// ask the user, and the user may change the keys in its settings). The registrations of one
// event-loop turn are bound together, in a new session that replaces the old one. Portals of
// interface version 1 (KDE Plasma 5.27) read the shortcuts from CreateSession's `shortcuts`
// option; later ones are given them with BindShortcuts.
class GlobalShortcutsHotKeys : public QObject, public HotKeys {
    Q_OBJECT

public:
    struct Timeouts {
        std::chrono::milliseconds request{10000};
        std::chrono::milliseconds consent{120000};  // BindShortcuts, which may ask the user
    };

    GlobalShortcutsHotKeys(QDBusConnection bus, DebugSink& trace, Timeouts timeouts);
    ~GlobalShortcutsHotKeys() override;

    bool registerHotKey(HotKeyId id, HotKeyValue key) override;
    void unregisterHotKey(HotKeyId id) override;
    void setHandler(std::function<void(HotKeyId)> handler) override {
        m_handler = std::move(handler);
    }

signals:
    // A set of registrations has been handed to the desktop (whatever it made of them).
    void bindingFinished();

private slots:
    void activated(const QDBusMessage& message);
    void deactivated(const QDBusMessage& message);

private:
    void scheduleBinding();
    void bind();
    void bindShortcuts(std::uint64_t generation, const BusShortcuts& shortcuts);
    void askWhatIsBound(std::uint64_t generation, const BusShortcuts& shortcuts);
    void closeSession();
    void finishBinding(const std::string& line);
    // The id of a shortcut of the current session named in an Activated/Deactivated signal.
    std::optional<HotKeyId> shortcutOf(const QDBusMessage& message) const;
    void trace(const std::string& line);

    QDBusConnection m_bus;
    DebugSink& m_trace;
    Timeouts m_timeouts;
    std::function<void(HotKeyId)> m_handler;
    std::map<HotKeyId, HotKeyValue> m_keys;
    bool m_bindingScheduled = false;
    bool m_creating = false;   // a CreateSession is on its way
    bool m_bindAgain = false;  // and the keys changed since it was asked for
    // Each binding replaces the one before; the later answers to an older one are ignored.
    std::uint64_t m_generation = 0;
    uint m_version = 0;  // 0 until read
    QString m_session;
    std::map<QString, HotKeyId> m_ids;  // the shortcut ids of the session
    std::set<HotKeyId> m_pressed;
};

}  // namespace portal
}  // namespace kivrano::platform
