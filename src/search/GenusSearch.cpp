#include "GenusSearch.h"

#include "Constants.h"
#include "Detail.h"
#include "Fields.h"
#include "FoldedText.h"
#include "GenusDatabase.h"
#include "WordMatcher.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {
// By genus of `genera`: the words its name holds. The names are searched one
// after another in their folded copy; a word counts only within one name.
std::vector<uint32_t> NameMasks(const TGenusDatabase::TTreeRecords& genera,
                                const std::vector<std::string>& words) {
    std::vector<uint32_t> masks(genera.NameEnds.size(), 0);
    const std::string& names = genera.Names;
    for (size_t w = 0; w < words.size(); ++w) {
        size_t g = 0;
        TFoldedWord(words[w]).ForEach(names.data(), 0, names.size(), [&](size_t hit) {
            while (genera.NameEnds[g] <= hit)
                ++g;
            if (hit + words[w].size() > genera.NameEnds[g])
                return hit + 1;
            masks[g] |= uint32_t(1) << w;
            return genera.NameEnds[g];
        });
    }
    return masks;
}

// Looks for the words in each block of the database and notes, by id number, which words the
// chosen fields of each record hold. The record lines of a block that count (the first with their
// id) are folded once into one buffer, one after another with a line end after each, which no
// word holds; each word is then looked for in the whole buffer, and only where it was found is
// the place matched to its line and field. A line whose outcome is already certain is passed over.
class TRecordScan : public TGenusDatabase::IReader {
public:
    TRecordScan(const TWordMatcher& matcher, const TTaxonomyTree& tree)
        : FMatcher(matcher), FTree(tree), FMatchAll(matcher.MatchesAll()), FInName(matcher.InName()) {}

    // When the database is known before its text is read, the names are looked at first: a genus
    // whose name decides needs no look at its record.
    void Start(TGenusDatabase& db, bool known) override {
        if (!known || !FInName)
            return;
        const TGenusDatabase::TTreeRecords& genera = db.TreeRecords(FTree);
        FNamed = NameMasks(genera, FMatcher.FoldedWords());
        // Genera may share an id, and the record's words count for each of them: a record is
        // passed over only when its outcome is certain for all. "Match All" looks for the words
        // while some name leaves them possible (the words of any name); "Match Some" while some
        // name does not decide (the words of every name).
        FNamedById.assign(db.IdCount(), FMatchAll ? 0 : ~uint32_t(0));
        for (size_t g = 0; g < genera.Ids.size(); ++g) {
            uint32_t& named = FNamedById[genera.Ids[g]];
            named = FMatchAll ? named | FNamed[g] : named & FNamed[g];
        }
    }

    void Block(const TGenusDatabase::TBlock& block) override {
        if (FMasks.size() < block.IdCount)
            FMasks.resize(block.IdCount, 0);
        size_t size = 0;
        for (const TGenusDatabase::TRecordLine& line : block.Records)
            if (line.Id != TGenusDatabase::None)
                size += line.End - line.Start + 1;
        // Grown, never shrunk: what a block leaves is overwritten by the next.
        if (FFolded.size() < size)
            FFolded.resize(size);
        if (FLines.size() < block.Records.size() + 1)
            FLines.resize(block.Records.size() + 1);
        size_t at = 0, lines = 0;
        for (const TGenusDatabase::TRecordLine& line : block.Records) {
            if (line.Id == TGenusDatabase::None)
                continue;
            const size_t length = line.End - line.Start;
            FoldText(block.Text.data() + (line.Start - block.Offset), FFolded.data() + at, length);
            FLines[lines++] = TLine{at, line.Id};
            at += length;
            FFolded[at++] = '\n';
        }
        FLines[lines] = TLine{at, 0};
        FGranules.resize(at / GranuleSize + 1);
        for (size_t g = 0, k = 0; g < FGranules.size(); ++g) {
            // Every hit lies before `at`, so no granule needs the end mark as its line.
            while (k + 1 < lines && FLines[k + 1].Start <= g * GranuleSize)
                ++k;
            FGranules[g] = static_cast<uint32_t>(k);
        }
        // For "Match All" the words found in the fewest lines of the last block first, for "Match
        // Some" those found in the most: so most lines are decided early, and the later words are
        // looked for only in the lines still open, line by line when those are few.
        const std::vector<TFilePattern>& patterns = FMatcher.FilePatterns();
        if (FOrder.empty()) {
            FOrder.resize(patterns.size());
            FFound.assign(patterns.size(), 0);
            for (size_t i = 0; i < FOrder.size(); ++i)
                FOrder[i] = i;
        }
        std::stable_sort(FOrder.begin(), FOrder.end(), [&](size_t a, size_t b) {
            return FMatchAll ? FFound[a] < FFound[b] : FFound[a] > FFound[b];
        });
        uint32_t before = 0; // the words looked for in this block so far
        for (const size_t i : FOrder) {
            FFound[i] = 0;
            size_t open = 0;
            if (before != 0)
                for (size_t k = 0; k < lines; ++k)
                    open += Open(FLines[k].Id, before);
            if (before != 0 && open * 2 < lines) {
                for (size_t k = 0; k < lines; ++k)
                    if (Open(FLines[k].Id, before))
                        Look(patterns[i], FLines[k].Start, FLines[k + 1].Start - 1, before, FFound[i]);
            } else {
                Look(patterns[i], 0, at, before, FFound[i]);
            }
            before |= patterns[i].Bits;
        }
    }

