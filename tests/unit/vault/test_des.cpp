#include "vault/Des.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivrano {
namespace {

using Block = std::array<std::uint8_t, 8>;

Block fromHex(std::string_view hex) {
    Block block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] =
            static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(2 * i, 2)), nullptr, 16));
    }
    return block;
}

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// The classic worked example and samples of the NBS / SP 800-17 known-answer tables: variable
// plaintext, variable key, permutation and substitution tests.
constexpr KnownAnswer kKnownAnswers[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"0101010101010101", "2000000000000000", "2E8653104F3834EA"},
    {"0101010101010101", "1000000000000000", "4BD388FF6CD81D4F"},
    {"0101010101010101", "0800000000000000", "20B9E767B2FB1456"},
    {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
    {"2001010101010101", "0000000000000000", "7AD16FFB79C45926"},
    {"0101010101010102", "0000000000000000", "869EFD7F9F265A09"},
    {"1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
    {"1007103489988020", "0000000000000000", "0C0CC00C83EA48FD"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
    {"07A1133E4A0B2686", "0248D43806F67172", "868EBB51CAB4599A"},
};

TEST(Des, PublishedKnownAnswersBothWays) {
    for (const auto& answer : kKnownAnswers) {
        SCOPED_TRACE(testing::Message() << answer.key << " " << answer.plain);
        const Block key = fromHex(answer.key);
        const Des des(key.data());
        Block out{};
        des.encryptBlock(fromHex(answer.plain).data(), out.data());
        EXPECT_EQ(out, fromHex(answer.cipher));
        des.decryptBlock(fromHex(answer.cipher).data(), out.data());
        EXPECT_EQ(out, fromHex(answer.plain));
    }
}

TEST(Des, DirectionArgumentSelectsEncryptionForAnyNonzeroValue) {
    const Block key = fromHex("133457799BBCDFF1");
    const Des des(key.data());
    const Block plain = fromHex("0123456789ABCDEF");
    const Block cipher = fromHex("85E813540F0AB405");
    for (const int direction : {1, -1, 2}) {
        SCOPED_TRACE(direction);
        Block out{};
        des.block(plain.data(), out.data(), direction);
        EXPECT_EQ(out, cipher);
    }
    Block out{};
    des.block(cipher.data(), out.data(), 0);
    EXPECT_EQ(out, plain);
}

TEST(Des, ParityBitsOfTheKeyAreIgnored) {
    const Block plain = fromHex("0123456789ABCDEF");
    const Block key = fromHex("133457799BBCDFF1");
    Block flipped = key;
    for (auto& byte : flipped) byte ^= 1;
    Block a{};
    Block b{};
    Des(key.data()).encryptBlock(plain.data(), a.data());
    Des(flipped.data()).encryptBlock(plain.data(), b.data());
    EXPECT_EQ(a, b);

    // Any other bit does change the key.
    flipped[0] ^= 2;
    Des(flipped.data()).encryptBlock(plain.data(), b.data());
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace kivrano
