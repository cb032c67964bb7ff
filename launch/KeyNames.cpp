#include "launch/KeyNames.h"

namespace kivrano {

namespace {

const char* namedKey(std::uint16_t vk) {
    switch (vk) {
        case 0x09: return "Tab";
        case 0x14: return "Caps Lock";
        case 0x21: return "Page Up";
        case 0x22: return "Page Down";
        case 0x23: return "End";
        case 0x24: return "Home";
        case 0x25: return "Left";
        case 0x26: return "Up";
        case 0x27: return "Right";
        case 0x28: return "Down";
        case 0x2D: return "Ins";
        case 0x2E: return "Del";
        case 0x6A: return "Num *";
        case 0x6B: return "Num +";
        case 0x6D: return "Num -";
        case 0x6E: return "Num .";
        case 0x6F: return "Num /";
        case 0x90: return "Num Lock";
        case 0x91: return "Scroll";
        default: return nullptr;
    }
}

}  // namespace

std::string keyNameText(const HotKeyValue& key) {
    std::string text;
    if (key.modifiers & HotKeyValue::kCtrl) text += "Ctrl+";
    if (key.modifiers & HotKeyValue::kAlt) text += "Alt+";
    if (key.modifiers & HotKeyValue::kShift) text += "Shift+";
    const std::uint16_t vk = key.virtualKey;
    if (vk >= 0x30 && vk <= 0x5A) {
        text += static_cast<char>(vk);
    } else if (vk >= 0x60 && vk <= 0x69) {
        text += "Num ";
        text += static_cast<char>('0' + (vk - 0x60));
    } else if (vk >= 0x70 && vk <= 0x86) {
        text += 'F';
        text += std::to_string(vk - 0x6F);
    } else if (const char* name = namedKey(vk)) {
        text += name;
    }
    return text;
}

}  // namespace kivrano
