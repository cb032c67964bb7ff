#include "platform/kwin/KWinScriptWindows.h"

#include "platform/DebugSink.h"
#include "platform/kwin/KWinScriptText.h"
#include "platform/qt/OwnWindow.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

namespace kivrano::platform {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScripting = QStringLiteral("/Scripting");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString kOurInterface = QStringLiteral("org.kivrano.KWinWindows");
constexpr int kCallTimeoutMs = 3000;

QDBusMessage callKWin(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(kKWin, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
}

std::string errorText(const QDBusMessage& reply) {
    return (reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString();
}

// The script's text in a file only we can read, for KWin to load.
std::unique_ptr<QTemporaryFile> scriptFile(const QString& text) {
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                 QStringLiteral("/kivrano-kwin-XXXXXX.js"));
    if (!file->open()) return nullptr;
    const QByteArray bytes = text.toUtf8();
    if (file->write(bytes) != bytes.size() || !file->flush()) return nullptr;
    return file;
}

// Each backend of ours has an object and a script name of its own.
int nextInstance() {
    static int instances = 0;
    return ++instances;
}

}  // namespace

KWinScriptWindows::KWinScriptWindows(DebugSink& trace, QObject* parent)
    : QObject(parent),
      m_trace(trace),
      m_instance(nextInstance()),
      m_reportPath(QStringLiteral("/org/kivrano/KWinWindows/%1").arg(m_instance)) {}

KWinScriptWindows::~KWinScriptWindows() {
    if (!m_scriptName.isEmpty()) unloadScript(m_scriptName);
    if (m_registered) QDBusConnection::sessionBus().unregisterObject(m_reportPath);
}

bool KWinScriptWindows::kwinAvailable() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kKWin);
}

bool KWinScriptWindows::start(std::chrono::milliseconds timeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        trace("no session bus: the windows are not known");
        return false;
    }
    m_kwinOwner = bus.interface()->serviceOwner(kKWin).value();
    if (m_kwinOwner.isEmpty()) {
        trace("KWin is not on the session bus: the windows are not known");
        return false;
    }
    if (!m_registered) {
        m_registered =
            bus.registerObject(m_reportPath, this, QDBusConnection::ExportScriptableSlots);
        if (!m_registered) {
            trace("cannot offer " + m_reportPath.toStdString() + " on the session bus");
            return false;
        }
    }
    // Our unique name is address enough: nothing of the bus's names needs to be ours.
    m_scriptFile =
        scriptFile(kwin::windowReportScript({bus.baseService(), m_reportPath, kOurInterface}));
    if (!m_scriptFile) {
        trace("cannot write the KWin script to " + QDir::tempPath().toStdString());
        return false;
    }
    const QString name = QStringLiteral("kivrano-windows-%1-%2").arg(::getpid()).arg(m_instance);
    if (!runScript(m_scriptFile->fileName(), name)) return false;
    m_scriptName = name;
    if (!waitForReport([this] { return m_table.hasReport(); }, timeout)) {
        trace("KWin's script sent no report within " + std::to_string(timeout.count()) + " ms");
        return false;
    }
    trace("following the windows through a KWin script");
    return true;
}

