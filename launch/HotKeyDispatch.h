#pragma once

#include "platform/Clipboard.h"
#include "platform/HotKeys.h"
#include "platform/Shell.h"
#include "vault/TreeNode.h"

#include <functional>
#include <string>

namespace kivrano {

// What a pressed hotkey does: ids 0..8 type a field of the current item, 9 shows or hides
// the program, 10 opens the address on the clipboard in the built-in browser, and any
// other id is an item's launching key (the item's node).
class HotKeyDispatch {
public:
    struct Hooks {
        std::function<bool()> isLocked;        // the screen lock is shown: ignore keys
        std::function<bool()> isShownInFront;  // visible and the foreground window
        std::function<void()> hideToTray;
        std::function<void()> restore;             // show and bring to the front
        std::function<void(int field)> typeField;  // 0..8; the two below run first
        std::function<void()> autoTrackStep;
        std::function<void()> recordSelected;  // the selected item into the history
        std::function<bool(TreeNode)> isItem;
        std::function<void(TreeNode)> launchItem;  // record, select, show and launch
    };

    HotKeyDispatch(platform::Clipboard& clipboard, platform::Shell& shell, Hooks hooks)
        : m_clipboard(clipboard), m_shell(shell), m_hooks(std::move(hooks)) {}

    void dispatch(platform::HotKeyId id);

    // The clipboard's text without any space, Tab or line break, even inside it.
    static std::string clipboardAddress(const std::string& text);

private:
    platform::Clipboard& m_clipboard;
    platform::Shell& m_shell;
    Hooks m_hooks;
};

}  // namespace kivrano
