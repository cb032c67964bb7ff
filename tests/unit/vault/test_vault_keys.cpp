#include "vault/VaultKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "vault/Ripemd160.h"

namespace kivrano {
namespace {

std::string toHex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

// "abc" and its two tails, digested independently of our own code.
TEST(VaultKeys, KeyIsTheDigestsOfThePasswordAndItsTails) {
    const VaultKey key = deriveVaultKey("abc");
    EXPECT_EQ(toHex(key.data(), 20), "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc");       // "abc"
    EXPECT_EQ(toHex(key.data() + 20, 20), "052d7b0495b75a438ea007d80c4925839bf8e5ec");  // "bc"
    EXPECT_EQ(toHex(key.data() + 40, 16), "558d1d422cade2ed67bcf1711e8a74f8");          // "c"
}

// Where a tail would be empty, the whole password's digest stands in.
TEST(VaultKeys, ShortPasswordsRepeatTheirDigest) {
    struct Case {
        std::string_view password;
        std::string_view second;  // text digested into bytes 20..39
        std::string_view third;   // text digested into bytes 40..55
    };
    const Case cases[] = {
        {"", "", ""},
        {"x", "x", "x"},
        {"xy", "y", "xy"},
        {"xyz", "yz", "z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        const VaultKey key = deriveVaultKey(c.password);
        const Ripemd160Digest whole = ripemd160(c.password);
        const Ripemd160Digest second = ripemd160(c.second);
        const Ripemd160Digest third = ripemd160(c.third);
        EXPECT_TRUE(std::equal(whole.begin(), whole.end(), key.data()));
        EXPECT_TRUE(std::equal(second.begin(), second.end(), key.data() + 20));
        EXPECT_TRUE(std::equal(third.begin(), third.begin() + 16, key.data() + 40));
    }

    const VaultKey single = deriveVaultKey("q");
    EXPECT_TRUE(std::equal(single.data(), single.data() + 20, single.data() + 20));
    EXPECT_TRUE(std::equal(single.data(), single.data() + 16, single.data() + 40));
}

TEST(VaultKeys, PasswordEndsAtItsFirstZeroByte) {
    using namespace std::string_view_literals;
    EXPECT_EQ(deriveVaultKey("ab\0cd"sv), deriveVaultKey("ab"));
    EXPECT_EQ(deriveVaultKey("\0secret"sv), deriveVaultKey(""));
    EXPECT_FALSE(deriveVaultKey("ab\0cd"sv) == deriveVaultKey("abcd"));
    EXPECT_EQ(legacyKey("ab\0cd"sv), legacyKey("ab"));
}

TEST(VaultKeys, NoPasswordKeyIsAllZero) {
    const VaultKey key = noPasswordKey();
    EXPECT_TRUE(std::all_of(key.bytes.begin(), key.bytes.end(), [](auto b) { return b == 0; }));
}

TEST(VaultKeys, LegacyKeyIsTheFirstEightDigestBytes) {
    const LegacyKey key = legacyKey("abc");
    EXPECT_EQ(toHex(key.data(), key.size()), "8eb208f7e05d987a");
    EXPECT_FALSE(legacyKey("abd") == key);
}

}  // namespace
}  // namespace kivrano
