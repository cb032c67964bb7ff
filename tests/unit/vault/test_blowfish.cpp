#include "vault/Blowfish.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {
namespace {

std::vector<std::uint8_t> fromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

struct EcbVector {
    const char* key;
    const char* clear;
    const char* cipher;
};

// Eric Young's published ECB set; blocks are written byte 0 first, which with the
// big-endian halves is the order the vectors were published in.
constexpr EcbVector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

TEST(Blowfish, PublishedEcbVectorsEncryptAndDecrypt) {
    for (const auto& vector : kEcbVectors) {
        SCOPED_TRACE(vector.key);
        const auto key = fromHex(vector.key);
        const auto clear = fromHex(vector.clear);
        const auto cipher = fromHex(vector.cipher);
        const Blowfish blowfish(key.data(), key.size());

        auto buffer = clear;
        blowfish.encrypt(buffer.data(), buffer.size());
        EXPECT_EQ(buffer, cipher);
        blowfish.decrypt(buffer.data(), buffer.size());
        EXPECT_EQ(buffer, clear);
    }
}

TEST(Blowfish, BlockHalvesAreBigEndian) {
    const auto key = fromHex("0123456789ABCDEF");
    const Blowfish blowfish(key.data(), key.size());
    std::uint32_t left = 0x11111111;
    std::uint32_t right = 0x11111111;
    blowfish.encryptBlock(left, right);
    EXPECT_EQ(left, 0x61F9C380u);
    EXPECT_EQ(right, 0x2281B096u);
    blowfish.decryptBlock(left, right);
    EXPECT_EQ(left, 0x11111111u);
    EXPECT_EQ(right, 0x11111111u);
}

// The published set_key series: one clear block under keys of 1 to 24 bytes, which covers
// key lengths that do not fill a whole word and keys that wrap around the P-array.
TEST(Blowfish, PublishedVariableKeyLengthVectors) {
    const auto fullKey = fromHex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* const ciphers[] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
        "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
        "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
        "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
        "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
    };
    for (std::size_t length = 1; length <= fullKey.size(); ++length) {
        SCOPED_TRACE(length);
        const Blowfish blowfish(fullKey.data(), length);
        auto block = fromHex("FEDCBA9876543210");
        blowfish.encrypt(block.data(), block.size());
        EXPECT_EQ(block, fromHex(ciphers[length - 1]));
    }
}

// The published chaining-mode data: 29 bytes, zero-padded to whole blocks.
class BlowfishChaining : public ::testing::Test {
protected:
    const std::vector<std::uint8_t> key = fromHex("0123456789ABCDEFF0E1D2C3B4A59687");
    const std::vector<std::uint8_t> iv = fromHex("FEDCBA9876543210");
    const std::vector<std::uint8_t> clear =
        fromHex("37363534333231204E6F77206973207468652074696D6520666F722000000000");
    const Blowfish blowfish{key.data(), key.size(), iv.data()};
};

TEST_F(BlowfishChaining, CbcMatchesPublishedVectorAndRoundTrips) {
    auto buffer = clear;
    blowfish.encrypt(buffer.data(), buffer.size(), Blowfish::Cbc);
    EXPECT_EQ(buffer, fromHex("6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC"));
    blowfish.decrypt(buffer.data(), buffer.size(), Blowfish::Cbc);
    EXPECT_EQ(buffer, clear);
}

TEST_F(BlowfishChaining, CfbMatchesPublishedVectorAndRoundTrips) {
    // The published stream is 29 bytes long; a whole-block CFB gives the same bytes for them.
    auto buffer = clear;
    blowfish.encrypt(buffer.data(), buffer.size(), Blowfish::Cfb);
    const auto published = fromHex("E73214A2822139CAF26ECF6D2EB9E76E3DA3DE04D1517200519D57A6C3");
    EXPECT_TRUE(std::equal(published.begin(), published.end(), buffer.begin()));
    blowfish.decrypt(buffer.data(), buffer.size(), Blowfish::Cfb);
    EXPECT_EQ(buffer, clear);
}

// Block 1 and 2 of each chaining mode rebuilt from single ECB blocks.
TEST_F(BlowfishChaining, ModesFollowTheirDefinitionOverEcb) {
    auto ecb = [&](std::vector<std::uint8_t> block) {
        blowfish.encrypt(block.data(), block.size(), Blowfish::Ecb);
        return block;
    };
    auto xorBlocks = [](std::vector<std::uint8_t> a, const std::uint8_t* b) {
        for (std::size_t i = 0; i < a.size(); ++i) a[i] ^= b[i];
        return a;
    };
    const std::vector<std::uint8_t> p1(clear.begin(), clear.begin() + 8);
    const std::vector<std::uint8_t> p2(clear.begin() + 8, clear.begin() + 16);

    std::vector<std::uint8_t> cbc(16);
    blowfish.encrypt(clear.data(), cbc.data(), cbc.size(), Blowfish::Cbc);
    const auto cbc1 = ecb(xorBlocks(p1, iv.data()));
    EXPECT_TRUE(std::equal(cbc1.begin(), cbc1.end(), cbc.begin()));
    const auto cbc2 = ecb(xorBlocks(p2, cbc.data()));
    EXPECT_TRUE(std::equal(cbc2.begin(), cbc2.end(), cbc.begin() + 8));

    std::vector<std::uint8_t> cfb(16);
    blowfish.encrypt(clear.data(), cfb.data(), cfb.size(), Blowfish::Cfb);
    const auto cfb1 = xorBlocks(ecb(iv), p1.data());
    EXPECT_TRUE(std::equal(cfb1.begin(), cfb1.end(), cfb.begin()));
    const auto cfb2 = xorBlocks(ecb({cfb.begin(), cfb.begin() + 8}), p2.data());
    EXPECT_TRUE(std::equal(cfb2.begin(), cfb2.end(), cfb.begin() + 8));
}

