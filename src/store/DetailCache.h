#pragma once
// Record look-up in a database file through an index of record ids that is
// kept while the file is unchanged (same inode, size, modification and
// change times; see FileStamp.h), so that many look-ups do not re-read a large file.

#include "TextFiles.h"

#include <string>

enum class TLookupResult { NoFile, NotFound, Found };

// Finds the first record with `id`. For genus files (`genus` true) empty
// lines and lines beginning with TAB are not records, and the species lines
// that follow the record (non-empty, beginning with TAB) go to `species`.
// Levels 0..4 consider every line.
TLookupResult LookupRecord(const std::string& path, bool genus, const std::string& id,
                           std::string& recordLine, TStringList& species);
// Drops every cached index (tests, or to free memory).
void ClearDetailCache();
