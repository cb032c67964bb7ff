#pragma once

#include "platform/Keyboard.h"

#include <chrono>
#include <map>
#include <memory>
#include <vector>

class QTimer;

namespace kivrano::platform {

class X11Connection;

// Synthetic input through XTest, planned from the live XKB keymap: a character is typed with
// the key and level (Shift, AltGr) that produce it, in whichever layout group has it. A
// character no group has goes through a spare key code mapped to it for the moment.
class X11Keyboard : public Keyboard {
public:
    explicit X11Keyboard(X11Connection& connection);
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    void keyDown(VirtualKey key) override;
    void keyUp(VirtualKey key) override;
    std::optional<KeyStroke> mapCharacter(char32_t character) const override;
    bool isPhysicallyHeld(Modifier modifier) const override;
    bool typeCharacter(char32_t character) override;

    // How long spare key codes keep their characters after the last use. Other programs read
    // the changed keymap only when they handle the key event, so it cannot be restored at once.
    static constexpr std::chrono::milliseconds kSpareKeyHold{1500};

private:
    struct SpareKey {
        unsigned keycode = 0;
        unsigned long keysym = 0;  // 0: free
        std::uint64_t lastUse = 0;
    };

    void sendKey(unsigned keycode, bool press);
    bool typeWithSpareKey(unsigned long keysym);
    void findSpareKeys();
    void restoreSpareKeys();

    X11Connection& m_connection;
    std::vector<SpareKey> m_spares;
    bool m_sparesSearched = false;
    std::uint64_t m_useCounter = 0;
    std::unique_ptr<QTimer> m_restoreTimer;
};

}  // namespace kivrano::platform
