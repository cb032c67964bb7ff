#pragma once

// Commands on standard input, one a line, for the programs the end-to-end scripts drive.
#include <QByteArray>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <functional>

// Hands each line read from standard input to `command`; the application quits when the
// input ends.
class StdinCommands {
public:
    explicit StdinCommands(std::function<void(const QByteArray&)> command)
        : m_command(std::move(command)), m_input(STDIN_FILENO, QSocketNotifier::Read) {
        QObject::connect(&m_input, &QSocketNotifier::activated, [this] { read(); });
    }

private:
    void read() {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            QCoreApplication::quit();
            return;
        }
        m_pending.append(buffer, static_cast<qsizetype>(count));
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            m_command(line);
        }
    }

    std::function<void(const QByteArray&)> m_command;
    QSocketNotifier m_input;
    QByteArray m_pending;
};
