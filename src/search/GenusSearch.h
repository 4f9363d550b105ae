#pragma once
// Genus search: which genera of the tree have records whose chosen fields
// contain the search words. No widgets: the window passes the text, the
// method and its five check boxes, and shows the entries it gets back.

#include "GenusLists.h"
#include "TaxonomyData.h"

#include <string>
#include <string_view>
#include <vector>

inline constexpr int MaxSearchWords = 26;

using TSearchWords = std::vector<std::string>;

// The text cut at every space into at most 26 pieces (a 27th piece and
// everything after it are dropped), used up to, not including, the first
// empty piece. So two adjacent spaces end the words, and a text that begins
// with a space has none.
TSearchWords SearchWords(std::string_view text);

// The record fields a search looks in, tried in this order for every word.
struct TSearchFields {
    bool InKeywords = true;     // Keywords (keywords and synonyms)
    bool InType = true;         // KorvelType
    bool InCommonName = true;   // CommonName
    bool InDescription = false; // Description
    bool InName = false;        // Name (for a genus, the tree node's name)
};

struct TSearchOptions {
    std::string Text;     // the search text as typed
    bool MatchAll = true; // "Match All (And)"; false for "Match Some (Or)"
    TSearchFields Fields;
};

// Whether `record` matches. Only a genus record (Level 5) can. A word is found
// when it is a contiguous part of a chosen field, the letters A to Z of both
// compared without case and every other byte (accented letters included)
// exactly; no word boundaries. MatchAll: every word must be found (no words:
// true). Otherwise: some word must be found (no words: false). Words after an
// empty word or after the 26th are not used. (For one record at a time;
// SearchGenus prepares the words once for all records.)
bool MatchGenus(const TSearchWords& words, const TTaxonomyDetail& record, bool matchAll,
                const TSearchFields& fields);

// The search: the genera of AllGenus(tree) whose record in "genus.dat" (read
// as ReadDetail reads it) matches SearchWords(options.Text), in tree order.
// An empty text gives AllGenus(tree) unfiltered. A genus without a record,
// and every genus when the database is missing, never matches. The database
// is read at most once per search, never once per genus; while a reading of
// it is kept (GenusDatabase.h), only to look for the words. Throws EFOpenError
// when the database exists but cannot be read.
TGenusEntries SearchGenus(const TTaxonomyTree& tree, const TSearchOptions& options);

// Drops the kept reading of the genus database and puts the search's test
// settings back (part of ResetAppState).
void ResetSearchState();
