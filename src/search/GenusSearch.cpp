#include "GenusSearch.h"

#include "Constants.h"
#include "Detail.h"
#include "Fields.h"
#include "FileLines.h"
#include "Platform.h"
#include "TextFiles.h"
#include "ViewIndex.h"
#include "WordMatcher.h"

#include <array>

namespace {
std::string_view FirstField(std::string_view line) {
    const size_t hash = line.find('#');
    return hash == std::string_view::npos ? line : line.substr(0, hash);
}
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
    return matcher.Decide(
        matcher.RecordMask(g.Keywords, g.KorvelType, g.CommonName, record.Description, false), record.Name);
}

TGenusEntries SearchGenus(const TTaxonomyTree& tree, const TSearchOptions& options) {
    if (options.Text.empty())
        return AllGenus(tree);
    const TWordMatcher matcher(SearchWords(options.Text), options.MatchAll, options.Fields);
    if (matcher.NeverMatches())
        return {};
    const std::string path = DetailFile(GenusLevel, false);
    if (!FileExists(path))
        return {};

    // Every genus of a large tree may need its record, so the database is
    // read once, in blocks, and each record is matched as it passes: what is
    // kept is its id and which words its fields hold. The first record line
    // with an id counts, as in ReadDetail; species and empty lines are not
    // records.
    TFileLines file(path);
    TViewIndex ids(file.Size() / 512);
    std::vector<uint32_t> masks;
    ForEachFileLine(file, [&](std::string_view line) {
        if (line.empty() || line.front() == '\t')
            return;
        if (ids.Add(FirstField(line)) != masks.size())
            return; // a later record with the same id
        std::array<std::string_view, 12> f{};
        SplitFieldViews(line, f, 11);
        masks.push_back(matcher.RecordMask(f[11], f[4], f[5], f[3], true));
    });

    TGenusEntries entries;
    tree.ForEachNode([&](TTreeNode* n) {
        // An empty id has no record (ReadDetail gives Level -2).
        if (!IsListedGenus(n) || n->Id().empty())
            return;
        const uint32_t k = ids.Find(n->Id());
        // The genus's name comes from the tree, not from its record line.
        if (k != TViewIndex::None && matcher.Decide(masks[k], n->Name()))
            entries.push_back(TGenusEntry{n, {}});
    });
    return entries;
}
