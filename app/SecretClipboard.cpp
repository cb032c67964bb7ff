#include "app/SecretClipboard.h"

#include "platform/Clipboard.h"
#include "platform/DebugSink.h"
#include "platform/SettingsStore.h"
#include "vault/Secure.h"

namespace kivrano {

SecretClipboard::~SecretClipboard() {
    forget();
}

std::chrono::seconds SecretClipboard::loadClearDelay(platform::SettingsStore& store) {
    const auto key = store.open(platform::SettingsStore::Open::Existing);
    if (!key) return kDefaultClearDelay;
    const auto seconds = key->readInt("ClipboardClearSeconds");
    if (!seconds || *seconds < 0 || *seconds > kMaxClearDelay.count()) return kDefaultClearDelay;
    return std::chrono::seconds(*seconds);
}

bool SecretClipboard::copySecret(const std::string& text) {
    if (!m_clipboard.open()) return false;
    m_clipboard.empty();
    m_clipboard.setSecretText(text);
    m_clipboard.close();
    forget();
    if (m_delay.count() == 0 || !m_startTimer) return true;
    m_secret = text;
    m_pending = true;
    m_startTimer(m_delay);
    trace("clipboard: a secret was copied; it is cleared when the delay ends\n");
    return true;
}

bool SecretClipboard::copyPlain(const std::string& text) {
    if (!m_clipboard.open()) return false;
    m_clipboard.empty();
    m_clipboard.setText(text);
    m_clipboard.close();
    return true;
}

void SecretClipboard::expire() {
    if (!m_pending) return;
    // Another program's copy, or one of ours since, belongs to the user: it stays.
    bool cleared = false;
    if (m_clipboard.open()) {
        if (m_clipboard.isOwner() && m_clipboard.text() == m_secret) {
            m_clipboard.empty();
            cleared = true;
        }
        m_clipboard.close();
    }
    forget();
    trace(cleared ? "clipboard: the copied secret was cleared\n"
                  : "clipboard: the clipboard changed since the secret was copied; left alone\n");
}

void SecretClipboard::forget() {
    secureWipe(m_secret);
    m_pending = false;
}

void SecretClipboard::trace(const char* line) const {
    if (m_trace) m_trace->write(line);
}

}  // namespace kivrano