bool KWinScriptWindows::runScript(const QString& fileName, const QString& name) {
    const QDBusMessage loaded =
        callKWin(kScripting, kScriptingInterface, QStringLiteral("loadScript"), {fileName, name});
    if (loaded.type() == QDBusMessage::ErrorMessage) {
        trace("KWin did not load the script " + name.toStdString() + ": " + errorText(loaded));
        return false;
    }
    const int id = loaded.arguments().value(0).toInt();
    if (id < 0) {
        trace("KWin refused the script " + name.toStdString());
        return false;
    }
    // KWin 5.27 puts a loaded script at /N; Plasma 6 at /Scripting/ScriptN.
    QDBusMessage ran;
    for (const QString& path :
         {QStringLiteral("/%1").arg(id), QStringLiteral("/Scripting/Script%1").arg(id)}) {
        ran = callKWin(path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
        if (ran.type() != QDBusMessage::ErrorMessage) return true;
    }
    trace("KWin did not run the script " + name.toStdString() + ": " + errorText(ran));
    unloadScript(name);
    return false;
}

void KWinScriptWindows::unloadScript(const QString& name) {
    const QDBusMessage reply =
        callKWin(kScripting, kScriptingInterface, QStringLiteral("unloadScript"), {name});
    if (reply.type() == QDBusMessage::ErrorMessage)
        trace("KWin did not unload the script " + name.toStdString() + ": " + errorText(reply));
}

bool KWinScriptWindows::waitForReport(const std::function<bool()>& done,
                                      std::chrono::milliseconds timeout) {
    if (done()) return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &KWinScriptWindows::reported, &loop, [&] {
        if (done()) loop.quit();
    });
    timer.start(timeout);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

bool KWinScriptWindows::fromKWin() {
    if (!calledFromDBus()) return true;
    const QString sender = message().service();
    if (sender == m_kwinOwner) return true;
    // KWin may have been restarted since: its name has a new owner then.
    m_kwinOwner = connection().interface()->serviceOwner(kKWin).value();
    return sender == m_kwinOwner;
}

void KWinScriptWindows::Report(const QString& report) {
    // Anyone on the bus could call us; only KWin's reports describe the windows.
    if (!fromKWin()) {
        trace("a window report not sent by KWin was ignored");
        return;
    }
    if (!m_table.apply(report)) {
        trace("an unreadable window report was ignored");
        return;
    }
    emit reported();
}

WindowId KWinScriptWindows::foregroundWindow() const {
    return m_table.foreground();
}

std::string KWinScriptWindows::title(WindowId window) const {
    const auto* entry = m_table.find(window);
    return entry ? entry->caption : std::string();
}

std::string KWinScriptWindows::className(WindowId window) const {
    const auto* entry = m_table.find(window);
    return entry ? entry->className : std::string();
}

std::string KWinScriptWindows::browserAddress(WindowId) const {
    return {};
}

std::vector<TopLevelWindow> KWinScriptWindows::topLevelWindows() const {
    std::vector<TopLevelWindow> windows;
    for (const auto& window : m_table.windows()) windows.push_back({window.id, window.owner});
    return windows;
}

void KWinScriptWindows::bringToTop(WindowId window) {
    const auto* entry = m_table.find(window);
    if (entry == nullptr || m_scriptName.isEmpty()) return;
    const auto file = scriptFile(kwin::activationScript(entry->internalId));
    if (!file) {
        trace("cannot write the KWin activation script to " + QDir::tempPath().toStdString());
        return;
    }
    const QString name = QStringLiteral("kivrano-activate-%1-%2-%3")
                             .arg(::getpid())
                             .arg(m_instance)
                             .arg(++m_activations);
    if (!runScript(file->fileName(), name)) return;
    if (!waitForReport([this, window] { return m_table.active() == window; },
                       std::chrono::seconds(1)))
        trace("KWin did not report window " + std::to_string(window) + " active within 1 s");
    unloadScript(name);
}

WindowId KWinScriptWindows::mainWindow() const {
    if (!m_mainWindow) return 0;
    // KWin knows our window by our process and the title Qt gave it.
    return m_table.windowOfProcess(::getpid(), nativeWindowTitle(*m_mainWindow));
}

bool KWinScriptWindows::isMainWindowForeground() const {
    const WindowId main = mainWindow();
    return m_mainWindow && m_mainWindow->isVisible() && main != 0 && foregroundWindow() == main;
}

void KWinScriptWindows::showMainWindow() {
    if (m_mainWindow) m_mainWindow->show();
}

void KWinScriptWindows::hideMainWindow() {
    if (m_mainWindow) m_mainWindow->hide();
}

void KWinScriptWindows::activateMainWindow() {
    if (!m_mainWindow) return;
    restoreAndActivate(*m_mainWindow);
    // Wayland lets a program take the focus only with the compositor's leave; KWin's own
    // activation needs none. A window shown just now is waited for until KWin lists it.
    waitForReport([this] { return mainWindow() != 0; }, std::chrono::seconds(1));
    if (const WindowId main = mainWindow(); main != 0 && foregroundWindow() != main)
        bringToTop(main);
}

void KWinScriptWindows::trace(const std::string& line) const {
    m_trace.write("kwin windows: " + line + "\n");
}

}  // namespace kivrano::platform
