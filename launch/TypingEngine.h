#pragma once

#include "platform/VirtualKey.h"
#include "platform/WindowSystem.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

struct VaultItem;
namespace platform {
class Clipboard;
class DebugSink;
class Keyboard;
class Pause;
class WindowSystem;
}  // namespace platform

// What a field hotkey (0 ID, 1 Password, 2..7 Etc1..Etc6, 8 Memo) puts into the focused
// window: the text, then its Tab and Enter presses (negative = with Shift held).
struct FieldToType {
    std::string text;  // vault bytes
    int tabCount = 0;
    int enterCount = 0;
    bool operator==(const FieldToType&) const = default;
};

// Nothing for an id that names no field.
std::optional<FieldToType> fieldForHotKey(const VaultItem& item, int hotKeyId);

enum class TypingMethod { Keystrokes, Paste };

// Keystrokes unless the text needs the clipboard: any byte of 128 or more in any mode, always
// in mode 1, and in mode 2 for an item opened in a browser or a browser in front.
TypingMethod chooseTypingMethod(const VaultItem& item, std::string_view text,
                                std::int32_t typeInMode, std::string_view foregroundTitle);

// Whether the keyboard can type every character of the text itself; a field it cannot is
// pasted whatever the mode says.
bool keyboardTypesText(const platform::Keyboard& keyboard, std::string_view text);

// One step of typing a field, performed in order against the platform.
struct TypingAction {
    enum class Kind { KeyDown, KeyUp, Character, SetClipboard, Wait };
    Kind kind = Kind::KeyDown;
    platform::VirtualKey key = 0;
    char32_t character = 0;
    std::string text;  // SetClipboard
    std::chrono::milliseconds wait{0};

    static TypingAction down(platform::VirtualKey k) { return {Kind::KeyDown, k, 0, {}, {}}; }
    static TypingAction up(platform::VirtualKey k) { return {Kind::KeyUp, k, 0, {}, {}}; }
    static TypingAction typed(char32_t c) { return {Kind::Character, 0, c, {}, {}}; }
    static TypingAction setClipboard(std::string t) {
        return {Kind::SetClipboard, 0, 0, std::move(t), {}};
    }
    static TypingAction waitFor(std::chrono::milliseconds d) { return {Kind::Wait, 0, 0, {}, d}; }
    bool operator==(const TypingAction&) const = default;
};
using TypingPlan = std::vector<TypingAction>;

// The text (carriage returns dropped; a line feed is a new line) or the paste, then the Tab
// and Enter presses. The user's modifiers and the clipboard clean-up are not part of it:
// they depend on what the user does while the plan runs.
TypingPlan planTyping(const FieldToType& field, TypingMethod method);

// Types a field of the selected item into the window the user works in.
class TypingEngine {
public:
    // The target needs time to read the clipboard before Ctrl+V and after it.
    static constexpr std::chrono::milliseconds kPasteWait{500};
    // How long the user gets to let go of the hotkey's modifiers before they are released
    // for them: kReleasePolls looks, kReleasePoll apart.
    static constexpr std::chrono::milliseconds kReleasePoll{50};
    static constexpr int kReleasePolls = 10;

    TypingEngine(platform::Keyboard& keyboard, platform::Clipboard& clipboard,
                 platform::Pause& pause, platform::WindowSystem& windows)
        : m_keyboard(keyboard), m_clipboard(clipboard), m_pause(pause), m_windows(windows) {}

    // `item` is the selected item, or null when a folder or nothing is selected (then nothing
    // happens). Hotkey ids outside 0..8 type nothing. The window in front when typing begins
    // is the one typed into: when another comes to the front (a notification, the user
    // switching), typing stops before the next character, Tab, Enter or paste, so that the
    // rest of a password never lands in the wrong window.
    enum class Result {
        Typed,
        Nothing,               // no item, no such field, or a typing already under way
        KeyboardUnavailable,   // the desktop did not grant the keyboard: nothing was typed
        ClipboardUnavailable,  // the paste could not take the clipboard: nothing was typed
        WindowChanged,         // stopped part-way, another window came to the front
    };
    Result typeField(const VaultItem* item, int hotKeyId, std::int32_t typeInMode);
    // A field is being typed (a field key now is dropped).
    bool isTyping() const { return m_typing; }

    // Where a stop is reported for developers; none by default.
    void setDebugSink(platform::DebugSink* debug) { m_debug = debug; }

private:
    Result perform(const TypingPlan& plan, platform::WindowId target);

    platform::Keyboard& m_keyboard;
    platform::Clipboard& m_clipboard;
    platform::Pause& m_pause;
    platform::WindowSystem& m_windows;
    platform::DebugSink* m_debug = nullptr;
    // The waits keep the window system answered, so a second hotkey could arrive mid-typing.
    bool m_typing = false;
};

}  // namespace kivrano
