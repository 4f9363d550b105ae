// Go to Branch and Export Branch on the large data set (tools/gen_large_data.py): a tree of
// 1,000,000 lines and a genus database of 200,000 genera with 600,000 species.
//
// Go to Branch: building the index once per tree, and each keystroke of a few typed texts (the
// goal: every keystroke within 100 ms). Export Branch: the whole tree with every genus record and
// species, as CSV and as a Darwin Core Archive, written and synced to disk (the goal: 5 s each).
// Both report wall_ms and the ratio to a plain line count of the tree file.

#include "BranchExport.h"
#include "BranchIndex.h"
#include "Global.h"
#include "SummaryText.h"

#include "BenchCommon.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {
// The baseline: a plain line count of the file.
double LineCountSeconds(const std::string& path) {
    const double start = WallSeconds();
    benchmark::DoNotOptimize(CountLines(path));
    return WallSeconds() - start;
}

// A program folder holding links to the large data, and the tree loaded from it once.
struct TLargeData {
    std::string Folder;
    TTaxonomyTree Tree;
    bool Loaded = false;

    TLargeData() {
        char pattern[] = "/tmp/orv_bench_branch_XXXXXX";
        if (!mkdtemp(pattern))
            return;
        Folder = std::string(pattern) + "/";
        for (const char* name : {"classifytree.dat", "genus.dat"})
            if (std::filesystem::exists(LargeDataFolder() + name))
                std::filesystem::create_symlink(LargeDataFolder() + name, Folder + name);
        SetProgramFolder(Folder);
        Loaded = std::filesystem::exists(Folder + "classifytree.dat") && LoadTree(Tree) == 0;
    }
    ~TLargeData() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
};

TLargeData& Data() {
    static TLargeData data;
    return data;
}

bool Ready(benchmark::State& state) {
    if (Data().Loaded)
        return true;
    state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
    return false;
}

void BM_BranchIndexBuild(benchmark::State& state) {
    if (!Ready(state))
        return;
    double wall = 0;
    for (auto _ : state) {
        const double start = WallSeconds();
        TBranchIndex index(Data().Tree);
        index.Build();
        wall += WallSeconds() - start;
    }
    state.counters["nodes"] = static_cast<double>(Data().Tree.Count());
    state.counters["wall_ms"] = wall / static_cast<double>(state.iterations()) * 1000.0;
    state.counters["x_linecount"] =
        wall / static_cast<double>(state.iterations()) / LineCountSeconds(Data().Folder + "classifytree.dat");
}
BENCHMARK(BM_BranchIndexBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

// Each keystroke of `typed`: the query of every prefix, as the box lists them while typing.
void TypeText(benchmark::State& state, const char* typed) {
    if (!Ready(state))
        return;
    static std::unique_ptr<TBranchIndex> index;
    if (!index) {
        index = std::make_unique<TBranchIndex>(Data().Tree);
        index->Build();
    }
    const std::string text = typed;
    double slowest = 0, total = 0;
    size_t keystrokes = 0, matches = 0;
    for (auto _ : state)
        for (size_t n = 1; n <= text.size(); ++n) {
            const double start = WallSeconds();
            const TBranchMatches found = index->Query(text.substr(0, n), 200);
            const double took = WallSeconds() - start;
            benchmark::DoNotOptimize(found.Nodes.data());
            slowest = std::max(slowest, took);
            total += took;
            ++keystrokes;
            matches = found.Total;
        }
    state.counters["keystroke_ms_mean"] = total / static_cast<double>(keystrokes) * 1000.0;
    state.counters["keystroke_ms_max"] = slowest * 1000.0;
    state.counters["matches"] = static_cast<double>(matches);
}
BENCHMARK_CAPTURE(TypeText, author, "Tovren")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(TypeText, genus_id, "g123456")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(TypeText, name_part, "velsal")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(TypeText, nothing_found, "qqqqqqqq")->Unit(benchmark::kMillisecond)->Iterations(5);

void Export(benchmark::State& state, const char* file) {
    if (!Ready(state))
        return;
    std::vector<const TTreeNode*> roots;
    for (const TTreeNode* top : Data().Tree.TopNodes())
        roots.push_back(top);
    const std::string path = Data().Folder + file;
    double wall = 0;
    TExportCounts counts;
    for (auto _ : state) {
        const double start = WallSeconds();
        // As the program writes it: every text field read as the summary shows it.
        counts = ExportBranches(roots, path, ExportFormatOf(path), {}, SummaryTextReader());
        wall += WallSeconds() - start;
        state.counters["file_mb"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
        std::filesystem::remove(path);
    }
    const double mean = wall / static_cast<double>(state.iterations());
    state.counters["branches"] = static_cast<double>(counts.Branches);
    state.counters["species"] = static_cast<double>(counts.Species);
    state.counters["wall_ms"] = mean * 1000.0;
    state.counters["x_linecount"] = mean / LineCountSeconds(Data().Folder + "classifytree.dat");
}
BENCHMARK_CAPTURE(Export, csv, "all.csv")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Export, darwin_core, "all.zip")->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

BENCHMARK_MAIN();
