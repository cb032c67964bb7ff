#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kivrano {

using Ripemd160Digest = std::array<std::uint8_t, 20>;

// RIPEMD-160 of a byte sequence; the five state words are written least significant byte
// first. Returned by value, so callers never share a result buffer.
Ripemd160Digest ripemd160(const std::uint8_t* data, std::size_t length);
Ripemd160Digest ripemd160(std::string_view text);

// Incremental form, for large inputs.
class Ripemd160 {
public:
    Ripemd160();
    ~Ripemd160();
    void update(const std::uint8_t* data, std::size_t length);
    Ripemd160Digest finish();

private:
    std::array<std::uint32_t, 5> m_state{};
    std::array<std::uint8_t, 64> m_block{};
    std::size_t m_blockUsed = 0;
    std::uint64_t m_totalBytes = 0;
};

}  // namespace kivrano
