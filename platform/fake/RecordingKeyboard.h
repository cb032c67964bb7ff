#pragma once

#include "platform/Keyboard.h"

#include <functional>
#include <set>
#include <vector>

namespace kivrano::platform {

// Records every key event instead of sending it. Its layout is a US keyboard as the
// character-to-key mapping of a Windows desktop reports it.
class RecordingKeyboard : public Keyboard {
public:
    struct Event {
        enum class Kind { Down, Up, Character };
        Kind kind = Kind::Down;
        VirtualKey key = 0;
        char32_t character = 0;

        static Event down(VirtualKey k) { return {Kind::Down, k, 0}; }
        static Event up(VirtualKey k) { return {Kind::Up, k, 0}; }
        static Event typed(char32_t c) { return {Kind::Character, 0, c}; }
        bool operator==(const Event&) const = default;
    };

    void keyDown(VirtualKey key) override;
    void keyUp(VirtualKey key) override;
    std::optional<KeyStroke> mapCharacter(char32_t character) const override;
    bool isPhysicallyHeld(Modifier modifier) const override;
    bool typeCharacter(char32_t character) override;

    // The user pressing or letting go of a modifier (not recorded as an event).
    void setHeld(Modifier modifier, bool held);
    // Characters typeCharacter refuses, as a backend does for one it cannot produce.
    void setUntypeable(char32_t character) { m_untypeable.insert(character); }
    // Called after each recorded event, e.g. to let the user release a key mid-typing.
    void setAfterEvent(std::function<void(const Event&)> hook) { m_afterEvent = std::move(hook); }

    const std::vector<Event>& events() const { return m_events; }
    void clearEvents() { m_events.clear(); }

private:
    void record(const Event& event);

    std::vector<Event> m_events;
    std::set<Modifier> m_held;
    std::set<char32_t> m_untypeable;
    std::function<void(const Event&)> m_afterEvent;
};

}  // namespace kivrano::platform
