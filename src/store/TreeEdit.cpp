#include "TreeEdit.h"

#include "Constants.h"
#include "Detail.h"
#include "Fields.h"
#include "Global.h"
#include "Platform.h"
#include "TextFiles.h"

#include <array>
#include <string_view>
#include <unordered_set>

namespace {

std::string_view FirstField(std::string_view line) {
    const size_t hash = line.find('#');
    return hash == std::string_view::npos ? line : line.substr(0, hash);
}

// Notes the removed lines of a rewrite as runs, each with the kept line that followed it.
class TRemovedRuns {
public:
    explicit TRemovedRuns(TFileRewrite& out) : FOut(out) { FOut.Removed.clear(); }
    void Removed(std::string_view line) {
        if (!FOpen) {
            FOut.Removed.push_back({FKept, {}, {}, true});
            FOpen = true;
        }
        FOut.Removed.back().Bytes.append(line).append("\r\n");
    }
    void Kept(std::string_view line) {
        if (FOpen) {
            FOut.Removed.back().NextLine = line;
            FOut.Removed.back().AtEnd = false;
            FOpen = false;
        }
        ++FKept;
    }

private:
    TFileRewrite& FOut;
    size_t FKept = 0;
    bool FOpen = false;
};

// The database without the records whose id is in `ids`; false when none was
// there. A genus record takes along the empty and species lines after it, as
// RemoveRecordLines does.
bool WithoutRecords(int level, const std::unordered_set<std::string_view>& ids, bool user, TFileRewrite& out,
                    size_t& removed) {
    removed = 0;
    if (level < 0 || level >= LevelCount || ids.empty())
        return false;
    out.Path = DetailFile(level, user);
    if (!FileExists(out.Path))
        return false;
    const std::string text = ReadFileBytes(out.Path);
    out.Bytes.clear();
    out.Bytes.reserve(text.size());
    TRemovedRuns runs(out);
    bool inRemoved = false; // inside the species block of a removed genus
    ForEachLine(text, [&](std::string_view line) {
        if (inRemoved && (line.empty() || line.front() == '\t')) {
            runs.Removed(line);
            return;
        }
        inRemoved = false;
        if (ids.count(FirstField(line))) {
            ++removed;
            inRemoved = level == GenusLevel;
            runs.Removed(line);
            return;
        }
        runs.Kept(line);
        out.Bytes.append(line).append("\r\n");
    });
    return removed > 0;
}

// The lines [first, second) of `lines` inside the block of `node`'s parent: after the parent's
// own line (found the same way inside its parent's block), before the next line at the parent's
// depth or above. The whole file for a top-level node; an empty range when a line is missing.
std::pair<size_t, size_t> ParentBlock(const std::vector<std::string_view>& lines, const TTreeNode* node) {
    std::vector<const TTreeNode*> above;
    for (const TTreeNode* n = node->Parent(); n; n = n->Parent())
        above.insert(above.begin(), n);
    size_t from = 0;
    size_t to = lines.size();
    for (const TTreeNode* n : above) {
        const TTaxonomyData data = n->Data();
        size_t i = from;
        while (i < to && !UserTreeLineStandsFor(lines[i], data))
            ++i;
        if (i == to)
            return {to, to};
        from = i + 1;
        for (i = from; i < to && FirstField(lines[i]).size() > data.Marker().size(); ++i) {
        }
        to = i;
    }
    return {from, to};
}

// "usr_tree.dat" without the lines that stand for `node` and the lines of its descendants (the
// longer markers right after it); false when there were none. A planned node has no id to be
// found by: only a line inside its own parent's block is its line.
bool WithoutUserTreeItem(const TTreeNode* node, TFileRewrite& out) {
    out.Path = DetailFile(-1, true);
    if (!FileExists(out.Path))
        return false;
    const TTaxonomyData item = node->Data();
    const std::string text = ReadFileBytes(out.Path);
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });
    const auto [from, to] =
        item.Id() == NotAvailableId ? ParentBlock(lines, node) : std::pair<size_t, size_t>(0, lines.size());
    out.Bytes.clear();
    out.Bytes.reserve(text.size());
    TRemovedRuns runs(out);
    bool removed = false;
    bool inRemoved = false; // among the removed item's descendants
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (inRemoved && FirstField(line).size() > item.Marker().size()) {
            runs.Removed(line);
            continue;
        }
        inRemoved = false;
        if (i >= from && i < to && UserTreeLineStandsFor(line, item)) {
            removed = inRemoved = true;
            runs.Removed(line);
            continue;
        }
        runs.Kept(line);
        out.Bytes.append(line).append("\r\n");
    }
    return removed;
}

} // namespace

