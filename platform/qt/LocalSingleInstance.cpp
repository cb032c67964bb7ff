#include "platform/qt/LocalSingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace kivrano::platform {

namespace {
constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 2000;
constexpr qint64 kLongestLine = 256;

// Sends one request line; nothing when no copy listens, else the answer line (empty when the
// copy accepted the connection but did not answer in time).
std::optional<QByteArray> exchange(const QString& serverName, const InstanceRequest& request) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kConnectMs)) return std::nullopt;
    socket.write(QByteArray::fromStdString(encodeInstanceRequest(request)));
    socket.waitForBytesWritten(kAnswerMs);
    QByteArray answer;
    while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerMs)) {
    }
    if (socket.canReadLine()) answer = socket.readLine(kLongestLine);
    socket.disconnectFromServer();
    return answer;
}

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
    : m_serverName(std::move(serverName)),
      m_requestHandler(std::make_shared<std::function<std::string(const InstanceRequest&)>>()) {}

LocalSingleInstance::~LocalSingleInstance() = default;

bool LocalSingleInstance::forwardToRunningCopy() {
    // A copy that accepted the connection runs, even if it is too busy to answer in time.
    return exchange(m_serverName, InstanceRequest{}).has_value();
}

std::optional<std::string> LocalSingleInstance::sendToRunningCopy(const InstanceRequest& request) {
    const std::optional<QByteArray> answer = exchange(m_serverName, request);
    if (!answer) return std::nullopt;
    if (answer->isEmpty()) return std::string("the running Kivrano did not answer in time");
    const std::optional<std::string> refusal = decodeInstanceAnswer(answer->toStdString());
    return refusal ? *refusal
                   : std::string("the running Kivrano gave an answer this one cannot read");
}

void LocalSingleInstance::setRequestHandler(
    std::function<std::string(const InstanceRequest&)> handler) {
    *m_requestHandler = std::move(handler);
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
    auto handler = m_requestHandler;
    QObject::connect(raw, &QLocalServer::newConnection, raw, [raw, comeForward, handler] {
        while (QLocalSocket* socket = raw->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(
                socket, &QLocalSocket::readyRead, socket, [socket, comeForward, handler] {
                    if (!socket->canReadLine()) {
                        // A line that never ends is no request.
                        if (socket->bytesAvailable() > kLongestLine) socket->abort();
                        return;
                    }
                    const QByteArray line = socket->readLine(kLongestLine);
                    socket->write(QByteArray::fromStdString(
                        answerInstanceLine(line.toStdString(), comeForward, *handler)));
                    socket->flush();
                });
        }
    });
    m_server = std::move(server);
    return true;
}

}  // namespace kivrano::platform
