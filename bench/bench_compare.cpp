// Comparing two releases of the large data set (tools/gen_large_data.py: a million-line tree and
// 200,000 genera): the old one is large-data/ (or ORV_LARGE_DATA), the new one a copy with
// branches renamed, removed, moved and added and genus records edited. Time and peak memory of the
// comparison, against loading both trees as the program loads one.
#include "BenchCommon.h"
#include "DataCompare.h"
#include "Global.h"
#include "TaxonomyTree.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path Work; // holds the new release

bool HaveData() {
    return FileExists(LargeDataFolder() + "classifytree.dat") && FileExists(LargeDataFolder() + "genus.dat");
}

std::string NewFolder() {
    return (Work / "new").string();
}

// The new release: in the tree every 1,000th genus renamed, every 5,003rd removed, every 10,007th
// moved to the last family and a new genus after every 20,011th line; in the genus database every
// 500th record's meaning edited, every 2,000th record's first species dropped, 100 records added.
void MakeNewRelease() {
    Work = fs::temp_directory_path() / ("orv-bench-compare-" + std::to_string(::getpid()));
    fs::create_directories(NewFolder());
    std::ifstream tree(LargeDataFolder() + "classifytree.dat", std::ios::binary);
    std::ofstream newTree(NewFolder() + "/classifytree.dat", std::ios::binary);
    std::string line, moved;
    for (long i = 0; std::getline(tree, line); ++i) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const bool genus = line.compare(0, 6, "\t\t\t\t\t#") == 0 && line.compare(6, 5, "(n/a)") != 0;
        if (genus && i % 5003 == 0)
            continue;
        if (genus && i % 10007 == 0) {
            moved += line + "\r\n";
            continue;
        }
        if (genus && i % 1000 == 7) {
            const size_t nameEnd = line.find('#', line.find('#', 6) + 1);
            line.insert(nameEnd, "ella");
        }
        newTree << line << "\r\n";
        if (i % 20011 == 0)
            newTree << "\t\t\t\t\t#new" << i << "#Novella" << i << "#added\r\n";
    }
    newTree << moved;
    std::ifstream genus(LargeDataFolder() + "genus.dat", std::ios::binary);
    std::ofstream newGenus(NewFolder() + "/genus.dat", std::ios::binary);
    long record = -1;
    bool firstSpecies = false;
    while (std::getline(genus, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '\t') {
            const bool drop = firstSpecies && record % 2000 == 1;
            firstSpecies = false;
            if (!drop)
                newGenus << line << "\r\n";
            continue;
        }
        ++record;
        firstSpecies = true;
        if (record % 500 == 0) {
            const size_t meaningEnd = line.find('#', line.find('#', line.find('#') + 1) + 1);
            line.insert(meaningEnd, " (revised)");
        }
        newGenus << line << "\r\n";
    }
    for (int i = 0; i < 100; ++i)
        newGenus << "newgenus" << i << "#Novus" << i << "#new#A new genus.#air#New korvel#-#####\r\n\t#Novus"
                 << i << " una#one#A species.\r\n";
}

struct TMeasure {
    double Wall = 0;
    double Cpu = 0;
    long PeakKiB = 0; // above the resident size at the start
};

template <class F> TMeasure Measure(F&& fn) {
    const long base = ResetPeak();
    const double wall = WallSeconds(), cpu = ThreadCpuSeconds();
    fn();
    TMeasure m{WallSeconds() - wall, ThreadCpuSeconds() - cpu, 0};
    m.PeakKiB = StatusKiB("VmHWM:") - base;
    return m;
}

// Both trees loaded as the program loads its own, held together: what the comparison's memory is
// measured against.
TMeasure LoadBothTrees() {
    return Measure([] {
        auto before = std::make_unique<TTaxonomyTree>();
        auto after = std::make_unique<TTaxonomyTree>();
        SetProgramFolder(LargeDataFolder());
        LoadTree(*before);
        SetProgramFolder(NewFolder());
        LoadTree(*after);
        benchmark::DoNotOptimize(before->Count() + after->Count());
    });
}

