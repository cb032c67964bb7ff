// Load and save of a 10,000-item vault (50 folders, every text field filled), and
// building its word index (done on the first search after a load).
#include "vault/CDic.h"
#include "vault/VaultFile.h"

#include "support/SampleVault.h"

#include <benchmark/benchmark.h>

using namespace kivrano;

namespace {

struct BigVault {
    VaultTree tree;
    VaultSettings settings;
    std::vector<std::uint8_t> bytes;
    BigVault() {
        testing::fillGeneratedVault(tree, settings, 50, 200);
        bytes = vaultfile::write(tree, settings, "benchmark password");
    }
};

const BigVault& bigVault() {
    static BigVault vault;
    return vault;
}

void BM_SaveVault10k(benchmark::State& state) {
    const BigVault& v = bigVault();
    for (auto _ : state) {
        auto bytes = vaultfile::write(v.tree, v.settings, "benchmark password");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(v.bytes.size()));
    state.counters["file_bytes"] = static_cast<double>(v.bytes.size());
}
BENCHMARK(BM_SaveVault10k)->Unit(benchmark::kMillisecond);

void BM_LoadVault10k(benchmark::State& state) {
    const BigVault& v = bigVault();
    for (auto _ : state) {
        auto result = vaultfile::read(v.bytes, "benchmark password");
        if (result.status != vaultfile::ReadStatus::Ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(result.tree.itemCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(v.bytes.size()));
}
BENCHMARK(BM_LoadVault10k)->Unit(benchmark::kMillisecond);

void BM_LoadVault10kWithoutIndex(benchmark::State& state) {
    const BigVault& v = bigVault();
    vaultfile::ReadOptions options;
    options.buildIndex = false;
    for (auto _ : state) {
        auto result = vaultfile::read(v.bytes, "benchmark password", options);
        benchmark::DoNotOptimize(result.tree.itemCount());
    }
}
BENCHMARK(BM_LoadVault10kWithoutIndex)->Unit(benchmark::kMillisecond);

void BM_IndexVault(benchmark::State& state) {
    const auto items = static_cast<std::size_t>(state.range(0));
    VaultTree generated;
    VaultSettings settings;
    if (items != 10000) testing::fillGeneratedVault(generated, settings, 50, items / 50);
    const VaultTree& tree = items == 10000 ? bigVault().tree : generated;
    for (auto _ : state) {
        CDic index;
        for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
            index.indexText(tree.text(f), f);
            for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
                index.indexText(tree.item(i)->title, i);
                index.indexText(tree.item(i)->address, i);
            }
        }
        benchmark::DoNotOptimize(index.contains("account"));  // splitting happens on first use
    }
}
BENCHMARK(BM_IndexVault)->Arg(500)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
