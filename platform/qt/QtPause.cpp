#include "platform/qt/QtPause.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace kivrano::platform {

void QtPause::pause(std::chrono::milliseconds duration) {
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(duration);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace kivrano::platform
