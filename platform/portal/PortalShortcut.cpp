#include "platform/portal/PortalShortcut.h"

#include "platform/portal/PortalKeysyms.h"

#include <xkbcommon/xkbcommon.h>

#include <array>

namespace kivrano::platform::portal {

namespace {

// The global hotkeys, by id, as the desktop's settings list them.
constexpr std::array<const char*, 11> kGlobalDescriptions = {
    "Kivrano: type the ID",
    "Kivrano: type the password",
    "Kivrano: type Etc 1",
    "Kivrano: type Etc 2",
    "Kivrano: type Etc 3",
    "Kivrano: type Etc 4",
    "Kivrano: type Etc 5",
    "Kivrano: type Etc 6",
    "Kivrano: type the memo",
    "Kivrano: show or hide the window",
    "Kivrano: open the address on the clipboard",
};

}  // namespace

std::vector<PortalShortcut> portalShortcuts(const std::map<HotKeyId, HotKeyValue>& keys) {
    std::vector<PortalShortcut> shortcuts;
    for (const auto& [id, key] : keys) {
        PortalShortcut shortcut;
        shortcut.hotKey = id;
        if (id < kGlobalDescriptions.size()) {
            shortcut.id = "hotkey-" + std::to_string(id);
            shortcut.description = kGlobalDescriptions[id];
        } else {
            shortcut.id = "launch-" + std::to_string(id);
            shortcut.description = "Kivrano: launch an item (" + std::to_string(id) + ")";
        }
        shortcut.trigger = shortcutTriggerText(key);
        shortcuts.push_back(std::move(shortcut));
    }
    return shortcuts;
}

std::string shortcutTriggerText(HotKeyValue key) {
    if (key.virtualKey == 0 || key.virtualKey > 0xFF) return {};
    const std::uint32_t keysym = keysymForKey(static_cast<VirtualKey>(key.virtualKey));
    std::array<char, 64> name{};
    if (keysym == 0 || xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0) return {};
    std::string text;
    if (key.modifiers & HotKeyValue::kCtrl) text += "CTRL+";
    if (key.modifiers & HotKeyValue::kAlt) text += "ALT+";
    if (key.modifiers & HotKeyValue::kShift) text += "SHIFT+";
    return text + name.data();
}

}  // namespace kivrano::platform::portal
