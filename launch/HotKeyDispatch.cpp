#include "launch/HotKeyDispatch.h"

#include "vault/VaultSettings.h"

namespace kivrano {

std::string HotKeyDispatch::clipboardAddress(const std::string& text) {
    std::string address;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') address += c;
    return address;
}

void HotKeyDispatch::dispatch(platform::HotKeyId id) {
    if (m_hooks.isLocked && m_hooks.isLocked()) return;
    if (id == kHotKeyShowHide) {
        if (m_hooks.isShownInFront && m_hooks.isShownInFront()) {
            if (m_hooks.hideToTray) m_hooks.hideToTray();
        } else if (m_hooks.restore) {
            m_hooks.restore();
        }
        return;
    }
    if (id <= kHotKeyClipboardAddress) {
        if (id == kHotKeyClipboardAddress) {
            if (!m_clipboard.open()) return;
            const std::string text = m_clipboard.text().value_or(std::string());
            m_clipboard.close();
            // A failure is not reported.
            m_shell.open(m_shell.builtInBrowser(), clipboardAddress(text));
        }
        // Field keys and the clipboard key alike: the item matching the window in front is
        // selected and recorded first; the clipboard key names no field, so it types nothing.
        if (m_hooks.autoTrackStep) m_hooks.autoTrackStep();
        if (m_hooks.recordSelected) m_hooks.recordSelected();
        if (id <= kHotKeyMemo && m_hooks.typeField) m_hooks.typeField(static_cast<int>(id));
        return;
    }
    const auto node = static_cast<TreeNode>(id);
    if (m_hooks.isItem && m_hooks.isItem(node) && m_hooks.launchItem) m_hooks.launchItem(node);
}

}  // namespace kivrano
