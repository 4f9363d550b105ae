#pragma once
// The undo journal's files: what a journal holds, how it is read, and the note of an undo under
// way. Used by the undo of deletions alone.

#include "JournalText.h"
#include "TaxonomyTree.h"
#include "TreeEdit.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace UndoJournal {

constexpr std::string_view JournalSuffix = ".journal";
constexpr std::string_view JournalHead = "undo-delete 1";
// Journals are numbered in eight digits, so that their names sort in the order they were made.
constexpr uint64_t LastJournalNumber = 99999999;
// A journal holds a branch and the lines it took from the databases: far less than this.
constexpr uint64_t JournalMaxBytes = uint64_t(1) << 30;

// The size and a hash of a file's bytes: enough to tell which of two known states it is in.
struct TFingerprint {
    uint64_t Size = 0;
    uint64_t Hash = 0;
    bool operator==(const TFingerprint&) const = default;
};

// A file the deletion rewrote, as its journal tells it.
struct TJournalFile {
    std::string Name; // in the program folder
    std::string Link; // the file as it was, in the journal folder
    TFingerprint Before;
    TFingerprint After;
    std::vector<TRemovedLines> Removed;
};

struct TJournal {
    std::string Name;
    bool TreeModified = false;
    std::vector<size_t> Rows;       // from the top level down to the deleted node
    std::vector<std::string> Above; // marker#id of each node above it, top first
    std::vector<TTaxonomyTree::TBranchLine> Branch;
    std::vector<TJournalFile> Files;
};

TFingerprint FingerprintOf(std::string_view bytes);

void Put(std::string& out, std::string_view key, std::string_view value);

void Put(std::string& out, std::string_view key, uint64_t value);

// A name a journal may give: a plain file of the program folder, nothing above or beside it.
bool PlainName(std::string_view name);

// The number of a journal's file name ("00000012.journal"), 0 for any other name.
uint64_t JournalNumber(std::string_view name);

TJournal ParseJournal(std::string_view text, std::string_view journalName);

// The text with each run of lost lines put back before the line that followed it, or at the end.
std::string WithLinesBack(std::string_view text, const std::vector<TRemovedLines>& removed);

std::string ProgramRelative(const std::string& path);

// The note of an undo under way: for each file, the fingerprint of what it is being given, so
// that an undo cut short by a crash never puts the same lines in twice.
std::string DoneNoteOf(const std::string& folder, const std::string& journal);

std::vector<std::pair<std::string, TFingerprint>> ReadDoneNote(const std::string& path);

} // namespace UndoJournal
