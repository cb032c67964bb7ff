#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivrano {

// Overwrites memory so that passwords, keys and decrypted text do not linger after use.
// The volatile writes keep the compiler from dropping the stores as dead.
inline void secureWipe(void* data, std::size_t length) noexcept {
    auto* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < length; ++i) p[i] = 0;
}

inline void secureWipe(std::string& text) noexcept {
    secureWipe(text.data(), text.size());
    text.clear();
}

inline void secureWipe(std::vector<std::uint8_t>& bytes) noexcept {
    secureWipe(bytes.data(), bytes.size());
    bytes.clear();
}

// A fixed-size byte array that wipes itself when it goes out of scope; used for key material.
template <std::size_t N>
struct WipedBytes {
    std::array<std::uint8_t, N> bytes{};

    WipedBytes() = default;
    WipedBytes(const WipedBytes&) = default;
    WipedBytes& operator=(const WipedBytes&) = default;
    ~WipedBytes() { secureWipe(bytes.data(), bytes.size()); }

    std::uint8_t* data() noexcept { return bytes.data(); }
    const std::uint8_t* data() const noexcept { return bytes.data(); }
    static constexpr std::size_t size() noexcept { return N; }
    std::uint8_t& operator[](std::size_t i) noexcept { return bytes[i]; }
    const std::uint8_t& operator[](std::size_t i) const noexcept { return bytes[i]; }
    bool operator==(const WipedBytes& other) const noexcept { return bytes == other.bytes; }
};

}  // namespace kivrano
