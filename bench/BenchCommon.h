// What the benchmarks share: where the large data set is, clocks, the peak memory, and the
// baseline they compare with (a plain line count of a file).
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>

// The large data set (tools/gen_large_data.py): ORV_LARGE_DATA, or large-data/ of the repository;
// with a trailing '/'.
inline std::string LargeDataFolder() {
    const char* env = std::getenv("ORV_LARGE_DATA");
    std::string folder = env && *env ? env : ORV_SOURCE_DIR "/large-data";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

// Wall-clock seconds, and processor seconds of this thread (the machine is shared, so both count).
inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
// Processor seconds of the whole process: what a piece of work spent on every thread it used.
inline double ProcessCpuSeconds() {
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
inline double ThreadCpuSeconds() {
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); 0 when it is not there.
inline long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::char_traits<char>::length(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0)
            return std::strtol(line.c_str() + n, nullptr, 10);
    return 0;
}

// The resident size now in KiB, with the high-water mark (VmHWM) reset to it.
inline long ResetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return StatusKiB("VmRSS:");
}

// Reads the file in 1 MiB blocks and counts line feeds; 0 when it cannot be opened.
inline size_t CountLines(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    static char buf[1 << 20];
    size_t lines = 0;
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        for (const char* p = buf; (p = static_cast<const char*>(std::memchr(p, '\n', buf + n - p))); ++p)
            ++lines;
    std::fclose(f);
    return lines;
}

// Copies a file in 1 MiB blocks, as a plain copy program does (no sync); false when it fails.
inline bool CopyFilePlain(const std::string& from, const std::string& to) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    static char buf[1 << 20];
    bool ok = true;
    ssize_t n;
    while (ok && (n = read(in, buf, sizeof buf)) > 0)
        ok = write(out, buf, static_cast<size_t>(n)) == n;
    close(in);
    return close(out) == 0 && ok;
}
