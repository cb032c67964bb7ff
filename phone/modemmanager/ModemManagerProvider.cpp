// The telephony provider installed with the program: calls through ModemManager.

#include "phone/modemmanager/ModemManagerProvider.h"

#include "platform/qt/StderrDebugSink.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMap>
#include <QPointer>

#include <algorithm>
#include <cstring>
#include <memory>

namespace kivrano {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ModemManager1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/ModemManager1");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kModem = QStringLiteral("org.freedesktop.ModemManager1.Modem");
const QString kVoice = QStringLiteral("org.freedesktop.ModemManager1.Modem.Voice");
const QString kCall = QStringLiteral("org.freedesktop.ModemManager1.Call");

// Listing the modems is the one answer waited for; a bus that does not answer in this time
// counts as no modems.
constexpr int kListTimeoutMs = 5000;
constexpr std::uint32_t kApiVersion = 0x00010004;

using Interfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;

// ModemManager's call states and the reasons for them.
enum MMCallState : int {
    MMCallDialing = 1,
    MMCallRingingOut = 2,
    MMCallActive = 4,
    MMCallHeld = 5,
    MMCallTerminated = 7,
};
enum MMCallStateReason : uint {
    MMReasonUnknown = 0,
    MMReasonTerminated = 4,
    MMReasonRefusedOrBusy = 5,
    MMReasonError = 6,
    MMReasonAudioSetupFailed = 7,
    MMReasonTransferred = 8,
    MMReasonDeflected = 9,
};

std::uint32_t lineState(int state) {
    switch (state) {
        case MMCallDialing: return LINECALLSTATE_DIALING;
        case MMCallRingingOut: return LINECALLSTATE_RINGBACK;
        case MMCallActive: return LINECALLSTATE_CONNECTED;
        case MMCallHeld: return LINECALLSTATE_ONHOLD;
        case MMCallTerminated: return LINECALLSTATE_DISCONNECTED;
        default: return LINECALLSTATE_UNKNOWN;
    }
}

std::uint32_t disconnectMode(uint reason) {
    switch (reason) {
        case MMReasonTerminated: return LINEDISCONNECTMODE_NORMAL;
        case MMReasonRefusedOrBusy: return LINEDISCONNECTMODE_BUSY;
        case MMReasonError: return LINEDISCONNECTMODE_UNREACHABLE;
        case MMReasonAudioSetupFailed: return LINEDISCONNECTMODE_INCOMPATIBLE;
        case MMReasonTransferred:
        case MMReasonDeflected: return LINEDISCONNECTMODE_FORWARDED;
        default: return LINEDISCONNECTMODE_UNKNOWN;
    }
}

constexpr std::int32_t failed() {
    return static_cast<std::int32_t>(LINEERR_OPERATIONFAILED);
}

// A connection of the provider's own, so that a new start (after a shutdown) looks for the
// bus again; DBUS_SYSTEM_BUS_ADDRESS moves it elsewhere, as for every D-Bus client.
QDBusConnection connectToSystemBus() {
    static int starts = 0;
    const QString name = QStringLiteral("kivrano-modemmanager-%1").arg(++starts);
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
                             : QDBusConnection::connectToBus(address, name);
}

std::string errorText(const QDBusMessage& answer) {
    return (answer.errorName() + QStringLiteral(": ") + answer.errorMessage()).toStdString();
}

}  // namespace

ModemManagerProvider::ModemManagerProvider(LINECALLBACK callback)
    : m_callback(callback), m_bus(connectToSystemBus()) {
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<ManagedObjects>();
}

ModemManagerProvider::~ModemManagerProvider() {
    QDBusConnection::disconnectFromBus(m_bus.name());
}

void ModemManagerProvider::trace(const std::string& text) const {
    m_debug.write("ModemManager: " + text + "\n");
}

std::uint32_t ModemManagerProvider::findModems() {
    m_modems.clear();
    if (!m_bus.isConnected()) {
        trace("no system bus (" + m_bus.lastError().message().toStdString() + ")");
        return 0;
    }
    const QDBusMessage answer =
        m_bus.call(QDBusMessage::createMethodCall(kService, kManagerPath, kObjectManager,
                                                  QStringLiteral("GetManagedObjects")),
                   QDBus::Block, kListTimeoutMs);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) {
        trace("not reachable (" + errorText(answer) + ")");
        return 0;
    }
    const auto objects =
        qdbus_cast<ManagedObjects>(answer.arguments().first().value<QDBusArgument>());
    for (auto object = objects.begin(); object != objects.end(); ++object) {
        if (!object.value().contains(kVoice)) continue;
        const QVariantMap modem = object.value().value(kModem);
        QString name = (modem.value(QStringLiteral("Manufacturer")).toString() + QLatin1Char(' ') +
                        modem.value(QStringLiteral("Model")).toString())
                           .trimmed();
        if (name.isEmpty()) name = object.key().path();
        m_modems.push_back({object.key().path(), name.toStdString()});
    }
    std::sort(m_modems.begin(), m_modems.end(),
              [](const Modem& a, const Modem& b) { return a.path < b.path; });
    trace(std::to_string(m_modems.size()) + " modem(s) with voice support");
    return static_cast<std::uint32_t>(m_modems.size());
}

