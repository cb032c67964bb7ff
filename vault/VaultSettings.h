#pragma once

#include "vault/HotKeyValue.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivrano {

// Global hotkey ids; an item's launching key is registered under its tree node's handle.
enum GlobalHotKeyId : int {
    kHotKeyId = 0,
    kHotKeyPassword = 1,
    kHotKeyEtc1 = 2,
    kHotKeyEtc6 = 7,
    kHotKeyMemo = 8,
    kHotKeyShowHide = 9,
    kHotKeyClipboardAddress = 10,
    kGlobalHotKeyCount = 11,
};

// The typing mode of the profile.
enum TypeInMode : std::int32_t {
    kTypeInKeyEmulation = 0,  // "Key Down/Up Emulation"
    kTypeInCopyPaste = 1,     // "Copy and Paste"
    kTypeInAutomatic = 2,     // "Automatic"
};

// Settings stored in the vault file together with the tree.
struct VaultSettings {
    std::uint8_t autoTrack = 0;
    std::int32_t autoLockMinutes = 30;
    std::int32_t typeInMode = kTypeInKeyEmulation;
    std::array<HotKeyValue, kGlobalHotKeyCount> globalHotKeys = defaultGlobalHotKeys();
    std::vector<std::string> applicationTable;  // at most kApplicationCapacity entries

    static constexpr std::size_t kApplicationCapacity = 100;
    static constexpr std::int32_t kNewProfileAutoLockMinutes = 30;

    // Ctrl+1 ID, Ctrl+2 Password, Ctrl+3..Ctrl+8 Etc1..Etc6, Ctrl+9 Memo, Ctrl+F12 show or
    // hide, Ctrl+0 the clipboard's address.
    static std::array<HotKeyValue, kGlobalHotKeyCount> defaultGlobalHotKeys() {
        std::array<HotKeyValue, kGlobalHotKeyCount> keys{};
        for (int i = 0; i <= kHotKeyMemo; ++i)
            keys[static_cast<std::size_t>(i)] = {static_cast<std::uint16_t>(0x31 + i),
                                                 HotKeyValue::kCtrl};
        keys[kHotKeyShowHide] = {0x7B, HotKeyValue::kCtrl};
        keys[kHotKeyClipboardAddress] = {0x30, HotKeyValue::kCtrl};
        return keys;
    }

    // The settings of a new profile: autoTrack and typeInMode keep the values in use.
    void resetForNewProfile() {
        autoLockMinutes = kNewProfileAutoLockMinutes;
        globalHotKeys = defaultGlobalHotKeys();
        applicationTable.clear();
    }

    bool operator==(const VaultSettings&) const = default;
};

}  // namespace kivrano
