#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kivrano {

// Blowfish with the block read as two big-endian 32-bit halves. Modes: 0 ECB, 1 CBC,
// 2 CFB with 64-bit feedback; any other number behaves as 0. Chaining always starts
// from the initial vector given at key setup; nothing is carried between calls.
class Blowfish {
public:
    enum Mode : int { Ecb = 0, Cbc = 1, Cfb = 2 };

    // Throws std::invalid_argument("Incorrect key length") for a key length of 0;
    // a key longer than 56 bytes is cut to 56. iv may be null (all zero).
    Blowfish(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* iv = nullptr);
    ~Blowfish();
    // The key schedule is key material: it lives in locked memory.
    Blowfish(const Blowfish& other);
    Blowfish& operator=(const Blowfish&) = default;

    // Each throws std::invalid_argument("Incorrect buffer length") when length is 0 or not a
    // multiple of 8, and then processes nothing.
    void encrypt(std::uint8_t* buffer, std::size_t length, int mode = Ecb) const;
    void decrypt(std::uint8_t* buffer, std::size_t length, int mode = Ecb) const;
    void encrypt(const std::uint8_t* source, std::uint8_t* destination, std::size_t length,
                 int mode = Ecb) const;
    void decrypt(const std::uint8_t* source, std::uint8_t* destination, std::size_t length,
                 int mode = Ecb) const;

    // One block on its two halves (left = bytes 0..3 big-endian).
    void encryptBlock(std::uint32_t& left, std::uint32_t& right) const noexcept;
    void decryptBlock(std::uint32_t& left, std::uint32_t& right) const noexcept;

    bool operator==(const Blowfish& other) const noexcept;

private:
    std::array<std::uint32_t, 2> m_iv{};
    std::array<std::uint32_t, 2> m_chainStart{};
    std::array<std::uint32_t, 18> m_p{};
    std::array<std::array<std::uint32_t, 256>, 4> m_s{};
};

}  // namespace kivrano
