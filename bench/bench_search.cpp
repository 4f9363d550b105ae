// Genus search and the genus lists on the large data set (tools/gen_large_data.py): a tree of
// 1,000,000 lines and a genus database of 200,000 genera. Each reports its ratio to a plain line
// count of the file it reads (the tree file for the lists, the genus database for the others).

#include "BenchCommon.h"
#include "GenusSearch.h"
#include "Global.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

namespace {
std::unique_ptr<TTaxonomyTree> Tree; // loaded once: the lists read it, never change it

// Times `list` against a line count of `file` measured in the same iterations.
void Measure(benchmark::State& state, const std::string& file, const std::function<TGenusEntries()>& list) {
    if (!Tree) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    double wall = 0, cpu = 0, baseline = 1e9;
    size_t entries = 0, runs = 0;
    for (auto _ : state) {
        const double b0 = WallSeconds();
        benchmark::DoNotOptimize(CountLines(LargeDataFolder() + file));
        baseline = std::min(baseline, WallSeconds() - b0);
        const double w0 = WallSeconds(), c0 = ThreadCpuSeconds();
        TGenusEntries result = list();
        wall += WallSeconds() - w0;
        cpu += ThreadCpuSeconds() - c0;
        entries = result.size();
        ++runs;
        state.PauseTiming(); // releasing the entries is not part of listing
        result = {};
        state.ResumeTiming();
    }
    const double n = static_cast<double>(runs);
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["wall_ms"] = wall / n * 1000.0;
    state.counters["cpu_ms"] = cpu / n * 1000.0;
    state.counters["linecount_ms"] = baseline * 1000.0;
    state.counters["ratio_wall"] = wall / n / baseline;
}

void BM_AllGenus(benchmark::State& state) {
    Measure(state, "classifytree.dat", [] { return AllGenus(*Tree); });
}
// What a window that shows the list needs on top: every entry's caption.
void BM_AllGenusWithCaptions(benchmark::State& state) {
    Measure(state, "classifytree.dat", [] {
        TGenusEntries entries = AllGenus(*Tree);
        size_t bytes = 0;
        for (const TGenusEntry& e : entries)
            bytes += e.Caption(*Tree).size();
        benchmark::DoNotOptimize(bytes);
        return entries;
    });
}
void BM_PlanningBranches(benchmark::State& state) {
    Measure(state, "classifytree.dat", [] { return PlanningBranches(*Tree); });
}
void BM_ForgottenGenus(benchmark::State& state) {
    Measure(state, "genus.dat", [] { return ForgottenGenus(*Tree); });
}
// Three words in all five fields, "Match All (And)": every word is found somewhere in most records.
void BM_Search3WordsAllFieldsAnd(benchmark::State& state) {
    Measure(state, "genus.dat", [] {
        return SearchGenus(*Tree, TSearchOptions{"marsh crest korvel", true, {true, true, true, true, true}});
    });
}
// "Match Some (Or)" with words found nowhere: every field of every record is searched for each word.
void BM_Search3WordsAllFieldsOrNoHit(benchmark::State& state) {
    Measure(state, "genus.dat", [] {
        return SearchGenus(*Tree, TSearchOptions{"qqq zzx wyvern", false, {true, true, true, true, true}});
    });
}

BENCHMARK(BM_AllGenus)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AllGenusWithCaptions)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlanningBranches)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ForgottenGenus)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Search3WordsAllFieldsAnd)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Search3WordsAllFieldsOrNoHit)->Unit(benchmark::kMillisecond)->Iterations(5);
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (FileExists(LargeDataFolder() + "classifytree.dat") && FileExists(LargeDataFolder() + "genus.dat")) {
        SetProgramFolder(LargeDataFolder()); // read only
        Tree = std::make_unique<TTaxonomyTree>();
        LoadTree(*Tree);
        size_t genera = 0;
        Tree->ForEachNode([&](const TTreeNode* n) { genera += n->Level() == GenusLevel; });
        std::printf("Tree: %zu nodes, %zu genus nodes\n", Tree->Count(), genera);
    } else {
        std::printf("No large data in %s: run tools/gen_large_data.py (or set ORV_LARGE_DATA). Skipping.\n",
                    LargeDataFolder().c_str());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Tree.reset();
    return 0;
}
