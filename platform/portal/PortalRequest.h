#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <string>

namespace kivrano::platform::portal {

inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// What became of one request to the desktop portal.
enum class PortalOutcome {
    Success,
    Cancelled,   // the user said no in the portal's dialog
    Failed,      // the portal answered that it could not do it
    NoAnswer,    // no response within the time allowed
    CallFailed,  // the call itself failed: no portal, no such interface, bad arguments
};

// The response code of org.freedesktop.portal.Request.Response: 0 success, 1 cancelled by the
// user, anything else a failure.
PortalOutcome outcomeOfResponseCode(uint code);
// A short phrase for the trace ("cancelled by the user").
std::string describeOutcome(PortalOutcome outcome);

// The object path the portal gives a request (or a session) made with `token` by the
// connection whose unique name is `uniqueName`: ":1.42" and "kivrano3" make
// /org/freedesktop/portal/desktop/request/1_42/kivrano3.
QString predictedObjectPath(const QString& kind, const QString& uniqueName, const QString& token);
// A token no other request of this process has used, valid as an object path element.
QString nextHandleToken();

struct PortalResult {
    PortalOutcome outcome = PortalOutcome::CallFailed;
    QVariantMap results;
    QString error;  // what went wrong, for the trace; empty on success

    bool succeeded() const { return outcome == PortalOutcome::Success; }
    // "CreateSession: cancelled by the user" and the like.
    std::string describe(const QString& method) const;
};

// One portal method that answers through a Request object: the Response signal is listened
// to on the predicted path before the call is made (a fast portal may answer before the
// method returns), then on the path the method returns if that differs. The options map is
// the method's last argument; its handle_token is set here.
class PortalRequest : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const PortalResult&)>;

    // Starts the request; `done` is called once, from the event loop, and the request then
    // deletes itself. Without an answer within `timeout` the request is closed.
    static void start(QDBusConnection bus, const QString& interface, const QString& method,
                      QVariantList arguments, QVariantMap options,
                      std::chrono::milliseconds timeout, QObject* context, Done done);

    // The same, waited for in an event loop that handles no user input (typing is synchronous:
    // the rest of the program must not act meanwhile, yet the bus must be served).
    static PortalResult call(QDBusConnection bus, const QString& interface, const QString& method,
                             QVariantList arguments, QVariantMap options,
                             std::chrono::milliseconds timeout);

private slots:
    void response(uint code, const QVariantMap& results);

private:
    PortalRequest(QDBusConnection bus, QObject* context, Done done);
    void listen(const QString& path);
    void finish(PortalResult result);

    QDBusConnection m_bus;
    QString m_path;
    QTimer m_timeout;
    Done m_done;
    bool m_finished = false;
};

// The session a CreateSession response names; empty when it names none.
QString sessionHandleOf(const QVariantMap& results);

// A property of the portal's interface (its "version", say); nothing valid when the portal or
// the interface is missing.
QVariant portalProperty(QDBusConnection bus, const QString& interface, const QString& name);

}  // namespace kivrano::platform::portal
