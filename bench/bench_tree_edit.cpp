// Tree editing on the large data set (tools/gen_large_data.py): deleting a branch of 10,000 genera
// with their records from the 200,000-genus database, and recording an added genus in a user tree
// file of 100,000 lines. Each reports its ratio to a plain line count of the file it rewrites.

#include "BenchCommon.h"
#include "Global.h"
#include "TaxonomyTree.h"
#include "TreeEdit.h"
#include "UndoDelete.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
fs::path Work;                       // the program folder the benchmarks write in
std::unique_ptr<TTaxonomyTree> Tree; // the million-line tree
std::vector<std::string> BranchIds;  // 10,000 genus ids spread over the genus database
fs::path UserTree;                   // a user tree file of 100,000 lines

void Report(benchmark::State& state, const std::string& path, double total, double cpu, size_t runs) {
    double baseline = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double t0 = WallSeconds();
        benchmark::DoNotOptimize(CountLines(path));
        baseline = std::min(baseline, WallSeconds() - t0);
    }
    state.counters["wall_ms"] = total / static_cast<double>(runs) * 1000.0;
    state.counters["cpu_ms"] = cpu / static_cast<double>(runs) * 1000.0;
    state.counters["linecount_ms"] = baseline * 1000.0;
    state.counters["ratio_wall"] = total / static_cast<double>(runs) / baseline;
}

bool Prepare() {
    if (!FileExists(LargeDataFolder() + "classifytree.dat") || !FileExists(LargeDataFolder() + "genus.dat"))
        return false;
    SetProgramFolder(LargeDataFolder());
    Tree = std::make_unique<TTaxonomyTree>();
    LoadTree(*Tree);
    Work = fs::temp_directory_path() / ("orv-bench-tree-edit-" + std::to_string(::getpid()));
    fs::create_directories(Work);
    // The deletions note their tree change against the tree file there.
    fs::copy_file(LargeDataFolder() + "classifytree.dat", Work / "classifytree.dat");
    SetProgramFolder(Work.string());
    // Every 20th genus record of the database belongs to the branch that is deleted.
    int genus = 0;
    ForEachLine(ReadFileBytes(LargeDataFolder() + "genus.dat"), [&](std::string_view line) {
        if (!line.empty() && line[0] != '\t' && genus++ % 20 == 0)
            BranchIds.emplace_back(line.substr(0, line.find('#')));
    });
    BranchIds.resize(10000);
    // The user tree file: the first 100,000 lines of the tree file, a valid outline.
    TStringList lines = ReadLines(LargeDataFolder() + "classifytree.dat");
    lines.resize(100000);
    UserTree = Work / "usr_tree.source";
    WriteLines(UserTree.string(), lines);
    return true;
}

// Fresh copies of the files a deletion rewrites, and a branch of the 10,000 genera to delete.
TTreeNode* PrepareBranch() {
    fs::copy_file(LargeDataFolder() + "genus.dat", Work / "genus.dat", fs::copy_options::overwrite_existing);
    fs::copy_file(UserTree, Work / "usr_tree.dat", fs::copy_options::overwrite_existing);
    TTreeNode* branch = AddTreeNode(*Tree, Tree->First(), TTaxonomyData("\t", "benchsub", "Benchia", ""));
    TTreeNode* family = AddTreeNode(*Tree, branch, TTaxonomyData("\t\t\t\t", "benchfam", "Benchidae", ""));
    for (const std::string& id : BranchIds)
        AddTreeNode(*Tree, family, TTaxonomyData("\t\t\t\t\t", id, id, ""));
    return branch;
}

void BM_DeleteBranchOf10000GeneraWithRecords(benchmark::State& state) {
    if (!Tree) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    double total = 0, cpu = 0;
    size_t runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TTreeNode* branch = PrepareBranch();
        state.ResumeTiming();
        const double t0 = WallSeconds(), c0 = ThreadCpuSeconds();
        DeleteTreeItem(*Tree, branch, true);
        total += WallSeconds() - t0;
        cpu += ThreadCpuSeconds() - c0;
        ++runs;
    }
    state.counters["genera_left"] = static_cast<double>(CountLines((Work / "genus.dat").string()));
    Report(state, LargeDataFolder() + "genus.dat", total, cpu, runs);
}

// The same deletion through the undo journal, and its undo: both against the plain deletion.
void BM_UndoableDeleteAndUndoOf10000Genera(benchmark::State& state) {
    if (!Tree) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    double deleteWall = 0, undoWall = 0, deleteCpu = 0, undoCpu = 0;
    size_t runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TTreeNode* branch = PrepareBranch();
        TUndoDeletes undo;
        state.ResumeTiming();
        double t0 = WallSeconds(), c0 = ThreadCpuSeconds();
        undo.Delete(*Tree, branch, true);
        deleteWall += WallSeconds() - t0;
        deleteCpu += ThreadCpuSeconds() - c0;
        t0 = WallSeconds();
        c0 = ThreadCpuSeconds();
        TTreeNode* back = undo.UndoLast(*Tree);
        undoWall += WallSeconds() - t0;
        undoCpu += ThreadCpuSeconds() - c0;
        ++runs;
        state.PauseTiming();
        DeleteTreeItem(*Tree, back, false); // the next run adds the branch again
        state.ResumeTiming();
    }
    const double n = static_cast<double>(runs);
    state.counters["delete_wall_ms"] = deleteWall / n * 1000.0;
    state.counters["delete_cpu_ms"] = deleteCpu / n * 1000.0;
    state.counters["undo_wall_ms"] = undoWall / n * 1000.0;
    state.counters["undo_cpu_ms"] = undoCpu / n * 1000.0;
    state.counters["genus_restored"] =
        ReadFileBytes((Work / "genus.dat").string()) == ReadFileBytes(LargeDataFolder() + "genus.dat");
}

void BM_RecordUserTreeItemIn100000Lines(benchmark::State& state) {
    if (!Tree) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    // A family near the end of the user tree file, so that the scan passes most of it.
    TTreeNode* family = nullptr;
    size_t index = 0;
    Tree->ForEachNode([&](TTreeNode* n) {
        if (index++ < 99000 && n->Level() == 4)
            family = n;
    });
    double total = 0, cpu = 0;
    size_t runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(UserTree, Work / "usr_tree.dat", fs::copy_options::overwrite_existing);
        TTreeNode* genus =
            AddTreeNode(*Tree, family, TTaxonomyData("\t\t\t\t\t", "benchgenus", "Benchus", ""));
        state.ResumeTiming();
        const double t0 = WallSeconds(), c0 = ThreadCpuSeconds();
        RecordUserTreeItem(genus);
        total += WallSeconds() - t0;
        cpu += ThreadCpuSeconds() - c0;
        ++runs;
        state.PauseTiming();
        Tree->DeleteNode(genus);
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(CountLines((Work / "usr_tree.dat").string()));
    Report(state, (Work / "usr_tree.dat").string(), total, cpu, runs);
}

BENCHMARK(BM_DeleteBranchOf10000GeneraWithRecords)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UndoableDeleteAndUndoOf10000Genera)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecordUserTreeItemIn100000Lines)->Unit(benchmark::kMillisecond)->Iterations(10);
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!Prepare())
        std::printf("No large data in %s: run tools/gen_large_data.py (or set ORV_LARGE_DATA). Skipping.\n",
                    LargeDataFolder().c_str());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Tree.reset();
    if (!Work.empty())
        fs::remove_all(Work);
    return 0;
}
