#pragma once

#include "platform/HotKeys.h"

#include <map>
#include <optional>

union _XEvent;

namespace kivrano::platform {

class X11Connection;

// Hotkeys as passive key grabs on the root window, one per Caps Lock / Num Lock combination.
// A hotkey is reported when its key is released: until then the grab holds the keyboard, and
// keys typed meanwhile would come back to us instead of reaching the focused window.
class X11HotKeys : public HotKeys {
public:
    explicit X11HotKeys(X11Connection& connection);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    bool registerHotKey(HotKeyId id, HotKeyValue key) override;
    void unregisterHotKey(HotKeyId id) override;
    void setHandler(std::function<void(HotKeyId)> handler) override {
        m_handler = std::move(handler);
    }

private:
    struct Grab {
        unsigned keycode = 0;
        unsigned modifiers = 0;
        bool active = false;  // false: refused, kept but never fires
    };

    void onEvent(const _XEvent& event);
    void ungrab(const Grab& grab);
    unsigned ignoredModifiers() const;

    X11Connection& m_connection;
    std::map<HotKeyId, Grab> m_grabs;
    std::function<void(HotKeyId)> m_handler;
    std::optional<HotKeyId> m_pressed;  // a hotkey whose key is down
    unsigned m_pressedKeycode = 0;
    bool m_detectableRepeat = false;
    int m_listener = 0;
};

}  // namespace kivrano::platform
