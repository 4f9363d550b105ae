#include "GenusLists.h"

#include "Constants.h"
#include "Detail.h"
#include "Fields.h"
#include "FileLines.h"
#include "Platform.h"
#include "TextFiles.h"
#include "ViewIndex.h"

#include <array>
#include <string_view>

bool IsListedGenus(const TTreeNode* node) {
    return node && node->Level() == GenusLevel && node->Id() != NotAvailableId;
}

bool IsPlanningBranch(const TTreeNode* node) {
    if (!node)
        return false;
    if (node->Level() == GenusLevel && node->Id() == NotAvailableId)
        return true;
    const std::string_view name = node->Name();
    return !name.empty() && std::string_view("(<[{").find(name.front()) != std::string_view::npos;
}

std::string TGenusEntry::Caption(const TTaxonomyTree& tree) const {
    return Node ? tree.Caption(Node) : Name;
}

TTaxonomyData TGenusEntry::Data() const {
    return Node ? Node->Data() : TTaxonomyData();
}

TGenusEntries AllGenus(const TTaxonomyTree& tree) {
    TGenusEntries entries;
    // Most nodes of a large tree are genera: one allocation instead of a
    // series of copies while the list grows.
    entries.reserve(tree.Count());
    tree.ForEachNode([&](TTreeNode* n) {
        if (IsListedGenus(n))
            entries.push_back(TGenusEntry{n, {}});
    });
    return entries;
}

TGenusEntries PlanningBranches(const TTaxonomyTree& tree) {
    TGenusEntries entries;
    tree.ForEachNode([&](TTreeNode* n) {
        if (IsPlanningBranch(n))
            entries.push_back(TGenusEntry{n, {}});
    });
    return entries;
}

TGenusEntries ForgottenGenus(const TTaxonomyTree& tree) {
    const std::string path = DetailFile(GenusLevel, false);
    // No database, no forgotten genus: listing the whole tree under this
    // heading would call every genus forgotten.
    if (!FileExists(path))
        return {};
    TFileLines file(path);

    // The database's names in file order (as numbers of distinct names), and
    // for each distinct name whether a listed tree genus has it. The database
    // is the smaller side: the tree's names are looked up among its names.
    TViewIndex names(file.Size() / 512);
    std::vector<uint32_t> lines;
    ForEachFileLine(file, [&](std::string_view line) {
        if (line.empty() || line.front() == '\t')
            return;
        std::array<std::string_view, 2> f{};
        // A line without any '#' has no name field: it is not a genus record.
        if (SplitFieldViews(line, f, 1) < 2)
            return;
        lines.push_back(names.Add(f[1]));
    });
    if (lines.empty())
        return {};
    std::vector<bool> inTree(names.Size(), false);
    tree.ForEachNode([&](const TTreeNode* n) {
        if (!IsListedGenus(n))
            return;
        const uint32_t k = names.Find(n->Name());
        if (k != TViewIndex::None)
            inTree[k] = true;
    });

    TGenusEntries entries;
    for (uint32_t k : lines)
        if (!inTree[k])
            entries.push_back(TGenusEntry{nullptr, std::string(names.Key(k))});
    return entries;
}
