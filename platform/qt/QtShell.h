#pragma once

#include "platform/Shell.h"

#include <QStringList>

#include <optional>

namespace kivrano::platform {

// Programs are started detached; addresses and documents go to the desktop's handler
// (xdg-open through QDesktopServices).
class QtShell : public Shell {
public:
    QtShell() = default;
    // Looks programs up in `searchPath` instead of $PATH.
    explicit QtShell(QStringList searchPath) : m_searchPath(std::move(searchPath)) {}

    int open(const std::string& target, const std::string& parameters) override;
    // $BROWSER, then x-www-browser, then the first of firefox, chromium and google-chrome.
    std::string builtInBrowser() const override;

    // "http://...", "mailto:..." and the like; a plain path is not an address.
    static bool isAddress(const QString& target);

private:
    QString findProgram(const QString& name) const;

    std::optional<QStringList> m_searchPath;
};

}  // namespace kivrano::platform
