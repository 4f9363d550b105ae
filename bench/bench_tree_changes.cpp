// What it costs a command to have its tree change on the disk when it returns, on the large tree
// (tools/gen_large_data.py; the ten-million-line set through ORV_LARGE_DATA): the change noted in
// the tree's change journal (a rename, an added genus, a deletion, a branch of 10,000 genera put
// back), against writing the whole tree file, the other way to the same end. The replay of a
// hundred noted changes at the next load is measured too.

#include "BenchCommon.h"
#include "Constants.h"
#include "Global.h"
#include "TaxonomyTree.h"
#include "TreeChanges.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
fs::path Work;
std::unique_ptr<TTaxonomyTree> Tree;

bool Prepare() {
    const std::string source = LargeDataFolder() + TreeFileName;
    if (!FileExists(source))
        return false;
    Work = fs::temp_directory_path() / ("orv-bench-tree-changes-" + std::to_string(::getpid()));
    fs::create_directories(Work);
    fs::copy_file(source, Work / TreeFileName);
    SetProgramFolder(Work.string());
    Tree = std::make_unique<TTaxonomyTree>();
    LoadTree(*Tree);
    return true;
}

TTreeNode* LastFamily() {
    TTreeNode* family = nullptr;
    Tree->ForEachNode([&](TTreeNode* n) {
        if (n->Level() == 4)
            family = n;
    });
    return family;
}

template <class TChange> void Measure(benchmark::State& state, TChange&& change) {
    if (!Tree) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    double wall = 0;
    size_t runs = 0;
    for (auto _ : state) {
        const double t0 = WallSeconds();
        change();
        wall += WallSeconds() - t0;
        ++runs;
    }
    state.counters["extra_ms"] = wall / static_cast<double>(runs) * 1000.0;
    state.counters["nodes"] = static_cast<double>(Tree->Count());
}

void BM_NoteRename(benchmark::State& state) {
    TTreeNode* node = Tree ? LastFamily() : nullptr;
    Measure(state, [&] { NoteTreeChange(*Tree, TTreeChange::Fields(node)); });
}

void BM_NoteAddedGenus(benchmark::State& state) {
    TTreeNode* family = Tree ? LastFamily() : nullptr;
    Measure(state, [&] {
        state.PauseTiming();
        TTreeNode* genus = Tree->AddNode(family, TTaxonomyData("\t\t\t\t\t", "benchgenus", "Benchus", ""));
        state.ResumeTiming();
        NoteTreeChange(*Tree, TTreeChange::Inserted(*Tree, genus));
        state.PauseTiming();
        Tree->DeleteNode(genus);
        state.ResumeTiming();
    });
}

void BM_NoteDeletion(benchmark::State& state) {
    TTreeNode* family = Tree ? LastFamily() : nullptr;
    Measure(state, [&] {
        state.PauseTiming();
        TTreeNode* genus = Tree->AddNode(family, TTaxonomyData("\t\t\t\t\t", "benchgenus", "Benchus", ""));
        state.ResumeTiming();
        const TTreeChange change = TTreeChange::Deleting(genus);
        Tree->DeleteNode(genus);
        NoteTreeChange(*Tree, change);
    });
}

void BM_NoteBranchOf10000GeneraPutBack(benchmark::State& state) {
    TTreeNode* family = Tree ? LastFamily() : nullptr;
    TTreeNode* branch = nullptr;
    if (family) {
        branch = Tree->AddNode(family->Parent(), TTaxonomyData("\t\t\t\t", "benchfam", "Benchidae", ""));
        for (int i = 0; i < 10000; ++i)
            Tree->AddNode(branch, TTaxonomyData("\t\t\t\t\t", "g" + std::to_string(i), "Genus", "info"));
    }
    Measure(state, [&] { NoteTreeChange(*Tree, TTreeChange::Inserted(*Tree, branch)); });
    if (branch)
        Tree->DeleteNode(branch);
}

// The alternative: the whole tree file written atomically after each command.
void BM_WholeTreeFileWritten(benchmark::State& state) {
    Measure(state, [&] { SaveTreeFile(*Tree); });
}

// A hundred renames noted by a run that was killed, applied by the next load.
void BM_LoadWithHundredNotedChanges(benchmark::State& state) {
    if (!Tree) {
        state.SkipWithError("no large data: run tools/gen_large_data.py or set ORV_LARGE_DATA");
        return;
    }
    TTreeNode* node = LastFamily();
    double with = 0, without = 0;
    size_t runs = 0;
    for (auto _ : state) {
        DiscardTreeChanges();
        TTaxonomyTree plain;
        double t0 = WallSeconds();
        LoadTree(plain);
        without += WallSeconds() - t0;
        for (int i = 0; i < 100; ++i)
            NoteTreeChange(*Tree, TTreeChange::Fields(node));
        TTaxonomyTree replayed;
        t0 = WallSeconds();
        LoadTree(replayed);
        with += WallSeconds() - t0;
        ++runs;
    }
    state.counters["load_ms"] = without / static_cast<double>(runs) * 1000.0;
    state.counters["load_with_replay_ms"] = with / static_cast<double>(runs) * 1000.0;
}

BENCHMARK(BM_NoteRename)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_NoteAddedGenus)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_NoteDeletion)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_NoteBranchOf10000GeneraPutBack)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WholeTreeFileWritten)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LoadWithHundredNotedChanges)->Unit(benchmark::kMillisecond)->Iterations(1);
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
