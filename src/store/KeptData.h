#pragma once
// The data a download replaces, kept so that What Changed can compare them with the new ones.

#include <string>

// The data as they were before the last download replaced any of them: "previous/" in the
// program folder, with a trailing '/'.
std::string PreviousDataFolder();
// Keeps the tree file and the databases as they are now, for What Changed, in a folder beside
// PreviousDataFolder() (which stays as it is until SettleKeptData). Each is a second link to the
// same file where the file system allows it (every write replaces a file whole, so the link keeps
// the bytes of now), else a copy. Throws EFOpenError or EWriteError.
void KeepCurrentData();
// After the downloads: when one of them replaced a file, what KeepCurrentData kept becomes
// PreviousDataFolder() in place of what it held; otherwise it goes and PreviousDataFolder() stays
// as it was. Never throws: what cannot be moved or removed is left.
void SettleKeptData(bool replaced);
// Whether PreviousDataFolder() holds data to compare with.
bool HasPreviousData();

struct TMergeResult;
// Notes, beside what KeepCurrentData kept, what a merge into a downloaded database did with each of
// the user's records, for What Changed to list. Nothing when no data are being kept. Never throws:
// What Changed then lacks the note.
void NoteMergedRecords(int level, const TMergeResult& result);
// The name of that note in a folder of kept data.
inline constexpr const char* MergeNoteName = "merged.txt";
