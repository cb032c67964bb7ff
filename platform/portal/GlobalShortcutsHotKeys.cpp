#include "platform/portal/GlobalShortcutsHotKeys.h"

#include "platform/DebugSink.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalShortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QList>
#include <QTimer>

namespace kivrano::platform::portal {

// A shortcut on the bus: (sa{sv}), its id and its properties.
struct BusShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const BusShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

}  // namespace kivrano::platform::portal

Q_DECLARE_METATYPE(kivrano::platform::portal::BusShortcut)

namespace kivrano::platform::portal {

namespace {

const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");

BusShortcuts busShortcuts(const std::vector<PortalShortcut>& shortcuts) {
    BusShortcuts list;
    for (const PortalShortcut& shortcut : shortcuts) {
        QVariantMap properties{
            {QStringLiteral("description"), QString::fromStdString(shortcut.description)}};
        if (!shortcut.trigger.empty())
            properties.insert(QStringLiteral("preferred_trigger"),
                              QString::fromStdString(shortcut.trigger));
        list.append({QString::fromStdString(shortcut.id), properties});
    }
    return list;
}

// The shortcuts a response lists, with the keys the desktop gave them.
BusShortcuts shortcutsOf(const QVariantMap& results) {
    const QVariant value = results.value(QStringLiteral("shortcuts"));
    if (!value.canConvert<QDBusArgument>()) return {};
    return qdbus_cast<BusShortcuts>(value.value<QDBusArgument>());
}

std::string describeBound(const BusShortcuts& shortcuts) {
    std::string text;
    for (const BusShortcut& shortcut : shortcuts) {
        if (!text.empty()) text += ", ";
        text += shortcut.id.toStdString() + " " +
                shortcut.properties.value(QStringLiteral("trigger_description"))
                    .toString()
                    .toStdString();
    }
    return text.empty() ? std::string("none") : text;
}

}  // namespace

GlobalShortcutsHotKeys::GlobalShortcutsHotKeys(QDBusConnection bus, DebugSink& trace,
                                               Timeouts timeouts)
    : m_bus(std::move(bus)), m_trace(trace), m_timeouts(timeouts) {
    qDBusRegisterMetaType<BusShortcut>();
    qDBusRegisterMetaType<BusShortcuts>();
    for (const char* signal : {"Activated", "Deactivated"}) {
        const bool pressed = QByteArray(signal) == "Activated";
        if (!m_bus.connect(
                kPortalService, kPortalPath, kGlobalShortcuts, QString::fromLatin1(signal), this,
                pressed ? SLOT(activated(QDBusMessage)) : SLOT(deactivated(QDBusMessage))))
            this->trace("cannot listen to GlobalShortcuts." + std::string(signal));
    }
}

GlobalShortcutsHotKeys::~GlobalShortcutsHotKeys() {
    closeSession();
}

void GlobalShortcutsHotKeys::trace(const std::string& line) {
    m_trace.write("GlobalShortcuts portal: " + line + "\n");
}

bool GlobalShortcutsHotKeys::registerHotKey(HotKeyId id, HotKeyValue key) {
    if (!key.isSet()) {
        unregisterHotKey(id);
        return false;
    }
    m_keys[id] = key;
    scheduleBinding();
    return true;
}

void GlobalShortcutsHotKeys::unregisterHotKey(HotKeyId id) {
    if (m_keys.erase(id) > 0) scheduleBinding();
}

void GlobalShortcutsHotKeys::scheduleBinding() {
    if (m_bindingScheduled) return;
    m_bindingScheduled = true;
    QTimer::singleShot(0, this, &GlobalShortcutsHotKeys::bind);
}

void GlobalShortcutsHotKeys::closeSession() {
    m_ids.clear();
    m_pressed.clear();
    if (m_session.isEmpty()) return;
    // Waited for: the next session takes the same name.
    m_bus.call(QDBusMessage::createMethodCall(kPortalService, m_session, kSessionInterface,
                                              QStringLiteral("Close")),
               QDBus::Block, static_cast<int>(m_timeouts.request.count()));
    m_session.clear();
}

void GlobalShortcutsHotKeys::finishBinding(const std::string& line) {
    trace(line);
    emit bindingFinished();
}

void GlobalShortcutsHotKeys::bind() {
    m_bindingScheduled = false;
    if (m_creating) {
        // One session at a time (they share a name): the next binding follows this one.
        m_bindAgain = true;
        return;
    }
    const std::uint64_t generation = ++m_generation;
    closeSession();
    if (m_keys.empty()) return finishBinding("no shortcuts to bind");
    if (m_version == 0) {
        const QVariant version = portalProperty(m_bus, kGlobalShortcuts, QStringLiteral("version"));
        if (!version.isValid())
            return finishBinding(
                "the desktop offers no GlobalShortcuts portal: hotkeys work "
                "only through the desktop's own keyboard settings");
        m_version = version.toUInt();
    }

    const std::vector<PortalShortcut> ours = portalShortcuts(m_keys);
    const BusShortcuts shortcuts = busShortcuts(ours);
    std::map<QString, HotKeyId> ids;
    for (const PortalShortcut& shortcut : ours)
        ids[QString::fromStdString(shortcut.id)] = shortcut.hotKey;

    // The desktop names the shortcuts' group in its settings after this token (KDE Plasma).
    QVariantMap options{{QStringLiteral("session_handle_token"), QStringLiteral("kivrano")}};
    if (m_version < 2) options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts));
    m_creating = true;
    PortalRequest::start(
        m_bus, kGlobalShortcuts, QStringLiteral("CreateSession"), {}, options, m_timeouts.request,
        this, [this, generation, shortcuts, ids](const PortalResult& created) {
            m_creating = false;
            const QString session = sessionHandleOf(created.results);
            if (created.succeeded()) m_session = session;
            if (m_bindAgain) {
                // The keys changed meanwhile: this session is replaced before it is used.
                m_bindAgain = false;
                return bind();
            }
            if (!created.succeeded() || session.isEmpty())
                return finishBinding(created.describe(QStringLiteral("CreateSession")));
            m_ids = ids;
            if (m_version >= 2)
                bindShortcuts(generation, shortcuts);
            else
                askWhatIsBound(generation, shortcuts);
        });
}

