#include "vault/VaultKeys.h"

#include <algorithm>

#include "vault/Ripemd160.h"

namespace kivrano {
namespace {

// The password ends at its first zero byte, as a zero-terminated text would.
std::string_view asText(std::string_view password) {
    return password.substr(0, password.find('\0'));
}

// Copies the first count bytes of text's digest to destination; the digest does not outlive
// the call.
void putDigest(std::string_view text, std::uint8_t* destination, std::size_t count) {
    Ripemd160Digest digest = ripemd160(text);
    std::copy_n(digest.data(), count, destination);
    secureWipe(digest.data(), digest.size());
}

}  // namespace

VaultKey deriveVaultKey(std::string_view password) {
    const std::string_view text = asText(password);
    VaultKey key;
    putDigest(text, key.data(), 20);
    putDigest(text.size() > 1 ? text.substr(1) : text, key.data() + 20, 20);
    putDigest(text.size() > 2 ? text.substr(2) : text, key.data() + 40, 16);
    return key;
}

VaultKey noPasswordKey() {
    return VaultKey{};
}

LegacyKey legacyKey(std::string_view password) {
    LegacyKey key;
    putDigest(asText(password), key.data(), key.size());
    return key;
}

}  // namespace kivrano
