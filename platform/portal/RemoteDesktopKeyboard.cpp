#include "platform/portal/RemoteDesktopKeyboard.h"

#include "platform/DebugSink.h"
#include "platform/portal/PortalKeysyms.h"
#include "platform/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

#include <xkbcommon/xkbcommon.h>

namespace kivrano::platform::portal {

namespace {

const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr uint kKeyboardDevice = 1;
// Kept until the user revokes it in the desktop's settings.
constexpr uint kPersistUntilRevoked = 2;

}  // namespace

RemoteDesktopKeyboard::RemoteDesktopKeyboard(QDBusConnection bus, RestoreTokenFile restoreToken,
                                             DebugSink& trace, Timeouts timeouts)
    : m_bus(std::move(bus)),
      m_restoreToken(std::move(restoreToken)),
      m_trace(trace),
      m_timeouts(timeouts) {}

RemoteDesktopKeyboard::~RemoteDesktopKeyboard() {
    closeSession();
}

void RemoteDesktopKeyboard::trace(const std::string& line) {
    m_trace.write("RemoteDesktop portal: " + line + "\n");
}

bool RemoteDesktopKeyboard::beginTyping() {
    if (hasSession()) return true;
    if (!startSession()) {
        closeSession();
        return false;
    }
    // Some desktops lose the first key of a new input device: a Shift press and release
    // costs nothing where they do not.
    sendKeysym(XKB_KEY_Shift_L, true);
    sendKeysym(XKB_KEY_Shift_L, false);
    return hasSession();
}

bool RemoteDesktopKeyboard::startSession() {
    if (!m_bus.isConnected()) {
        trace("no session bus: cannot type");
        return false;
    }
    const QVariant versionProperty =
        portalProperty(m_bus, kRemoteDesktop, QStringLiteral("version"));
    if (!versionProperty.isValid()) {
        trace("the desktop offers no RemoteDesktop portal: cannot type");
        return false;
    }
    const uint version = versionProperty.toUInt();

    PortalResult created = PortalRequest::call(
        m_bus, kRemoteDesktop, QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), nextHandleToken()}}, m_timeouts.request);
    if (!created.succeeded()) {
        trace(created.describe(QStringLiteral("CreateSession")));
        return false;
    }
    m_session = sessionHandleOf(created.results);
    if (m_session.isEmpty()) {
        trace("CreateSession gave no session");
        return false;
    }
    m_bus.connect(kPortalService, m_session, kSessionInterface, QStringLiteral("Closed"), this,
                  SLOT(sessionClosed()));

    QVariantMap devices{{QStringLiteral("types"), kKeyboardDevice}};
    std::string storedToken;
    if (version >= 2) {
        devices.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
        storedToken = m_restoreToken.read();
        if (!storedToken.empty())
            devices.insert(QStringLiteral("restore_token"), QString::fromStdString(storedToken));
    }
    const QVariantList onSession{QVariant::fromValue(QDBusObjectPath(m_session))};
    PortalResult selected =
        PortalRequest::call(m_bus, kRemoteDesktop, QStringLiteral("SelectDevices"), onSession,
                            devices, m_timeouts.request);
    if (!selected.succeeded()) {
        trace(selected.describe(QStringLiteral("SelectDevices")));
        return false;
    }

    PortalResult started =
        PortalRequest::call(m_bus, kRemoteDesktop, QStringLiteral("Start"),
                            onSession + QVariantList{QString()}, {}, m_timeouts.consent);
    if (!started.succeeded()) {
        trace(started.describe(QStringLiteral("Start")));
        return false;
    }
    if (!(started.results.value(QStringLiteral("devices")).toUInt() & kKeyboardDevice)) {
        trace("Start: the keyboard was not granted");
        return false;
    }
    if (version >= 2) {
        // A token serves once; the portal hands out the next one with each start. None back
        // means the grant is not remembered, and the old token is worth nothing now.
        const std::string next =
            started.results.value(QStringLiteral("restore_token")).toString().toStdString();
        std::string error;
        if (!m_restoreToken.write(next, error)) trace("the restore token is not kept: " + error);
    }
    trace("session started (interface version " + std::to_string(version) + ")");
    return hasSession();
}

void RemoteDesktopKeyboard::endTyping() {
    closeSession();
}

void RemoteDesktopKeyboard::closeSession() {
    if (m_session.isEmpty()) return;
    m_bus.disconnect(kPortalService, m_session, kSessionInterface, QStringLiteral("Closed"), this,
                     SLOT(sessionClosed()));
    m_bus.call(QDBusMessage::createMethodCall(kPortalService, m_session, kSessionInterface,
                                              QStringLiteral("Close")),
               QDBus::Block, static_cast<int>(m_timeouts.request.count()));
    m_session.clear();
}

void RemoteDesktopKeyboard::sessionClosed() {
    trace("the desktop closed the session; the rest of this typing is dropped");
    m_bus.disconnect(kPortalService, m_session, kSessionInterface, QStringLiteral("Closed"), this,
                     SLOT(sessionClosed()));
    m_session.clear();
}

bool RemoteDesktopKeyboard::sendKeysym(std::uint32_t keysym, bool pressed) {
    if (m_session.isEmpty() || keysym == 0) return false;
    QDBusMessage message = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, kRemoteDesktop, QStringLiteral("NotifyKeyboardKeysym"));
    message << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap()
            << static_cast<int>(keysym) << static_cast<uint>(pressed ? 1 : 0);
    // Waited for, so that the keys arrive in order and a refusal is seen at once.
    const QDBusMessage reply =
        m_bus.call(message, QDBus::Block, static_cast<int>(m_timeouts.request.count()));
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
    // The grant is gone (the desktop ended it) or broken: the rest of the typing is dropped
    // and the next one asks anew.
    trace("a key was refused, the session is given up: " + reply.errorMessage().toStdString());
    closeSession();
    return false;
}

void RemoteDesktopKeyboard::keyDown(VirtualKey key) {
    sendKeysym(keysymForKey(key), true);
}

void RemoteDesktopKeyboard::keyUp(VirtualKey key) {
    sendKeysym(keysymForKey(key), false);
}

std::optional<KeyStroke> RemoteDesktopKeyboard::mapCharacter(char32_t) const {
    return std::nullopt;
}

bool RemoteDesktopKeyboard::isPhysicallyHeld(Modifier) const {
    return false;
}

bool RemoteDesktopKeyboard::typesCharacter(char32_t character) const {
    return typesByKeysym(character);
}

bool RemoteDesktopKeyboard::typeCharacter(char32_t character) {
    const std::uint32_t keysym = keysymForCharacter(character);
    if (!sendKeysym(keysym, true)) return false;
    return sendKeysym(keysym, false);
}

}  // namespace kivrano::platform::portal
