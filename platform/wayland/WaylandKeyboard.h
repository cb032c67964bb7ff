#pragma once

#include "platform/Keyboard.h"
#include "platform/wayland/VirtualKeymap.h"

#include <chrono>
#include <memory>

struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace kivrano::platform {

class WaylandConnection;

// Synthetic input through the compositor's virtual keyboard (wlroots compositors such as
// sway). The keyboard carries our own keymap, so every character of every script arrives
// exactly as it is, whatever layout the user has: a character gets a key of its own in our
// keymap, uploaded again when a new character needs one.
class WaylandKeyboard : public Keyboard {
public:
    // Null when the compositor offers no virtual keyboard or has no seat.
    static std::unique_ptr<WaylandKeyboard> create(WaylandConnection& connection);
    ~WaylandKeyboard() override;
    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    void keyDown(VirtualKey key) override;
    void keyUp(VirtualKey key) override;
    std::optional<KeyStroke> mapCharacter(char32_t character) const override;
    bool isPhysicallyHeld(Modifier modifier) const override;
    bool typeCharacter(char32_t character) override;

private:
    WaylandKeyboard(WaylandConnection& connection, zwp_virtual_keyboard_manager_v1* manager);
    // Readies the keyboard for a key; false when the connection has failed.
    bool ready();
    bool uploadKeymap();
    void sendKey(std::uint32_t key, bool press);
    void sendVirtualKey(VirtualKey key, bool press);

    WaylandConnection& m_connection;
    zwp_virtual_keyboard_manager_v1* m_manager;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    VirtualKeymap m_keymap;
    std::uint32_t m_heldModifiers = 0;  // our own modifier keys that are down
    bool m_primed = false;              // the first key, which compositors drop, has gone
    // Keys closer together than this belong to one run of typing.
    static constexpr std::chrono::milliseconds kRunGap{500};
    std::chrono::steady_clock::time_point m_lastKey{};
};

}  // namespace kivrano::platform
