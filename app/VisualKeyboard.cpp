#include "app/VisualKeyboard.h"

#include <algorithm>
#include <array>

namespace kivrano {

namespace {

// A US layout: digits, letters and punctuation where they are on a real keyboard. The Shift
// characters are those the keyboard has always typed ("=" stays "=", and "'" types nothing),
// so a password made with it is entered the same way again.
constexpr std::array<VisualKey, 48> kKeys{{
    {"`", '`', '~', 0},     {"1", '1', '!', 0}, {"2", '2', '@', 0},   {"3", '3', '#', 0},
    {"4", '4', '$', 0},     {"5", '5', '%', 0}, {"6", '6', '^', 0},   {"7", '7', '&', 0},
    {"8", '8', '*', 0},     {"9", '9', '(', 0}, {"0", '0', ')', 0},   {"-", '-', '_', 0},
    {"=", '=', '=', 0},

    {"Q", 'q', 'Q', 1},     {"W", 'w', 'W', 1}, {"E", 'e', 'E', 1},   {"R", 'r', 'R', 1},
    {"T", 't', 'T', 1},     {"Y", 'y', 'Y', 1}, {"U", 'u', 'U', 1},   {"I", 'i', 'I', 1},
    {"O", 'o', 'O', 1},     {"P", 'p', 'P', 1}, {"[", '[', '{', 1},   {"]", ']', '}', 1},
    {"\\", '\\', '|', 1},

    {"A", 'a', 'A', 2},     {"S", 's', 'S', 2}, {"D", 'd', 'D', 2},   {"F", 'f', 'F', 2},
    {"G", 'g', 'G', 2},     {"H", 'h', 'H', 2}, {"J", 'j', 'J', 2},   {"K", 'k', 'K', 2},
    {"L", 'l', 'L', 2},     {";", ';', ':', 2}, {"'", '\'', '\0', 2},

    {"Z", 'z', 'Z', 3},     {"X", 'x', 'X', 3}, {"C", 'c', 'C', 3},   {"V", 'v', 'V', 3},
    {"B", 'b', 'B', 3},     {"N", 'n', 'N', 3}, {"M", 'm', 'M', 3},   {",", ',', '<', 3},
    {".", '.', '>', 3},     {"/", '/', '?', 3},

    {"Space", ' ', ' ', 4},
}};

}  // namespace

std::span<const VisualKey> VisualKeyboard::keys() {
    return kKeys;
}

const VisualKey* VisualKeyboard::key(std::string_view label) {
    for (const auto& k : kKeys) {
        if (k.label == label) return &k;
    }
    return nullptr;
}

void VisualKeyboard::setText(const std::string& text) {
    secureWipe(m_text);  // first, so that a reallocation frees no readable copy
    m_text.assign(text);
}

void VisualKeyboard::press(const VisualKey& key) {
    const char c = m_shift ? key.shifted : key.plain;
    if (c != '\0') {
        if (m_text.size() == m_text.capacity()) {
            // Grow by hand so that the old buffer is wiped, not just freed.
            std::string grown;
            grown.reserve(std::max<std::size_t>(32, 2 * m_text.capacity()));
            grown.assign(m_text);
            secureWipe(m_text);
            m_text.swap(grown);
        }
        m_text.push_back(c);
    }
    m_shift = false;
}

}  // namespace kivrano