TEST_F(BlowfishChaining, EveryCallStartsFromTheInitialVector) {
    for (const int mode : {Blowfish::Cbc, Blowfish::Cfb}) {
        SCOPED_TRACE(mode);
        std::vector<std::uint8_t> first(clear.begin(), clear.begin() + 8);
        std::vector<std::uint8_t> again = first;
        blowfish.encrypt(first.data(), first.size(), mode);
        blowfish.encrypt(again.data(), again.size(), mode);
        EXPECT_EQ(first, again);

        // Decrypting block 1 and then block 2 in two calls does not chain block 2 to block 1:
        // the second call starts from the vector again and so cannot restore block 2.
        auto whole = clear;
        blowfish.encrypt(whole.data(), whole.size(), mode);
        std::vector<std::uint8_t> secondAlone(whole.begin() + 8, whole.begin() + 16);
        blowfish.decrypt(whole.data(), 8, mode);
        EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 8, clear.begin()));
        blowfish.decrypt(secondAlone.data(), secondAlone.size(), mode);
        EXPECT_NE(secondAlone, std::vector<std::uint8_t>(clear.begin() + 8, clear.begin() + 16));
    }
}

TEST_F(BlowfishChaining, InPlaceAndSeparateBuffersAgree) {
    for (const int mode : {Blowfish::Ecb, Blowfish::Cbc, Blowfish::Cfb}) {
        SCOPED_TRACE(mode);
        std::vector<std::uint8_t> separate(clear.size());
        blowfish.encrypt(clear.data(), separate.data(), clear.size(), mode);
        auto inPlace = clear;
        blowfish.encrypt(inPlace.data(), inPlace.size(), mode);
        EXPECT_EQ(inPlace, separate);

        std::vector<std::uint8_t> decrypted(clear.size());
        blowfish.decrypt(separate.data(), decrypted.data(), separate.size(), mode);
        EXPECT_EQ(decrypted, clear);
        blowfish.decrypt(inPlace.data(), inPlace.size(), mode);
        EXPECT_EQ(inPlace, clear);
    }
}

TEST_F(BlowfishChaining, UnknownModeNumbersAreEcb) {
    auto ecb = clear;
    blowfish.encrypt(ecb.data(), ecb.size(), Blowfish::Ecb);
    for (const int mode : {3, -1, 42}) {
        SCOPED_TRACE(mode);
        auto buffer = clear;
        blowfish.encrypt(buffer.data(), buffer.size(), mode);
        EXPECT_EQ(buffer, ecb);
        blowfish.decrypt(buffer.data(), buffer.size(), mode);
        EXPECT_EQ(buffer, clear);
    }
}

TEST(Blowfish, MissingInitialVectorIsZero) {
    const auto key = bytesOf("key");
    const std::uint8_t zero[8] = {};
    EXPECT_TRUE(Blowfish(key.data(), key.size()) == Blowfish(key.data(), key.size(), zero));
    const std::uint8_t one[8] = {0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_FALSE(Blowfish(key.data(), key.size()) == Blowfish(key.data(), key.size(), one));
}

TEST(Blowfish, KeysLongerThan56BytesAreCut) {
    std::vector<std::uint8_t> key(60);
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const Blowfish cut(key.data(), 60);
    EXPECT_TRUE(cut == Blowfish(key.data(), 56));
    EXPECT_FALSE(cut == Blowfish(key.data(), 55));

    const Blowfish copy = cut;
    EXPECT_TRUE(copy == cut);
}

TEST(Blowfish, EmptyKeyIsRefused) {
    const std::uint8_t key[1] = {1};
    try {
        Blowfish blowfish(key, 0);
        FAIL() << "a key of length 0 was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Incorrect key length");
    }
}

TEST(Blowfish, BufferLengthsThatAreNotWholeBlocksAreRefusedUntouched) {
    const auto key = bytesOf("key");
    const Blowfish blowfish(key.data(), key.size());
    using Call = void (*)(const Blowfish&, std::uint8_t*, std::size_t, int);
    const Call calls[] = {
        [](const Blowfish& b, std::uint8_t* p, std::size_t n, int m) { b.encrypt(p, n, m); },
        [](const Blowfish& b, std::uint8_t* p, std::size_t n, int m) { b.decrypt(p, n, m); },
        [](const Blowfish& b, std::uint8_t* p, std::size_t n, int m) { b.encrypt(p, p, n, m); },
        [](const Blowfish& b, std::uint8_t* p, std::size_t n, int m) { b.decrypt(p, p, n, m); },
    };
    for (const std::size_t length : {std::size_t{0}, std::size_t{7}, std::size_t{12}}) {
        for (const int mode : {Blowfish::Ecb, Blowfish::Cbc, Blowfish::Cfb}) {
            for (const Call call : calls) {
                SCOPED_TRACE(testing::Message() << "length " << length << " mode " << mode);
                std::vector<std::uint8_t> buffer(16, 0xA5);
                try {
                    call(blowfish, buffer.data(), length, mode);
                    ADD_FAILURE() << "the length was accepted";
                } catch (const std::invalid_argument& error) {
                    EXPECT_STREQ(error.what(), "Incorrect buffer length");
                }
                EXPECT_EQ(buffer, std::vector<std::uint8_t>(16, 0xA5));
            }
        }
    }
}

}  // namespace
}  // namespace kivrano
