#pragma once

// A D-Bus daemon of the test's own, so that tests running side by side never share a bus.

#include <QProcess>
#include <QString>

#include <chrono>
#include <initializer_list>

namespace kivrano::testing {

// Reads a line a process prints, waiting for it at most 30 s.
inline QString firstLine(QProcess& process) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!process.canReadLine() && std::chrono::steady_clock::now() < deadline)
        process.waitForReadyRead(100);
    return QString::fromUtf8(process.readLine()).trimmed();
}

// Starts a bus daemon in `bus`; its address, or an empty one when it did not start.
inline QString startPrivateBus(QProcess& bus) {
    bus.setProgram(QStringLiteral("dbus-daemon"));
    bus.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
    bus.start();
    if (!bus.waitForStarted()) return {};
    return firstLine(bus);
}

// Ends each process that still runs, with 5 s to go before it is killed.
inline void endProcesses(std::initializer_list<QProcess*> processes) {
    for (QProcess* process : processes) {
        if (process->state() == QProcess::NotRunning) continue;
        process->terminate();
        if (!process->waitForFinished(5000)) process->kill();
    }
}

}  // namespace kivrano::testing
