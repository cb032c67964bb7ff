#include "platform/x11/X11HotKeys.h"

#include "platform/x11/VirtualKeyMap.h"
#include "platform/x11/X11Connection.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>

namespace kivrano::platform {

namespace {

unsigned modifierMask(Display* display, KeySym keysym) {
    return XkbKeysymToModifiers(display, keysym);
}

}  // namespace

X11HotKeys::X11HotKeys(X11Connection& connection) : m_connection(connection) {
    // Auto-repeat then sends repeated presses without releases in between, so a release is
    // always the user letting go.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_connection.display(), True, &supported);
    m_detectableRepeat = supported == True;
    m_listener = m_connection.addListener([this](const XEvent& event) { onEvent(event); });
}

X11HotKeys::~X11HotKeys() {
    m_connection.removeListener(m_listener);
    for (const auto& [id, grab] : m_grabs) ungrab(grab);
    m_connection.sync();
}

unsigned X11HotKeys::ignoredModifiers() const {
    return LockMask | modifierMask(m_connection.display(), XK_Num_Lock);
}

bool X11HotKeys::registerHotKey(HotKeyId id, HotKeyValue key) {
    unregisterHotKey(id);
    if (!key.isSet()) return false;

    Display* display = m_connection.display();
    Grab grab;
    if (const KeySym keysym =
            x11::keysymForVirtualKey(static_cast<VirtualKey>(key.virtualKey & 0xFF));
        keysym != 0 && key.virtualKey <= 0xFF)
        grab.keycode = XKeysymToKeycode(display, keysym);
    if (key.modifiers & HotKeyValue::kShift) grab.modifiers |= ShiftMask;
    if (key.modifiers & HotKeyValue::kCtrl) grab.modifiers |= ControlMask;
    if (key.modifiers & HotKeyValue::kAlt) grab.modifiers |= modifierMask(display, XK_Alt_L);

    bool free = grab.keycode != 0;
    for (const auto& [otherId, other] : m_grabs)
        if (other.active && other.keycode == grab.keycode && other.modifiers == grab.modifiers)
            free = false;

    if (free) {
        const unsigned numLock = modifierMask(display, XK_Num_Lock);
        const std::array<unsigned, 4> variants{0u, LockMask, numLock, LockMask | numLock};
        const Window root = m_connection.rootWindow();
        // Another client's grab of the same combination fails with BadAccess.
        const int error = m_connection.withErrorsCaught([&] {
            for (unsigned variant : variants)
                XGrabKey(display, static_cast<int>(grab.keycode), grab.modifiers | variant, root,
                         False, GrabModeAsync, GrabModeAsync);
        });
        grab.active = error == 0;
        if (!grab.active) ungrab(grab);
    }
    m_grabs[id] = grab;
    m_connection.sync();
    return grab.active;
}

void X11HotKeys::ungrab(const Grab& grab) {
    if (grab.keycode == 0) return;
    Display* display = m_connection.display();
    const unsigned numLock = modifierMask(display, XK_Num_Lock);
    // Ungrabbing a variant another client holds does nothing to that client's grab.
    m_connection.withErrorsCaught([&] {
        for (unsigned variant : {0u, unsigned{LockMask}, numLock, LockMask | numLock})
            XUngrabKey(display, static_cast<int>(grab.keycode), grab.modifiers | variant,
                       m_connection.rootWindow());
    });
}

void X11HotKeys::unregisterHotKey(HotKeyId id) {
    auto it = m_grabs.find(id);
    if (it == m_grabs.end()) return;
    if (it->second.active) ungrab(it->second);
    if (m_pressed == id) m_pressed.reset();
    m_grabs.erase(it);
    m_connection.sync();
}

void X11HotKeys::onEvent(const XEvent& event) {
    if (event.type == KeyPress) {
        const XKeyEvent& key = event.xkey;
        if (m_pressed && m_pressedKeycode == key.keycode) return;  // auto-repeat
        const unsigned state = key.state & 0xFF & ~ignoredModifiers();
        for (const auto& [id, grab] : m_grabs) {
            if (grab.active && grab.keycode == key.keycode && grab.modifiers == state) {
                m_pressed = id;
                m_pressedKeycode = key.keycode;
                return;
            }
        }
    } else if (event.type == KeyRelease) {
        const XKeyEvent& key = event.xkey;
        if (!m_pressed || key.keycode != m_pressedKeycode) return;
        if (!m_detectableRepeat && XEventsQueued(m_connection.display(), QueuedAfterReading) > 0) {
            // Without detectable auto-repeat a repeat is a release and a press at the same time.
            XEvent next;
            XPeekEvent(m_connection.display(), &next);
            if (next.type == KeyPress && next.xkey.keycode == key.keycode &&
                next.xkey.time == key.time)
                return;
        }
        const HotKeyId id = *m_pressed;
        m_pressed.reset();
        if (m_handler) m_handler(id);
    }
}

}  // namespace kivrano::platform
