#include "platform/portal/PortalKeysyms.h"

#include "platform/x11/VirtualKeyMap.h"

#include <xkbcommon/xkbcommon.h>

namespace kivrano::platform::portal {

std::uint32_t keysymForKey(VirtualKey key) {
    // The key numbers are the same in both worlds: X keysyms are xkb keysyms.
    return static_cast<std::uint32_t>(x11::keysymForVirtualKey(key));
}

std::uint32_t keysymForCharacter(char32_t character) {
    if (character == U'\n' || character == U'\r') return XKB_KEY_Return;
    if (character == U'\t') return XKB_KEY_Tab;
    return xkb_utf32_to_keysym(static_cast<std::uint32_t>(character));
}

bool typesByKeysym(char32_t character) {
    return (character >= 0x20 && character <= 0x7E) || character == U'\t' || character == U'\n' ||
           character == U'\r';
}

}  // namespace kivrano::platform::portal
