#pragma once

#include "platform/VirtualKey.h"

#include <cstdint>

namespace kivrano::platform::portal {

// The keysym the portal is asked to press for a key of ours; 0 when the key has none.
std::uint32_t keysymForKey(VirtualKey key);

// The keysym that types `character`: '\n' and '\r' are Return, '\t' is Tab; 0 when there is
// none.
std::uint32_t keysymForCharacter(char32_t character);

// Whether the portal keyboard types `character` by its keysym. The compositor looks a keysym
// up in the user's own layout only and drops it when no key there makes it, so just the
// printable ASCII characters and Tab and the line breaks are trusted: the layouts people type
// passwords on carry them (a non-Latin layout comes with a Latin group), and pasting itself
// depends on Ctrl+V arriving that way. Every other character goes through the clipboard.
bool typesByKeysym(char32_t character);

}  // namespace kivrano::platform::portal
