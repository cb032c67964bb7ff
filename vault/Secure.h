#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

// Keeps memory that holds passwords and keys out of the swap, where the system allows it
// (a locked-memory limit that is used up is not an error: the memory is then only wiped).
// Pages are counted, so two secrets on one page do not unlock each other.
void lockMemory(const void* data, std::size_t length) noexcept;
void unlockMemory(const void* data, std::size_t length) noexcept;

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

    WipedBytes() { lockMemory(bytes.data(), N); }
    WipedBytes(const WipedBytes& other) : bytes(other.bytes) { lockMemory(bytes.data(), N); }
    WipedBytes& operator=(const WipedBytes&) = default;
    ~WipedBytes() {
        secureWipe(bytes.data(), bytes.size());
        unlockMemory(bytes.data(), N);
    }

    std::uint8_t* data() noexcept { return bytes.data(); }
    const std::uint8_t* data() const noexcept { return bytes.data(); }
    static constexpr std::size_t size() noexcept { return N; }
    std::uint8_t& operator[](std::size_t i) noexcept { return bytes[i]; }
    const std::uint8_t& operator[](std::size_t i) const noexcept { return bytes[i]; }
    bool operator==(const WipedBytes& other) const noexcept { return bytes == other.bytes; }
};

// An allocator for secrets: the memory is locked while in use and wiped before it is given
// back.
template <typename T>
struct LockedAllocator {
    using value_type = T;
    LockedAllocator() = default;
    template <typename U>
    LockedAllocator(const LockedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        auto* p = static_cast<T*>(::operator new(n * sizeof(T)));
        lockMemory(p, n * sizeof(T));
        return p;
    }
    void deallocate(T* p, std::size_t n) noexcept {
        secureWipe(p, n * sizeof(T));
        unlockMemory(p, n * sizeof(T));
        ::operator delete(p);
    }
    template <typename U>
    bool operator==(const LockedAllocator<U>&) const noexcept {
        return true;
    }
};

// A password held for longer than one command: in locked memory, wiped when it changes or
// goes. Room for a long password is taken at once, so that even a short one lives in the
// locked block rather than inside the object that holds it.
class SecretString {
public:
    SecretString() { m_text.reserve(kInitialCapacity); }
    SecretString(const SecretString& other) : SecretString() { m_text = other.m_text; }
    SecretString& operator=(const SecretString& other) {
        assign(other.view());
        return *this;
    }
    SecretString& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    ~SecretString() { wipe(); }

    void assign(std::string_view text) {
        wipe();
        m_text.assign(text.begin(), text.end());
    }
    void wipe() noexcept {
        secureWipe(m_text.data(), m_text.size());
        m_text.clear();
    }
    std::string_view view() const noexcept { return {m_text.data(), m_text.size()}; }
    operator std::string_view() const noexcept { return view(); }
    bool empty() const noexcept { return m_text.empty(); }
    bool operator==(std::string_view other) const noexcept { return view() == other; }

private:
    static constexpr std::size_t kInitialCapacity = 64;
    std::basic_string<char, std::char_traits<char>, LockedAllocator<char>> m_text;
};

}  // namespace kivrano
