#include "platform/fake/RecordingKeyboard.h"

#include <string_view>

namespace kivrano::platform {

namespace {

std::optional<Modifier> modifierOf(VirtualKey key) {
    switch (key) {
        case vk::kShift: return Modifier::Shift;
        case vk::kControl: return Modifier::Ctrl;
        case vk::kMenu: return Modifier::Alt;
        default: return std::nullopt;
    }
}

// US layout: unshifted and shifted characters of the punctuation keys.
struct PunctuationKey {
    char plain;
    char shifted;
    VirtualKey key;
};
constexpr PunctuationKey kPunctuation[] = {
    {';', ':', 0xBA},  {'=', '+', 0xBB}, {',', '<', 0xBC},  {'-', '_', 0xBD},
    {'.', '>', 0xBE},  {'/', '?', 0xBF}, {'`', '~', 0xC0},  {'[', '{', 0xDB},
    {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
};
constexpr std::string_view kShiftedDigits = ")!@#$%^&*(";

}  // namespace

bool RecordingKeyboard::beginTyping() {
    ++m_begun;
    m_inTyping = m_grants;
    return m_grants;
}

void RecordingKeyboard::endTyping() {
    ++m_ended;
    m_inTyping = false;
}

void RecordingKeyboard::record(const Event& event) {
    if (!m_inTyping) ++m_outside;
    m_events.push_back(event);
    if (m_afterEvent) m_afterEvent(event);
}

void RecordingKeyboard::keyDown(VirtualKey key) {
    if (auto modifier = modifierOf(key)) m_held.insert(*modifier);
    record(Event::down(key));
}

void RecordingKeyboard::keyUp(VirtualKey key) {
    if (auto modifier = modifierOf(key)) m_held.erase(*modifier);
    record(Event::up(key));
}

std::optional<KeyStroke> RecordingKeyboard::mapCharacter(char32_t c) const {
    auto key = [](unsigned code, bool shift = false, bool ctrl = false) {
        return KeyStroke{static_cast<VirtualKey>(code), shift, ctrl, false};
    };
    if (c >= U'a' && c <= U'z') return key(c - U'a' + 'A');
    if (c >= U'A' && c <= U'Z') return key(c, true);
    if (c >= U'0' && c <= U'9') return key(c);
    if (c == U' ') return key(vk::kSpace);
    if (c == U'\t') return key(vk::kTab);
    if (c == U'\r') return key(vk::kReturn);
    if (c == U'\n') return key(vk::kReturn, false, true);  // Ctrl+Enter, as Windows maps it
    if (c == U'\b') return key(vk::kBack);
    if (auto at = kShiftedDigits.find(static_cast<char>(c));
        c < 0x80 && at != std::string_view::npos)
        return key('0' + static_cast<unsigned>(at), true);
    for (const auto& p : kPunctuation) {
        if (c == static_cast<char32_t>(p.plain)) return key(p.key);
        if (c == static_cast<char32_t>(p.shifted)) return key(p.key, true);
    }
    return std::nullopt;
}

bool RecordingKeyboard::isPhysicallyHeld(Modifier modifier) const {
    return m_held.count(modifier) > 0;
}

bool RecordingKeyboard::typeCharacter(char32_t character) {
    if (m_untypeable.count(character)) return false;
    record(Event::typed(character));
    return true;
}

void RecordingKeyboard::setHeld(Modifier modifier, bool held) {
    if (held)
        m_held.insert(modifier);
    else
        m_held.erase(modifier);
}

}  // namespace kivrano::platform
