#pragma once

#include "platform/SingleInstance.h"

#include <QString>

#include <memory>

class QLocalServer;

namespace kivrano::platform {

// One copy per user and display through a local socket named "KivranoClass-<uid>-<display>";
// a later copy connects and asks the running one to come forward or to act on a hotkey, one
// line each way. Needs a running Qt event loop to be answered.
class LocalSingleInstance : public SingleInstance {
public:
    LocalSingleInstance();
    explicit LocalSingleInstance(QString serverName);
    ~LocalSingleInstance() override;

    bool forwardToRunningCopy() override;
    std::optional<std::string> sendToRunningCopy(const InstanceRequest& request) override;
    bool becomeRunningCopy(std::function<void()> comeForward) override;
    void setRequestHandler(std::function<std::string(const InstanceRequest&)> handler) override;

    const QString& serverName() const { return m_serverName; }
    // "KivranoClass-<uid>-<the X display, with only letters and digits>".
    static QString defaultServerName();

private:
    QString m_serverName;
    // Shared with the server's connections, so a handler set after listening is used.
    std::shared_ptr<std::function<std::string(const InstanceRequest&)>> m_requestHandler;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace kivrano::platform
