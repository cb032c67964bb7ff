#include "vault/Ripemd160.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "vault/Secure.h"

namespace kivrano {
namespace {

constexpr std::array<std::uint32_t, 5> kInitialState = {0x67452301, 0xEFCDAB89, 0x98BADCFE,
                                                        0x10325476, 0xC3D2E1F0};

// Message word and rotation of each of the 80 steps, for the left and the right line.
constexpr std::array<std::uint8_t, 80> kWordLeft = {
    0,  1, 2,  3, 4,  5,  6, 7,  8, 9,  10, 11, 12, 13, 14, 15, 7,  4,  13, 1,
    10, 6, 15, 3, 12, 0,  9, 5,  2, 14, 11, 8,  3,  10, 14, 4,  9,  15, 8,  1,
    2,  7, 0,  6, 13, 11, 5, 12, 1, 9,  11, 10, 0,  8,  12, 4,  13, 3,  7,  15,
    14, 5, 6,  2, 4,  0,  5, 9,  7, 12, 2,  10, 14, 1,  3,  8,  11, 6,  15, 13};
constexpr std::array<std::uint8_t, 80> kWordRight = {
    5,  14, 7,  0,  9,  2,  11, 4,  13, 6, 15, 8, 1,  10, 3,  12, 6, 11, 3, 7,
    0,  13, 5,  10, 14, 15, 8,  12, 4,  9, 1,  2, 15, 5,  1,  3,  7, 14, 6, 9,
    11, 8,  12, 2,  10, 0,  4,  13, 8,  6, 4,  1, 3,  11, 15, 0,  5, 12, 2, 13,
    9,  7,  10, 14, 12, 15, 10, 4,  1,  5, 8,  7, 6,  2,  13, 14, 0, 3,  9, 11};
constexpr std::array<std::uint8_t, 80> kShiftLeft = {
    11, 14, 15, 12, 5, 8,  7,  9,  11, 13, 14, 15, 6,  7,  9,  8,  7,  6,  8,  13,
    11, 9,  7,  15, 7, 12, 15, 9,  11, 7,  13, 12, 11, 13, 6,  7,  14, 9,  13, 15,
    14, 8,  13, 6,  5, 12, 7,  5,  11, 12, 14, 15, 14, 15, 9,  8,  9,  14, 5,  6,
    8,  6,  5,  12, 9, 15, 5,  11, 6,  8,  13, 12, 5,  12, 13, 14, 11, 8,  5,  6};
constexpr std::array<std::uint8_t, 80> kShiftRight = {
    8,  9,  9,  11, 13, 15, 15, 5, 7,  7,  8,  11, 14, 14, 12, 6,  9,  13, 15, 7,
    12, 8,  9,  11, 7,  7,  12, 7, 6,  15, 13, 11, 9,  7,  15, 11, 8,  6,  6,  14,
    12, 13, 5,  14, 13, 13, 7,  5, 15, 5,  8,  11, 14, 14, 6,  14, 6,  9,  12, 9,
    12, 5,  15, 8,  8,  5,  12, 9, 12, 5,  14, 6,  8,  13, 6,  5,  15, 13, 11, 11};
constexpr std::array<std::uint32_t, 5> kAddLeft = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC,
                                                   0xA953FD4E};
constexpr std::array<std::uint32_t, 5> kAddRight = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x7A6D76E9,
                                                    0x00000000};

template <std::size_t F>
[[gnu::always_inline]] inline std::uint32_t mix(std::uint32_t x, std::uint32_t y,
                                                std::uint32_t z) noexcept {
    if constexpr (F == 0) {
        return x ^ y ^ z;
    } else if constexpr (F == 1) {
        return (x & y) | (~x & z);
    } else if constexpr (F == 2) {
        return (x | ~y) ^ z;
    } else if constexpr (F == 3) {
        return (x & z) | (y & ~z);
    } else {
        return x ^ (y | ~z);
    }
}

// One step of a line. Every table index is a template constant, so the 80 steps compile to
// straight-line code with the word offsets and rotations folded in.
template <bool Right, std::size_t J>
[[gnu::always_inline]] inline void step(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c,
                                        std::uint32_t& d, std::uint32_t& e,
                                        const std::uint32_t* x) noexcept {
    constexpr std::size_t round = J / 16;
    constexpr std::size_t function = Right ? 4 - round : round;
    constexpr std::size_t word = Right ? kWordRight[J] : kWordLeft[J];
    constexpr int shift = Right ? kShiftRight[J] : kShiftLeft[J];
    constexpr std::uint32_t add = Right ? kAddRight[round] : kAddLeft[round];
    const std::uint32_t t = std::rotl(a + mix<function>(b, c, d) + x[word] + add, shift) + e;
    a = e;
    e = d;
    d = std::rotl(c, 10);
    c = b;
    b = t;
}

