#include "app/VirtualKeyCodes.h"

#include <array>
#include <optional>

namespace kivrano::vkeys {

namespace {

struct Entry {
    int qtKey;
    bool keypad;
    std::uint16_t vk;
};

// The first entry of a code names it; the later ones are other keys Qt may report for it
// (a symbol typed with Shift on a US keyboard, a second Enter key).
constexpr std::array kEntries{
    Entry{Qt::Key_Backspace, false, 0x08},
    Entry{Qt::Key_Tab, false, 0x09},
    Entry{Qt::Key_Backtab, false, 0x09},
    Entry{Qt::Key_Clear, false, 0x0C},
    Entry{Qt::Key_Clear, true, 0x0C},
    Entry{Qt::Key_Return, false, 0x0D},
    Entry{Qt::Key_Enter, true, 0x0D},
    Entry{Qt::Key_Enter, false, 0x0D},
    Entry{Qt::Key_Pause, false, 0x13},
    Entry{Qt::Key_CapsLock, false, 0x14},
    Entry{Qt::Key_Escape, false, 0x1B},
    Entry{Qt::Key_Space, false, 0x20},
    Entry{Qt::Key_PageUp, false, 0x21},
    Entry{Qt::Key_PageDown, false, 0x22},
    Entry{Qt::Key_End, false, 0x23},
    Entry{Qt::Key_Home, false, 0x24},
    Entry{Qt::Key_Left, false, 0x25},
    Entry{Qt::Key_Up, false, 0x26},
    Entry{Qt::Key_Right, false, 0x27},
    Entry{Qt::Key_Down, false, 0x28},
    Entry{Qt::Key_Select, false, 0x29},
    Entry{Qt::Key_Execute, false, 0x2B},
    Entry{Qt::Key_Print, false, 0x2C},
    Entry{Qt::Key_Insert, false, 0x2D},
    Entry{Qt::Key_Delete, false, 0x2E},
    Entry{Qt::Key_Help, false, 0x2F},
    // Digits, then the symbols Shift gives on the digit row of a US keyboard.
    Entry{Qt::Key_0, false, 0x30},
    Entry{Qt::Key_1, false, 0x31},
    Entry{Qt::Key_2, false, 0x32},
    Entry{Qt::Key_3, false, 0x33},
    Entry{Qt::Key_4, false, 0x34},
    Entry{Qt::Key_5, false, 0x35},
    Entry{Qt::Key_6, false, 0x36},
    Entry{Qt::Key_7, false, 0x37},
    Entry{Qt::Key_8, false, 0x38},
    Entry{Qt::Key_9, false, 0x39},
    Entry{Qt::Key_ParenRight, false, 0x30},
    Entry{Qt::Key_Exclam, false, 0x31},
    Entry{Qt::Key_At, false, 0x32},
    Entry{Qt::Key_NumberSign, false, 0x33},
    Entry{Qt::Key_Dollar, false, 0x34},
    Entry{Qt::Key_Percent, false, 0x35},
    Entry{Qt::Key_AsciiCircum, false, 0x36},
    Entry{Qt::Key_Ampersand, false, 0x37},
    Entry{Qt::Key_Asterisk, false, 0x38},
    Entry{Qt::Key_ParenLeft, false, 0x39},
    Entry{Qt::Key_Menu, false, 0x5D},
    Entry{Qt::Key_Sleep, false, 0x5F},
    // Keypad with Num Lock on.
    Entry{Qt::Key_0, true, 0x60},
    Entry{Qt::Key_1, true, 0x61},
    Entry{Qt::Key_2, true, 0x62},
    Entry{Qt::Key_3, true, 0x63},
    Entry{Qt::Key_4, true, 0x64},
    Entry{Qt::Key_5, true, 0x65},
    Entry{Qt::Key_6, true, 0x66},
    Entry{Qt::Key_7, true, 0x67},
    Entry{Qt::Key_8, true, 0x68},
    Entry{Qt::Key_9, true, 0x69},
    Entry{Qt::Key_Asterisk, true, 0x6A},
    Entry{Qt::Key_Plus, true, 0x6B},
    Entry{Qt::Key_Minus, true, 0x6D},
    Entry{Qt::Key_Period, true, 0x6E},
    Entry{Qt::Key_Comma, true, 0x6E},
    Entry{Qt::Key_Slash, true, 0x6F},
    Entry{Qt::Key_F1, false, 0x70},
    Entry{Qt::Key_F2, false, 0x71},
    Entry{Qt::Key_F3, false, 0x72},
    Entry{Qt::Key_F4, false, 0x73},
    Entry{Qt::Key_F5, false, 0x74},
    Entry{Qt::Key_F6, false, 0x75},
    Entry{Qt::Key_F7, false, 0x76},
    Entry{Qt::Key_F8, false, 0x77},
    Entry{Qt::Key_F9, false, 0x78},
    Entry{Qt::Key_F10, false, 0x79},
    Entry{Qt::Key_F11, false, 0x7A},
    Entry{Qt::Key_F12, false, 0x7B},
    Entry{Qt::Key_F13, false, 0x7C},
    Entry{Qt::Key_F14, false, 0x7D},
    Entry{Qt::Key_F15, false, 0x7E},
    Entry{Qt::Key_F16, false, 0x7F},
    Entry{Qt::Key_F17, false, 0x80},
    Entry{Qt::Key_F18, false, 0x81},
    Entry{Qt::Key_F19, false, 0x82},
    Entry{Qt::Key_F20, false, 0x83},
    Entry{Qt::Key_F21, false, 0x84},
    Entry{Qt::Key_F22, false, 0x85},
    Entry{Qt::Key_F23, false, 0x86},
    Entry{Qt::Key_F24, false, 0x87},
    Entry{Qt::Key_NumLock, false, 0x90},
    Entry{Qt::Key_ScrollLock, false, 0x91},
    // Browser and media keys.
    Entry{Qt::Key_Back, false, 0xA6},
    Entry{Qt::Key_Forward, false, 0xA7},
    Entry{Qt::Key_Refresh, false, 0xA8},
    Entry{Qt::Key_Stop, false, 0xA9},
    Entry{Qt::Key_Search, false, 0xAA},
    Entry{Qt::Key_Favorites, false, 0xAB},
    Entry{Qt::Key_HomePage, false, 0xAC},
    Entry{Qt::Key_VolumeMute, false, 0xAD},
    Entry{Qt::Key_VolumeDown, false, 0xAE},
    Entry{Qt::Key_VolumeUp, false, 0xAF},
    Entry{Qt::Key_MediaNext, false, 0xB0},
    Entry{Qt::Key_MediaPrevious, false, 0xB1},
    Entry{Qt::Key_MediaStop, false, 0xB2},
    Entry{Qt::Key_MediaTogglePlayPause, false, 0xB3},
    Entry{Qt::Key_MediaPlay, false, 0xB3},
    Entry{Qt::Key_LaunchMail, false, 0xB4},
    Entry{Qt::Key_LaunchMedia, false, 0xB5},
    // Punctuation, named by the unshifted symbol of a US keyboard, then the shifted one.
    Entry{Qt::Key_Semicolon, false, 0xBA},
    Entry{Qt::Key_Equal, false, 0xBB},
    Entry{Qt::Key_Comma, false, 0xBC},
    Entry{Qt::Key_Minus, false, 0xBD},
    Entry{Qt::Key_Period, false, 0xBE},
    Entry{Qt::Key_Slash, false, 0xBF},
    Entry{Qt::Key_QuoteLeft, false, 0xC0},
    Entry{Qt::Key_BracketLeft, false, 0xDB},
    Entry{Qt::Key_Backslash, false, 0xDC},
    Entry{Qt::Key_BracketRight, false, 0xDD},
    Entry{Qt::Key_Apostrophe, false, 0xDE},
    Entry{Qt::Key_Less, false, 0xE2},
    Entry{Qt::Key_Colon, false, 0xBA},
    Entry{Qt::Key_Plus, false, 0xBB},
    Entry{Qt::Key_Underscore, false, 0xBD},
    Entry{Qt::Key_Greater, false, 0xBE},
    Entry{Qt::Key_Question, false, 0xBF},
    Entry{Qt::Key_AsciiTilde, false, 0xC0},
    Entry{Qt::Key_BraceLeft, false, 0xDB},
    Entry{Qt::Key_Bar, false, 0xDC},
    Entry{Qt::Key_BraceRight, false, 0xDD},
    Entry{Qt::Key_QuoteDbl, false, 0xDE},
};

// X keycodes (evdev codes + 8) of the keys a PC keyboard has in the same place on every layout.
struct Position {
    std::uint32_t scanCode;
    std::uint16_t vk;
};

constexpr std::array kCharacterRow{
    Position{10, 0x31}, Position{11, 0x32}, Position{12, 0x33}, Position{13, 0x34},
    Position{14, 0x35}, Position{15, 0x36}, Position{16, 0x37}, Position{17, 0x38},
    Position{18, 0x39}, Position{19, 0x30}, Position{20, 0xBD}, Position{21, 0xBB},
    Position{34, 0xDB}, Position{35, 0xDD}, Position{47, 0xBA}, Position{48, 0xDE},
    Position{49, 0xC0}, Position{51, 0xDC}, Position{59, 0xBC}, Position{60, 0xBE},
    Position{61, 0xBF}, Position{94, 0xE2},
};

// Letter keys by their place on a US keyboard, for layouts whose letters are not Latin.
constexpr std::array kLetterRows{
    Position{24, 'Q'}, Position{25, 'W'}, Position{26, 'E'}, Position{27, 'R'}, Position{28, 'T'},
    Position{29, 'Y'}, Position{30, 'U'}, Position{31, 'I'}, Position{32, 'O'}, Position{33, 'P'},
    Position{38, 'A'}, Position{39, 'S'}, Position{40, 'D'}, Position{41, 'F'}, Position{42, 'G'},
    Position{43, 'H'}, Position{44, 'J'}, Position{45, 'K'}, Position{46, 'L'}, Position{52, 'Z'},
    Position{53, 'X'}, Position{54, 'C'}, Position{55, 'V'}, Position{56, 'B'}, Position{57, 'N'},
    Position{58, 'M'},
};

template <std::size_t N>
std::optional<std::uint16_t> byPosition(const std::array<Position, N>& table,
                                        std::uint32_t scanCode) {
    if (scanCode == 0) return std::nullopt;
    for (const Position& p : table)
        if (p.scanCode == scanCode) return p.vk;
    return std::nullopt;
}

std::optional<std::uint16_t> byQtKey(int qtKey, bool keypad) {
    for (const Entry& e : kEntries)
        if (e.qtKey == qtKey && e.keypad == keypad) return e.vk;
    return std::nullopt;
}

}  // namespace

std::uint16_t virtualKeyFromQtKey(int qtKey, bool keypad, std::uint32_t scanCode) {
    if (isModifierQtKey(qtKey)) return 0;
    // The keypad's own codes first; with Num Lock off its keys report Home, End and so on.
    if (keypad) {
        if (auto vk = byQtKey(qtKey, true)) return *vk;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<std::uint16_t>(qtKey);
    if (!keypad) {
        if (auto vk = byPosition(kCharacterRow, scanCode)) return *vk;
    }
    if (auto vk = byQtKey(qtKey, false)) return *vk;
    if (auto vk = byPosition(kLetterRows, scanCode)) return *vk;
    return 0;
}

QtKeyName qtKeyForVirtualKey(std::uint16_t virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return {virtualKey, false};
    for (const Entry& e : kEntries)
        if (e.vk == virtualKey) return {e.qtKey, e.keypad};
    return {};
}

std::uint16_t hotKeyModifiers(Qt::KeyboardModifiers modifiers) {
    std::uint16_t bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= HotKeyValue::kShift;
    if (modifiers & Qt::ControlModifier) bits |= HotKeyValue::kCtrl;
    if (modifiers & Qt::AltModifier) bits |= HotKeyValue::kAlt;
    return bits;
}

bool isModifierQtKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R: return true;
        default: return false;
    }
}

bool typesText(std::uint16_t vk) {
    return vk == 0x20 || (vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A) ||
           (vk >= 0x60 && vk <= 0x6F && vk != 0x6C) || (vk >= 0xBA && vk <= 0xC0) ||
           (vk >= 0xDB && vk <= 0xDF) || vk == 0xE2;
}

bool isUsableLaunchingKey(const HotKeyValue& key) {
    if (key.virtualKey == 0) return false;
    if (!typesText(key.virtualKey)) return true;
    return (key.modifiers & (HotKeyValue::kCtrl | HotKeyValue::kAlt)) != 0;
}

}  // namespace kivrano::vkeys
