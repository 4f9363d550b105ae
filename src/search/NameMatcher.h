#pragma once
// Match Names: each name of a list against the tree's branches of every rank and the species of
// the genus database as binomials ("Genus epithet"). A name is found exactly, folded (NameFold.h),
// as a planned "(n/a)" branch, or else gets up to three suggestions within the edit distance its
// length allows, best first.

#include "NameIndex.h"
#include "TaxonomyTree.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

enum class TMatchKind { Exact, Folded, Planned, Suggested, None };
inline constexpr int MatchKindCount = 5;
// "exact", "folded", "planned", "suggestion", "none".
const char* MatchKindName(TMatchKind kind);

struct TNameMatch {
    TMatchKind Kind = TMatchKind::None;
    uint32_t Entry = 0;                // the name found (Exact, Folded, Planned)
    std::vector<uint32_t> Suggestions; // best first: the fewest edits, then in sorted order
};

class TNameMatcher {
public:
    // The level of a species entry.
    static constexpr int SpeciesLevel = 6;

    // Reads the tree's branches and the species lines of the genus database at `genusPath` (none
    // when there is no such file). The matcher holds the tree's nodes: it is good while the tree's
    // Stamp() stays. Throws EFOpenError when the database cannot be read.
    TNameMatcher(const TTaxonomyTree& tree, const std::string& genusPath);

    // The name in `line` (a line of a list, authors and years allowed after the name).
    TNameMatch Match(std::string_view line) const;
    // Match of each line, on as many threads as the processor has cores (at most `threads`).
    std::vector<TNameMatch> MatchAll(const std::vector<std::string_view>& lines, unsigned threads = 4) const;

    // The branch of an entry; a species' genus (null when its genus is not in the tree).
    TTreeNode* Node(uint32_t entry) const;
    // The name as the data write it ("Genus epithet" for a species).
    std::string Name(uint32_t entry) const;
    // 0 (Class) .. 5 (Genus), SpeciesLevel for a species.
    int Level(uint32_t entry) const;
    // The names from the top of the tree down to the entry, joined by " > ".
    std::string Path(uint32_t entry) const;
    const TTaxonomyTree& Tree() const { return FTree; }
    uint64_t TreeStamp() const { return FStamp; }

    size_t Count() const { return FNodes.size() + FEpithetStart.size() - 1; }
    size_t MemoryBytes() const;

private:
    void ReadSpecies(const std::string& genusPath, std::vector<std::string>& ids);
    void LinkGenera(const std::vector<std::string>& ids);
    bool IsSpecies(uint32_t entry) const { return entry >= FNodes.size(); }
    // The genus record of species `species`.
    uint32_t RecordOf(uint32_t species) const;
    std::string_view GenusName(uint32_t record) const;
    std::string_view Epithet(uint32_t species) const;
    void Fold(uint32_t entry, std::string& out) const;

    const TTaxonomyTree& FTree;
    uint64_t FStamp;
    std::vector<uint32_t> FNodes; // node numbers, in pre-order
    // Genus records with species: their names, the node of their id, where their species begin.
    std::string FGenusNames;
    std::vector<uint32_t> FGenusNameStart{0};
    std::vector<uint32_t> FGenusNode;
    std::vector<uint32_t> FSpeciesStart{0};
    std::string FEpithets;
    std::vector<uint32_t> FEpithetStart{0};
    TNameIndex FIndex;
};

// For scripts: a header line, then for each name of `text` (one a line, blank lines skipped) the
// TAB-separated columns name, kind, match, path, rank, suggestions (separated by "; "), each
// escaped as the comparison's TSV is.
void WriteMatchTsv(std::ostream& out, const TNameMatcher& matcher, std::string_view text);
// The same for one name.
void WriteMatchTsvLine(std::ostream& out, const TNameMatcher& matcher, std::string_view given,
                       const TNameMatch& match);
inline constexpr const char* MatchTsvHeader = "name\tkind\tmatch\tpath\trank\tsuggestions\n";
