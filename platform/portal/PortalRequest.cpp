#include "platform/portal/PortalRequest.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEventLoop>

#include <unistd.h>

#include <atomic>
#include <optional>

namespace kivrano::platform::portal {

namespace {

const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

}  // namespace

PortalOutcome outcomeOfResponseCode(uint code) {
    switch (code) {
        case 0: return PortalOutcome::Success;
        case 1: return PortalOutcome::Cancelled;
        default: return PortalOutcome::Failed;
    }
}

std::string describeOutcome(PortalOutcome outcome) {
    switch (outcome) {
        case PortalOutcome::Success: return "granted";
        case PortalOutcome::Cancelled: return "cancelled by the user";
        case PortalOutcome::Failed: return "refused by the desktop";
        case PortalOutcome::NoAnswer: return "no answer from the desktop portal";
        case PortalOutcome::CallFailed: return "the desktop portal could not be asked";
    }
    return "unknown";
}

std::string PortalResult::describe(const QString& method) const {
    std::string text = method.toStdString() + ": " + describeOutcome(outcome);
    if (!error.isEmpty()) text += " (" + error.toStdString() + ")";
    return text;
}

QString predictedObjectPath(const QString& kind, const QString& uniqueName, const QString& token) {
    QString sender = uniqueName;
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPortalPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender + QLatin1Char('/') +
           token;
}

QString nextHandleToken() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("kivrano_%1_%2").arg(::getpid()).arg(++counter);
}

PortalRequest::PortalRequest(QDBusConnection bus, QObject* context, Done done)
    : QObject(context), m_bus(std::move(bus)), m_done(std::move(done)) {
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        // The portal may still show its dialog: take it away, the answer would come too late.
        if (!m_path.isEmpty())
            m_bus.asyncCall(QDBusMessage::createMethodCall(
                kPortalService, m_path, kRequestInterface, QStringLiteral("Close")));
        finish({PortalOutcome::NoAnswer, {}, {}});
    });
}

void PortalRequest::listen(const QString& path) {
    if (path == m_path) return;
    if (!m_path.isEmpty())
        m_bus.disconnect(kPortalService, m_path, kRequestInterface, QStringLiteral("Response"),
                         this, SLOT(response(uint, QVariantMap)));
    m_path = path;
    m_bus.connect(kPortalService, m_path, kRequestInterface, QStringLiteral("Response"), this,
                  SLOT(response(uint, QVariantMap)));
}

void PortalRequest::response(uint code, const QVariantMap& results) {
    finish({outcomeOfResponseCode(code), results, {}});
}

void PortalRequest::finish(PortalResult result) {
    if (m_finished) return;
    m_finished = true;
    m_timeout.stop();
    if (!m_path.isEmpty())
        m_bus.disconnect(kPortalService, m_path, kRequestInterface, QStringLiteral("Response"),
                         this, SLOT(response(uint, QVariantMap)));
    Done done = std::move(m_done);
    deleteLater();
    if (done) done(result);
}

void PortalRequest::start(QDBusConnection bus, const QString& interface, const QString& method,
                          QVariantList arguments, QVariantMap options,
                          std::chrono::milliseconds timeout, QObject* context, Done done) {
    auto* request = new PortalRequest(bus, context, std::move(done));
    const QString token = nextHandleToken();
    options.insert(QStringLiteral("handle_token"), token);
    request->listen(predictedObjectPath(QStringLiteral("request"), bus.baseService(), token));

    QDBusMessage message =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
    arguments.append(options);
    message.setArguments(arguments);
    request->m_timeout.start(timeout);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, -1), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request,
            [request](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (request->m_finished) return;
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    request->finish({PortalOutcome::CallFailed, {}, reply.error().message()});
                    return;
                }
                // Portals older than the predicted path answer on a path of their own.
                request->listen(reply.value().path());
            });
}

PortalResult PortalRequest::call(QDBusConnection bus, const QString& interface,
                                 const QString& method, QVariantList arguments, QVariantMap options,
                                 std::chrono::milliseconds timeout) {
    std::optional<PortalResult> result;
    QEventLoop loop;
    start(std::move(bus), interface, method, std::move(arguments), std::move(options), timeout,
          &loop, [&](const PortalResult& r) {
              result = r;
              loop.quit();
          });
    if (!result) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return result.value_or(PortalResult{PortalOutcome::NoAnswer, {}, {}});
}

// CreateSession answers with the session's path as a string (some portals as an object path).
QString sessionHandleOf(const QVariantMap& results) {
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    if (handle.canConvert<QDBusObjectPath>()) {
        const QString path = handle.value<QDBusObjectPath>().path();
        if (!path.isEmpty()) return path;
    }
    return handle.toString();
}

QVariant portalProperty(QDBusConnection bus, const QString& interface, const QString& name) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    message << interface << name;
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

}  // namespace kivrano::platform::portal
