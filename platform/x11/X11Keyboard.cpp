#include "platform/x11/X11Keyboard.h"

#include "platform/x11/VirtualKeyMap.h"
#include "platform/x11/X11Connection.h"

#include <QCoreApplication>
#include <QTimer>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>

namespace kivrano::platform {

namespace {

// The keyboard description, fetched afresh for each use: the user may switch layouts at any
// time and other programs may remap keys.
struct Keymap {
    explicit Keymap(Display* display)
        : desc(XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask,
                         XkbUseCoreKbd)) {}
    ~Keymap() {
        if (desc) XkbFreeKeyboard(desc, 0, True);
    }
    Keymap(const Keymap&) = delete;
    Keymap& operator=(const Keymap&) = delete;

    int groups(int keycode) const { return desc->map->key_sym_map[keycode].group_info & 0x0F; }
    // The group a key uses while the keyboard is in `group` (keys with fewer groups wrap).
    int effectiveGroup(int keycode, int group) const {
        const int count = groups(keycode);
        return count == 0 ? -1 : group % count;
    }
    const XkbKeyTypeRec& type(int keycode, int group) const {
        return desc->map->types[desc->map->key_sym_map[keycode].kt_index[group & 3]];
    }
    int width(int keycode, int group) const { return type(keycode, group).num_levels; }
    KeySym sym(int keycode, int group, int level) const {
        const XkbSymMapRec& map = desc->map->key_sym_map[keycode];
        return desc->map->syms[map.offset + map.width * group + level];
    }
    // The level a key type gives for a modifier state.
    static int level(const XkbKeyTypeRec& type, unsigned modifiers) {
        const unsigned relevant = modifiers & type.mods.mask;
        for (int i = 0; i < type.map_count; ++i) {
            const XkbKTMapEntryRec& entry = type.map[i];
            if (entry.active && entry.mods.mask == relevant) return entry.level;
        }
        return 0;
    }

    XkbDescPtr desc;
};

struct Placement {
    int keycode = 0;
    int group = 0;           // the keyboard group to be in
    unsigned modifiers = 0;  // to hold while pressing the key
};

KeySym keysymForCharacter(char32_t character) {
    switch (character) {
        case U'\n':
        case U'\r': return XK_Return;
        case U'\t': return XK_Tab;
        case U'\b': return XK_BackSpace;
        default: return xkb_utf32_to_keysym(static_cast<std::uint32_t>(character));
    }
}

// Finds the key, group and modifiers that produce `keysym` given the modifiers that are
// locked or latched now, trying the current group first and the lowest level first. Dead keys
// never match: they carry their own keysyms, not the character's.
std::optional<Placement> place(const Keymap& keymap, KeySym keysym, int currentGroup,
                               unsigned lockedModifiers,
                               const std::vector<unsigned>& modifierChoices) {
    const XkbDescPtr desc = keymap.desc;
    int groupCount = 1;
    for (int kc = desc->min_key_code; kc <= desc->max_key_code; ++kc)
        groupCount = std::max(groupCount, keymap.groups(kc));
    for (int step = 0; step < groupCount; ++step) {
        const int group = (currentGroup + step) % groupCount;
        for (int level = 0; level < 4; ++level) {
            for (int kc = desc->min_key_code; kc <= desc->max_key_code; ++kc) {
                const int keyGroup = keymap.effectiveGroup(kc, group);
                if (keyGroup < 0 || level >= keymap.width(kc, keyGroup)) continue;
                if (keymap.sym(kc, keyGroup, level) != keysym) continue;
                const XkbKeyTypeRec& type = keymap.type(kc, keyGroup);
                for (unsigned modifiers : modifierChoices) {
                    if (Keymap::level(type, modifiers | lockedModifiers) == level)
                        return Placement{kc, group, modifiers};
                }
            }
        }
    }
    return std::nullopt;
}

unsigned modifierOf(Display* display, KeySym keysym) {
    return XkbKeysymToModifiers(display, keysym);
}

}  // namespace

