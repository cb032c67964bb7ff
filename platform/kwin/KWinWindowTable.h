#pragma once

#include "platform/WindowSystem.h"

#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kivrano::platform::kwin {

// The desktop's windows as the last report of our KWin script described them. KWin names a
// window by a UUID text; the table gives each one a number of its own, never reused, so that a
// window that closes cannot be mistaken for one that opens later.
class KWinWindowTable {
public:
    struct Window {
        WindowId id = 0;
        QString internalId;
        std::string caption;  // UTF-8
        std::string className;
        WindowId owner = 0;
        std::int64_t pid = 0;
    };

    // Takes a report in; a report that cannot be read changes nothing and answers false.
    bool apply(const QString& report);
    bool hasReport() const { return m_reported; }

    // The active window, followed up its owners to the last one; 0 when none.
    WindowId foreground() const;
    WindowId active() const { return m_active; }
    const Window* find(WindowId id) const;
    // Topmost first.
    const std::vector<Window>& windows() const { return m_windows; }
    // A window of the process whose caption is the title (KWin may add " <2>" to a caption that
    // another window has too), or else its first window without an owner; 0 when none.
    WindowId windowOfProcess(std::int64_t pid, const std::string& title) const;

private:
    WindowId numberFor(const QString& internalId, std::map<QString, WindowId>& numbers);

    std::map<QString, WindowId> m_numbers;
    WindowId m_lastNumber = 0;
    std::vector<Window> m_windows;
    WindowId m_active = 0;
    bool m_reported = false;
};

}  // namespace kivrano::platform::kwin
