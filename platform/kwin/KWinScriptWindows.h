#pragma once

#include "platform/WindowSystem.h"
#include "platform/kwin/KWinWindowTable.h"

#include <QDBusContext>
#include <QObject>
#include <QPointer>
#include <QTemporaryFile>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kivrano::platform {

class DebugSink;

// The desktop's windows on KDE Plasma (Wayland), where no program may look at another's
// windows: a script loaded into KWin over the session bus reports them to an object of ours
// at its start and on every change, and foregroundWindow(), title() and the rest answer from
// the last report. bringToTop() runs a one-shot script. The script is unloaded again when this
// object goes. Browsers' addresses are not exposed, so browserAddress() is empty.
class KWinScriptWindows : public QObject, public WindowSystem, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kivrano.KWinWindows")

public:
    explicit KWinScriptWindows(DebugSink& trace, QObject* parent = nullptr);
    ~KWinScriptWindows() override;

    // Whether KWin is on the session bus, i.e. whether this backend can work at all.
    static bool kwinAvailable();

    // Loads the script and waits, at most the time given, for its first report. False (with the
    // reason in the trace) when KWin refused or never answered: then nothing is known.
    bool start(std::chrono::milliseconds timeout = std::chrono::seconds(3));

    void setMainWindow(QWidget* window) { m_mainWindow = window; }
    // The name KWin knows our script by; empty until start() loaded it.
    const QString& scriptName() const { return m_scriptName; }
    // Our object's path, which the script reports to.
    const QString& reportPath() const { return m_reportPath; }

    WindowId foregroundWindow() const override;
    std::string title(WindowId window) const override;
    std::string className(WindowId window) const override;
    std::string browserAddress(WindowId window) const override;
    std::vector<TopLevelWindow> topLevelWindows() const override;
    // Waits (briefly, serving no user input) until KWin reports the window active, so that the
    // window in front read right after is the one brought forward.
    void bringToTop(WindowId window) override;

    WindowId mainWindow() const override;
    bool isMainWindowForeground() const override;
    void showMainWindow() override;
    void hideMainWindow() override;
    void activateMainWindow() override;

public slots:
    // Called by our KWin script over the bus.
    Q_SCRIPTABLE void Report(const QString& report);

signals:
    void reported();

private:
    // Loads a script file into KWin under the name and runs it; false with a trace line on failure.
    bool runScript(const QString& fileName, const QString& name);
    void unloadScript(const QString& name);
    bool waitForReport(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    bool fromKWin();
    void trace(const std::string& line) const;

    DebugSink& m_trace;
    kwin::KWinWindowTable m_table;
    QPointer<QWidget> m_mainWindow;
    std::unique_ptr<QTemporaryFile> m_scriptFile;
    const int m_instance;
    const QString m_reportPath;
    QString m_scriptName;
    QString m_kwinOwner;
    bool m_registered = false;
    int m_activations = 0;
};

}  // namespace kivrano::platform