std::int32_t ModemManagerProvider::negotiate(std::uint32_t device, std::uint32_t low,
                                             std::uint32_t high, std::uint32_t* version) const {
    if (device >= m_modems.size() || low > kApiVersion) return failed();
    *version = std::min(high, kApiVersion);
    return 0;
}

std::int32_t ModemManagerProvider::devCaps(std::uint32_t device, LINEDEVCAPS* caps) const {
    if (device >= m_modems.size() || caps->dwTotalSize < sizeof(LINEDEVCAPS)) return failed();
    const std::string& name = m_modems[device].name;
    const auto nameSize = static_cast<std::uint32_t>(name.size() + 1);
    caps->dwNeededSize = static_cast<std::uint32_t>(sizeof(LINEDEVCAPS)) + nameSize;
    caps->dwUsedSize = sizeof(LINEDEVCAPS);
    caps->dwBearerModes = LINEBEARERMODE_VOICE;
    caps->dwMediaModes = LINEMEDIAMODE_INTERACTIVEVOICE;
    caps->dwLineFeatures = LINEFEATURE_MAKECALL;
    caps->dwStringFormat = STRINGFORMAT_ASCII;
    if (caps->dwTotalSize >= caps->dwNeededSize) {
        std::memcpy(reinterpret_cast<char*>(caps) + sizeof(LINEDEVCAPS), name.c_str(), nameSize);
        caps->dwLineNameOffset = sizeof(LINEDEVCAPS);
        caps->dwLineNameSize = nameSize;
        caps->dwUsedSize = caps->dwNeededSize;
    }
    return 0;
}

std::int32_t ModemManagerProvider::addressCaps(std::uint32_t device, LINEADDRESSCAPS* caps) const {
    if (device >= m_modems.size() || caps->dwTotalSize < sizeof(LINEADDRESSCAPS)) return failed();
    caps->dwNeededSize = sizeof(LINEADDRESSCAPS);
    caps->dwUsedSize = sizeof(LINEADDRESSCAPS);
    return 0;
}

std::int32_t ModemManagerProvider::open(std::uint32_t device, HLINE* line) {
    if (device >= m_modems.size()) return failed();
    if (m_modems[device].open) return static_cast<std::int32_t>(LINEERR_ALLOCATED);
    m_modems[device].open = true;
    *line = device + 1;
    return 0;
}

std::int32_t ModemManagerProvider::close(HLINE line) {
    if (line == 0 || line > m_modems.size()) return failed();
    m_modems[line - 1].open = false;
    return 0;
}

template <typename Done>
void ModemManagerProvider::callAsync(const QString& path, const QString& interface,
                                     const QString& method, const QVariantList& arguments,
                                     Done done) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                done(finished->reply());
            });
}

void ModemManagerProvider::reply(std::int32_t request, std::int32_t result) {
    m_callback(0, LINE_REPLY, 0, static_cast<std::uintptr_t>(request),
               static_cast<std::uintptr_t>(static_cast<std::uint32_t>(result)), 0);
}

void ModemManagerProvider::callState(HCALL call, std::uint32_t state, std::uint32_t reason) {
    m_callback(call, LINE_CALLSTATE, 0, state, reason, 0);
}

std::int32_t ModemManagerProvider::makeCall(HLINE line, HCALL* call, const char* number) {
    if (line == 0 || line > m_modems.size() || !m_modems[line - 1].open) return failed();
    const HCALL handle = m_nextCall++;
    const std::int32_t request = m_nextRequest++;
    Call fresh{};
    fresh.device = line - 1;
    m_calls[handle] = fresh;
    *call = handle;
    const QVariantMap properties{{QStringLiteral("number"), QString::fromUtf8(number)}};
    callAsync(
        m_modems[line - 1].path, kVoice, QStringLiteral("CreateCall"), {properties},
        [this, handle, request](const QDBusMessage& answer) { created(handle, request, answer); });
    return request;
}