X11Keyboard::X11Keyboard(X11Connection& connection) : m_connection(connection) {
    if (QCoreApplication::instance()) {
        m_restoreTimer = std::make_unique<QTimer>();
        m_restoreTimer->setSingleShot(true);
        m_restoreTimer->setInterval(kSpareKeyHold);
        QObject::connect(m_restoreTimer.get(), &QTimer::timeout, m_restoreTimer.get(),
                         [this] { restoreSpareKeys(); });
    }
}

X11Keyboard::~X11Keyboard() {
    restoreSpareKeys();
}

void X11Keyboard::sendKey(unsigned keycode, bool press) {
    XTestFakeKeyEvent(m_connection.display(), keycode, press ? True : False, CurrentTime);
    // Each event reaches the server before the next one, so none overtakes a keymap change.
    m_connection.sync();
}

void X11Keyboard::keyDown(VirtualKey key) {
    const KeySym keysym = x11::keysymForVirtualKey(key);
    if (keysym == 0) return;
    if (const KeyCode keycode = XKeysymToKeycode(m_connection.display(), keysym))
        sendKey(keycode, true);
}

void X11Keyboard::keyUp(VirtualKey key) {
    const KeySym keysym = x11::keysymForVirtualKey(key);
    if (keysym == 0) return;
    if (const KeyCode keycode = XKeysymToKeycode(m_connection.display(), keysym))
        sendKey(keycode, false);
}

std::optional<KeyStroke> X11Keyboard::mapCharacter(char32_t character) const {
    // Control characters as a Windows layout maps them; a line feed is Ctrl+Enter there.
    switch (character) {
        case U'\t': return KeyStroke{vk::kTab, false, false, false};
        case U'\r': return KeyStroke{vk::kReturn, false, false, false};
        case U'\n': return KeyStroke{vk::kReturn, false, true, false};
        case U'\b': return KeyStroke{vk::kBack, false, false, false};
        default: break;
    }
    Display* display = m_connection.display();
    const KeySym keysym = keysymForCharacter(character);
    if (keysym == NoSymbol) return std::nullopt;
    Keymap keymap(display);
    if (!keymap.desc) return std::nullopt;
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    // Without AltGr and regardless of Caps Lock, as the key-based typing path expects.
    auto placement = place(keymap, keysym, state.group, 0, {0u, unsigned{ShiftMask}});
    if (!placement || placement->group != state.group) return std::nullopt;
    const int keyGroup = keymap.effectiveGroup(placement->keycode, placement->group);
    const auto key = x11::virtualKeyForKeysym(keymap.sym(placement->keycode, keyGroup, 0));
    if (!key) return std::nullopt;
    return KeyStroke{*key, (placement->modifiers & ShiftMask) != 0, false, false};
}

bool X11Keyboard::isPhysicallyHeld(Modifier modifier) const {
    Display* display = m_connection.display();
    unsigned mask = 0;
    switch (modifier) {
        case Modifier::Shift: mask = ShiftMask; break;
        case Modifier::Ctrl: mask = ControlMask; break;
        case Modifier::Alt: mask = modifierOf(display, XK_Alt_L); break;
    }
    if (mask == 0) return false;
    std::array<char, 32> keys{};
    XQueryKeymap(display, keys.data());
    XModifierKeymap* modifiers = XGetModifierMapping(display);
    bool held = false;
    for (int index = 0; index < 8; ++index) {
        if (!(mask & (1u << index))) continue;
        for (int i = 0; i < modifiers->max_keypermod; ++i) {
            const unsigned keycode = modifiers->modifiermap[index * modifiers->max_keypermod + i];
            if (keycode != 0 &&
                (static_cast<unsigned char>(keys[keycode / 8]) & (1u << (keycode % 8))))
                held = true;
        }
    }
    XFreeModifiermap(modifiers);
    return held;
}

