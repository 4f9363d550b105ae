#pragma once
// Record look-up in a database file through an index of record ids that is
// kept while the file is unchanged (same inode, size, modification and
// change times), so that many look-ups do not re-read a large file.

#include "TextFiles.h"

#include <functional>
#include <string>
#include <sys/stat.h>

enum class TLookupResult { NoFile, NotFound, Found };

// Finds the first record with `id`. For genus files (`genus` true) empty
// lines and lines beginning with TAB are not records, and the species lines
// that follow the record (non-empty, beginning with TAB) go to `species`.
// Levels 0..4 consider every line.
TLookupResult LookupRecord(const std::string& path, bool genus, const std::string& id,
                           std::string& recordLine, TStringList& species);
// Drops every cached index (tests, or to free memory).
void ClearDetailCache();
// An index is reused only for a file last changed at least this long before
// the index was built (default 2 s); tests shorten it.
void SetDetailCacheMargin(long long nanoseconds);
// Tests play a file system with coarse file times (FAT's two seconds): `fileTimes` rewrites what
// is read of a file, `nowNs` is the clock; empty functions for the real ones.
void SetDetailCacheTimes(std::function<void(struct stat&)> fileTimes, std::function<long long()> nowNs);
