// Merging a level's user database into its database, and the statistics of the databases.
#pragma once

#include <string>
#include <vector>

// What became of one user record in a merge.
enum class TMergeOutcome {
    Added,    // the database had no record of its id: the user's was appended
    Replaced, // the user's record replaced the database's
    Skipped,  // the database's record of the id was kept; the user's was not merged
};
struct TMergedRecord {
    TMergeOutcome Outcome = TMergeOutcome::Added;
    std::string Id;
    std::string Name;
};

struct TMergeResult {
    int Merged = 0;                     // user records appended to the database
    int Replaced = 0;                   // database records replaced by a user record
    std::vector<TMergedRecord> Records; // every user record with an id, in the user database's order
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
