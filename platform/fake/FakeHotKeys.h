#pragma once

#include "platform/HotKeys.h"

#include <map>
#include <optional>
#include <vector>

namespace kivrano::platform {

// Hotkeys without a window system: a test presses a combination and the handler gets the id
// of the registration that holds it.
class FakeHotKeys : public HotKeys {
public:
    struct Registration {
        HotKeyValue key;
        bool active = false;  // false: refused, never fires
    };

    bool registerHotKey(HotKeyId id, HotKeyValue key) override;
    void unregisterHotKey(HotKeyId id) override;
    void setHandler(std::function<void(HotKeyId)> handler) override {
        m_handler = std::move(handler);
    }

    // A combination another program holds.
    void takeByOtherProgram(HotKeyValue key) { m_takenElsewhere.push_back(key); }
    // The user pressing and releasing a combination; returns the id that fired, if any.
    std::optional<HotKeyId> press(HotKeyValue key);

    const std::map<HotKeyId, Registration>& registrations() const { return m_registrations; }

private:
    static bool sameCombination(HotKeyValue a, HotKeyValue b);

    std::map<HotKeyId, Registration> m_registrations;
    std::vector<HotKeyValue> m_takenElsewhere;
    std::function<void(HotKeyId)> m_handler;
};

}  // namespace kivrano::platform