void ModemManagerProvider::created(HCALL handle, std::int32_t request, const QDBusMessage& answer) {
    const auto found = m_calls.find(handle);
    if (found != m_calls.end()) found->second.creating = false;
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) {
        trace("the modem did not create the call (" + errorText(answer) + ")");
        reply(request, failed());
        if (found == m_calls.end()) return;
        // There is nothing to hang up.
        found->second.state = LINECALLSTATE_IDLE;
        if (found->second.pendingDrop) reply(found->second.pendingDrop, 0);
        if (found->second.deallocated) m_calls.erase(found);
        return;
    }
    const QString path = answer.arguments().first().value<QDBusObjectPath>().path();
    if (found == m_calls.end() || found->second.deallocated || found->second.pendingDrop) {
        // Hung up before the modem had the call: it is never started.
        Call abandoned = found != m_calls.end() ? found->second : Call{};
        abandoned.path = path;
        reply(request, failed());
        if (abandoned.pendingDrop) reply(abandoned.pendingDrop, 0);
        deleteCall(abandoned);
        if (found != m_calls.end()) {
            found->second.path = path;
            found->second.state = LINECALLSTATE_IDLE;
            if (found->second.deallocated) m_calls.erase(found);
        }
        return;
    }
    found->second.path = path;
    m_bus.connect(kService, path, kCall, QStringLiteral("StateChanged"), this,
                  SLOT(callStateChanged(int, int, uint, QDBusMessage)));
    callAsync(path, kCall, QStringLiteral("Start"), {},
              [this, handle, request](const QDBusMessage& startAnswer) {
                  started(handle, request, startAnswer);
              });
}

void ModemManagerProvider::started(HCALL handle, std::int32_t request, const QDBusMessage& answer) {
    if (answer.type() == QDBusMessage::ReplyMessage) {
        reply(request, 0);
        return;
    }
    trace("the modem did not start the call (" + errorText(answer) + ")");
    reply(request, failed());
    if (const auto found = m_calls.find(handle); found != m_calls.end())
        found->second.state = LINECALLSTATE_IDLE;
}

void ModemManagerProvider::callStateChanged(int, int newState, uint reason,
                                            const QDBusMessage& message) {
    for (auto& [handle, call] : m_calls) {
        if (call.path != message.path() || call.deallocated) continue;
        call.state = lineState(newState);
        callState(handle, call.state,
                  call.state == LINECALLSTATE_DISCONNECTED ? disconnectMode(reason) : 0);
        return;
    }
}

std::int32_t ModemManagerProvider::callStatus(HCALL handle, LINECALLSTATUS* status) const {
    const auto found = m_calls.find(handle);
    if (found == m_calls.end() || status->dwTotalSize < sizeof(LINECALLSTATUS)) return failed();
    status->dwNeededSize = sizeof(LINECALLSTATUS);
    status->dwUsedSize = sizeof(LINECALLSTATUS);
    status->dwCallState = found->second.state;
    return 0;
}

std::int32_t ModemManagerProvider::drop(HCALL handle) {
    const auto found = m_calls.find(handle);
    if (found == m_calls.end()) return failed();
    Call& call = found->second;
    const std::int32_t request = m_nextRequest++;
    if (call.creating) {
        call.pendingDrop = request;  // answered once the modem has the call
        return request;
    }
    if (call.path.isEmpty() || call.state == LINECALLSTATE_IDLE ||
        call.state == LINECALLSTATE_DISCONNECTED) {
        reply(request, 0);
        return request;
    }
    callAsync(call.path, kCall, QStringLiteral("Hangup"), {},
              [this, request](const QDBusMessage& answer) {
                  if (answer.type() != QDBusMessage::ReplyMessage)
                      trace("the modem did not hang up (" + errorText(answer) + ")");
                  reply(request, answer.type() == QDBusMessage::ReplyMessage ? 0 : failed());
              });
    return request;
}

void ModemManagerProvider::deleteCall(const Call& call) {
    if (call.path.isEmpty() || call.device >= m_modems.size()) return;
    m_bus.disconnect(kService, call.path, kCall, QStringLiteral("StateChanged"), this,
                     SLOT(callStateChanged(int, int, uint, QDBusMessage)));
    callAsync(m_modems[call.device].path, kVoice, QStringLiteral("DeleteCall"),
              {QVariant::fromValue(QDBusObjectPath(call.path))}, [](const QDBusMessage&) {});
}

std::int32_t ModemManagerProvider::deallocate(HCALL handle) {
    const auto found = m_calls.find(handle);
    if (found == m_calls.end()) return failed();
    if (found->second.creating) {
        found->second.deallocated = true;  // removed once the modem answers
        return 0;
    }
    deleteCall(found->second);
    m_calls.erase(found);
    return 0;
}

