#pragma once
// What a reading of a file kept in memory checks before it is used again: that the file is still
// the one it was made from. File times tick coarsely and inode numbers are reused, so a reading is
// trusted only when its file had last changed well before it was made.

#include <cstdint>
#include <functional>
#include <sys/stat.h>
#include <sys/types.h>

struct TFileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = -1;
    long long ModifiedNs = 0;
    long long ChangedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

// The status of an open file as the caches see it; false when it cannot be had.
bool StatForCache(int fd, struct stat& st);
TFileStamp StampOf(const struct stat& st);
// The clock a reading's time is taken from.
long long CacheClockNs();
// Whether a reading made at `readAtNs` of the file with `stamp` may be used again for as long as
// the file keeps that stamp.
bool StampSettled(const TFileStamp& stamp, long long readAtNs);

// Every file this program replaces or deletes counts here, so that a reading made before one of
// our own writes is never used after it, whatever the file's times say.
uint64_t OwnFileWrites();
void CountOwnFileWrite();

// A reading is trusted only for a file last changed at least this long before it was made; tests
// shorten it.
inline constexpr long long DefaultFileCacheMargin = 2000000000LL; // 2 s
void SetFileCacheMargin(long long nanoseconds);
// Tests play a file system with coarse file times (FAT's two seconds): `fileTimes` rewrites what
// is read of a file, `nowNs` is the clock; empty functions for the real ones.
void SetFileCacheTimes(std::function<void(struct stat&)> fileTimes, std::function<long long()> nowNs);
