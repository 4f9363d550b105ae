// Merging a level's user database into its database, and the statistics of the databases.
#pragma once

#include <string>

struct TMergeResult {
    int Merged = 0;   // user records appended to the database
    int Replaced = 0; // database records replaced by a user record
};

// Copies the level's user records into its database. With `replace`, a user record replaces
// every database record with its id; without, user records whose id the database already holds
// are skipped; records without an id are never merged. The user database is left unchanged; the
// database is rewritten in one atomic write.
TMergeResult MergeUserDatabase(int level, bool replace);

// Statistics over the databases (user databases are not counted).
int CountRecords(int level);
void CountGenusAndSpecies(int& genera, int& species);
// The report text, given the date already formatted.
std::string StatisticReport(const std::string& dateText);
