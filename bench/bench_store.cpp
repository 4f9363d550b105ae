// Store benchmarks on the large data set (tools/gen_large_data.py). Each
// reports its ratio to a plain line count of the same file.

#include "BenchCommon.h"
#include "Detail.h"
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
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
bool HaveData() {
    return FileExists(LargeDataFolder() + "classifytree.dat") && FileExists(LargeDataFolder() + "genus.dat");
}

// Wall and CPU time of the process, in seconds. The machine is shared, so
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

// Large files are read by two threads: both count.
TTimes Now() {
    return {WallSeconds(), ProcessCpuSeconds()};
}

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
    state.counters["linecount_cpu_ms"] = base.Cpu * 1000.0;
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

// Time of a plain copy of a file into `folder` (best of three), and of the same copy synced to
// disk, which an atomic save cannot do without.
struct TCopyTimes {
    TTimes Plain;
    double SyncedWall = 0;
};

TCopyTimes CopyTimes(const std::string& path, const std::string& folder) {
    TCopyTimes best{{1e9, 1e9}, 1e9};
    const std::string to = folder + "/plain-copy";
    for (int i = 0; i < 3; ++i) {
        std::filesystem::remove(to);
        const TTimes t0 = Now();
        CopyFilePlain(path, to);
        const TTimes t = Since(t0);
        best.Plain.Wall = std::min(best.Plain.Wall, t.Wall);
        best.Plain.Cpu = std::min(best.Plain.Cpu, t.Cpu);
        const int fd = open(to.c_str(), O_RDONLY | O_CLOEXEC);
        fsync(fd);
        close(fd);
        std::filesystem::remove(to);
        const double w0 = WallSeconds();
        CopyFilePlain(path, to);
        const int out = open(to.c_str(), O_RDONLY | O_CLOEXEC);
        fsync(out);
        close(out);
        best.SyncedWall = std::min(best.SyncedWall, WallSeconds() - w0);
    }
    std::filesystem::remove(to);
    return best;
}

// The editor's Save of one genus from the middle of the 200,000-genus database: the record goes
// to the user database and replaces the old one in genus.dat. Compared with a plain copy of
// genus.dat made in the same run.
void BM_EditorSaveGenusIn200000(benchmark::State& state) {
    if (!HaveData()) {
        state.SkipWithError("no large data");
        return;
    }
    const std::string source = LargeDataFolder() + "genus.dat";
    std::vector<std::string> records; // the record lines, without their species
    ForEachLine(ReadFileBytes(source), [&](std::string_view line) {
        if (!line.empty() && line[0] != '\t')
            records.emplace_back(line);
    });
    std::array<std::string, 2> middle;
    SplitFields(records[records.size() / 2], middle, 1);
    char pattern[] = "/tmp/orv_bench_XXXXXX";
    const std::string work = mkdtemp(pattern);
    SetProgramFolder(work); // never overwrite the data set
    const std::string target = work + "/genus.dat";
    std::filesystem::copy_file(source, target);
    TTaxonomyDetail current;
    ReadDetail(TTaxonomyData("\t\t\t\t\t", middle[0], middle[1], "info"), current);
    TTaxonomyDetail edited = current;
    edited.Genus.Keywords += " edited";
    TTimes total;
    size_t runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(work + "/usr_genus.dat");
        state.ResumeTiming();
        const TTimes t0 = Now();
        SaveEditedRecord(edited, current);
        total += Since(t0);
        ++runs;
    }
    if (current.Level != 5 || std::filesystem::file_size(target) < std::filesystem::file_size(source))
        state.SkipWithError("genus not saved");
    const TCopyTimes copy = CopyTimes(source, work);
    const double n = static_cast<double>(runs);
    state.counters["genera"] = static_cast<double>(records.size());
    state.counters["wall_ms"] = total.Wall / n * 1000.0;
    state.counters["cpu_ms"] = total.Cpu / n * 1000.0;
    state.counters["copy_ms"] = copy.Plain.Wall * 1000.0;
    state.counters["copy_cpu_ms"] = copy.Plain.Cpu * 1000.0;
    state.counters["ratio_wall"] = total.Wall / n / copy.Plain.Wall;
    state.counters["ratio_cpu"] = total.Cpu / n / copy.Plain.Cpu;
    state.counters["copy_sync_ms"] = copy.SyncedWall * 1000.0;
    state.counters["ratio_wall_synced"] = total.Wall / n / copy.SyncedWall;
    std::filesystem::remove_all(work);
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

// Hostile tree files of range(0) MiB: bare '#' lines (no node), or lines of an id only (a node
// each). Peak memory of loading, per byte of file.
void BM_LoadTreeMemoryPerByte(benchmark::State& state) {
    const bool ids = state.range(1) == 1;
    const fs::path folder = fs::temp_directory_path() / ("orv-bench-hashes-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
    {
        const std::string line = ids ? "#x\r\n" : "#\r\n";
        std::string text;
        text.reserve(bytes + line.size());
        while (text.size() < bytes)
            text += line;
        std::ofstream(folder / "classifytree.dat", std::ios::binary) << text;
    }
    SetProgramFolder(folder.string() + "/");
    long peak = 0;
    size_t count = 0;
    for (auto _ : state) {
        const long base = ResetPeak();
        {
            TTaxonomyTree tree;
            LoadTree(tree);
            count = tree.Count();
        }
        peak = StatusKiB("VmHWM:") - base;
    }
    fs::remove_all(folder);
    const double perByte = static_cast<double>(peak) * 1024.0 / static_cast<double>(bytes);
    state.counters["nodes"] = static_cast<double>(count);
    state.counters["bytes_per_file_byte"] = perByte;
    std::printf("\n%zu MiB of %s lines: %zu nodes, peak +%ld MiB, %.1f bytes of memory per byte of file\n",
                bytes >> 20, ids ? "'#x'" : "'#'", count, peak / 1024, perByte);
}

BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadTreeMemoryPerByte)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Args({64, 0})
    ->Args({64, 1});
BENCHMARK(BM_SaveTreeFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EditorSaveGenusIn200000)->Unit(benchmark::kMillisecond)->Iterations(5);
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
