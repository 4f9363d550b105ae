#include "DataCompare.h"

#include "Constants.h"
#include "DatabaseRecords.h"
#include "Errors.h"
#include "Fields.h"
#include "KeptData.h"
#include "Platform.h"
#include "TaxonomyTree.h"
#include "TextFiles.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string_view>
#include <unordered_set>

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// ---- the trees ----

// The tree file at `path` into `tree`, which keeps the file's bytes as the text of its nodes.
void LoadTreeBytes(TTaxonomyTree& tree, const std::string& path) {
    TWholeFile file(path);
    const size_t size = file.Text().size();
    tree.LoadOutline(file.Release(), size);
}

// What identifies a branch in both trees: level and id, or level and name for a planned branch.
// The text lies in the tree's own bytes.
struct TNodeKey {
    int Level = 0;
    bool ByName = false;
    std::string_view Text;

    bool operator==(const TNodeKey&) const = default;
};

TNodeKey KeyOf(const TTreeNode* node) {
    const bool byName = node->Id() == NotAvailableId;
    return {node->Level(), byName, byName ? node->Name() : node->Id()};
}

bool SameParent(const TTreeNode* a, const TTreeNode* b) {
    return a == nullptr || b == nullptr ? a == b : KeyOf(a) == KeyOf(b);
}

std::uint32_t HashOf(const TNodeKey& key) {
    size_t h = std::hash<std::string_view>()(key.Text);
    h ^= static_cast<size_t>(key.Level * 2 + key.ByName + 1) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// "Family f12"; empty for the top level.
std::string ParentText(const TTreeNode* parent) {
    if (!parent)
        return {};
    const TNodeKey key = KeyOf(parent);
    return std::string(DataRankName(key.Level)) + " " + std::string(key.Text);
}

// The nodes of one tree in pre-order, found by key: a flat table of node numbers (open
// addressing, at most half full) and, for a key that several nodes share, a chain from each to the
// next in pre-order. Each key keeps the end of its chain and where pairing has got to, so a key
// that a million lines share costs no more than a million keys.
class TNodeIndex {
public:
    static constexpr std::uint32_t None = std::numeric_limits<std::uint32_t>::max();

    explicit TNodeIndex(const TTaxonomyTree& tree) {
        if (tree.Count() >= None / 2)
            throw EOrvError("The tree is too large to compare");
        FNodes.reserve(tree.Count());
        tree.ForEachNode([&](TTreeNode* node) { FNodes.push_back(node); });
        FNextSame.assign(FNodes.size(), None);
        size_t slots = 16;
        while (slots < FNodes.size() * 2)
            slots *= 2;
        FSlots.assign(slots, TSlot{});
        for (std::uint32_t i = 0; i < FNodes.size(); ++i) {
            const TNodeKey key = KeyOf(FNodes[i]);
            TSlot& slot = FSlots[SlotOf(key, HashOf(key))];
            if (slot.Last == None)
                slot = {HashOf(key), i, i};
            else
                FNextSame[slot.Last] = i;
            slot.Last = i;
        }
    }

    size_t Size() const { return FNodes.size(); }
    TTreeNode* Node(std::uint32_t i) const { return FNodes[i]; }
    // The first node with the key that no earlier call took, or None.
    std::uint32_t Take(const TNodeKey& key) {
        TSlot& slot = FSlots[SlotOf(key, HashOf(key))];
        const std::uint32_t i = slot.Next;
        if (i != None)
            slot.Next = FNextSame[i];
        return i;
    }

private:
    struct TSlot {
        std::uint32_t Hash = 0;
        std::uint32_t Next = None; // the next node of the key not yet taken; None when the slot is free
        std::uint32_t Last = None; // the key's last node
    };

    size_t SlotOf(const TNodeKey& key, std::uint32_t hash) const {
        const size_t mask = FSlots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const TSlot& slot = FSlots[i];
            if (slot.Last == None || (slot.Hash == hash && KeyOf(FNodes[slot.Last]) == key))
                return i;
        }
    }

    std::vector<TTreeNode*> FNodes;
    std::vector<std::uint32_t> FNextSame;
    std::vector<TSlot> FSlots;
};

TDataChange BranchChange(TDataChangeKind kind, const TTreeNode* node, const char* field, std::string before,
                         std::string after) {
    TDataChange change;
    change.Kind = kind;
    change.Level = node->Level();
    change.Id = node->Id();
    change.Name = node->Name();
    change.Field = field;
    change.Before = std::move(before);
    change.After = std::move(after);
    return change;
}

