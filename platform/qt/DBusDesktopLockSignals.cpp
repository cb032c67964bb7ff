#include "platform/qt/DBusDesktopLockSignals.h"

#include "platform/DebugSink.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace kivrano::platform {

namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kLoginManager = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

DBusDesktopLockSignals::DBusDesktopLockSignals(DebugSink& trace, QObject* parent)
    : QObject(parent), m_trace(trace) {
    listenOnSessionBus();
    listenOnSystemBus();
}

void DBusDesktopLockSignals::listenOnSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        trace("no session bus (" + bus.lastError().message().toStdString() +
              "): the screen saver's lock is not followed");
        return;
    }
    // Whichever program owns the screen saver's name sends the signal, on a path of its own.
    for (const char* interface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver",
                                  "org.xfce.ScreenSaver", "org.mate.ScreenSaver"}) {
        if (!bus.connect(QString(), QString(), QString::fromLatin1(interface),
                         QStringLiteral("ActiveChanged"), this,
                         SLOT(screenSaverActiveChanged(bool))))
            trace(std::string("cannot listen to ") + interface + ".ActiveChanged");
    }
    trace("listening to the screen savers on the session bus");
}

void DBusDesktopLockSignals::listenOnSystemBus() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        trace("no system bus (" + bus.lastError().message().toStdString() +
              "): sleep and the session's lock are not followed");
        return;
    }
    if (!bus.connect(kLogin, kLoginPath, kLoginManager, QStringLiteral("PrepareForSleep"), this,
                     SLOT(prepareForSleep(bool))))
        trace("cannot listen to logind's PrepareForSleep");

    // The session's own object; asked without waiting, so that start-up never hangs on logind.
    QDBusMessage call = QDBusMessage::createMethodCall(kLogin, kLoginPath, kLoginManager,
                                                       QStringLiteral("GetSessionByPID"));
    call << static_cast<quint32>(::getpid());
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    trace("no logind session (" + reply.error().message().toStdString() +
                          "): the session's lock is not followed");
                    return;
                }
                const QString path = reply.value().path();
                if (QDBusConnection::systemBus().connect(
                        kLogin, path, QStringLiteral("org.freedesktop.login1.Session"),
                        QStringLiteral("Lock"), this, SLOT(sessionLock())))
                    trace("listening to the lock of session " + path.toStdString());
                else
                    trace("cannot listen to the lock of session " + path.toStdString());
            });
}

void DBusDesktopLockSignals::screenSaverActiveChanged(bool active) {
    if (active) post("screen saver");
}

void DBusDesktopLockSignals::prepareForSleep(bool starting) {
    if (starting) post("sleep");
}

void DBusDesktopLockSignals::sessionLock() {
    post("session lock");
}

void DBusDesktopLockSignals::post(const char* source) {
    QMetaObject::invokeMethod(
        this,
        [this, source] {
            if (m_handler) m_handler(source);
        },
        Qt::QueuedConnection);
}

void DBusDesktopLockSignals::trace(const std::string& line) {
    m_trace.write("desktop lock: " + line + "\n");
}

}  // namespace kivrano::platform
