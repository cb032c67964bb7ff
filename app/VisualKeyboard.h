#pragma once

#include "vault/Secure.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace kivrano {

// One button of the on-screen keyboard that types a character.
struct VisualKey {
    std::string_view label;
    char plain;    // typed without Shift
    char shifted;  // typed with Shift; '\0' when the key then types nothing
    int row;       // 0..4 from the top, for the dialog's layout
};

// The on-screen keyboard without its window: the text being built, the one-shot Shift and
// the masking of the text. The text may also be edited by hand; the dialog hands the edit's
// content back with setText() before each key.
class VisualKeyboard {
public:
    // The 47 character keys in layout order, then "Space".
    static std::span<const VisualKey> keys();
    // The key with that label; null when there is none.
    static const VisualKey* key(std::string_view label);

    explicit VisualKeyboard(const std::string& text = {}) : m_text(text) {}
    ~VisualKeyboard() { secureWipe(m_text); }
    VisualKeyboard(const VisualKeyboard&) = delete;
    VisualKeyboard& operator=(const VisualKeyboard&) = delete;

    const std::string& text() const { return m_text; }
    void setText(const std::string& text);

    // Appends the key's character at the end (Shift chooses which) and releases Shift.
    void press(const VisualKey& key);
    void toggleShift() { m_shift = !m_shift; }
    bool shift() const { return m_shift; }
    // Empties the text; Shift stays as it is.
    void clear() { setText({}); }
    void toggleMask() { m_masked = !m_masked; }
    bool masked() const { return m_masked; }

private:
    std::string m_text;
    bool m_shift = false;
    bool m_masked = true;
};

}  // namespace kivrano
