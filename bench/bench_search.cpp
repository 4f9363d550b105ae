// Genus search and the genus lists on the large data set (tools/gen_large_data.py): a tree of
// 1,000,000 lines and a genus database of 200,000 genera; and, when its folder is given on the
// command line, a larger set as well, e.g. 2,000,000 genera:
//   python3 tools/gen_large_data.py /tmp/huge --lines 10000000 --genera 2000000 --species 6000000
//   ./build/bench/bench_search /tmp/huge
// Each row reports its processor time and its ratio to the processor time of a plain line count of
// the file it reads (the tree file for the lists, the genus database for the others), measured in
// the same iterations.
//
// The genus database is kept while its file is unchanged, and what is worked out from the tree while
// the tree is unchanged. The rows say what they start from:
//   kept   both are kept: a search or list repeated
//   tree   the tree changed since (an edit): its genera are looked up again
//   cold   nothing is kept (the first time, or the file changed): the file is read and indexed

#include "BenchCommon.h"
#include "GenusDatabase.h"
#include "GenusSearch.h"
#include "Global.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {
struct TDataSet {
    std::string Name;
    std::string Folder; // with a trailing '/'
    std::unique_ptr<TTaxonomyTree> Tree;
    TTreeNode* SomeGenus = nullptr; // changed (to the same data) to make the tree new
};
std::vector<std::unique_ptr<TDataSet>> Sets;

enum class EStart { Kept, Tree, Cold };

double ResidentMiB() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    double kib = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kib = std::atof(line + 6);
    std::fclose(f);
    return kib / 1024.0;
}

// Times `list` against a line count of `file` measured in the same iterations.
void Measure(benchmark::State& state, TDataSet& set, const std::string& file, EStart start,
             const std::function<TGenusEntries()>& list) {
    SetProgramFolder(set.Folder); // read only
    if (start == EStart::Kept)
        list(); // what a first run keeps
    double wall = 0, cpu = 0, baseline = 0, baselineWall = 0;
    size_t entries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (start == EStart::Tree)
            set.Tree->SetFields(set.SomeGenus, set.SomeGenus->Data());
        if (start == EStart::Cold)
            ClearGenusDatabase();
        state.ResumeTiming();
        const double b0 = ThreadCpuSeconds(), bw0 = WallSeconds();
        benchmark::DoNotOptimize(CountLines(set.Folder + file));
        baseline += ThreadCpuSeconds() - b0;
        baselineWall += WallSeconds() - bw0;
        const double w0 = WallSeconds(), c0 = ThreadCpuSeconds();
        TGenusEntries result = list();
        wall += WallSeconds() - w0;
        cpu += ThreadCpuSeconds() - c0;
        entries = result.size();
        state.PauseTiming(); // releasing the entries is not part of listing
        result = {};
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["wall_ms"] = wall / n * 1000.0;
    state.counters["cpu_ms"] = cpu / n * 1000.0;
    state.counters["linecount_ms"] = baseline / n * 1000.0;
    state.counters["ratio_cpu"] = cpu / baseline;
    state.counters["ratio_wall"] = wall / baselineWall;
    if (TGenusDatabase* db = TGenusDatabase::Open(set.Folder + "genus.dat", nullptr))
        state.counters["kept_MiB"] = static_cast<double>(db->MemoryBytes()) / (1 << 20);
    state.counters["rss_MiB"] = ResidentMiB();
}

TGenusEntries CaptionsToo(const TTaxonomyTree& tree) {
    TGenusEntries entries = AllGenus(tree);
    size_t bytes = 0;
    for (const TGenusEntry& e : entries)
        bytes += e.Caption(tree).size();
    benchmark::DoNotOptimize(bytes);
    return entries;
}

void Register(TDataSet& set, int iterations) {
    const TTaxonomyTree& tree = *set.Tree;
    auto add = [&](const std::string& name, const std::string& file, EStart start,
                   std::function<TGenusEntries()> list) {
        benchmark::RegisterBenchmark(
            (set.Name + "/" + name).c_str(),
            [&set, file, start, list](benchmark::State& state) { Measure(state, set, file, start, list); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations);
    };
    const TSearchOptions searchAnd{"marsh crest korvel", true, {true, true, true, true, true}};
    // "Match Some (Or)" with words found nowhere: every field of every record is searched for each word.
    const TSearchOptions searchOrNoHit{"qqq zzx wyvern", false, {true, true, true, true, true}};
    add("AllGenus", "classifytree.dat", EStart::Kept, [&tree] { return AllGenus(tree); });
    // What a window that shows the list needs on top: every entry's caption.
    add("AllGenusWithCaptions", "classifytree.dat", EStart::Kept, [&tree] { return CaptionsToo(tree); });
    add("PlanningBranches", "classifytree.dat", EStart::Kept, [&tree] { return PlanningBranches(tree); });
    for (const auto& [start, label] :
         {std::pair{EStart::Kept, "kept"}, {EStart::Tree, "tree"}, {EStart::Cold, "cold"}}) {
        add(std::string("ForgottenGenus/") + label, "genus.dat", start,
            [&tree] { return ForgottenGenus(tree); });
        // Three words in all five fields, "Match All (And)": every word is found somewhere in most records.
        add(std::string("Search3WordsAllFieldsAnd/") + label, "genus.dat", start,
            [&tree, searchAnd] { return SearchGenus(tree, searchAnd); });
        add(std::string("Search3WordsAllFieldsOrNoHit/") + label, "genus.dat", start,
            [&tree, searchOrNoHit] { return SearchGenus(tree, searchOrNoHit); });
    }
}

bool Load(const std::string& name, std::string folder) {
    if (folder.back() != '/')
        folder += '/';
    if (!FileExists(folder + "classifytree.dat") || !FileExists(folder + "genus.dat")) {
        std::printf("No large data in %s: run tools/gen_large_data.py (or set ORV_LARGE_DATA). Skipping.\n",
                    folder.c_str());
        return false;
    }
    auto set = std::make_unique<TDataSet>();
    set->Name = name;
    set->Folder = folder;
    SetProgramFolder(folder);
    set->Tree = std::make_unique<TTaxonomyTree>();
    LoadTree(*set->Tree);
    size_t genera = 0;
    set->Tree->ForEachNode([&](TTreeNode* n) {
        if (n->Level() == GenusLevel) {
            ++genera;
            if (!set->SomeGenus)
                set->SomeGenus = n;
        }
    });
    std::printf("%s: %zu nodes, %zu genus nodes in %s; resident %.0f MiB\n", name.c_str(), set->Tree->Count(),
                genera, folder.c_str(), ResidentMiB());
    Sets.push_back(std::move(set));
    return true;
}
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (Load("large", LargeDataFolder()))
        Register(*Sets.back(), 5);
    if (argc > 1 && Load("larger", argv[1]))
        Register(*Sets.back(), 3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ClearGenusDatabase();
    Sets.clear();
    return 0;
}
