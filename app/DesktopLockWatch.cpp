#include "app/DesktopLockWatch.h"

#include "platform/DebugSink.h"
#include "platform/DesktopLockSignals.h"
#include "platform/SettingsStore.h"

#include <string>

namespace kivrano {

DesktopLockWatch::DesktopLockWatch(platform::DesktopLockSignals& desktop,
                                   platform::SettingsStore& settings, platform::DebugSink* trace,
                                   std::function<void()> lock)
    : m_desktop(desktop), m_settings(settings), m_trace(trace), m_lock(std::move(lock)) {
    m_desktop.setHandler([this](std::string_view source) { desktopLocked(source); });
}

DesktopLockWatch::~DesktopLockWatch() {
    m_desktop.setHandler({});
}

bool DesktopLockWatch::enabled(platform::SettingsStore& settings) {
    const auto key = settings.open(platform::SettingsStore::Open::Existing);
    if (!key) return true;
    return key->readInt(std::string(kSetting)).value_or(1) != 0;
}

void DesktopLockWatch::desktopLocked(std::string_view source) {
    const bool on = enabled(m_settings);
    if (m_trace) {
        std::string line = "desktop lock: ";
        line += source;
        line += on ? ": locking\n" : ": not locking, LockOnDesktopLock is 0\n";
        m_trace->write(line);
    }
    if (on && m_lock) m_lock();
}

}  // namespace kivrano
