#include "NameMatcher.h"

#include "BranchIndex.h"
#include "Constants.h"
#include "DataCompare.h"
#include "FileLines.h"
#include "NameFold.h"

#include <algorithm>
#include <functional>
#include <malloc.h>
#include <ostream>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr uint32_t NoNode = UINT32_MAX;

// The field after the first '#' of a line, up to the next.
std::string_view SecondField(std::string_view line) {
    const size_t first = line.find('#');
    if (first == std::string_view::npos)
        return {};
    line.remove_prefix(first + 1);
    return line.substr(0, line.find('#'));
}

uint64_t HashOf(std::string_view text) {
    uint64_t h = 1469598103934665603ull;
    for (char c : text)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

} // namespace

const char* MatchKindName(TMatchKind kind) {
    switch (kind) {
    case TMatchKind::Exact:
        return "exact";
    case TMatchKind::Folded:
        return "folded";
    case TMatchKind::Planned:
        return "planned";
    case TMatchKind::Suggested:
        return "suggestion";
    case TMatchKind::None:
        break;
    }
    return "none";
}

TNameMatcher::TNameMatcher(const TTaxonomyTree& tree, const std::string& genusPath)
    : FTree(tree), FStamp(tree.Stamp()) {
    FNodes.reserve(tree.Count());
    size_t hint = 0;
    tree.ForEachNode([&](const TTreeNode* node) { FNodes.push_back(tree.NumberOf(node, hint)); });
    {
        std::vector<std::string> ids; // gone before the index is built
        ReadSpecies(genusPath, ids);
        LinkGenera(ids);
    }
    malloc_trim(0); // what reading the database grew and let go, before the index is sorted
    FIndex.Build(static_cast<uint32_t>(Count()),
                 [this](uint32_t entry, std::string& out) { Fold(entry, out); });
}

void TNameMatcher::ReadSpecies(const std::string& genusPath, std::vector<std::string>& ids) {
    struct stat info {};
    if (stat(genusPath.c_str(), &info) != 0)
        return; // no database: the tree alone
    TFileLines lines(genusPath);
    std::string_view genus; // of the record whose species block this is; none outside a block
    bool inBlock = false;
    std::string id;
    auto endRecord = [&] {
        // Only a genus with species is kept.
        if (inBlock && FEpithetStart.size() - 1 > FSpeciesStart.back()) {
            ids.push_back(id);
            FGenusNames += genus;
            FGenusNameStart.push_back(static_cast<uint32_t>(FGenusNames.size()));
            FSpeciesStart.push_back(static_cast<uint32_t>(FEpithetStart.size() - 1));
        }
        inBlock = false;
    };
    std::string genusName;
    ForEachFileLine(lines, [&](std::string_view line) {
        if (line.empty()) {
            endRecord();
            return;
        }
        if (line.front() != '\t') {
            endRecord();
            id.assign(line.substr(0, line.find('#')));
            genusName.assign(SecondField(line));
            genus = genusName;
            inBlock = true;
            return;
        }
        if (!inBlock)
            return;
        std::string_view epithet = TrimmedLine(SecondField(line));
        // Some lists write the whole binomial.
        if (epithet.size() > genus.size() && epithet.starts_with(genus) && epithet[genus.size()] == ' ')
            epithet = TrimmedLine(epithet.substr(genus.size()));
        if (epithet.empty())
            return;
        FEpithets += epithet;
        FEpithetStart.push_back(static_cast<uint32_t>(FEpithets.size()));
    });
    endRecord();
    FEpithets.shrink_to_fit();
    FEpithetStart.shrink_to_fit();
}

void TNameMatcher::LinkGenera(const std::vector<std::string>& ids) {
    FGenusNode.assign(ids.size(), NoNode);
    if (ids.empty())
        return;
    // Records by id: the first tree genus with that id is the species' branch.
    size_t slots = 1;
    while (slots < ids.size() * 2)
        slots *= 2;
    std::vector<uint32_t> table(slots, NoNode);
    for (uint32_t r = 0; r < ids.size(); ++r) {
        size_t at = HashOf(ids[r]) & (slots - 1);
        while (table[at] != NoNode)
            at = (at + 1) & (slots - 1);
        table[at] = r;
    }
    for (uint32_t number : FNodes) {
        const TTreeNode* node = FTree.NodeOfNumber(number);
        if (node->Level() != 5 || node->Id() == NotAvailableId)
            continue;
        for (size_t at = HashOf(node->Id()) & (slots - 1); table[at] != NoNode; at = (at + 1) & (slots - 1))
            if (ids[table[at]] == node->Id() && FGenusNode[table[at]] == NoNode)
                FGenusNode[table[at]] = number;
    }
}

size_t TNameMatcher::MemoryBytes() const {
    return FNodes.capacity() * 4 + FGenusNames.capacity() + FGenusNameStart.capacity() * 4 +
           FGenusNode.capacity() * 4 + FSpeciesStart.capacity() * 4 + FEpithets.capacity() +
           FEpithetStart.capacity() * 4 + FIndex.MemoryBytes();
}

uint32_t TNameMatcher::RecordOf(uint32_t species) const {
    const auto after = std::upper_bound(FSpeciesStart.begin(), FSpeciesStart.end(), species);
    return static_cast<uint32_t>(after - FSpeciesStart.begin() - 1);
}

std::string_view TNameMatcher::GenusName(uint32_t record) const {
    if (FGenusNode[record] != NoNode)
        return FTree.NodeOfNumber(FGenusNode[record])->Name(); // as the summary names it
    return std::string_view(FGenusNames)
        .substr(FGenusNameStart[record], FGenusNameStart[record + 1] - FGenusNameStart[record]);
}

