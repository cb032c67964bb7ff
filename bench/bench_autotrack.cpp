// One AutoTrack choice over a 10,000-item vault with typical titles and addresses: it runs
// every half second, so it must stay far below that.
#include "launch/AutoTrack.h"

#include "support/SampleVault.h"

#include <benchmark/benchmark.h>

using namespace kivrano;

namespace {

void BM_AutoTrackChoice10k(benchmark::State& state) {
    VaultTree tree;
    VaultSettings settings;
    testing::fillGeneratedVault(tree, settings, 50, 200);
    WindowPage page;
    page.title = "Sign in to your account - Example Bank - Mozilla Firefox";
    page.address = state.range(0) ? "https://www.examplebank.example.com/login/start" : "";
    for (auto _ : state) benchmark::DoNotOptimize(bestMatchingItem(tree, page));
}
BENCHMARK(BM_AutoTrackChoice10k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
