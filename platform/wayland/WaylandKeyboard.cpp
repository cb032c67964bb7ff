#include "platform/wayland/WaylandKeyboard.h"

#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>

namespace kivrano::platform {

namespace {

// The protocol's key states and keymap format (those of wl_keyboard).
constexpr std::uint32_t kReleased = WL_KEYBOARD_KEY_STATE_RELEASED;
constexpr std::uint32_t kPressed = WL_KEYBOARD_KEY_STATE_PRESSED;

std::uint32_t milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

std::unique_ptr<WaylandKeyboard> WaylandKeyboard::create(WaylandConnection& connection) {
    if (!connection.seat()) return nullptr;
    auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
        connection.bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    if (!manager) return nullptr;
    return std::unique_ptr<WaylandKeyboard>(new WaylandKeyboard(connection, manager));
}

WaylandKeyboard::WaylandKeyboard(WaylandConnection& connection,
                                 zwp_virtual_keyboard_manager_v1* manager)
    : m_connection(connection), m_manager(manager) {
    // Made at once, long before the first key: the compositor takes a new keyboard on over a
    // moment, and keys sent within it are lost.
    m_keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_manager, m_connection.seat());
    uploadKeymap();
}

WaylandKeyboard::~WaylandKeyboard() {
    if (m_keyboard) zwp_virtual_keyboard_v1_destroy(m_keyboard);
    zwp_virtual_keyboard_manager_v1_destroy(m_manager);
    m_connection.flush();
}

bool WaylandKeyboard::ready() {
    if (m_connection.failed() || !m_keyboard) return false;
    const auto now = std::chrono::steady_clock::now();
    const bool newRun = now - m_lastKey > kRunGap;
    m_lastKey = now;
    // sway puts the keymap of its own configuration on every keyboard, ours too, a moment
    // after a keyboard is added and whenever its configuration is reloaded (seen with sway
    // 1.7): ours goes again before the first key of each run of typing.
    if (newRun && !uploadKeymap()) return false;
    if (!m_primed) {
        // Compositors drop the first key of a keyboard they have just been given: a Shift
        // press and release, which types nothing, goes first.
        m_primed = true;
        if (const auto shift = m_keymap.keyFor(vk::kShift)) {
            sendKey(*shift, true);
            sendKey(*shift, false);
        }
    }
    return true;
}

bool WaylandKeyboard::uploadKeymap() {
    const std::string text = m_keymap.text();
    // The compositor reads the keymap as a C string: the size counts the final zero.
    const std::size_t size = text.size() + 1;
    const int fd = memfd_create("kivrano-keymap", MFD_CLOEXEC);
    if (fd < 0) return false;
    bool written = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        written = count > 0;
        if (written) done += static_cast<std::size_t>(count);
    }
    if (written)
        zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
    ::close(fd);
    // Each keymap is a file handed over with the request; the compositor compiles it before
    // the next one comes, so that handed-over files never pile up in the connection.
    return written && m_connection.roundtrip();
}

void WaylandKeyboard::sendKey(std::uint32_t key, bool press) {
    zwp_virtual_keyboard_v1_key(m_keyboard, milliseconds(), key, press ? kPressed : kReleased);
    m_connection.flush();
}

void WaylandKeyboard::sendVirtualKey(VirtualKey key, bool press) {
    const auto code = m_keymap.keyFor(key);
    if (!code || !ready()) return;
    sendKey(*code, press);
    const std::uint32_t mask = m_keymap.modifierMask(key);
    if (mask == 0) return;
    // The compositor takes a virtual keyboard's modifiers from what it says, not from its keys.
    m_heldModifiers = press ? (m_heldModifiers | mask) : (m_heldModifiers & ~mask);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, m_heldModifiers, 0, 0, 0);
    m_connection.flush();
}

void WaylandKeyboard::keyDown(VirtualKey key) {
    sendVirtualKey(key, true);
}

void WaylandKeyboard::keyUp(VirtualKey key) {
    sendVirtualKey(key, false);
}

std::optional<KeyStroke> WaylandKeyboard::mapCharacter(char32_t character) const {
    // Control characters as a Windows layout maps them; a line feed is Ctrl+Enter there.
    switch (character) {
        case U'\t': return KeyStroke{vk::kTab, false, false, false};
        case U'\r': return KeyStroke{vk::kReturn, false, false, false};
        case U'\n': return KeyStroke{vk::kReturn, false, true, false};
        case U'\b': return KeyStroke{vk::kBack, false, false, false};
        default: return m_keymap.fixedStroke(character);
    }
}

// A Wayland client cannot see the keyboard of another program, so whether the user still
// holds a key is unknown: this says no. On wlroots that is also what matters: the virtual
// keyboard has a modifier state of its own, and the compositor sends a program the modifiers
// of the keyboard a key came from, so the user's held hotkey modifiers never combine with our
// keys (seen under sway 1.7: letters typed while Ctrl was held on another keyboard arrived
// as plain letters).
bool WaylandKeyboard::isPhysicallyHeld(Modifier) const {
    return false;
}

bool WaylandKeyboard::typeCharacter(char32_t character) {
    std::optional<std::uint32_t> key;
    switch (character) {
        case U'\n':
        case U'\r': key = m_keymap.keyFor(vk::kReturn); break;
        case U'\t': key = m_keymap.keyFor(vk::kTab); break;
        case U'\b': key = m_keymap.keyFor(vk::kBack); break;
        default: break;
    }
    if (!ready()) return false;
    if (!key) {
        const auto placement = m_keymap.placeCharacter(character);
        if (!placement) return false;
        if (placement->keymapChanged && !uploadKeymap()) return false;
        key = placement->key;
    }
    sendKey(*key, true);
    sendKey(*key, false);
    return !m_connection.failed();
}

}  // namespace kivrano::platform
