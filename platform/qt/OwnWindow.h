#pragma once

#include <string>

class QWidget;

namespace kivrano::platform {

// Our own top-level window, as every window-system backend handles it through Qt.

// The title the window system knows the window by: its native window's, once it has one.
std::string nativeWindowTitle(const QWidget& window);

// Restores the window when minimised or hidden, raises it and asks for the keyboard focus.
// Whether the window system grants the focus is up to it; each backend adds its own way.
void restoreAndActivate(QWidget& window);

}  // namespace kivrano::platform
