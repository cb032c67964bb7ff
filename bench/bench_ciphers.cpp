// Throughput of our Blowfish and RIPEMD-160 beside OpenSSL's on the same 1 MiB buffer, and
// the cost of turning a password into a ready cipher context.
#define OPENSSL_SUPPRESS_DEPRECATED

#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>
#include <openssl/ripemd.h>

#include <array>
#include <cstdint>
#include <vector>

#include "vault/Blowfish.h"
#include "vault/Ripemd160.h"
#include "vault/VaultKeys.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::array<std::uint8_t, 16> kKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                               0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87};

std::vector<std::uint8_t> makeBuffer() {
    std::vector<std::uint8_t> buffer(kBufferSize);
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(i * 131);
    return buffer;
}

void setThroughput(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kBufferSize));
}

void BM_BlowfishEcb_Kivrano(benchmark::State& state) {
    const kivrano::Blowfish blowfish(kKey.data(), kKey.size());
    auto buffer = makeBuffer();
    for (auto _ : state) {
        blowfish.encrypt(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    setThroughput(state);
}
BENCHMARK(BM_BlowfishEcb_Kivrano);

void BM_BlowfishEcb_OpenSsl(benchmark::State& state) {
    BF_KEY key;
    BF_set_key(&key, static_cast<int>(kKey.size()), kKey.data());
    auto buffer = makeBuffer();
    for (auto _ : state) {
        for (std::size_t i = 0; i < buffer.size(); i += 8) {
            BF_ecb_encrypt(buffer.data() + i, buffer.data() + i, &key, BF_ENCRYPT);
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    setThroughput(state);
}
BENCHMARK(BM_BlowfishEcb_OpenSsl);

void BM_Ripemd160_Kivrano(benchmark::State& state) {
    const auto buffer = makeBuffer();
    for (auto _ : state) {
        auto digest = kivrano::ripemd160(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(digest);
    }
    setThroughput(state);
}
BENCHMARK(BM_Ripemd160_Kivrano);

void BM_Ripemd160_OpenSsl(benchmark::State& state) {
    const auto buffer = makeBuffer();
    std::array<std::uint8_t, RIPEMD160_DIGEST_LENGTH> digest{};
    for (auto _ : state) {
        RIPEMD160(buffer.data(), buffer.size(), digest.data());
        benchmark::DoNotOptimize(digest);
    }
    setThroughput(state);
}
BENCHMARK(BM_Ripemd160_OpenSsl);

// The 521-encryption key schedule alone, and the whole path from password to context that
// each load, save and unlock attempt takes.
void BM_BlowfishKeySetup(benchmark::State& state) {
    std::array<std::uint8_t, 56> key{};
    for (auto _ : state) {
        kivrano::Blowfish blowfish(key.data(), key.size());
        benchmark::DoNotOptimize(blowfish);
        ++key[0];
    }
}
BENCHMARK(BM_BlowfishKeySetup);

void BM_DeriveVaultKey(benchmark::State& state) {
    for (auto _ : state) {
        const kivrano::VaultKey key = kivrano::deriveVaultKey("correct horse battery staple");
        benchmark::DoNotOptimize(key.bytes);
    }
}
BENCHMARK(BM_DeriveVaultKey);

void BM_PasswordToContext(benchmark::State& state) {
    for (auto _ : state) {
        const kivrano::VaultKey key = kivrano::deriveVaultKey("correct horse battery staple");
        kivrano::Blowfish blowfish(key.data(), key.size());
        benchmark::DoNotOptimize(blowfish);
    }
}
BENCHMARK(BM_PasswordToContext);

}  // namespace
