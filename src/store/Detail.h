#pragma once
// The detail databases ("class.dat" .. "genus.dat") and user databases.

#include "TaxonomyData.h"

#include <string>

// Full path of the level's database (user = false) or user database.
// Level -1 gives the tree file / user tree file.
std::string DetailFile(int level, bool user);

// Fills `record` for the tree node whose data are given. Level -2 for an
// empty id, -1 when the database is missing or has no such record (the text
// fields and species are then cleared). Reads are cached per file while the
// file is unchanged, so looking up many records stays cheap.
void ReadDetail(const TTaxonomyData& nodeData, TTaxonomyDetail& record);
// The record line (without species lines); Info is never written.
std::string RecordToLine(const TTaxonomyDetail& record);
// Replaces the records with edited.Id and current.Id in the level's user
// database or database by `edited` (appended at the end, with its species
// for a genus), in one atomic write. A user save enters the file in
// ModifiedFiles and writes "modifiedfiles.dat" when it was not listed.
// Throws EOrvError when edited.Level is not 0..5 or edited.Id is empty. A
// save that fails leaves every file as it was, and creates none.
void SaveDetail(const TTaxonomyDetail& edited, const TTaxonomyDetail& current, bool user);
// The editor's Save: SaveDetail into the user database, then into the
// database. When the second fails, the first is undone as well.
void SaveEditedRecord(const TTaxonomyDetail& edited, const TTaxonomyDetail& current);
// Whether the database holds a record with `id`; with `remove` every such
// record (with its species lines) is removed and the file rewritten. A
// missing file gives false and stays missing. An empty id or a level outside
// 0..5 matches nothing.
bool DeleteRecord(const std::string& id, int level, bool user, bool remove);
// The same on lines in memory.
bool RemoveRecordLines(TStringList& lines, int level, const std::string& id, bool remove);
