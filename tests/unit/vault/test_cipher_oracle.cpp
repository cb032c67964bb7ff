// Our ciphers and digest against OpenSSL's on random inputs from a fixed seed. OpenSSL 3
// marks these low-level calls deprecated; they remain the plainest independent reference.
#define OPENSSL_SUPPRESS_DEPRECATED

#include <gtest/gtest.h>
#include <openssl/blowfish.h>
#include <openssl/des.h>
#include <openssl/ripemd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "vault/Blowfish.h"
#include "vault/Des.h"
#include "vault/Ripemd160.h"
#include "vault/VaultKeys.h"

namespace kivrano {
namespace {

constexpr int kRounds = 300;

class CipherOracle : public ::testing::Test {
protected:
    std::mt19937 random{20240611};

    std::size_t between(std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(random);
    }

    std::vector<std::uint8_t> bytes(std::size_t count) {
        std::vector<std::uint8_t> result(count);
        for (auto& byte : result) byte = static_cast<std::uint8_t>(random());
        return result;
    }
};

TEST_F(CipherOracle, BlowfishEcbMatches) {
    for (int round = 0; round < kRounds; ++round) {
        const auto key = bytes(between(1, 56));
        const auto clear = bytes(8 * between(1, 32));
        SCOPED_TRACE(testing::Message() << "key length " << key.size() << " round " << round);

        BF_KEY reference;
        BF_set_key(&reference, static_cast<int>(key.size()), key.data());
        std::vector<std::uint8_t> expected(clear.size());
        for (std::size_t i = 0; i < clear.size(); i += 8) {
            BF_ecb_encrypt(clear.data() + i, expected.data() + i, &reference, BF_ENCRYPT);
        }

        const Blowfish ours(key.data(), key.size());
        std::vector<std::uint8_t> actual(clear.size());
        ours.encrypt(clear.data(), actual.data(), clear.size());
        ASSERT_EQ(actual, expected);
        ours.decrypt(actual.data(), actual.size());
        ASSERT_EQ(actual, clear);
    }
}

TEST_F(CipherOracle, BlowfishChainingModesMatch) {
    for (int round = 0; round < kRounds; ++round) {
        const auto key = bytes(between(1, 56));
        const auto iv = bytes(8);
        const auto clear = bytes(8 * between(1, 32));
        SCOPED_TRACE(round);

        BF_KEY reference;
        BF_set_key(&reference, static_cast<int>(key.size()), key.data());
        const Blowfish ours(key.data(), key.size(), iv.data());

        std::vector<std::uint8_t> expected(clear.size());
        std::vector<std::uint8_t> actual(clear.size());
        auto chain = iv;
        BF_cbc_encrypt(clear.data(), expected.data(), static_cast<long>(clear.size()), &reference,
                       chain.data(), BF_ENCRYPT);
        ours.encrypt(clear.data(), actual.data(), clear.size(), Blowfish::Cbc);
        ASSERT_EQ(actual, expected);

        chain = iv;
        int used = 0;
        BF_cfb64_encrypt(clear.data(), expected.data(), static_cast<long>(clear.size()), &reference,
                         chain.data(), &used, BF_ENCRYPT);
        ours.encrypt(clear.data(), actual.data(), clear.size(), Blowfish::Cfb);
        ASSERT_EQ(actual, expected);
    }
}

TEST_F(CipherOracle, DesMatches) {
    for (int round = 0; round < kRounds; ++round) {
        const auto key = bytes(8);
        const auto clear = bytes(8);
        SCOPED_TRACE(round);

        DES_cblock referenceKey;
        std::copy(key.begin(), key.end(), referenceKey);
        DES_key_schedule schedule;
        DES_set_key_unchecked(&referenceKey, &schedule);
        DES_cblock in;
        DES_cblock expected;
        std::copy(clear.begin(), clear.end(), in);
        DES_ecb_encrypt(&in, &expected, &schedule, DES_ENCRYPT);

        const Des ours(key.data());
        std::array<std::uint8_t, 8> actual{};
        ours.encryptBlock(clear.data(), actual.data());
        ASSERT_TRUE(std::equal(actual.begin(), actual.end(), expected));

        DES_cblock expectedPlain;
        DES_ecb_encrypt(&in, &expectedPlain, &schedule, DES_DECRYPT);
        ours.decryptBlock(clear.data(), actual.data());
        ASSERT_TRUE(std::equal(actual.begin(), actual.end(), expectedPlain));
    }
}

TEST_F(CipherOracle, Ripemd160Matches) {
    // Every length up to three blocks, then longer random ones.
    for (std::size_t length = 0; length < 200 + kRounds; ++length) {
        const auto message = bytes(length < 200 ? length : between(200, 5000));
        SCOPED_TRACE(message.size());
        std::array<std::uint8_t, RIPEMD160_DIGEST_LENGTH> expected{};
        RIPEMD160(message.data(), message.size(), expected.data());
        ASSERT_EQ(ripemd160(message.data(), message.size()), expected);
    }
}

TEST_F(CipherOracle, VaultKeyMatchesDigestsComputedByOpenSsl) {
    for (int round = 0; round < kRounds; ++round) {
        std::string password(between(0, 24), ' ');
        for (auto& c : password) c = static_cast<char>(between(1, 255));
        SCOPED_TRACE(round);

        auto digest = [](const std::string& text) {
            std::array<std::uint8_t, RIPEMD160_DIGEST_LENGTH> result{};
            RIPEMD160(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                      result.data());
            return result;
        };
        const auto first = digest(password);
        const auto second = digest(password.size() > 1 ? password.substr(1) : password);
        const auto third = digest(password.size() > 2 ? password.substr(2) : password);

        const VaultKey key = deriveVaultKey(password);
        ASSERT_TRUE(std::equal(first.begin(), first.end(), key.data()));
        ASSERT_TRUE(std::equal(second.begin(), second.end(), key.data() + 20));
        ASSERT_TRUE(std::equal(third.begin(), third.begin() + 16, key.data() + 40));
    }
}

}  // namespace
}  // namespace kivrano
