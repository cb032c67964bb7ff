#pragma once

#include <string>
#include <string_view>

namespace kivrano {

// The built-in web browser as the program names it to the user: "Web browser (Firefox)",
// after the program that browserPath starts (followed through the system's alternatives
// links); plain "Web browser" when no browser was found.
std::string webBrowserLabel(const std::string& browserPath);

// What the user is told when the built-in browser does not start: its name and path, or
// that there is none.
std::string cannotRunBrowserMessage(const std::string& browserPath);

// Whether a window title is a web browser's: browsers append their name ("Bank - Google
// Chrome", "Bank — Mozilla Firefox"), as Internet Explorer and Netscape did.
bool isBrowserWindowTitle(std::string_view title);

// A page's own title: the window title cut where the browser's name begins.
std::string withoutBrowserName(std::string title);

}  // namespace kivrano
