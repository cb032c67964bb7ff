#include "platform/wayland/VirtualKeymap.h"

#include "platform/x11/VirtualKeyMap.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace kivrano::platform {

namespace {

// XKB key codes are the protocol's plus 8; the first one XKB can name is 9.
constexpr std::uint32_t kXkbOffset = 8;
constexpr std::uint32_t kFirstKey = 9;
constexpr std::uint32_t kLastKey = 255;

std::string keysymName(std::uint32_t keysym) {
    std::array<char, 64> name{};
    if (xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0) return {};
    return name.data();
}

std::string keyName(std::uint32_t xkbKeycode) {
    return "<I" + std::to_string(xkbKeycode) + ">";
}

// The modifier each modifier key sets, so that a planned Shift+Tab or Ctrl+V means what it says.
const char* modifierOf(std::uint32_t keysym) {
    switch (keysym) {
        case XKB_KEY_Shift_L:
        case XKB_KEY_Shift_R: return "Shift";
        case XKB_KEY_Control_L:
        case XKB_KEY_Control_R: return "Control";
        case XKB_KEY_Alt_L:
        case XKB_KEY_Alt_R: return "Mod1";
        case XKB_KEY_Num_Lock: return "Mod2";
        case XKB_KEY_Super_L:
        case XKB_KEY_Super_R: return "Mod4";
        case XKB_KEY_Caps_Lock: return "Lock";
        default: return nullptr;
    }
}

constexpr std::array<const char*, 8> kModifierNames = {"Shift", "Lock", "Control", "Mod1",
                                                       "Mod2",  "Mod3", "Mod4",    "Mod5"};

// The index of a real modifier, as XKB numbers them.
std::size_t modifierIndex(const char* name) {
    const auto at = std::find_if(kModifierNames.begin(), kModifierNames.end(),
                                 [&](const char* n) { return std::string_view(n) == name; });
    return static_cast<std::size_t>(at - kModifierNames.begin());
}

}  // namespace

VirtualKeymap::VirtualKeymap() {
    for (unsigned code = 1; code < 256; ++code) {
        const auto key = static_cast<VirtualKey>(code);
        const auto keysym = static_cast<std::uint32_t>(x11::keysymForVirtualKey(key));
        if (keysym == 0) continue;
        // Several codes name one key (Shift and left Shift): the first one has it.
        if (std::any_of(m_fixed.begin(), m_fixed.end(),
                        [&](const FixedKey& k) { return k.keysym == keysym; }))
            continue;
        const bool letter = key >= 'A' && key <= 'Z';
        m_fixed.push_back({key, keysym, letter ? keysym - XKB_KEY_a + XKB_KEY_A : 0});
    }
    m_spares.resize(kLastKey - kFirstKey + 1 - m_fixed.size());
}

std::optional<std::uint32_t> VirtualKeymap::keyFor(VirtualKey key) const {
    const auto keysym = static_cast<std::uint32_t>(x11::keysymForVirtualKey(key));
    if (keysym == 0) return std::nullopt;
    for (std::size_t i = 0; i < m_fixed.size(); ++i)
        if (m_fixed[i].keysym == keysym)
            return static_cast<std::uint32_t>(kFirstKey + i - kXkbOffset);
    return std::nullopt;
}

std::uint32_t VirtualKeymap::modifierMask(VirtualKey key) const {
    const char* modifier = modifierOf(static_cast<std::uint32_t>(x11::keysymForVirtualKey(key)));
    // Caps Lock and Num Lock lock rather than hold; the typing steps never press them.
    if (!modifier || modifierIndex(modifier) == 1 || modifierIndex(modifier) == 4) return 0;
    return 1u << modifierIndex(modifier);
}

std::optional<KeyStroke> VirtualKeymap::fixedStroke(char32_t character) const {
    if (character >= U'a' && character <= U'z')
        return KeyStroke{static_cast<VirtualKey>('A' + (character - U'a')), false, false, false};
    if (character >= U'A' && character <= U'Z')
        return KeyStroke{static_cast<VirtualKey>(character), true, false, false};
    if ((character >= U'0' && character <= U'9') || character == U' ')
        return KeyStroke{static_cast<VirtualKey>(character), false, false, false};
    return std::nullopt;
}

std::optional<VirtualKeymap::Placement> VirtualKeymap::placeCharacter(char32_t character) {
    // Lower-case letters, digits and the space bar type from their own keys, unshifted.
    if (const auto stroke = fixedStroke(character); stroke && !stroke->shift)
        return Placement{*keyFor(stroke->virtualKey), false};
    const std::uint32_t keysym = xkb_utf32_to_keysym(static_cast<std::uint32_t>(character));
    if (keysym == XKB_KEY_NoSymbol || m_spares.empty()) return std::nullopt;
    const auto firstSpare = static_cast<std::uint32_t>(kFirstKey + m_fixed.size() - kXkbOffset);
    auto spare = std::find_if(m_spares.begin(), m_spares.end(),
                              [&](const SpareKey& s) { return s.keysym == keysym; });
    bool changed = false;
    if (spare == m_spares.end()) {
        // Free keys have never been used, so the one used longest ago comes first.
        spare = std::min_element(
            m_spares.begin(), m_spares.end(),
            [](const SpareKey& a, const SpareKey& b) { return a.lastUse < b.lastUse; });
        spare->keysym = keysym;
        changed = true;
    }
    spare->lastUse = ++m_useCounter;
    return Placement{firstSpare + static_cast<std::uint32_t>(spare - m_spares.begin()), changed};
}

std::string VirtualKeymap::text() const {
    std::string keycodes, symbols;
    std::array<std::string, 8> modifierKeys;
    for (std::uint32_t code = kFirstKey; code <= kLastKey; ++code)
        keycodes += "    " + keyName(code) + " = " + std::to_string(code) + ";\n";
    auto addKey = [&](std::uint32_t code, std::uint32_t keysym, std::uint32_t shifted) {
        symbols += "    key " + keyName(code) + " { [ " + keysymName(keysym);
        if (shifted) symbols += ", " + keysymName(shifted);
        symbols += " ] };\n";
        if (const char* modifier = modifierOf(keysym)) {
            std::string& keys = modifierKeys[modifierIndex(modifier)];
            keys += (keys.empty() ? "" : ", ") + keyName(code);
        }
    };
    for (std::size_t i = 0; i < m_fixed.size(); ++i)
        addKey(static_cast<std::uint32_t>(kFirstKey + i), m_fixed[i].keysym,
               m_fixed[i].shiftedKeysym);
    for (std::size_t i = 0; i < m_spares.size(); ++i) {
        if (m_spares[i].keysym == 0) continue;
        addKey(static_cast<std::uint32_t>(kFirstKey + m_fixed.size() + i), m_spares[i].keysym, 0);
    }
    for (std::size_t i = 0; i < modifierKeys.size(); ++i) {
        if (!modifierKeys[i].empty())
            symbols += "    modifier_map " + std::string(kModifierNames[i]) + " { " +
                       modifierKeys[i] + " };\n";
    }
    // Key types and modifier behaviour are the standard ones every XKB installation has.
    return "xkb_keymap {\n"
           "  xkb_keycodes \"kivrano\" {\n    minimum = 8;\n    maximum = 255;\n" +
           keycodes +
           "  };\n"
           "  xkb_types \"kivrano\" { include \"complete\" };\n"
           "  xkb_compatibility \"kivrano\" { include \"complete\" };\n"
           "  xkb_symbols \"kivrano\" {\n" +
           symbols +
           "  };\n"
           "};\n";
}

}  // namespace kivrano::platform
