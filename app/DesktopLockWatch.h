#pragma once

#include <functional>
#include <string_view>

namespace kivrano {

namespace platform {
class DebugSink;
class DesktopLockSignals;
class SettingsStore;
}  // namespace platform

// Locks the vault when the desktop locks or the machine goes to sleep, as the Lock Screen
// command does, unless the program's setting LockOnDesktopLock is 0. The setting is read at
// each signal, so a change takes effect without a restart.
class DesktopLockWatch {
public:
    static constexpr std::string_view kSetting = "LockOnDesktopLock";

    DesktopLockWatch(platform::DesktopLockSignals& desktop, platform::SettingsStore& settings,
                     platform::DebugSink* trace, std::function<void()> lock);
    ~DesktopLockWatch();
    DesktopLockWatch(const DesktopLockWatch&) = delete;
    DesktopLockWatch& operator=(const DesktopLockWatch&) = delete;

    // The setting: on unless it holds 0.
    static bool enabled(platform::SettingsStore& settings);

private:
    void desktopLocked(std::string_view source);

    platform::DesktopLockSignals& m_desktop;
    platform::SettingsStore& m_settings;
    platform::DebugSink* m_trace;
    std::function<void()> m_lock;
};

}  // namespace kivrano
