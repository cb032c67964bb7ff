#include "vault/Ripemd160.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {
namespace {

std::string toHex(const Ripemd160Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

TEST(Ripemd160, PublishedReferenceStrings) {
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
        {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
        {"abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
        {"message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
        {"abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "b0e20b6e3116640286ed3a87a5713079b21f5189"},
        {[] {
             std::string eightTimes;
             for (int i = 0; i < 8; ++i) eightTimes += "1234567890";
             return eightTimes;
         }(),
         "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
        {std::string(1'000'000, 'a'), "52783243c1697bdbe16d37f97f68f08325dc1528"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.substr(0, 64));
        EXPECT_EQ(toHex(ripemd160(c.message)), c.digest);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.message.data());
        EXPECT_EQ(toHex(ripemd160(bytes, c.message.size())), c.digest);
    }
}

// Pieces of uneven sizes cross block boundaries in every way; lengths around 55, 56 and 64
// bytes put the padding and the bit length on one side or the other of a block edge.
TEST(Ripemd160, PiecewiseInputMatchesOneShot) {
    std::vector<std::uint8_t> message(300);
    for (std::size_t i = 0; i < message.size(); ++i) {
        message[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    for (const std::size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 300u}) {
        const Ripemd160Digest expected = ripemd160(message.data(), length);
        for (const std::size_t piece : {1u, 3u, 17u, 63u, 64u, 65u}) {
            SCOPED_TRACE(testing::Message() << "length " << length << " piece " << piece);
            Ripemd160 hash;
            for (std::size_t offset = 0; offset < length; offset += piece) {
                hash.update(message.data() + offset, std::min(piece, length - offset));
            }
            EXPECT_EQ(hash.finish(), expected);
        }
    }
}

TEST(Ripemd160, FinishStartsANewMessage) {
    Ripemd160 hash;
    const std::string_view first = "message digest";
    hash.update(reinterpret_cast<const std::uint8_t*>(first.data()), first.size());
    EXPECT_EQ(toHex(hash.finish()), "5d0689ef49d2fae572b881b123a85ffa21595f36");
    hash.update(reinterpret_cast<const std::uint8_t*>("abc"), 3);
    EXPECT_EQ(toHex(hash.finish()), "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc");
}

}  // namespace
}  // namespace kivrano
