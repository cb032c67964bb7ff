#pragma once

#include <array>
#include <cstdint>

namespace kivrano {

// DES (FIPS 46) on single 8-byte blocks; bits numbered from the most significant bit of
// byte 0. The key's parity bits are ignored. Only decryption is needed to read old vault
// files; encryption serves tests and fixtures.
class Des {
public:
    explicit Des(const std::uint8_t key[8]);
    ~Des();

    void encryptBlock(const std::uint8_t in[8], std::uint8_t out[8]) const noexcept;
    void decryptBlock(const std::uint8_t in[8], std::uint8_t out[8]) const noexcept;
    // direction: nonzero = encrypt, zero = decrypt.
    void block(const std::uint8_t in[8], std::uint8_t out[8], int direction) const noexcept;

private:
    std::array<std::uint64_t, 16> m_subKeys{};  // 48-bit sub-keys in the low bits
};

}  // namespace kivrano
