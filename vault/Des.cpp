#include "vault/Des.h"

#include "vault/Secure.h"

namespace kivrano {
namespace {

// The standard tables. Entries number bits from 1 at the most significant end of the input.
constexpr std::array<std::uint8_t, 64> kInitialPermutation = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::array<std::uint8_t, 48> kExpansion = {
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11, 12, 13, 12, 13, 14, 15, 16, 17,
    16, 17, 18, 19, 20, 21, 20, 21, 22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

constexpr std::array<std::uint8_t, 32> kRoundPermutation = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::array<std::uint8_t, 56> kKeyChoice1 = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
    35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
    46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::array<std::uint8_t, 48> kKeyChoice2 = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::array<std::uint8_t, 16> kKeyRotations = {1, 1, 2, 2, 2, 2, 2, 2,
                                                        1, 2, 2, 2, 2, 2, 2, 1};

// S-boxes, each as four rows of sixteen.
constexpr std::array<std::array<std::uint8_t, 64>, 8> kSBoxes = {{
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11},
}};

// Every row of every S-box is a permutation of 0..15; a slip in the table above would break it.
constexpr bool sBoxRowsArePermutations() {
    for (const auto& box : kSBoxes) {
        for (std::size_t row = 0; row < 4; ++row) {
            unsigned seen = 0;
            for (std::size_t column = 0; column < 16; ++column)
                seen |= 1u << box[row * 16 + column];
            if (seen != 0xFFFF) return false;
        }
    }
    return true;
}
static_assert(sBoxRowsArePermutations());

// Output bit i (from the most significant end) is input bit table[i] of an input that is
// inputBits wide.
template <std::size_t N>
constexpr std::uint64_t permute(std::uint64_t input, unsigned inputBits,
                                const std::array<std::uint8_t, N>& table) noexcept {
    std::uint64_t output = 0;
    for (const std::uint8_t bit : table)
        output = (output << 1) | ((input >> (inputBits - bit)) & 1);
    return output;
}

constexpr std::array<std::uint8_t, 64> inverse(const std::array<std::uint8_t, 64>& table) {
    std::array<std::uint8_t, 64> result{};
    for (std::size_t i = 0; i < 64; ++i) result[table[i] - 1u] = static_cast<std::uint8_t>(i + 1);
    return result;
}

constexpr std::array<std::uint8_t, 64> kFinalPermutation = inverse(kInitialPermutation);

// Each S-box with the round permutation already applied to its output: the round function
// becomes eight table look-ups ORed together.
constexpr std::array<std::array<std::uint32_t, 64>, 8> makeSpBoxes() {
    std::array<std::array<std::uint32_t, 64>, 8> result{};
    for (std::size_t box = 0; box < 8; ++box) {
        for (std::size_t six = 0; six < 64; ++six) {
            // Outer bits choose the row, inner four the column.
            const std::size_t row = ((six >> 4) & 2) | (six & 1);
            const std::size_t column = (six >> 1) & 0xF;
            const std::uint64_t nibble = kSBoxes[box][row * 16 + column];
            result[box][six] = static_cast<std::uint32_t>(
                permute(nibble << (28 - 4 * box), 32, kRoundPermutation));
        }
    }
    return result;
}

constexpr auto kSpBoxes = makeSpBoxes();

std::uint32_t roundFunction(std::uint32_t right, std::uint64_t subKey) noexcept {
    const std::uint64_t mixed = permute(right, 32, kExpansion) ^ subKey;
    std::uint32_t result = 0;
    for (std::size_t box = 0; box < 8; ++box) {
        result |= kSpBoxes[box][(mixed >> (42 - 6 * box)) & 0x3F];
    }
    return result;
}

std::uint64_t loadBlock(const std::uint8_t bytes[8]) noexcept {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i) value = (value << 8) | bytes[i];
    return value;
}

void storeBlock(std::uint64_t value, std::uint8_t bytes[8]) noexcept {
    for (std::size_t i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (56 - 8 * i));
}

}  // namespace

Des::Des(const std::uint8_t key[8]) {
    // Permuted choice 1 drops the parity bits (the last bit of each byte).
    std::uint64_t halves = permute(loadBlock(key), 64, kKeyChoice1);
    std::uint32_t c = static_cast<std::uint32_t>(halves >> 28);
    std::uint32_t d = static_cast<std::uint32_t>(halves & 0xFFFFFFF);
    for (std::size_t round = 0; round < 16; ++round) {
        const unsigned shift = kKeyRotations[round];
        c = ((c << shift) | (c >> (28 - shift))) & 0xFFFFFFF;
        d = ((d << shift) | (d >> (28 - shift))) & 0xFFFFFFF;
        m_subKeys[round] = permute((static_cast<std::uint64_t>(c) << 28) | d, 56, kKeyChoice2);
    }
    secureWipe(&halves, sizeof(halves));
    secureWipe(&c, sizeof(c));
    secureWipe(&d, sizeof(d));
}

Des::~Des() {
    secureWipe(m_subKeys.data(), sizeof(m_subKeys));
}

void Des::encryptBlock(const std::uint8_t in[8], std::uint8_t out[8]) const noexcept {
    block(in, out, 1);
}

void Des::decryptBlock(const std::uint8_t in[8], std::uint8_t out[8]) const noexcept {
    block(in, out, 0);
}

void Des::block(const std::uint8_t in[8], std::uint8_t out[8], int direction) const noexcept {
    const std::uint64_t permuted = permute(loadBlock(in), 64, kInitialPermutation);
    std::uint32_t left = static_cast<std::uint32_t>(permuted >> 32);
    std::uint32_t right = static_cast<std::uint32_t>(permuted);
    // Decryption is the same network with the sub-keys taken in reverse order.
    for (std::size_t round = 0; round < 16; ++round) {
        const std::uint64_t subKey = m_subKeys[direction != 0 ? round : 15 - round];
        const std::uint32_t next = left ^ roundFunction(right, subKey);
        left = right;
        right = next;
    }
    // The halves leave the last round swapped back: R16 comes first.
    const std::uint64_t preOutput = (static_cast<std::uint64_t>(right) << 32) | left;
    storeBlock(permute(preOutput, 64, kFinalPermutation), out);
}

}  // namespace kivrano
