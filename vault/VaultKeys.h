#pragma once

#include "vault/Secure.h"

#include <string_view>

namespace kivrano {

using VaultKey = WipedBytes<56>;
using LegacyKey = WipedBytes<8>;

// The 56-byte Blowfish key of a password: digest of the password, of it without its
// first byte, and the first 16 bytes of the digest without its first two bytes (the
// whole password's digest stands in for a part that would be empty). The password is a
// zero-terminated text: bytes from the first zero byte on are not part of it.
VaultKey deriveVaultKey(std::string_view password);

// 56 zero bytes: encrypts what must be readable without the password.
VaultKey noPasswordKey();

// The DES key of files written before the Blowfish format: the first 8 digest bytes.
LegacyKey legacyKey(std::string_view password);

}  // namespace kivrano
