#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowSystem.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace kivrano::platform::e2e {

// Runs the event loop until `done` holds or `ms` pass; true when it was seen to hold (asking
// once more could meet the next moment of a window manager that is still at work).
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    for (;;) {
        if (done()) return true;
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Keeps the event loop running for a while (events that must not come, come within it).
inline void settle(int ms = 150) {
    waitFor([] { return false; }, ms);
}

// The recording target program (kivrano_e2e_target), its reports and its fields' texts.
class Target {
public:
    // A title of the test's choosing, or the target's own.
    explicit Target(const std::string& title = {}) {
        m_process.setProgram(QStringLiteral(KIVRANO_E2E_TARGET));
        if (!title.empty())
            m_process.setArguments({QStringLiteral("--title"), QString::fromStdString(title)});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_output += m_process.readAllStandardOutput(); });
        m_process.start();
    }
    ~Target() {
        send("quit");
        if (!m_process.waitForFinished(2000)) m_process.kill();
        m_process.waitForFinished(1000);
    }

    bool started() {
        return waitFor([this] { return hasLine("ready"); }, 10000);
    }
    void send(const QByteArray& command) {
        m_process.write(command + "\n");
        m_process.waitForBytesWritten(1000);
    }
    // The whole output so far, without running the event loop.
    const QByteArray& output() const { return m_output; }
    QByteArray pollOutput() {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }
    bool hasLine(const QByteArray& line) const {
        return m_output.startsWith(line + "\n") || m_output.contains("\n" + line + "\n");
    }
    bool waitForLine(const QByteArray& line, int ms = 5000) {
        return waitFor([&] { return hasLine(line); }, ms);
    }
    void clearOutput() { m_output.clear(); }
    // The last text a field reported, as UTF-8.
    std::string fieldText(int field) const {
        const QByteArray prefix = "text " + QByteArray::number(field) + " ";
        std::string text;
        for (const QByteArray& line : m_output.split('\n'))
            if (line.startsWith(prefix))
                text = QByteArray::fromHex(line.mid(prefix.size())).toStdString();
        return text;
    }
    bool waitForText(int field, const std::string& text, int ms = 5000) {
        return waitFor([&] { return fieldText(field) == text; }, ms);
    }
    // Empties the fields and waits until the first one has the keyboard focus again.
    bool clear() {
        clearOutput();
        send("clear");
        return waitForLine("cleared");
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// One X connection for the test program, shared by the backend objects under test.
class X11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_connection = X11Connection::open();
        ASSERT_NE(s_connection, nullptr) << "no X display; run the tests through run-under-xvfb.sh";
        ASSERT_TRUE(waitFor([] { return s_connection->hasWindowManager(); }, 10000))
            << "the window manager did not start";
    }
    static void TearDownTestSuite() { s_connection.reset(); }

    X11Connection& connection() { return *s_connection; }

    // Starts the target and waits until its window has the keyboard focus. The target says
    // so itself: the window manager's hint can still name a closed window whose id the new one
    // reuses. A window manager under load (a keymap change makes it grab its keys anew) can
    // take seconds to take a new window on, and may then not focus it by itself, so the test
    // waits until it lists the window and asks for the focus as a pager would; one that missed
    // the window entirely sees it mapped again.
    std::unique_ptr<Target> startTarget(X11WindowSystem& windows) {
        auto target = std::make_unique<Target>();
        EXPECT_TRUE(target->started());
        auto isTarget = [&](WindowId w) {
            return windows.title(w).rfind("Kivrano E2E Target", 0) == 0;
        };
        auto listedTargets = [&] {
            std::vector<WindowId> listed;
            for (const TopLevelWindow& w : windows.topLevelWindows())
                if (isTarget(w.id)) listed.push_back(w.id);
            return listed;
        };
        waitFor([&] { return target->hasLine("active") || !listedTargets().empty(); }, 20000);
        for (int attempt = 0; attempt < 10 && !target->waitForLine("active", 1000); ++attempt) {
            const std::vector<WindowId> listed = listedTargets();
            for (WindowId w : listed) windows.bringToTop(w);
            if (listed.empty() && attempt == 4) target->send("remap");
        }
        EXPECT_TRUE(target->hasLine("active"))
            << target->output().toStdString() << describe(windows);
        EXPECT_TRUE(waitFor([&] { return isTarget(windows.foregroundWindow()); }))
            << "active window: " << windows.title(windows.foregroundWindow());
        EXPECT_TRUE(target->clear());
        return target;
    }

    // The windows the window manager lists, topmost first, and the active one: what a test
    // that found no focus says.
    static std::string describe(const X11WindowSystem& windows) {
        std::string text = "active: \"" + windows.title(windows.foregroundWindow()) + "\"; listed:";
        for (const TopLevelWindow& w : windows.topLevelWindows())
            text += " \"" + windows.title(w.id) + "\"";
        return text;
    }

    static inline std::unique_ptr<X11Connection> s_connection;
};

}  // namespace kivrano::platform::e2e