// Nodes pair up by key, the k-th of a key in the old tree with the k-th in the new one.
void CompareTrees(const TTaxonomyTree& before, const TTaxonomyTree& after, TDataComparison& result) {
    TNodeIndex index(after);
    std::vector<const TTreeNode*> pairedWith(index.Size(), nullptr); // by new node: its old node
    std::vector<TDataChange> removed;
    auto counts = [&](int level) -> TRankCounts& { return result.Counts[static_cast<size_t>(level)]; };
    before.ForEachNode([&](const TTreeNode* node) {
        ++counts(node->Level()).Before;
        const std::uint32_t i = index.Take(KeyOf(node));
        if (i != TNodeIndex::None) {
            pairedWith[i] = node;
            return;
        }
        ++counts(node->Level()).Removed;
        removed.push_back(BranchChange(TDataChangeKind::Removed, node, "Parent", ParentText(node->Parent()),
                                       std::string()));
    });
    for (std::uint32_t i = 0; i < index.Size(); ++i) {
        const TTreeNode* node = index.Node(i);
        TRankCounts& count = counts(node->Level());
        ++count.After;
        const TTreeNode* old = pairedWith[i];
        if (!old) {
            ++count.Added;
            result.Changes.push_back(BranchChange(TDataChangeKind::Added, node, "Parent", std::string(),
                                                  ParentText(node->Parent())));
            continue;
        }
        if (old->Name() != node->Name()) {
            ++count.Renamed;
            result.Changes.push_back(BranchChange(TDataChangeKind::Renamed, node, "Name",
                                                  std::string(old->Name()), std::string(node->Name())));
        }
        if (!SameParent(old->Parent(), node->Parent())) {
            ++count.Moved;
            result.Changes.push_back(BranchChange(TDataChangeKind::Moved, node, "Parent",
                                                  ParentText(old->Parent()), ParentText(node->Parent())));
        }
        if (old->Info() != node->Info()) {
            ++count.InfoChanged;
            result.Changes.push_back(BranchChange(TDataChangeKind::InfoChanged, node, "Info",
                                                  std::string(old->Info()), std::string(node->Info())));
        }
    }
    for (TDataChange& change : removed)
        result.Changes.push_back(std::move(change));
}

// ---- the databases ----

// Reads a level database a block at a time and calls fn(line, species) for each record, cut as
// TDatabaseRecords cuts it; so the new database never has to be held whole.
void ForEachRecord(const std::string& path, int level,
                   const std::function<void(std::string_view, std::span<const std::string_view>)>& fn) {
    const bool genus = level == GenusLevel;
    std::string record;       // the record line and its species lines, one after another
    std::vector<size_t> ends; // where each of them ends in `record`
    std::vector<std::string_view> species;
    bool inSpecies = false;
    auto flush = [&] {
        if (ends.empty())
            return;
        species.clear();
        for (size_t k = 1; k < ends.size(); ++k)
            species.push_back(std::string_view(record).substr(ends[k - 1], ends[k] - ends[k - 1]));
        fn(std::string_view(record).substr(0, ends[0]), species);
        record.clear();
        ends.clear();
    };
    auto onLine = [&](std::string_view line) {
        if (genus && !line.empty() && line[0] == '\t') {
            if (inSpecies) {
                record += line;
                ends.push_back(record.size());
            }
            return;
        }
        inSpecies = false;
        flush();
        if (line.empty())
            return;
        record = line;
        ends.push_back(record.size());
        inSpecies = genus;
    };
    bool first = true;
    ReadLineBlocks(path, [&](std::string_view block) {
        // A byte-order mark is dropped at the start of the file only: inside it, a line that
        // begins with one keeps it, as when the whole file is read.
        while (!first && WithoutByteOrderMark(block).size() != block.size()) {
            size_t end = block.find_first_of("\r\n");
            onLine(block.substr(0, end));
            if (end == std::string_view::npos)
                return true;
            end += block[end] == '\r' && end + 1 < block.size() && block[end + 1] == '\n' ? 2 : 1;
            block.remove_prefix(end);
        }
        first = false;
        ForEachLine(block, onLine);
        return true;
    });
    flush();
}