bool UserTreeLineStandsFor(std::string_view line, const TTaxonomyData& node) {
    std::array<std::string_view, 3> f{};
    SplitFieldViews(line, f, 2);
    if (f[0] != node.Marker())
        return false;
    // A planned item has no id of its own: only another planned line of the same name is its line,
    // never a real branch that happens to carry the name.
    if (node.Id() == NotAvailableId)
        return f[1] == NotAvailableId && f[2] == node.Name();
    return f[1] == node.Id();
}

void RecordUserTreeItem(const TTreeNode* node) {
    TreeModified = true;
    if (!node)
        return;
    // The node's ancestor at each level, the node itself at its own; a level
    // the path skips stays empty.
    const int level = node->Level();
    std::vector<const TTreeNode*> path(static_cast<size_t>(level) + 1, nullptr);
    const TTreeNode* current = node;
    for (int k = level; k >= 0 && current; --k) {
        if (current->Level() < k)
            continue;
        path[static_cast<size_t>(k)] = current;
        current = current->Parent();
    }

    const std::string file = DetailFile(-1, true);
    TStringList lines;
    if (FileExists(file))
        lines = ReadLines(file);
    size_t from = 0;
    for (const TTreeNode* n : path) {
        if (!n)
            continue;
        const TTaxonomyData data = n->Data();
        // Search the parent's range: it ends at the first line of a shorter marker.
        size_t i = from;
        bool found = false;
        for (; i < lines.size(); ++i) {
            if (FirstField(lines[i]).size() < data.Marker().size())
                break;
            if (UserTreeLineStandsFor(lines[i], data)) {
                found = true;
                break;
            }
        }
        std::string line = JoinFields(data.Fields, 3);
        if (found)
            lines[i] = std::move(line); // a changed name or info is refreshed
        else
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), std::move(line));
        from = i + 1;
    }
    // Written whole and atomically: a failure leaves the previous file.
    WriteLines(file, lines);
}

size_t DeleteRecords(int level, const std::vector<std::string>& ids, bool user) {
    std::unordered_set<std::string_view> set;
    for (const std::string& id : ids)
        if (!id.empty()) // records always have an id; an empty one would match empty lines
            set.insert(id);
    TFileRewrite file;
    size_t removed = 0;
    if (WithoutRecords(level, set, user, file, removed))
        WriteTextFileAtomic(file.Path, file.Bytes);
    return removed;
}

std::vector<TFileRewrite> PlanDeleteTreeItem(const TTreeNode* node, bool withLinked) {
    std::vector<TFileRewrite> files;
    if (!node)
        return files;
    if (withLinked) {
        std::array<std::unordered_set<std::string_view>, LevelCount> ids;
        std::vector<const TTreeNode*> pending{node};
        while (!pending.empty()) {
            const TTreeNode* n = pending.back();
            pending.pop_back();
            const int level = n->Level();
            if (level < LevelCount && !n->Id().empty() && n->Id() != NotAvailableId)
                ids[static_cast<size_t>(level)].insert(n->Id());
            for (TTreeNode* child : n->Children())
                pending.push_back(child);
        }
        for (int level = 0; level < LevelCount; ++level) {
            TFileRewrite file;
            size_t removed = 0;
            if (WithoutRecords(level, ids[static_cast<size_t>(level)], false, file, removed))
                files.push_back(std::move(file));
        }
    }
    TFileRewrite userTree;
    if (WithoutUserTreeItem(node, userTree))
        files.push_back(std::move(userTree));
    return files;
}

void DeleteTreeItem(TTaxonomyTree& tree, TTreeNode* node, bool withLinked) {
    if (!node)
        return;
    for (const TFileRewrite& file : PlanDeleteTreeItem(node, withLinked))
        WriteTextFileAtomic(file.Path, file.Bytes);
    tree.DeleteNode(node);
    TreeModified = true;
}