// The two lines are independent until the final combination; running their steps side by
// side gives the processor two dependency chains to overlap, nearly doubling throughput.
template <std::size_t... J>
[[gnu::always_inline]] inline void bothLines(std::index_sequence<J...>, std::uint32_t& al,
                                             std::uint32_t& bl, std::uint32_t& cl,
                                             std::uint32_t& dl, std::uint32_t& el,
                                             std::uint32_t& ar, std::uint32_t& br,
                                             std::uint32_t& cr, std::uint32_t& dr,
                                             std::uint32_t& er, const std::uint32_t* x) noexcept {
    ((step<false, J>(al, bl, cl, dl, el, x), step<true, J>(ar, br, cr, dr, er, x)), ...);
}

void compress(std::array<std::uint32_t, 5>& state, const std::uint8_t* block) noexcept {
    std::uint32_t x[16];
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint8_t* p = block + 4 * i;
        x[i] = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }

    std::uint32_t al = state[0], bl = state[1], cl = state[2], dl = state[3], el = state[4];
    std::uint32_t ar = al, br = bl, cr = cl, dr = dl, er = el;
    bothLines(std::make_index_sequence<80>{}, al, bl, cl, dl, el, ar, br, cr, dr, er, x);

    const std::uint32_t t = state[1] + cl + dr;
    state[1] = state[2] + dl + er;
    state[2] = state[3] + el + ar;
    state[3] = state[4] + al + br;
    state[4] = state[0] + bl + cr;
    state[0] = t;
}

}  // namespace

Ripemd160::Ripemd160() : m_state(kInitialState) {}

Ripemd160::~Ripemd160() {
    secureWipe(m_state.data(), sizeof(m_state));
    secureWipe(m_block.data(), m_block.size());
    m_blockUsed = 0;
    m_totalBytes = 0;
}

void Ripemd160::update(const std::uint8_t* data, std::size_t length) {
    m_totalBytes += length;
    if (m_blockUsed > 0) {
        const std::size_t take = std::min(length, m_block.size() - m_blockUsed);
        std::copy_n(data, take, m_block.data() + m_blockUsed);
        m_blockUsed += take;
        data += take;
        length -= take;
        if (m_blockUsed < m_block.size()) return;
        compress(m_state, m_block.data());
        m_blockUsed = 0;
    }
    for (; length >= m_block.size(); data += m_block.size(), length -= m_block.size()) {
        compress(m_state, data);
    }
    std::copy_n(data, length, m_block.data());
    m_blockUsed = length;
}

Ripemd160Digest Ripemd160::finish() {
    // Padding: a 0x80 byte, zeros up to 8 bytes before a block boundary, then the message
    // length in bits as a little-endian 64-bit number.
    const std::uint64_t bitLength = m_totalBytes * 8;
    m_block[m_blockUsed++] = 0x80;
    if (m_blockUsed > m_block.size() - 8) {
        std::fill(m_block.begin() + static_cast<std::ptrdiff_t>(m_blockUsed), m_block.end(), 0);
        compress(m_state, m_block.data());
        m_blockUsed = 0;
    }
    std::fill(m_block.begin() + static_cast<std::ptrdiff_t>(m_blockUsed), m_block.end() - 8, 0);
    for (std::size_t i = 0; i < 8; ++i) {
        m_block[56 + i] = static_cast<std::uint8_t>(bitLength >> (8 * i));
    }
    compress(m_state, m_block.data());

    Ripemd160Digest digest;
    for (std::size_t i = 0; i < 5; ++i) {
        for (std::size_t j = 0; j < 4; ++j) {
            digest[4 * i + j] = static_cast<std::uint8_t>(m_state[i] >> (8 * j));
        }
    }

    // Ready for a new message; nothing of the old one stays behind.
    secureWipe(m_block.data(), m_block.size());
    m_state = kInitialState;
    m_blockUsed = 0;
    m_totalBytes = 0;
    return digest;
}

Ripemd160Digest ripemd160(const std::uint8_t* data, std::size_t length) {
    Ripemd160 hash;
    hash.update(data, length);
    return hash.finish();
}

Ripemd160Digest ripemd160(std::string_view text) {
    return ripemd160(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace kivrano