std::string_view TNameMatcher::Epithet(uint32_t species) const {
    return std::string_view(FEpithets).substr(FEpithetStart[species],
                                              FEpithetStart[species + 1] - FEpithetStart[species]);
}

TTreeNode* TNameMatcher::Node(uint32_t entry) const {
    if (!IsSpecies(entry))
        return FTree.NodeOfNumber(FNodes[entry]);
    const uint32_t number = FGenusNode[RecordOf(entry - static_cast<uint32_t>(FNodes.size()))];
    return number == NoNode ? nullptr : FTree.NodeOfNumber(number);
}

std::string TNameMatcher::Name(uint32_t entry) const {
    if (!IsSpecies(entry))
        return std::string(Node(entry)->Name());
    const auto species = entry - static_cast<uint32_t>(FNodes.size());
    std::string name(GenusName(RecordOf(species)));
    name += ' ';
    name += Epithet(species);
    return name;
}

int TNameMatcher::Level(uint32_t entry) const {
    return IsSpecies(entry) ? SpeciesLevel : Node(entry)->Level();
}

std::string TNameMatcher::Path(uint32_t entry) const {
    if (!IsSpecies(entry))
        return BranchPath(Node(entry), " > ");
    const TTreeNode* genus = Node(entry);
    return genus ? BranchPath(genus, " > ") + " > " + Name(entry) : Name(entry);
}

void TNameMatcher::Fold(uint32_t entry, std::string& out) const {
    if (!IsSpecies(entry)) {
        out.clear();
        AppendFoldedName(out, Node(entry)->Name());
        return;
    }
    const auto species = entry - static_cast<uint32_t>(FNodes.size());
    out.clear();
    AppendFoldedName(out, GenusName(RecordOf(species)));
    AppendFoldedName(out, Epithet(species));
}

TNameMatch TNameMatcher::Match(std::string_view line) const {
    TNameMatch result;
    const std::string_view given = TrimmedLine(line);
    const std::string_view name = NameOfLine(given);
    // The whole line first: a name of the data may hold what looks like an author ("[Familia nova]").
    for (const std::string_view wanted : {given, name}) {
        if (wanted.empty() || (wanted == name && name == given && result.Kind != TMatchKind::None))
            continue;
        int bestRank = 3;
        for (uint32_t entry : FIndex.Equal(FoldName(wanted))) {
            const bool planned = !IsSpecies(entry) && Node(entry)->Id() == NotAvailableId;
            const int rank = planned ? 2 : Name(entry) == wanted ? 0 : 1;
            if (rank < bestRank) {
                bestRank = rank;
                result.Entry = entry;
            }
        }
        if (bestRank < 3) {
            result.Kind = bestRank == 0   ? TMatchKind::Exact
                          : bestRank == 1 ? TMatchKind::Folded
                                          : TMatchKind::Planned;
            return result;
        }
        if (wanted == name)
            break;
    }
    const std::string folded = FoldName(name);
    // The three best: fewest edits first, then in sorted order.
    FIndex.Near(
        folded, SuggestionDistance(folded.size()),
        [&](uint32_t entry, int, uint32_t) { result.Suggestions.push_back(entry); }, 3);
    const bool kept = !result.Suggestions.empty();
    result.Kind = kept ? TMatchKind::Suggested : TMatchKind::None;
    return result;
}

std::vector<TNameMatch> TNameMatcher::MatchAll(const std::vector<std::string_view>& lines,
                                               unsigned threads) const {
    std::vector<TNameMatch> matches(lines.size());
    // Each thread takes every n-th line: misspelt names, which cost the most, are spread evenly.
    const unsigned n = std::max(1u, std::min({threads, std::thread::hardware_concurrency(),
                                              static_cast<unsigned>(lines.size() / 256 + 1)}));
    auto work = [&](unsigned first) {
        for (size_t i = first; i < lines.size(); i += n)
            matches[i] = Match(lines[i]);
    };
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < n; ++t)
        helpers.emplace_back(work, t);
    work(0);
    return matches;
}

void WriteMatchTsvLine(std::ostream& out, const TNameMatcher& matcher, std::string_view given,
                       const TNameMatch& match) {
    out << TsvEscaped(given) << '\t' << MatchKindName(match.Kind) << '\t';
    if (match.Kind == TMatchKind::Exact || match.Kind == TMatchKind::Folded ||
        match.Kind == TMatchKind::Planned)
        out << TsvEscaped(matcher.Name(match.Entry)) << '\t' << TsvEscaped(matcher.Path(match.Entry)) << '\t'
            << LevelNames[static_cast<size_t>(matcher.Level(match.Entry))] << '\t';
    else
        out << "\t\t\t";
    for (size_t i = 0; i < match.Suggestions.size(); ++i)
        out << (i ? "; " : "") << TsvEscaped(matcher.Name(match.Suggestions[i]));
    out << '\n';
}

void WriteMatchTsv(std::ostream& out, const TNameMatcher& matcher, std::string_view text) {
    out << MatchTsvHeader;
    std::vector<std::string_view> names;
    auto flush = [&] {
        const std::vector<TNameMatch> matches = matcher.MatchAll(names);
        for (size_t i = 0; i < names.size(); ++i)
            WriteMatchTsvLine(out, matcher, names[i], matches[i]);
        names.clear();
    };
    ForEachLine(text, [&](std::string_view line) {
        const std::string_view given = TrimmedLine(line);
        if (!given.empty())
            names.push_back(given);
        if (names.size() == 4096) // the matches of a part at a time
            flush();
    });
    flush();
}
