#include "phone/QtLineMessageLoop.h"

#include <QEventLoop>
#include <QTimer>

namespace kivrano {

QtLineMessageLoop::QtLineMessageLoop() : m_context(std::make_unique<QObject>()) {}

QtLineMessageLoop::~QtLineMessageLoop() = default;

void QtLineMessageLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        m_context.get(),
        [this, task = std::move(task)] {
            task();
            if (m_waiting) m_waiting->quit();
        },
        Qt::QueuedConnection);
}

void QtLineMessageLoop::waitForEvents(std::chrono::milliseconds timeout) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeout);
    QEventLoop* outer = m_waiting;
    m_waiting = &loop;
    // The user's input is handled too: the program stays usable while a reply is awaited,
    // and the dialer's guards keep its own commands from re-entering.
    loop.exec();
    m_waiting = outer;
}

}  // namespace kivrano
