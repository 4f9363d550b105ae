#include "FileStamp.h"

#include <ctime>

namespace {
long long RacyMarginNs = DefaultFileCacheMargin;
std::function<void(struct stat&)> FileTimesForTesting;
std::function<long long()> ClockForTesting;
uint64_t Writes = 0;
} // namespace

bool StatForCache(int fd, struct stat& st) {
    if (fstat(fd, &st) != 0)
        return false;
    if (FileTimesForTesting)
        FileTimesForTesting(st);
    return true;
}

TFileStamp StampOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

long long CacheClockNs() {
    if (ClockForTesting)
        return ClockForTesting();
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

bool StampSettled(const TFileStamp& stamp, long long readAtNs) {
    return stamp.ModifiedNs < readAtNs - RacyMarginNs && stamp.ChangedNs < readAtNs - RacyMarginNs;
}

uint64_t OwnFileWrites() {
    return Writes;
}

void CountOwnFileWrite() {
    ++Writes;
}

void SetFileCacheMargin(long long nanoseconds) {
    RacyMarginNs = nanoseconds;
}

void SetFileCacheTimes(std::function<void(struct stat&)> fileTimes, std::function<long long()> nowNs) {
    FileTimesForTesting = std::move(fileTimes);
    ClockForTesting = std::move(nowNs);
}