bool SameLines(std::span<const std::string_view> a, std::span<const std::string_view> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

std::string_view NameOf(std::string_view line) {
    std::array<std::string_view, 2> fields{};
    SplitFieldViews(line, fields, 1);
    return fields[1];
}

TDataChange RecordChange(TDataChangeKind kind, int level, std::string_view line) {
    TDataChange change;
    change.Kind = kind;
    change.Level = level;
    change.Id = RecordId(line);
    change.Name = NameOf(line);
    return change;
}

void CompareDatabases(const std::string& beforePath, const std::string& afterPath, int level,
                      TDataComparison& result) {
    const TDatabaseRecords old(beforePath, level);
    const std::span<const TDatabaseRecords::TRecord> records(old.Records());
    TRankCounts& counts = result.Counts[static_cast<size_t>(level)];
    TRankCounts& species = result.Counts[SpeciesLevel];
    std::vector<bool> seen(records.size(), false);
    std::unordered_set<std::string> added; // ids only the new database has, so a repeat counts once
    std::vector<TFieldChange> fields;
    auto onRecord = [&](std::string_view line, std::span<const std::string_view> lines) {
        const std::string_view id = RecordId(line);
        if (id.empty())
            return; // no record the program can find
        const TDatabaseRecords::TRecord* match = old.Find(id);
        if (!match) {
            if (!added.emplace(id).second)
                return;
            ++counts.RecordsAdded;
            species.After += lines.size();
            species.Added += lines.size();
            result.Changes.push_back(RecordChange(TDataChangeKind::RecordAdded, level, line));
            return;
        }
        const size_t k = static_cast<size_t>(match - records.data());
        if (seen[k])
            return; // a later record with the same id: the program never reads it
        seen[k] = true;
        species.After += lines.size();
        const std::span<const std::string_view> oldLines = old.Species(*match);
        if (match->Line == line && SameLines(oldLines, lines))
            return;
        fields.clear();
        CompareRecordFields(level, match->Line, line, oldLines, lines, fields);
        if (fields.empty())
            return;
        ++counts.RecordsChanged;
        for (TFieldChange& field : fields) {
            species.Added += field.Kind == TFieldChangeKind::Added;
            species.Removed += field.Kind == TFieldChangeKind::Removed;
            species.RecordsChanged +=
                field.Kind == TFieldChangeKind::Changed && field.Field.starts_with("Species ");
            TDataChange change = RecordChange(TDataChangeKind::RecordChanged, level, line);
            change.Field = std::move(field.Field);
            change.Before = std::move(field.Before);
            change.After = std::move(field.After);
            change.FieldKind = field.Kind;
            result.Changes.push_back(std::move(change));
        }
    };
    if (FileExists(afterPath))
        ForEachRecord(afterPath, level, onRecord);
    for (size_t k = 0; k < records.size(); ++k) {
        if (old.Find(RecordId(records[k].Line)) != &records[k])
            continue; // no id, or not the first record of its id
        species.Before += records[k].SpeciesCount;
        if (seen[k])
            continue;
        ++counts.RecordsRemoved;
        species.Removed += records[k].SpeciesCount;
        result.Changes.push_back(RecordChange(TDataChangeKind::RecordRemoved, level, records[k].Line));
    }
}

// A folder with a tree file; throws when it is not.
std::string DataFolderPath(const std::string& folder) {
    if (!DirectoryExists(folder))
        throw EFOpenError("Cannot compare " + folder + ": there is no such folder");
    std::string path = WithSlash(folder);
    if (!FileExists(path + TreeFileName))
        throw EFOpenError("Cannot compare " + folder + ": it is not a data folder (it has no " +
                          TreeFileName + ")");
    return path;
}

// The rows of a merge note (see NoteMergedRecords); a line that is not one is skipped.
void AddMergeNote(const std::string& path, TDataComparison& result) {
    if (!FileExists(path))
        return;
    ForEachLine(ReadFileBytes(path), [&](std::string_view line) {
        std::array<std::string_view, 4> f{};
        if (SplitFieldViews(line, f, 3, "\t") != 4 || f[0].size() != 1 || f[1].size() != 1)
            return;
        const int level = f[0][0] - '0';
        const int outcome = f[1][0] - '0';
        if (level < 0 || level >= LevelCount || outcome < 0 || outcome > 2)
            return;
        constexpr TDataChangeKind kinds[] = {TDataChangeKind::UserRecordAdded,
                                             TDataChangeKind::UserRecordReplaced,
                                             TDataChangeKind::UserRecordSkipped};
        TDataChange change;
        change.Kind = kinds[outcome];
        change.Level = level;
        change.Id = f[2];
        change.Name = f[3];
        result.Changes.push_back(std::move(change));
    });
}

} // namespace

TDataComparison CompareDataFolders(const std::string& before, const std::string& after,
                                   TMissingDatabase missing) {
    const std::string a = DataFolderPath(before);
    const std::string b = DataFolderPath(after);
    // Every database that either folder has must be in both; checked before anything is read.
    for (int level = 0; level < LevelCount; ++level) {
        const char* name = LevelFiles[static_cast<size_t>(level) + 1];
        const bool inA = FileExists(a + name), inB = FileExists(b + name);
        if (inA != inB && missing == TMissingDatabase::Fail)
            throw EFOpenError("Cannot compare: " + (inA ? b : a) + name + " is missing (" + (inA ? a : b) +
                              name + " is there)");
    }
    TDataComparison result;
    {
        // Both trees are let go before the databases are read.
        TTaxonomyTree treeA, treeB;
        LoadTreeBytes(treeA, a + TreeFileName);
        LoadTreeBytes(treeB, b + TreeFileName);
        CompareTrees(treeA, treeB, result);
    }
    for (int level = 0; level < LevelCount; ++level) {
        const char* name = LevelFiles[static_cast<size_t>(level) + 1];
        if (FileExists(a + name) || FileExists(b + name))
            CompareDatabases(a + name, b + name, level, result);
    }
    AddMergeNote(a + MergeNoteName, result);
    return result;
}

const char* DataRankName(int level) {
    return level >= 0 && level < static_cast<int>(LevelNames.size()) ? LevelNames[static_cast<size_t>(level)]
                                                                     : "?";
}
