// Merging a user genus database of 10,000 genera into the 200,000-genus database, and the
// statistics over the large data. Reads large-data/ (tools/gen_large_data.py) or ORV_LARGE_DATA.
#include "Global.h"
#include "Merge.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string LargeData() {
    const char* env = std::getenv("ORV_LARGE_DATA");
    std::string folder = env && *env ? env : ORV_SOURCE_DIR "/large-data";
    return folder.back() == '/' ? folder : folder + "/";
}

fs::path Work;

bool Prepare() {
    if (!fs::exists(LargeData() + "genus.dat"))
        return false;
    Work = fs::temp_directory_path() / ("orv-bench-merge-" + std::to_string(::getpid()));
    fs::create_directories(Work);
    SetProgramFolder(Work.string());
    // The user database takes every 20th genus of the big one (so half of them replace a record)
    // plus new ones, each with three species.
    std::ifstream in(LargeData() + "genus.dat", std::ios::binary);
    std::ofstream user(Work / "usr_genus.dat", std::ios::binary);
    std::string line;
    int genus = 0, written = 0;
    while (written < 5000 && std::getline(in, line)) {
        if (line.empty() || line[0] == '\t')
            continue;
        if (genus++ % 20 == 0) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            user << line << "\r\n\t#a#b#c\r\n\t#d#e#f\r\n\t#g#h#i\r\n";
            ++written;
        }
    }
    for (int i = 0; i < 5000; ++i)
        user << "newgenus" << i << "#Novus" << i
             << "#new#A new genus.#Soarer#New korvel#-#####\r\n\t#a#b#c\r\n";
    return true;
}

void BM_MergeUserGenera(benchmark::State& state) {
    if (Work.empty()) {
        state.SkipWithError("no large data: run tools/gen_large_data.py");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(LargeData() + "genus.dat", Work / "genus.dat", fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        const TMergeResult r = MergeUserDatabase(GenusLevel, true);
        state.counters["merged"] = r.Merged;
        state.counters["replaced"] = r.Replaced;
    }
}
BENCHMARK(BM_MergeUserGenera)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Statistics(benchmark::State& state) {
    if (Work.empty()) {
        state.SkipWithError("no large data: run tools/gen_large_data.py");
        return;
    }
    fs::copy_file(LargeData() + "genus.dat", Work / "genus.dat", fs::copy_options::overwrite_existing);
    for (auto _ : state)
        benchmark::DoNotOptimize(StatisticReport("Monday 7, December, 2026"));
}
BENCHMARK(BM_Statistics)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (!Prepare())
        std::printf("large data missing in %s: run tools/gen_large_data.py\n", LargeData().c_str());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (!Work.empty())
        fs::remove_all(Work);
    return 0;
}
