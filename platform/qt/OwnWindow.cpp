#include "platform/qt/OwnWindow.h"

#include <QWidget>
#include <QWindow>

namespace kivrano::platform {

std::string nativeWindowTitle(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return (handle ? handle->title() : window.windowTitle()).toStdString();
}

void restoreAndActivate(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace kivrano::platform
