#pragma once

#include "vault/HotKeyValue.h"

#include <cstdint>
#include <functional>

namespace kivrano::platform {

// 0..10 are the global hotkeys; an item's launching key uses its tree node's handle.
using HotKeyId = std::uint32_t;

// System-wide hotkeys. A combination another program (or another id of ours) already holds
// is refused: it stays registered under its id and simply never fires.
class HotKeys {
public:
    virtual ~HotKeys() = default;

    // Registering an id again first drops its previous combination. A combination that is not
    // set, (0, 0), is never taken; the call returns false and the id stays free.
    virtual bool registerHotKey(HotKeyId id, HotKeyValue key) = 0;
    virtual void unregisterHotKey(HotKeyId id) = 0;

    // Called with the id once per press, when the combination's key is released.
    virtual void setHandler(std::function<void(HotKeyId)> handler) = 0;
};

}  // namespace kivrano::platform
