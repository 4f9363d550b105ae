#pragma once
// What changed from one data folder to another (a release of the data and the next): the branches
// of the tree file that were added, removed, renamed or moved, the records of the level databases
// that were added, removed or changed field by field (a genus's species included), and counts per
// rank. Reads files only.

#include "SubmitPreview.h"

#include <array>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

enum class TDataChangeKind {
    Added,         // a branch only the new tree has
    Removed,       // a branch only the old tree has
    Renamed,       // same level and id, another name
    Moved,         // same level and id, another parent
    InfoChanged,   // same level and id, another info
    RecordAdded,   // a record only the new database has
    RecordRemoved, // a record only the old database has
    RecordChanged, // one field of a record with the same id (a species counts as a field)
    // What a merge into the new databases did with the user's own records (noted while the
    // download ran, beside the old data):
    UserRecordAdded,    // the new database had no record of its id: the user's was added
    UserRecordReplaced, // the user's record replaced the downloaded one
    UserRecordSkipped,  // the downloaded record was kept; the user's was not merged
};

// One row per change; a changed record gives one row per field that differs. A branch is known by
// its level and id; a planned one (id "(n/a)") by its level and name, as the program finds it.
struct TDataChange {
    TDataChangeKind Kind = TDataChangeKind::Added;
    int Level = 0;     // 0..5
    std::string Id;    // "(n/a)" for a planned branch
    std::string Name;  // the new name; the old one of what was removed
    std::string Field; // "Parent", "Name", "Info" for a branch; a record's field as the submission
                       // preview names it ("Meaning", "Species <name>"); empty for a record added
                       // or removed
    std::string Before;
    std::string After;
    // For a species: whether only the new or only the old record has it.
    TFieldChangeKind FieldKind = TFieldChangeKind::Changed;
};

// Per rank. A parent is named as "<level> <id>" ("Family f12"), empty for the top level.
struct TRankCounts {
    size_t Before = 0; // branches in the old tree (species: species lines of the old genus records)
    size_t After = 0;
    size_t Added = 0; // branches (species: in records added or changed)
    size_t Removed = 0;
    size_t Renamed = 0;
    size_t Moved = 0;
    size_t InfoChanged = 0;
    size_t RecordsAdded = 0;
    size_t RecordsRemoved = 0;
    size_t RecordsChanged = 0; // records with at least one field changed (species: text changed)
};

inline constexpr int CompareRanks = 7; // Class .. Genus, then Species

struct TDataComparison {
    std::array<TRankCounts, CompareRanks> Counts;
    // The tree's changes in the new tree's order (removed branches in the old one's, after them),
    // then each level's records in the new database's order (removed records after them).
    std::vector<TDataChange> Changes;
};

// What a level database that only one of the folders has means.
enum class TMissingDatabase {
    Fail,  // the folders cannot be compared
    Empty, // it has no records (a download that brings a database the folder lacked)
};

// Compares the data folder `before` with `after`: their tree files, and each level database that
// either has. Only the first record of an id counts, as the program reads it. Throws EFOpenError
// when a folder is missing or holds no tree file, when a database is in one folder only (unless
// `missing` says it is empty), or when a file cannot be read.
TDataComparison CompareDataFolders(const std::string& before, const std::string& after,
                                   TMissingDatabase missing = TMissingDatabase::Fail);

// The comparison reads, beside it, the note of what merges did with the user's records that the
// old folder may hold (a folder kept before a download): those rows come last, in merge order.

// The rank's name of `level` ("Class" .. "Genus"), "?" outside them.
const char* DataRankName(int level);

// "added", "removed", "renamed", "moved", "info-changed", "record-added", "record-removed",
// "record-changed".
const char* DataChangeKindName(TDataChangeKind kind);
// "Family f12 Korvelidae" ("Genus (n/a) Name" for a planned genus).
std::string DataChangeBranchText(const TDataChange& change);

// The comparison for people: counts per rank, then the changes grouped by kind.
void WriteComparisonText(std::ostream& out, const TDataComparison& comparison);
// For scripts: a header line, then one line per change with the columns kind, level (the rank's
// name), id, name, field, before, after, separated by TABs. A backslash, TAB, CR or LF inside a
// value is written as \\, \t, \r or \n.
void WriteComparisonTsv(std::ostream& out, const TDataComparison& comparison);
// A value for a TSV column: a backslash, TAB, CR or LF written as \\, \t, \r or \n.
std::string TsvEscaped(std::string_view value);
