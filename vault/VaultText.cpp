#include "vault/VaultText.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace kivrano {

namespace {

// Windows-1252 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t cp1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80u] : char32_t{byte};
}

// One UTF-8 sequence at bytes[i]: its code point and length, or nothing when ill-formed.
struct Sequence {
    char32_t code;
    std::size_t length;
};

std::optional<Sequence> readSequence(std::string_view bytes, std::size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) return Sequence{lead, 1};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07u, minimum = 0x10000;
    } else {
        return std::nullopt;  // a continuation byte or 0xF8..0xFF cannot start a sequence
    }
    if (bytes.size() - i < length) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return Sequence{code, length};
}

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

bool isValidUtf8(std::string_view bytes) noexcept {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::optional<Sequence> s = readSequence(bytes, i);
        if (!s) return false;
        i += s->length;
    }
    return true;
}

std::u32string decodeVaultText(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::optional<Sequence> s = readSequence(bytes, i);
        if (!s) {
            // Not UTF-8 after all: the whole text is read through the code page.
            out.clear();
            for (char c : bytes) out.push_back(cp1252(static_cast<unsigned char>(c)));
            return out;
        }
        out.push_back(s->code);
        i += s->length;
    }
    return out;
}

std::string vaultTextAsUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) appendUtf8(out, cp1252(static_cast<unsigned char>(c)));
    return out;
}

std::size_t characterCount(std::string_view bytes) noexcept {
    std::size_t count = 0;
    for (std::size_t i = 0; i < bytes.size(); ++count) {
        const std::optional<Sequence> s = readSequence(bytes, i);
        if (!s) return bytes.size();
        i += s->length;
    }
    return count;
}

std::string asciiLowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = asciiLower(c);
    return lowered;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

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

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

// Strips a leading "Ctrl+", "Alt+" or "Shift+"; its bit, or 0 when none leads.
std::uint16_t takeModifier(std::string_view& text) {
    static constexpr std::pair<std::string_view, std::uint16_t> kModifiers[] = {
        {"Ctrl+", HotKeyValue::kCtrl},
        {"Alt+", HotKeyValue::kAlt},
        {"Shift+", HotKeyValue::kShift}};
    for (const auto& [prefix, bit] : kModifiers)
        if (text.size() > prefix.size() &&
            equalsIgnoringCase(text.substr(0, prefix.size()), prefix)) {
            text.remove_prefix(prefix.size());
            return bit;
        }
    return 0;
}

}  // namespace

std::optional<HotKeyValue> parseKeyNameText(std::string_view text) {
    HotKeyValue key;
    while (const std::uint16_t bit = takeModifier(text)) key.modifiers |= bit;
    for (std::uint16_t vk = 1; vk <= 0xFF; ++vk) {
        // 0x3A..0x40 are no keys, though the letter rule above would print them.
        if (vk >= 0x3A && vk <= 0x40) continue;
        const std::string name = keyNameText(HotKeyValue{vk, 0});
        if (!name.empty() && equalsIgnoringCase(name, text)) {
            key.virtualKey = vk;
            return key;
        }
    }
    return std::nullopt;
}

}  // namespace kivrano
