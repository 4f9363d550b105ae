#include "GenusLists.h"

#include "Constants.h"
#include "Detail.h"
#include "GenusDatabase.h"

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

std::vector<const TTreeNode*> AllGenusNodes(const TTaxonomyTree& tree) {
    std::vector<const TTreeNode*> nodes;
    nodes.reserve(tree.Count());
    tree.ForEachNode([&](const TTreeNode* n) {
        if (IsListedGenus(n))
            nodes.push_back(n);
    });
    return nodes;
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
    // No database, no forgotten genus: listing the whole tree under this
    // heading would call every genus forgotten.
    TGenusDatabase* db = TGenusDatabase::Open(DetailFile(GenusLevel, false), nullptr);
    if (!db)
        return {};
    // The database's names are the smaller side: the tree's names are looked
    // up among them, once per tree.
    const std::vector<bool>& inTree = db->NamesInTree(tree);
    TGenusEntries entries;
    for (const TGenusDatabase::TRecordLine& line : db->Lines())
        // A line without any '#' has no name field: it is not a genus record.
        if (line.Name != TGenusDatabase::None && !inTree[line.Name])
            entries.push_back(TGenusEntry{nullptr, std::string(db->Name(line.Name))});
    return entries;
}
