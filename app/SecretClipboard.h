#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kivrano {

namespace platform {
class Clipboard;
class DebugSink;
class SettingsStore;
}  // namespace platform

// What the user copies from the program. A secret (a password, a user ID, a note) is hidden
// from clipboard managers and histories and taken off the clipboard after a delay, unless
// something else has been copied meanwhile; a plain text (an address) stays.
class SecretClipboard {
public:
    static constexpr std::chrono::seconds kDefaultClearDelay{20};
    static constexpr std::chrono::seconds kMaxClearDelay{24 * 60 * 60};
    // Starts (or starts again) the one countdown; the owner calls expire() when it ends.
    using TimerStarter = std::function<void(std::chrono::milliseconds)>;

    explicit SecretClipboard(platform::Clipboard& clipboard) : m_clipboard(clipboard) {}
    ~SecretClipboard();
    SecretClipboard(const SecretClipboard&) = delete;
    SecretClipboard& operator=(const SecretClipboard&) = delete;

    void setTimerStarter(TimerStarter starter) { m_startTimer = std::move(starter); }
    // Zero keeps secrets on the clipboard.
    void setClearDelay(std::chrono::seconds delay) { m_delay = delay; }
    std::chrono::seconds clearDelay() const { return m_delay; }
    void setTrace(platform::DebugSink* trace) { m_trace = trace; }

    // "ClipboardClearSeconds" of the settings: 0 (never) up to a day; missing or anything
    // else gives the default.
    static std::chrono::seconds loadClearDelay(platform::SettingsStore& store);

    // False when another program holds the clipboard and nothing was copied; the user can
    // simply try again.
    bool copySecret(const std::string& text);
    bool copyPlain(const std::string& text);
    // The countdown ended: the secret goes if the clipboard still holds it.
    void expire();

private:
    void forget();
    void trace(const char* line) const;

    platform::Clipboard& m_clipboard;
    TimerStarter m_startTimer;
    std::chrono::seconds m_delay = kDefaultClearDelay;
    platform::DebugSink* m_trace = nullptr;
    std::string m_secret;  // what was put, while it may still be on the clipboard
    bool m_pending = false;
};

}  // namespace kivrano
