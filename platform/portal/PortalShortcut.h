#pragma once

#include "platform/HotKeys.h"
#include "vault/HotKeyValue.h"

#include <map>
#include <string>
#include <vector>

namespace kivrano::platform::portal {

// One of our hotkeys as the GlobalShortcuts portal is told of it.
struct PortalShortcut {
    HotKeyId hotKey = 0;
    std::string id;           // "hotkey-2", "launch-<node>"
    std::string description;  // shown in the desktop's shortcut settings
    std::string trigger;      // the preferred combination; empty lets the user choose
    bool operator==(const PortalShortcut&) const = default;
};

// The shortcuts for a set of registrations, in id order.
std::vector<PortalShortcut> portalShortcuts(const std::map<HotKeyId, HotKeyValue>& keys);

// A combination in the text form of the desktop's shortcut settings ("CTRL+ALT+p",
// "SHIFT+F5"): the modifiers, then the key's keysym name. Empty when the combination has no
// key the desktop could name.
std::string shortcutTriggerText(HotKeyValue key);

}  // namespace kivrano::platform::portal
