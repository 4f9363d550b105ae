// Match Names on the large data set (tools/gen_large_data.py): 100,000 names against the tree of
// 1,000,000 lines and the 600,000 species of its genus database, as `--match` runs it: the names
// read from the data, the index built, every name matched and written as TSV (to nowhere).
// The list is made from the data: a mix of names as written, with authors, in capitals, with one or
// two typing errors, and names of nothing.
//
// Reported: the time to build the index and to match (wall and processor time of all threads;
// matching runs on the cores there are), and the peak resident memory against the
// resident memory with the tree loaded (the ratio must stay at or below 1.5).

#include "BenchCommon.h"
#include "NameMatcher.h"
#include "Platform.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cctype>
#include <memory>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>

namespace {

std::unique_ptr<TTaxonomyTree> Tree;
long TreeKiB = 0; // resident with the tree loaded
std::string Names;
std::array<size_t, MatchKindCount> Expected{}; // what the list was made to hold, by kind

class TNowhere : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void MakeNames(const TNameMatcher& matcher, size_t count) {
    std::mt19937 random(20240607);
    for (size_t i = 0; i < count; ++i) {
        std::string name = matcher.Name(static_cast<uint32_t>(random() % matcher.Count()));
        const unsigned roll = random() % 100;
        if (roll < 55) {
            ++Expected[0];
        } else if (roll < 65) {
            name += " Tessmer, 1887";
            ++Expected[0];
        } else if (roll < 75) {
            for (char& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            ++Expected[1];
        } else if (roll < 90) {
            const size_t at = 1 + random() % (name.size() - 2);
            if (roll % 2)
                std::swap(name[at], name[at + 1]);
            else
                name[at] = "aeioulrxz"[random() % 9];
            if (roll % 3 == 0)
                name.insert(name.begin() + static_cast<std::ptrdiff_t>(1 + random() % (name.size() - 1)),
                            'q');
            ++Expected[3];
        } else {
            name.clear();
            for (int k = 0; k < 10; ++k)
                name += static_cast<char>('a' + random() % 26);
            name[0] = 'Q';
            ++Expected[4];
        }
        Names += name;
        Names += '\n';
    }
}

void BM_MatchNames(benchmark::State& state) {
    if (!Tree) {
        state.SkipWithError("no large data: run tools/gen_large_data.py");
        return;
    }
    const std::string genus = LargeDataFolder() + "genus.dat";
    double build = 0, match = 0, buildCpu = 0, matchCpu = 0;
    long peak = 0;
    size_t indexBytes = 0;
    for (auto _ : state) {
        ResetPeak();
        const double w0 = WallSeconds(), c0 = ProcessCpuSeconds();
        TNameMatcher matcher(*Tree, genus);
        const double w1 = WallSeconds(), c1 = ProcessCpuSeconds();
        TNowhere nowhere;
        std::ostream out(&nowhere);
        WriteMatchTsv(out, matcher, Names);
        const double w2 = WallSeconds(), c2 = ProcessCpuSeconds();
        buildCpu += c1 - c0;
        matchCpu += c2 - c1;
        build += w1 - w0;
        match += w2 - w1;
        peak = std::max(peak, StatusKiB("VmHWM:"));
        indexBytes = matcher.MemoryBytes();
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["build_s"] = build / runs;
    state.counters["match_s"] = match / runs;
    state.counters["total_s"] = (build + match) / runs;
    // Processor time of every thread: what the wall time is on a machine that has its cores free.
    state.counters["build_cpu_s"] = buildCpu / runs;
    state.counters["match_cpu_s"] = matchCpu / runs;
    state.counters["tree_MiB"] = static_cast<double>(TreeKiB) / 1024;
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024;
    state.counters["peak_to_tree"] = static_cast<double>(peak) / static_cast<double>(TreeKiB);
    state.counters["index_MiB"] = static_cast<double>(indexBytes) / (1024 * 1024);
}
BENCHMARK(BM_MatchNames)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SetProgramFolder(LargeDataFolder());
    Tree = std::make_unique<TTaxonomyTree>();
    if (LoadTree(*Tree) == 0) {
        {
            const TNameMatcher matcher(*Tree, LargeDataFolder() + "genus.dat");
            MakeNames(matcher, 100000);
            // What the list holds, and what it was matched as.
            std::array<size_t, MatchKindCount> found{};
            size_t lines = 0;
            for (size_t from = 0, end; (end = Names.find('\n', from)) != std::string::npos;
                 from = end + 1, ++lines)
                ++found[static_cast<size_t>(
                    matcher.Match(std::string_view(Names).substr(from, end - from)).Kind)];
            std::printf("%zu names: made", lines);
            for (size_t k = 0; k < MatchKindCount; ++k)
                std::printf(" %zu", Expected[k]);
            std::printf(" (exact, folded, planned, misspelt, nothing); matched");
            for (size_t k = 0; k < MatchKindCount; ++k)
                std::printf(" %zu %s", found[k], MatchKindName(static_cast<TMatchKind>(k)));
            std::printf("\n");
        }
        TreeKiB = ResetPeak();
    } else {
        Tree.reset();
        std::printf("No large data in %s: run tools/gen_large_data.py (or set ORV_LARGE_DATA). Skipping.\n",
                    LargeDataFolder().c_str());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
