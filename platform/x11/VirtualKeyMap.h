#pragma once

#include "platform/VirtualKey.h"

#include <optional>

namespace kivrano::platform::x11 {

// Windows virtual-key codes and X keysyms (plain numbers here, so that no X11 header leaks).
// Letters map to their lower-case keysyms, the punctuation keys to those of a US keyboard.
unsigned long keysymForVirtualKey(VirtualKey key);  // 0 when the key has no keysym
std::optional<VirtualKey> virtualKeyForKeysym(unsigned long keysym);

}  // namespace kivrano::platform::x11
