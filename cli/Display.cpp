#include "cli/Display.h"

#include "cli/VaultJson.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace kivrano::cli {

namespace {

// Windows-1252 code points of the bytes 0x80..0x9F; 0 where the code page has no character.
constexpr std::array<std::uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string hexEscape(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02X", value);
    return buffer;
}

std::string virtualKeyName(std::uint16_t vk) {
    if ((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A))
        return std::string(1, static_cast<char>(vk));
    if (vk >= 0x60 && vk <= 0x69) return "Num" + std::to_string(vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return "F" + std::to_string(vk - 0x70 + 1);
    switch (vk) {
        case 0x08: return "Backspace";
        case 0x09: return "Tab";
        case 0x0D: return "Enter";
        case 0x13: return "Pause";
        case 0x1B: return "Esc";
        case 0x20: return "Space";
        case 0x21: return "PageUp";
        case 0x22: return "PageDown";
        case 0x23: return "End";
        case 0x24: return "Home";
        case 0x25: return "Left";
        case 0x26: return "Up";
        case 0x27: return "Right";
        case 0x28: return "Down";
        case 0x2D: return "Insert";
        case 0x2E: return "Delete";
        case 0x6A: return "Num*";
        case 0x6B: return "Num+";
        case 0x6D: return "Num-";
        case 0x6E: return "Num.";
        case 0x6F: return "Num/";
        default: break;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "key 0x%02X", vk);
    return buffer;
}

}  // namespace

std::string displayText(std::string_view bytes) {
    const bool utf8 = isValidUtf8(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        const auto b = static_cast<unsigned char>(ch);
        if (utf8 && b == 0xC2 && i + 1 < bytes.size() &&
            static_cast<unsigned char>(bytes[i + 1]) <= 0x9F) {
            // U+0080..U+009F: control characters a terminal may act on.
            char buffer[12];
            std::snprintf(buffer, sizeof buffer, "\\u%04X",
                          static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])));
            out.append(buffer);
            ++i;
        } else if (ch == '\t') {
            out.append("\\t");
        } else if (ch == '\n') {
            out.append("\\n");
        } else if (ch == '\r') {
            out.append("\\r");
        } else if (ch == '\\') {
            out.append("\\\\");
        } else if (b < 0x20 || b == 0x7F) {
            out.append(hexEscape(b));
        } else if (utf8 || b < 0x80) {
            out.push_back(ch);
        } else if (b <= 0x9F) {
            // Not UTF-8: read as Windows-1252.
            const std::uint16_t code = kCp1252High[b - 0x80];
            if (code == 0)
                out.append(hexEscape(b));
            else
                appendUtf8(out, code);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

std::string hotKeyName(const HotKeyValue& key) {
    if (!key.isSet()) return "none";
    std::string name;
    if (key.modifiers & HotKeyValue::kCtrl) name += "Ctrl+";
    if (key.modifiers & HotKeyValue::kAlt) name += "Alt+";
    if (key.modifiers & HotKeyValue::kShift) name += "Shift+";
    const unsigned other =
        key.modifiers & ~unsigned{HotKeyValue::kCtrl | HotKeyValue::kAlt | HotKeyValue::kShift};
    if (other != 0) {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "modifiers 0x%X+", other);
        name += buffer;
    }
    name += key.virtualKey == 0 ? std::string("no key") : virtualKeyName(key.virtualKey);
    return name;
}

std::string openWithLabel(const VaultItem& item, const VaultSettings& settings) {
    switch (item.appChoice) {
        case VaultItem::kAppChoiceBrowser: return "web browser, new window";
        case VaultItem::kAppChoiceEmail: return "e-mail or default browser";
        case VaultItem::kAppChoiceApplication: {
            const auto& table = settings.applicationTable;
            if (item.appIndex < 0 || static_cast<std::size_t>(item.appIndex) >= table.size())
                return "application: not set";
            return "application: " + displayText(table[static_cast<std::size_t>(item.appIndex)]);
        }
        default: return "unknown choice " + std::to_string(item.appChoice);
    }
}

std::string typeInModeLabel(std::int32_t mode) {
    switch (mode) {
        case kTypeInKeyEmulation: return "Key Down/Up Emulation";
        case kTypeInCopyPaste: return "Copy and Paste";
        case kTypeInAutomatic: return "Automatic";
        default: return "unknown mode " + std::to_string(mode);
    }
}

}  // namespace kivrano::cli
