#include "cli/Display.h"

#include "vault/VaultText.h"

#include <cstdint>
#include <cstdio>

namespace kivrano::cli {

namespace {

std::string escape(const char* format, unsigned value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

std::string displayText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char32_t c : decodeVaultText(bytes)) {
        if (c == '\t') {
            out.append("\\t");
        } else if (c == '\n') {
            out.append("\\n");
        } else if (c == '\r') {
            out.append("\\r");
        } else if (c == '\\') {
            out.append("\\\\");
        } else if (c < 0x20 || c == 0x7F) {
            out.append(escape("\\x%02X", static_cast<unsigned>(c)));
        } else if (c >= 0x80 && c <= 0x9F) {
            // C1 controls, which a terminal may act on (also the bytes that Windows-1252
            // leaves unassigned).
            out.append(escape("\\u%04X", static_cast<unsigned>(c)));
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::string hotKeyName(const HotKeyValue& key) {
    if (!key.isSet()) return "none";
    // The desktop program's name for the combination; where it names no key (Space, Esc,
    // punctuation, an unknown code) the code is shown, so nothing stored is hidden.
    std::string name = keyNameText(key);
    const unsigned other =
        key.modifiers & ~unsigned{HotKeyValue::kCtrl | HotKeyValue::kAlt | HotKeyValue::kShift};
    if (other != 0) name = escape("modifiers 0x%X+", other) + name;
    if (name.empty() || name.back() == '+')
        name += key.virtualKey == 0 ? std::string("no key") : escape("key 0x%02X", key.virtualKey);
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
