// Searching the 10,000-item vault: one Quick Find keystroke over the word index, and one
// Find over every field.
#include "app/FindSearch.h"
#include "app/QuickFind.h"
#include "vault/CDic.h"
#include "vault/VaultTree.h"

#include "support/SampleVault.h"

#include <benchmark/benchmark.h>

using namespace kivrano;

namespace {

struct SearchedVault {
    VaultTree tree;
    VaultSettings settings;
    CDic index;
    SearchedVault() {
        testing::fillGeneratedVault(tree, settings, 50, 200);
        for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
            index.indexText(tree.text(f), f);
            for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
                index.indexText(tree.item(i)->title, i);
                index.indexText(tree.item(i)->address, i);
            }
        }
        (void)index.contains("a");  // built before the clock starts
    }
};

SearchedVault& searchedVault() {
    static SearchedVault vault;
    return vault;
}

// Lookup and listing of up to 31 lines, each hit selected in the tree as the bar does.
void BM_QuickFindKeystroke(benchmark::State& state, const char* typed) {
    SearchedVault& v = searchedVault();
    QuickFind find(v.index, v.tree, [&v](TreeNode node) {
        if (!v.tree.contains(node)) return false;
        v.tree.select(node);
        return true;
    });
    for (auto _ : state) benchmark::DoNotOptimize(find.search(typed).size());
    state.counters["lines"] = static_cast<double>(find.lines().size());
}
BENCHMARK_CAPTURE(BM_QuickFindKeystroke, many_hits, "acc")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_QuickFindKeystroke, one_letter, "h")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_QuickFindKeystroke, none, "qqqqqq")->Unit(benchmark::kMicrosecond);

// Every field ticked; "qzxj" is found almost nowhere (every field read to its end), the empty
// text everywhere (a row for every item).
void BM_FindStartAllFields(benchmark::State& state, const char* text) {
    SearchedVault& v = searchedVault();
    FindQuery query;
    query.text = text;
    query.id = query.password = query.etc = query.memo = true;
    for (auto _ : state) {
        auto rows = FindSearch::search(v.tree, query);
        benchmark::DoNotOptimize(rows.data());
        state.counters["rows"] = static_cast<double>(rows.size());
    }
}
BENCHMARK_CAPTURE(BM_FindStartAllFields, rare, "qzxj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindStartAllFields, upper_case, "ACCOUNT")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindStartAllFields, empty, "")->Unit(benchmark::kMillisecond);

}  // namespace
