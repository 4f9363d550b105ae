// The tree file, node captions and icons, look-up and the tree-state file.

#include "Constants.h"
#include "Fields.h"
#include "Platform.h"
#include "StrUtils.h"
#include "TaxonomyTree.h"
#include "TextFiles.h"

#include <array>
#include <sys/stat.h>

std::string NodeText(int level, const TTaxonomyData& data, int mode) {
    std::string text;
    if (level >= 0 && level < static_cast<int>(LevelNames.size()) && level != GenusLevel) {
        text = LevelNames[static_cast<size_t>(level)];
        text += ' ';
    }
    if (mode & 1)
        text += data.Name();
    if (mode & 2) {
        text += " (";
        text += data.Info();
        text += ')';
    }
    return text;
}

int ImageIndexOf(const TTreeNode* node) {
    if (!node || node->Level() != GenusLevel)
        return 0;
    return node->Data.Id() == NotAvailableId ? 4 : 2;
}

int SelectedIndexOf(const TTreeNode* node) {
    return ImageIndexOf(node) + 1;
}

int LoadTree(TTaxonomyTree& tree) {
    if (!tree.Empty())
        tree.Clear();
    const std::string path = AppFile(TreeFileName);
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return -1;
    const TWholeFile file(path);
    const std::string_view text = file.Text();

    TTaxonomyTree::TBulkLoad bulk(tree);
    std::array<TTreeNode*, LevelCount> slots{};
    ForEachLine(text, [&](std::string_view line) {
        // Every line gets fresh fields: a short line must not inherit the
        // fields of the line before it.
        std::array<std::string_view, 4> f{};
        // A line without any '#' (including an empty one) is not a tree line.
        if (SplitFieldViews(line, f, 3) < 2)
            return;
        const size_t level = f[0].size();
        if (level >= static_cast<size_t>(LevelCount))
            return;
        TTreeNode* parent = nullptr;
        for (size_t k = level; k-- > 0;)
            if (slots[k]) {
                parent = slots[k];
                break;
            }
        for (size_t k = level + 1; k < slots.size(); ++k)
            slots[k] = nullptr;
        TTaxonomyData data;
        for (size_t i = 0; i < 4; ++i)
            data.Fields[i].assign(f[i]);
        slots[level] = tree.AddNode(parent, std::move(data));
    });
    return tree.Empty() ? -1 : 0;
}

TTreeNode* AddTreeNode(TTaxonomyTree& tree, TTreeNode* parent, const TTaxonomyData& data) {
    TTreeNode* node = tree.AddNode(parent, data);
    UpdateTreeNode(tree, node, data);
    return node;
}

void UpdateTreeNode(TTaxonomyTree& tree, TTreeNode* node, const TTaxonomyData& data) {
    if (!node)
        return;
    if (&node->Data != &data) {
        node->Data.Id() = data.Id();
        node->Data.Name() = data.Name();
        node->Data.Info() = data.Info();
    }
    // Caption and icons are worked out from the data when shown.
    tree.NotifyChanged(node);
}

TTaxonomyData MakeNodeKey(int level, const std::string& id, const std::string& name,
                          const std::string& info) {
    return TTaxonomyData(std::string(static_cast<size_t>(level > 0 ? level : 0), ' '), LowerCase(id), name,
                         info);
}

TTreeNode* FindTreeNode(const TTaxonomyTree& tree, const TTaxonomyData& key) {
    const bool byName = key.Id() == NotAvailableId;
    for (TTreeNode* n = tree.First(); n; n = tree.Next(n)) {
        if (byName ? n->Data.Name() == key.Name() : n->Data.Id() == key.Id())
            return n;
    }
    return nullptr;
}

void SaveTreeFile(const TTaxonomyTree& tree) {
    std::string text;
    text.reserve(tree.Count() * 48);
    tree.ForEachNode([&](const TTreeNode* n) {
        const auto& f = n->Data.Fields;
        text.append(f[0]).append(1, '#').append(f[1]).append(1, '#').append(f[2]).append(1, '#').append(f[3]);
        text += "\r\n";
    });
    WriteTextFileAtomic(AppFile(TreeFileName), text);
}

void LoadTreeState(const TTaxonomyTree& tree, const TSetExpanded& setExpanded) {
    const std::string path = AppFile(TreeStateFileName);
    if (!FileExists(path))
        return;
    const std::string text = ReadFileBytes(path);
    TTreeNode* node = tree.First();
    ForEachLine(text, [&](std::string_view line) {
        if (!node)
            return;
        std::array<std::string_view, 3> f{};
        SplitFieldViews(line, f, 2);
        if (f[1] != node->Data.Id())
            return;
        // An unreadable state leaves the node as it is.
        int state;
        if (TryStrToInt(f[2], state) && setExpanded)
            setExpanded(node, state != 0);
        node = tree.Next(node);
    });
}

void SaveTreeState(const TTaxonomyTree& tree, const TIsExpanded& isExpanded) {
    std::string text;
    text.reserve(tree.Count() * 16);
    tree.ForEachNode([&](const TTreeNode* n) {
        text.append(n->Data.Marker()).append(1, '#').append(n->Data.Id());
        text += (isExpanded && isExpanded(n)) ? "#1\r\n" : "#0\r\n";
    });
    WriteTextFileAtomic(AppFile(TreeStateFileName), text);
}