void GlobalShortcutsHotKeys::askWhatIsBound(std::uint64_t generation,
                                            const BusShortcuts& shortcuts) {
    // Version 1 portals that took the shortcuts with the session list them now; one that
    // ignored the option lists none and is given them the later way.
    PortalRequest::start(
        m_bus, kGlobalShortcuts, QStringLiteral("ListShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session))}, {}, m_timeouts.request, this,
        [this, generation, shortcuts](const PortalResult& listed) {
            if (generation != m_generation) return;
            if (!listed.succeeded())
                return finishBinding("shortcuts given with the session; " +
                                     listed.describe(QStringLiteral("ListShortcuts")));
            const BusShortcuts bound = shortcutsOf(listed.results);
            if (bound.isEmpty()) return bindShortcuts(generation, shortcuts);
            finishBinding("bound with the session: " + describeBound(bound));
        });
}

void GlobalShortcutsHotKeys::bindShortcuts(std::uint64_t generation,
                                           const BusShortcuts& shortcuts) {
    PortalRequest::start(
        m_bus, kGlobalShortcuts, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
         QString()},
        {}, m_timeouts.consent, this, [this, generation](const PortalResult& bound) {
            if (generation != m_generation) return;
            if (!bound.succeeded())
                return finishBinding(bound.describe(QStringLiteral("BindShortcuts")));
            finishBinding("bound: " + describeBound(shortcutsOf(bound.results)));
        });
}

std::optional<HotKeyId> GlobalShortcutsHotKeys::shortcutOf(const QDBusMessage& message) const {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2) return std::nullopt;
    if (arguments.at(0).value<QDBusObjectPath>().path() != m_session || m_session.isEmpty())
        return std::nullopt;
    const auto found = m_ids.find(arguments.at(1).toString());
    if (found == m_ids.end()) return std::nullopt;
    return found->second;
}

void GlobalShortcutsHotKeys::activated(const QDBusMessage& message) {
    if (const auto id = shortcutOf(message)) m_pressed.insert(*id);
}

void GlobalShortcutsHotKeys::deactivated(const QDBusMessage& message) {
    const auto id = shortcutOf(message);
    // Once per press, at the release, as a grabbed key of our own.
    if (!id || m_pressed.erase(*id) == 0) return;
    QMetaObject::invokeMethod(
        this,
        [this, pressed = *id] {
            if (m_handler) m_handler(pressed);
        },
        Qt::QueuedConnection);
}

}  // namespace kivrano::platform::portal