std::int32_t ModemManagerProvider::generateDigits(HCALL handle, const char* digits) {
    const auto found = m_calls.find(handle);
    if (found == m_calls.end() || found->second.path.isEmpty()) return failed();
    callAsync(found->second.path, kCall, QStringLiteral("SendDtmf"), {QString::fromUtf8(digits)},
              [this, handle](const QDBusMessage& answer) {
                  if (answer.type() != QDBusMessage::ReplyMessage)
                      trace("the modem did not send the tones (" + errorText(answer) + ")");
                  m_callback(handle, LINE_GENERATE, 0, 0, 0, 0);
              });
    return 0;
}

void ModemManagerProvider::shutdown() {
    for (auto& [handle, call] : m_calls) deleteCall(call);
    m_calls.clear();
    for (Modem& modem : m_modems) modem.open = false;
}

}  // namespace kivrano

// --- the exported line functions --------------------------------------------------------

namespace {

// Lives as long as the application object: the bus connection cannot outlive it.
QPointer<kivrano::ModemManagerProvider> g_provider;

}  // namespace

#define LINE_EXPORT extern "C" __attribute__((visibility("default")))

LINE_EXPORT int32_t lineInitialize(HLINEAPP* app, void*, LINECALLBACK callback, const char*,
                                   uint32_t* deviceCount) {
    *deviceCount = 0;
    if (!QCoreApplication::instance()) {
        kivrano::platform::StderrDebugSink().write(
            "ModemManager: needs the program's event loop\n");
        return static_cast<int32_t>(LINEERR_OPERATIONFAILED);
    }
    delete g_provider;
    g_provider = new kivrano::ModemManagerProvider(callback);
    g_provider->setParent(QCoreApplication::instance());
    *deviceCount = g_provider->findModems();
    *app = 1;
    return 0;
}

LINE_EXPORT int32_t lineShutdown(HLINEAPP) {
    if (!g_provider) return static_cast<int32_t>(LINEERR_OPERATIONFAILED);
    g_provider->shutdown();
    g_provider->deleteLater();
    g_provider = nullptr;
    return 0;
}

#define WITH_PROVIDER(expression)                                              \
    do {                                                                       \
        if (!g_provider) return static_cast<int32_t>(LINEERR_OPERATIONFAILED); \
        return expression;                                                     \
    } while (false)

LINE_EXPORT int32_t lineNegotiateAPIVersion(HLINEAPP, uint32_t device, uint32_t low, uint32_t high,
                                            uint32_t* version, LINEEXTENSIONID*) {
    WITH_PROVIDER(g_provider->negotiate(device, low, high, version));
}

LINE_EXPORT int32_t lineGetDevCaps(HLINEAPP, uint32_t device, uint32_t, uint32_t,
                                   LINEDEVCAPS* caps) {
    WITH_PROVIDER(g_provider->devCaps(device, caps));
}

LINE_EXPORT int32_t lineGetAddressCaps(HLINEAPP, uint32_t device, uint32_t, uint32_t, uint32_t,
                                       LINEADDRESSCAPS* caps) {
    WITH_PROVIDER(g_provider->addressCaps(device, caps));
}

LINE_EXPORT int32_t lineOpen(HLINEAPP, uint32_t device, HLINE* line, uint32_t, uint32_t, uintptr_t,
                             uint32_t, uint32_t, const LINECALLPARAMS*) {
    WITH_PROVIDER(g_provider->open(device, line));
}

LINE_EXPORT int32_t lineClose(HLINE line) {
    WITH_PROVIDER(g_provider->close(line));
}

LINE_EXPORT int32_t lineMakeCall(HLINE line, HCALL* call, const char* destination, uint32_t,
                                 const LINECALLPARAMS*) {
    WITH_PROVIDER(g_provider->makeCall(line, call, destination));
}

LINE_EXPORT int32_t lineGetCallStatus(HCALL call, LINECALLSTATUS* status) {
    WITH_PROVIDER(g_provider->callStatus(call, status));
}

LINE_EXPORT int32_t lineDrop(HCALL call, const char*, uint32_t) {
    WITH_PROVIDER(g_provider->drop(call));
}

LINE_EXPORT int32_t lineDeallocateCall(HCALL call) {
    WITH_PROVIDER(g_provider->deallocate(call));
}

LINE_EXPORT int32_t lineGenerateDigits(HCALL call, uint32_t, const char* digits, uint32_t) {
    WITH_PROVIDER(g_provider->generateDigits(call, digits));
}
