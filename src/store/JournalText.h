#pragma once
// The form the program's journals are written in (the deletions' undo journals, the tree's change
// journal): entries "key size\n" + value + "\n", so that any bytes fit in a value, and branches of
// the tree as lists of nodes. Internal to the store.

#include "Errors.h"
#include "TaxonomyTree.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A journal whose text is not in its form, or that names what it may not.
class EJournalDamaged : public EOrvError {
public:
    EJournalDamaged() : EOrvError("The journal is damaged.") {}
};

void PutEntry(std::string& out, std::string_view key, std::string_view value);
void PutEntry(std::string& out, std::string_view key, uint64_t value);

class TJournalReader {
public:
    explicit TJournalReader(std::string_view text) : FText(text) {}
    bool AtEnd() const { return FPos >= FText.size(); }
    // Where the next entry starts.
    size_t Position() const { return FPos; }
    // The next entry; throws EJournalDamaged when the text is not in the journal's form.
    std::pair<std::string_view, std::string_view> Next();
    // A decimal number without sign, the whole text; throws EJournalDamaged.
    static uint64_t Number(std::string_view text);
    // Numbers separated by single spaces.
    static std::vector<size_t> Numbers(std::string_view text);
    [[noreturn]] static void Bad() { throw EJournalDamaged(); }

private:
    std::string_view FText;
    size_t FPos = 0;
};

// A node as a value: its depth below the branch's first node, its open state and its fields.
std::string BranchNodeValue(size_t depth, const TTreeNode* node);
// The node back, checked as the tree loader checks a line: a marker of at most the six levels
// (no '#' in it) and no CR or LF in a field. Throws EJournalDamaged.
TTaxonomyTree::TBranchLine ParseBranchNode(std::string_view value);
// Every node of the branch that starts at `top`, in pre-order, as "node" entries.
void PutBranch(std::string& out, const TTaxonomyTree& tree, const TTreeNode* top);
// The rows from the top level down to `node`, and "marker#id" of each node on the way.
std::vector<size_t> RowsOf(const TTreeNode* node);
std::string JoinNumbers(const std::vector<size_t>& numbers);
std::string KeyOf(const TTreeNode* node);
