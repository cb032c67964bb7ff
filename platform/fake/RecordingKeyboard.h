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
    bool typesCharacter(char32_t character) const override {
        return m_pastedOnly.count(character) == 0;
    }
    bool knowsHeldModifiers() const override { return m_knowsHeld; }
    bool beginTyping() override;
    void endTyping() override;

    // The user pressing or letting go of a modifier (not recorded as an event).
    void setHeld(Modifier modifier, bool held);
    // Characters typeCharacter refuses, as a backend does for one it cannot produce.
    void setUntypeable(char32_t character) { m_untypeable.insert(character); }
    // Characters the keyboard does not trust itself with: a field holding one is pasted.
    void setPastedOnly(char32_t character) { m_pastedOnly.insert(character); }
    // A desktop that does not tell which modifiers are held.
    void setKnowsHeldModifiers(bool knows) { m_knowsHeld = knows; }
    // A desktop that does not grant the keyboard for a typing.
    void setGrantsTyping(bool grants) { m_grants = grants; }
    int typingsBegun() const { return m_begun; }
    int typingsEnded() const { return m_ended; }
    // Key events sent while no typing had begun (or after it ended).
    int eventsOutsideTyping() const { return m_outside; }
    // Called after each recorded event, e.g. to let the user release a key mid-typing.
    void setAfterEvent(std::function<void(const Event&)> hook) { m_afterEvent = std::move(hook); }

    const std::vector<Event>& events() const { return m_events; }
    void clearEvents() { m_events.clear(); }

private:
    void record(const Event& event);

    std::vector<Event> m_events;
    std::set<Modifier> m_held;
    std::set<char32_t> m_untypeable;
    std::set<char32_t> m_pastedOnly;
    bool m_knowsHeld = true;
    bool m_grants = true;
    bool m_inTyping = false;
    int m_begun = 0;
    int m_ended = 0;
    int m_outside = 0;
    std::function<void(const Event&)> m_afterEvent;
};

}  // namespace kivrano::platform