void BM_CompareDataFolders(benchmark::State& state) {
    if (Work.empty()) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    const TMeasure trees = LoadBothTrees();
    TMeasure best{1e9, 1e9, 0};
    TDataComparison result;
    for (auto _ : state) {
        result = TDataComparison();
        const TMeasure m = Measure([&] { result = CompareDataFolders(LargeDataFolder(), NewFolder()); });
        best.Wall = std::min(best.Wall, m.Wall);
        best.Cpu = std::min(best.Cpu, m.Cpu);
        best.PeakKiB = std::max(best.PeakKiB, m.PeakKiB);
    }
    const TRankCounts& genus = result.Counts[GenusLevel];
    state.counters["changes"] = static_cast<double>(result.Changes.size());
    state.counters["wall_ms"] = best.Wall * 1000.0;
    state.counters["cpu_ms"] = best.Cpu * 1000.0;
    state.counters["peak_MiB"] = static_cast<double>(best.PeakKiB) / 1024.0;
    state.counters["trees_ms"] = trees.Wall * 1000.0;
    state.counters["trees_peak_MiB"] = static_cast<double>(trees.PeakKiB) / 1024.0;
    state.counters["ratio_memory"] = static_cast<double>(best.PeakKiB) / static_cast<double>(trees.PeakKiB);
    std::printf("\nGenus %zu -> %zu: %zu added, %zu removed, %zu renamed, %zu moved; records %zu added, %zu "
                "changed; %zu change rows\n",
                genus.Before, genus.After, genus.Added, genus.Removed, genus.Renamed, genus.Moved,
                genus.RecordsAdded, genus.RecordsChanged, result.Changes.size());
    std::printf("Comparison (best)     %8.0f ms wall %8.0f ms cpu  (target <= 3000 ms)\n", best.Wall * 1000.0,
                best.Cpu * 1000.0);
    std::printf("Loading both trees    %8.0f ms wall\n", trees.Wall * 1000.0);
    std::printf(
        "Peak memory           %8ld MiB  (loading both trees: %ld MiB, ratio %.2f, target <= 1.5)\n\n",
        best.PeakKiB / 1024, trees.PeakKiB / 1024,
        static_cast<double>(best.PeakKiB) / static_cast<double>(trees.PeakKiB));
}
BENCHMARK(BM_CompareDataFolders)->Unit(benchmark::kMillisecond)->Iterations(3);

// Hostile data: range(1) tree lines of one id (range(0) == 0), or range(1) species of one genus
// (range(0) == 1), the same in both folders but for one line the new one adds. Targets: a million
// repeated keys within 2 s, 200,000 species of one genus within 1 s.
void BM_CompareRepeatedKeys(benchmark::State& state) {
    const bool species = state.range(0) == 1;
    const auto count = static_cast<size_t>(state.range(1));
    const fs::path root = fs::temp_directory_path() / ("orv-bench-repeated-" + std::to_string(::getpid()));
    const std::string tree = "#c1#Korvelia#\r\n\t\t\t\t#f1#Familia#\r\n";
    std::string text = species ? "g1#Alpha#first#D.#land#Alpha korvel#-#####\r\n" : tree;
    for (size_t i = 0; i < count; ++i)
        text += species ? "\t#Alpha " + std::to_string(i) + "#one#Sp.\r\n" : "\t\t\t\t\t#g1#Alpha#info\r\n";
    for (const char* side : {"old", "new"}) {
        fs::create_directories(root / side);
        std::ofstream(root / side / "classifytree.dat", std::ios::binary) << (species ? tree : text);
        std::ofstream(root / side / "genus.dat", std::ios::binary)
            << (species ? text : "g1#Alpha#first#D.#land#Alpha korvel#-#####\r\n");
    }
    std::ofstream(root / "new" / (species ? "genus.dat" : "classifytree.dat"),
                  std::ios::binary | std::ios::app)
        << (species ? "\t#Alpha nova#new#\r\n" : "\t\t\t\t\t#g9#Nova#\r\n");
    double best = 1e9;
    size_t changes = 0;
    for (auto _ : state) {
        const double start = WallSeconds();
        changes = CompareDataFolders((root / "old").string(), (root / "new").string()).Changes.size();
        best = std::min(best, WallSeconds() - start);
    }
    fs::remove_all(root);
    state.counters["wall_ms"] = best * 1000.0;
    std::printf("\n%zu %s: %.0f ms (target <= %d ms), %zu change row(s)\n", count,
                species ? "species in one genus" : "tree lines of one id", best * 1000.0,
                species ? 1000 : 2000, changes);
}
BENCHMARK(BM_CompareRepeatedKeys)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Args({0, 80000})
    ->Args({0, 1000000})
    ->Args({1, 40000})
    ->Args({1, 200000});

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (HaveData())
        MakeNewRelease();
    else
        std::printf("No large data in %s: run tools/gen_large_data.py (or set ORV_LARGE_DATA). Skipping.\n",
                    LargeDataFolder().c_str());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!Work.empty())
        fs::remove_all(Work);
    return 0;
}