    // Bit w: word w was found in one of the record's chosen fields; by id number.
    std::vector<uint32_t>& Masks() { return FMasks; }
    // By genus of the database's TreeRecords: the words its name holds, when looked at already.
    std::vector<uint32_t>& Named() { return FNamed; }

private:
    struct TLine {
        size_t Start; // in FFolded
        uint32_t Id;
    };
    static constexpr size_t GranuleSize = 64;

    // Looks for `p` in FFolded[from..n); counts the lines where it counted in `found`.
    void Look(const TFilePattern& p, size_t from, size_t n, uint32_t before, size_t& found) {
        const char* const text = FFolded.data();
        const size_t size = p.Word.Text().size();
        p.Word.ForEach(
            text, from, n, [&](size_t hit) __attribute__((always_inline)) {
                size_t k = FGranules[hit / GranuleSize];
                while (FLines[k + 1].Start <= hit)
                    ++k;
                const TLine& line = FLines[k];
                const size_t end = FLines[k + 1].Start - 1; // the line end
                if (hit + size > end || !Open(line.Id, before))
                    return end + 1;
                const size_t field = CountByte(text + line.Start, hit - line.Start, '#');
                if (field < 32 && (p.Fields >> field & 1)) {
                    FMasks[line.Id] |= p.Bits;
                    ++found;
                    return end + 1;
                }
                // Found in a field that does not count: on from the next field that does, if any.
                const uint32_t later = field < 31 ? p.Fields >> (field + 1) : 0;
                size_t hashes = later ? static_cast<size_t>(std::countr_zero(later)) + 1 : 0; // '#' to pass
                for (size_t q = hit; hashes > 0;) {
                    const void* hash = std::memchr(text + q, '#', end - q);
                    if (!hash)
                        break;
                    q = static_cast<size_t>(static_cast<const char*>(hash) - text) + 1;
                    if (--hashes == 0)
                        return q;
                }
                return end + 1;
            });
    }

    // Whether the record's outcome may still depend on the words looked for after `before`.
    bool Open(uint32_t id, uint32_t before) const {
        uint32_t mask = FMasks[id];
        if (FInName) {
            if (FNamedById.empty()) // the names are looked at later
                return FMatchAll || mask == 0;
            mask |= FNamedById[id];
        }
        // "Match Some": one word found decides. "Match All": a word missing decides.
        return FMatchAll ? (mask & before) == before : mask == 0;
    }

    const TWordMatcher& FMatcher;
    const TTaxonomyTree& FTree;
    const bool FMatchAll, FInName;
    std::vector<uint32_t> FMasks;
    std::vector<uint32_t> FNamed, FNamedById; // the words in the names, by genus and by id number
    std::string FFolded;                      // the lines that count, folded, each followed by a line end
    std::vector<TLine> FLines;                // the block's lines in FFolded, and where the last one ends
    std::vector<uint32_t> FGranules;          // by GranuleSize bytes of FFolded: the line they begin in
    std::vector<size_t> FOrder;               // the patterns in the order they are looked for
    std::vector<size_t> FFound;               // by pattern: in how many lines of the last block it counted
};
} // namespace

TSearchWords SearchWords(std::string_view text) {
    std::array<std::string_view, MaxSearchWords> pieces{};
    const int count = SplitFieldViews(text, pieces, MaxSearchWords - 1, " ");
    TSearchWords words;
    for (int i = 0; i < count && !pieces[static_cast<size_t>(i)].empty(); ++i)
        words.emplace_back(pieces[static_cast<size_t>(i)]);
    return words;
}

bool MatchGenus(const TSearchWords& words, const TTaxonomyDetail& record, bool matchAll,
                const TSearchFields& fields) {
    if (record.Level != GenusLevel)
        return false;
    const TWordMatcher matcher(words, matchAll, fields);
    const TGenusDetail& g = record.Genus;
    return matcher.Decide(matcher.RecordMask(g.Keywords, g.KorvelType, g.CommonName, record.Description),
                          record.Name);
}

TGenusEntries SearchGenus(const TTaxonomyTree& tree, const TSearchOptions& options) {
    if (options.Text.empty())
        return AllGenus(tree);
    const TWordMatcher matcher(SearchWords(options.Text), options.MatchAll, options.Fields);
    if (matcher.NeverMatches())
        return {};
    // The database is read once per search, never once per genus; when it is kept, only the
    // words are looked for.
    TRecordScan scan(matcher, tree);
    TGenusDatabase* db =
        TGenusDatabase::Open(DetailFile(GenusLevel, false), matcher.FilePatterns().empty() ? nullptr : &scan);
    if (!db)
        return {};
    std::vector<uint32_t>& masks = scan.Masks();
    masks.resize(db->IdCount(), 0);

    // The genus's name comes from the tree, not from its record line.
    const TGenusDatabase::TTreeRecords& genera = db->TreeRecords(tree);
    std::vector<uint32_t> named = std::move(scan.Named());
    if (named.size() != genera.Nodes.size())
        named = matcher.InName() ? NameMasks(genera, matcher.FoldedWords())
                                 : std::vector<uint32_t>(genera.Nodes.size(), 0);
    std::vector<bool> accepted(genera.Nodes.size());
    size_t count = 0;
    for (size_t i = 0; i < genera.Nodes.size(); ++i)
        count += accepted[i] = matcher.Accepts(masks[genera.Ids[i]] | named[i]);
    TGenusEntries entries;
    entries.reserve(count);
    for (size_t i = 0; i < genera.Nodes.size(); ++i)
        if (accepted[i])
            entries.push_back(TGenusEntry{genera.Nodes[i], {}});
    return entries;
}

void ResetSearchState() {
    ClearGenusDatabase();
    SetGenusDatabaseBlockSize(DefaultGenusBlockSize);
    SetWideScan(true);
}
