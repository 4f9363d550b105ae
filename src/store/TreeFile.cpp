// The tree file, node captions and icons, look-up and the tree-state file.

#include "Constants.h"
#include "Fields.h"
#include "Platform.h"
#include "StrUtils.h"
#include "TaxonomyTree.h"
#include "TextFiles.h"

#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <sys/stat.h>

TNodeTextPieces NodeTextPieces(int level, std::string_view name, std::string_view info, int mode) {
    TNodeTextPieces pieces;
    if (level >= 0 && level < static_cast<int>(LevelNames.size()) && level != GenusLevel) {
        pieces[0] = LevelNames[static_cast<size_t>(level)];
        pieces[1] = " ";
    }
    if (mode & 1)
        pieces[2] = name;
    if (mode & 2) {
        pieces[3] = " (";
        pieces[4] = info;
        pieces[5] = ")";
    }
    return pieces;
}

std::string NodeText(int level, std::string_view name, std::string_view info, int mode) {
    const TNodeTextPieces pieces = NodeTextPieces(level, name, info, mode);
    size_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    std::string text;
    text.reserve(size);
    for (std::string_view piece : pieces)
        text += piece;
    return text;
}

int ImageIndexOf(const TTreeNode* node) {
    if (!node || node->Level() != GenusLevel)
        return 0;
    return node->Id() == NotAvailableId ? 4 : 2;
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
    // The nodes keep their fields in the file's own bytes.
    TWholeFile file(path);
    const size_t size = file.Text().size();
    tree.LoadOutline(file.Release(), size);
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
    if (node->Id() != data.Id() || node->Name() != data.Name() || node->Info() != data.Info())
        tree.SetFields(node, data);
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
        if (byName ? n->Name() == key.Name() : n->Id() == key.Id())
            return n;
    }
    return nullptr;
}

void SaveTreeFile(const TTaxonomyTree& tree) {
    // The lines are put together in a buffer of fixed size that goes to the file whenever it is
    // full; a node's line is copied in one piece where its fields lie together in the tree's text.
    TAtomicFile file(AppFile(TreeFileName));
    constexpr size_t BufferSize = 1024 * 1024;
    const auto buffer = std::make_unique_for_overwrite<char[]>(BufferSize);
    char* const begin = buffer.get();
    char* const end = begin + BufferSize;
    char* out = begin;
    auto put = [&](std::string_view bytes) {
        if (bytes.size() > static_cast<size_t>(end - out)) {
            file.Write(begin, static_cast<size_t>(out - begin));
            out = begin;
            if (bytes.size() > BufferSize) {
                file.Write(bytes.data(), bytes.size());
                return;
            }
        }
        if (!bytes.empty())
            out = static_cast<char*>(std::memcpy(out, bytes.data(), bytes.size())) + bytes.size();
    };
    tree.ForEachNode([&](const TTreeNode* n) {
        if (const std::string_view line = n->Line(); !line.empty()) {
            put(line);
        } else {
            put(n->Marker());
            put("#");
            put(n->Id());
            put("#");
            put(n->Name());
            put("#");
            put(n->Info());
        }
        put("\r\n");
    });
    file.Write(begin, static_cast<size_t>(out - begin));
    file.Commit();
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
        if (f[1] != node->Id())
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
        text.append(n->Marker()).append(1, '#').append(n->Id());
        text += (isExpanded && isExpanded(n)) ? "#1\r\n" : "#0\r\n";
    });
    WriteTextFileAtomic(AppFile(TreeStateFileName), text);
}
