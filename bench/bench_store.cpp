// Store benchmarks on the large data set (tools/gen_large_data.py). Each
// reports its ratio to a plain line count of the same file.

#include "BenchCommon.h"
#include "DetailCache.h"
#include "Global.h"
#include "TaxonomyTree.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {
bool HaveData() {
    return FileExists(LargeDataFolder() + "classifytree.dat") && FileExists(LargeDataFolder() + "genus.dat");
}

// Wall and CPU time of this thread, in seconds. The machine is shared, so
// ratios are given for both.
struct TTimes {
    double Wall = 0;
    double Cpu = 0;
    TTimes& operator+=(const TTimes& o) {
        Wall += o.Wall;
        Cpu += o.Cpu;
        return *this;
    }
};

TTimes Now() { return {WallSeconds(), ThreadCpuSeconds()}; }

TTimes Since(const TTimes& start) {
    const TTimes now = Now();
    return {now.Wall - start.Wall, now.Cpu - start.Cpu};
}

// Time of a plain line count of a file, the best of five.
TTimes LineCountTimes(const std::string& path) {
    static std::map<std::string, TTimes> cache;
    if (auto it = cache.find(path); it != cache.end())
        return it->second;
    TTimes best{1e9, 1e9};
    for (int i = 0; i < 5; ++i) {
        const TTimes t0 = Now();
        benchmark::DoNotOptimize(CountLines(path));
        const TTimes t = Since(t0);
        best.Wall = std::min(best.Wall, t.Wall);
        best.Cpu = std::min(best.Cpu, t.Cpu);
    }
    return cache[path] = best;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

void Report(benchmark::State& state, const std::string& path, const TTimes& total, size_t runs) {
    const TTimes base = LineCountTimes(path);
    const double n = static_cast<double>(runs);
    state.counters["wall_ms"] = total.Wall / n * 1000.0;
    state.counters["cpu_ms"] = total.Cpu / n * 1000.0;
    state.counters["linecount_ms"] = base.Wall * 1000.0;
    state.counters["ratio_wall"] = total.Wall / n / base.Wall;
    state.counters["ratio_cpu"] = total.Cpu / n / base.Cpu;
}

// The genus at the end of the genus database, as its tree node would carry it.
TTaxonomyData LastGenus() {
    const TStringList lines = ReadLines(LargeDataFolder() + "genus.dat");
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (!it->empty() && (*it)[0] != '\t') {
            std::array<std::string, 2> f;
            SplitFields(*it, f, 1);
            return TTaxonomyData("\t\t\t\t\t", f[0], f[1], "info");
        }
    return {};
}

void BM_LoadTree(benchmark::State& state) {
    if (!HaveData()) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    SetProgramFolder(LargeDataFolder());
    TTimes total;
    size_t runs = 0;
    size_t count = 0;
    for (auto _ : state) {
        TTaxonomyTree tree;
        const TTimes t0 = Now();
        benchmark::DoNotOptimize(LoadTree(tree));
        total += Since(t0);
        ++runs;
        count = tree.Count();
        state.PauseTiming(); // releasing the tree is not part of loading
        tree.Clear();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(count);
    Report(state, LargeDataFolder() + "classifytree.dat", total, runs);
}

void BM_SaveTreeFile(benchmark::State& state) {
    if (!HaveData()) {
        state.SkipWithError("no large data");
        return;
    }
    SetProgramFolder(LargeDataFolder());
    TTaxonomyTree tree;
    LoadTree(tree);
    char pattern[] = "/tmp/orv_bench_XXXXXX";
    const std::string out = mkdtemp(pattern);
    SetProgramFolder(out); // never overwrite the data set
    TTimes total;
    size_t runs = 0;
    for (auto _ : state) {
        const TTimes t0 = Now();
        SaveTreeFile(tree);
        total += Since(t0);
        ++runs;
    }
    Report(state, LargeDataFolder() + "classifytree.dat", total, runs);
    std::filesystem::remove_all(out);
}

void ReadLastGenus(benchmark::State& state, bool cold) {
    if (!HaveData()) {
        state.SkipWithError("no large data");
        return;
    }
    SetProgramFolder(LargeDataFolder());
    const TTaxonomyData node = LastGenus();
    TTaxonomyDetail record;
    ClearDetailCache();
    ReadDetail(node, record); // warm the page cache
    TTimes total;
    size_t runs = 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            ClearDetailCache();
            state.ResumeTiming();
        }
        const TTimes t0 = Now();
        ReadDetail(node, record);
        total += Since(t0);
        ++runs;
    }
    if (record.Level != 5)
        state.SkipWithError("last genus not found");
    state.counters["species"] = static_cast<double>(record.Genus.Species->size());
    Report(state, LargeDataFolder() + "genus.dat", total, runs);
}

void BM_ReadDetailLastGenus_FirstRead(benchmark::State& state) {
    ReadLastGenus(state, true);
}
void BM_ReadDetailLastGenus_Cached(benchmark::State& state) {
    ReadLastGenus(state, false);
}

BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveTreeFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadDetailLastGenus_FirstRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadDetailLastGenus_Cached)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (HaveData()) {
        // Memory of one loaded million-line tree.
        SetProgramFolder(LargeDataFolder());
        const long before = ResidentKiB();
        auto tree = std::make_unique<TTaxonomyTree>();
        LoadTree(*tree);
        const long after = ResidentKiB();
        std::printf("Loaded tree: %zu nodes, resident memory %ld MiB before, %ld MiB after (+%ld MiB)\n",
                    tree->Count(), before / 1024, after / 1024, (after - before) / 1024);
        tree.reset();
    } else {
        std::printf("No large data in %s: run tools/gen_large_data.py (or set ORV_LARGE_DATA). Skipping.\n",
                    LargeDataFolder().c_str());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
