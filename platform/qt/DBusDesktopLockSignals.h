#pragma once

#include "platform/DesktopLockSignals.h"

#include <QObject>

#include <string>

namespace kivrano::platform {

class DebugSink;

// The lock signals of the desktop bus: the screen savers' ActiveChanged(true) on the session
// bus (freedesktop, GNOME, Xfce and MATE names), logind's PrepareForSleep(true) and this
// session's Lock on the system bus. A bus that is missing only costs its signals, with a line
// in the trace.
class DBusDesktopLockSignals : public QObject, public DesktopLockSignals {
    Q_OBJECT

public:
    explicit DBusDesktopLockSignals(DebugSink& trace, QObject* parent = nullptr);

    void setHandler(std::function<void(std::string_view)> handler) override {
        m_handler = std::move(handler);
    }

private slots:
    void screenSaverActiveChanged(bool active);
    void prepareForSleep(bool starting);
    void sessionLock();

private:
    void listenOnSessionBus();
    void listenOnSystemBus();
    void trace(const std::string& line);
    // Hands the lock to the handler from the event loop.
    void post(const char* source);

    DebugSink& m_trace;
    std::function<void(std::string_view)> m_handler;
};

}  // namespace kivrano::platform
