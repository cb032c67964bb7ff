#pragma once

#include "phone/LineProvider.h"
#include "platform/qt/StderrDebugSink.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <map>
#include <string>
#include <vector>

namespace kivrano {

// Line devices over ModemManager on the system bus: each modem that can place voice calls is
// one line. A call is created and started on the modem; the call's state changes come back
// as call states. Everything runs on the thread of the Qt event loop that loaded the
// provider; the bus's answers arrive through that loop, so no line function waits on it
// except the listing of the modems when the provider starts.
class ModemManagerProvider : public QObject {
    Q_OBJECT

public:
    explicit ModemManagerProvider(LINECALLBACK callback);
    ~ModemManagerProvider() override;

    // The modems with voice support; none when there is no bus or no ModemManager on it.
    std::uint32_t findModems();

    std::int32_t negotiate(std::uint32_t device, std::uint32_t low, std::uint32_t high,
                           std::uint32_t* version) const;
    std::int32_t devCaps(std::uint32_t device, LINEDEVCAPS* caps) const;
    std::int32_t addressCaps(std::uint32_t device, LINEADDRESSCAPS* caps) const;
    std::int32_t open(std::uint32_t device, HLINE* line);
    std::int32_t close(HLINE line);
    std::int32_t makeCall(HLINE line, HCALL* call, const char* number);
    std::int32_t callStatus(HCALL call, LINECALLSTATUS* status) const;
    std::int32_t drop(HCALL call);
    std::int32_t deallocate(HCALL call);
    std::int32_t generateDigits(HCALL call, const char* digits);
    void shutdown();

private slots:
    void callStateChanged(int oldState, int newState, uint reason, const QDBusMessage& message);

private:
    struct Modem {
        QString path;
        std::string name;
        bool open = false;
    };
    struct Call {
        std::uint32_t device = 0;
        QString path;          // empty until the modem has created the call
        bool creating = true;  // the modem has not answered CreateCall yet
        std::uint32_t state = LINECALLSTATE_UNKNOWN;
        std::int32_t pendingDrop = 0;  // a drop asked for before the call existed
        bool deallocated = false;
    };

    void reply(std::int32_t request, std::int32_t result);
    void callState(HCALL call, std::uint32_t state, std::uint32_t reason);
    void created(HCALL handle, std::int32_t request, const QDBusMessage& answer);
    void started(HCALL handle, std::int32_t request, const QDBusMessage& answer);
    void deleteCall(const Call& call);
    // Calls a method without waiting; `done` gets the answer on the event loop.
    template <typename Done>
    void callAsync(const QString& path, const QString& interface, const QString& method,
                   const QVariantList& arguments, Done done);
    void trace(const std::string& text) const;

    LINECALLBACK m_callback;
    // Its trace goes to stderr when KIVRANO_DEBUG=1, as the program's does.
    mutable platform::StderrDebugSink m_debug;
    QDBusConnection m_bus;
    std::vector<Modem> m_modems;
    std::map<HCALL, Call> m_calls;
    HCALL m_nextCall = 1;
    std::int32_t m_nextRequest = 1;
};

}  // namespace kivrano