bool X11Keyboard::typeCharacter(char32_t character) {
    Display* display = m_connection.display();
    const KeySym keysym = keysymForCharacter(character);
    if (keysym == NoSymbol) return false;

    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    // Caps Lock would change letters (and, in most programs, every character of a remapped
    // key), so it is off while the key goes down and on again afterwards.
    const bool capsLocked = (state.locked_mods & LockMask) != 0;
    const unsigned locked = (state.locked_mods | state.latched_mods) & ~unsigned{LockMask};

    const KeyCode shiftKey = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode levelThreeKey = XKeysymToKeycode(display, XK_ISO_Level3_Shift);
    const unsigned levelThree = levelThreeKey ? modifierOf(display, XK_ISO_Level3_Shift) : 0;
    std::vector<unsigned> choices{0u};
    if (shiftKey) choices.push_back(ShiftMask);
    if (levelThree) {
        choices.push_back(levelThree);
        if (shiftKey) choices.push_back(ShiftMask | levelThree);
    }

    std::optional<Placement> placement;
    {
        Keymap keymap(display);
        if (keymap.desc) placement = place(keymap, keysym, state.group, locked, choices);
    }

    if (capsLocked) XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);
    bool typed = true;
    if (placement) {
        if (placement->group != state.group)
            XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(placement->group));
        std::vector<unsigned> held;
        if (placement->modifiers & ShiftMask) held.push_back(shiftKey);
        if (levelThree && (placement->modifiers & levelThree)) held.push_back(levelThreeKey);
        for (unsigned key : held) sendKey(key, true);
        sendKey(static_cast<unsigned>(placement->keycode), true);
        sendKey(static_cast<unsigned>(placement->keycode), false);
        for (auto it = held.rbegin(); it != held.rend(); ++it) sendKey(*it, false);
        if (placement->group != state.group)
            XkbLockGroup(display, XkbUseCoreKbd, state.locked_group);
    } else {
        typed = typeWithSpareKey(keysym);
    }
    if (capsLocked) XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    m_connection.sync();
    return typed;
}

void X11Keyboard::findSpareKeys() {
    m_sparesSearched = true;
    Display* display = m_connection.display();
    int minKey = 0, maxKey = 0;
    XDisplayKeycodes(display, &minKey, &maxKey);
    int perKey = 0;
    KeySym* syms =
        XGetKeyboardMapping(display, static_cast<KeyCode>(minKey), maxKey - minKey + 1, &perKey);
    if (!syms) return;
    XModifierKeymap* modifiers = XGetModifierMapping(display);
    for (int kc = minKey; kc <= maxKey; ++kc) {
        const KeySym* row = syms + (kc - minKey) * perKey;
        if (std::any_of(row, row + perKey, [](KeySym s) { return s != NoSymbol; })) continue;
        const auto* begin = modifiers->modifiermap;
        const auto* end = begin + 8 * modifiers->max_keypermod;
        if (std::find(begin, end, kc) != end) continue;
        m_spares.push_back({static_cast<unsigned>(kc), 0, 0});
    }
    XFreeModifiermap(modifiers);
    XFree(syms);
}

bool X11Keyboard::typeWithSpareKey(unsigned long keysym) {
    if (!m_sparesSearched) findSpareKeys();
    if (m_spares.empty()) return false;
    Display* display = m_connection.display();

    // A character typed a moment ago still has its key; otherwise take the key unused longest.
    auto spare = std::find_if(m_spares.begin(), m_spares.end(),
                              [&](const SpareKey& s) { return s.keysym == keysym; });
    if (spare == m_spares.end()) {
        spare = std::min_element(
            m_spares.begin(), m_spares.end(),
            [](const SpareKey& a, const SpareKey& b) { return a.lastUse < b.lastUse; });
        KeySym mapping[2] = {keysym, keysym};
        XChangeKeyboardMapping(display, static_cast<int>(spare->keycode), 2, mapping, 1);
        spare->keysym = keysym;
        m_connection.sync();
    }
    spare->lastUse = ++m_useCounter;
    sendKey(spare->keycode, true);
    sendKey(spare->keycode, false);
    if (m_restoreTimer) m_restoreTimer->start();
    return true;
}

void X11Keyboard::restoreSpareKeys() {
    bool changed = false;
    for (SpareKey& spare : m_spares) {
        if (spare.keysym == 0) continue;
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(m_connection.display(), static_cast<int>(spare.keycode), 2, none, 1);
        spare.keysym = 0;
        changed = true;
    }
    if (changed) m_connection.sync();
}

}  // namespace kivrano::platform
