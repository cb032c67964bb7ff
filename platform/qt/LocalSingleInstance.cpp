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

QString LocalSingleInstance::defaultServerName() {
    // A copy on another display is on another desktop: it could not be brought forward here.
    QString display = qEnvironmentVariable("DISPLAY");
    for (QChar& c : display)
        if (!c.isLetterOrNumber()) c = QLatin1Char('_');
    return QStringLiteral("KivranoClass-%1-%2").arg(getuid()).arg(display);
}

LocalSingleInstance::LocalSingleInstance() : LocalSingleInstance(defaultServerName()) {}

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
