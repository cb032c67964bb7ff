#include "platform/qt/LocalSingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace kivrano::platform {

namespace {
constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 2000;
const QByteArray kRequest = QByteArrayLiteral("come-forward\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
}  // namespace

namespace {

// One copy per user and desktop: a second X session of the same user (or a test's own
// virtual display) runs a copy of its own rather than calling one it cannot show.
QString instanceName() {
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    display.replace(QLatin1Char(':'), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return display.isEmpty() ? QStringLiteral("KivranoClass-%1").arg(getuid())
                             : QStringLiteral("KivranoClass-%1-%2").arg(getuid()).arg(display);
}

}  // namespace

LocalSingleInstance::LocalSingleInstance() : LocalSingleInstance(instanceName()) {}

LocalSingleInstance::LocalSingleInstance(QString serverName)
    : m_serverName(std::move(serverName)) {}

LocalSingleInstance::~LocalSingleInstance() = default;

bool LocalSingleInstance::forwardToRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kConnectMs)) return false;
    socket.write(kRequest);
    socket.waitForBytesWritten(kAnswerMs);
    // A copy that accepted the connection runs, even if it is too busy to answer in time.
    socket.waitForReadyRead(kAnswerMs);
    socket.disconnectFromServer();
    return true;
}

bool LocalSingleInstance::becomeRunningCopy(std::function<void()> comeForward) {
    // A copy that answers is alive; a socket left by a copy that crashed answers nobody and
    // is replaced. (Listening alone would not tell: it takes the name over silently.)
    {
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(kConnectMs)) return false;
    }
    QLocalServer::removeServer(m_serverName);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_serverName)) return false;
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [raw, comeForward] {
        while (QLocalSocket* socket = raw->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, comeForward] {
                if (!socket->canReadLine()) return;
                if (socket->readLine() == kRequest) {
                    socket->write(kAnswer);
                    socket->flush();
                    if (comeForward) comeForward();
                }
            });
        }
    });
    m_server = std::move(server);
    return true;
}

}  // namespace kivrano::platform
