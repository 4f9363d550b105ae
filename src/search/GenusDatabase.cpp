#include "GenusDatabase.h"

#include "Errors.h"
#include "FileLines.h"
#include "FoldedText.h"
#include "GenusLists.h"
#include "Platform.h"

namespace {
size_t BlockSize = DefaultGenusBlockSize;
std::unique_ptr<TGenusDatabase> Kept;
constexpr size_t LookUpGroup = 4096;
} // namespace

TGenusDatabase::TGenusDatabase(std::string path, size_t fileSize)
    : FPath(std::move(path)), FIds(fileSize / 512), FNames(fileSize / 512) {
    FLines.reserve(fileSize / 512);
}

TGenusDatabase* TGenusDatabase::Open(const std::string& path, IReader* reader) {
    if (!FileExists(path))
        return nullptr;
    TFileLines file(path, BlockSize);
    struct stat st;
    if (!StatForCache(file.Descriptor(), st))
        throw EFOpenError::CannotOpen(path);
    const TFileStamp stamp = StampOf(st);
    const bool known = Kept && Kept->FTrusted && Kept->FPath == path && Kept->FStamp == stamp &&
                       Kept->FWrites == OwnFileWrites();
    if (known && !reader)
        return Kept.get();
    const long long readAt = CacheClockNs();
    if (!known) {
        Kept.reset(); // before the new one is built: never both in memory
        Kept.reset(new TGenusDatabase(path, file.Size()));
    }
    TGenusDatabase& db = *Kept;
    try {
        if (reader)
            reader->Start(db, known);
        std::string_view block;
        size_t next = 0; // the first record line not yet handed out
        for (bool first = true; file.NextBlock(block); first = false) {
            const uint64_t offset = file.BlockOffset();
            if (!known)
                db.AddLines(block, offset, first);
            size_t end = next;
            while (end < db.FLines.size() && db.FLines[end].Start < offset + block.size())
                ++end;
            // A file rewritten in place while it is read, within one tick of its times, may not
            // fit what is kept: the lines that do not fit the block are left out, and the reading
            // is not used again.
            size_t fit = next;
            while (fit < end && db.FLines[fit].End <= offset + block.size())
                ++fit;
            if (fit < end)
                db.FTrusted = false;
            if (reader)
                reader->Block(
                    TBlock{block, offset, std::span(db.FLines).subspan(next, fit - next), db.FIds.Size()});
            next = end;
        }
    } catch (...) {
        Kept.reset();
        throw;
    }
    if (!known) {
        db.FStamp = stamp;
        db.FWrites = OwnFileWrites();
        db.FTrusted = StampSettled(stamp, readAt);
        if (db.FLines.capacity() > db.FLines.size() + db.FLines.size() / 4)
            db.FLines.shrink_to_fit();
    }
    return &db;
}

void TGenusDatabase::AddLines(std::string_view block, uint64_t offset, bool first) {
    // The keys of the block's record lines first, then into the indexes with their hashes taken
    // a few lines ahead, so that the indexes' memory is asked for before it is needed.
    FKeys.clear();
    const size_t from = FLines.size();
    ForEachBlockLine(block, first, [&](std::string_view line) {
        if (line.empty() || line.front() == '\t')
            return;
        TRecordLine r;
        r.Start = offset + static_cast<uint64_t>(line.data() - block.data());
        r.End = r.Start + line.size();
        FLines.push_back(r);
        const size_t hash = line.find('#');
        const std::string_view rest =
            hash == std::string_view::npos ? std::string_view() : line.substr(hash + 1);
        FKeys.push_back({line.substr(0, hash), FIds.Hash(line.substr(0, hash)),
                         rest.substr(0, rest.find('#')), hash != std::string_view::npos});
        if (FKeys.back().HasName)
            FKeys.back().NameHash = FNames.Hash(FKeys.back().Name);
    });
    constexpr size_t Ahead = 8;
    for (size_t k = 0; k < FKeys.size(); ++k) {
        if (k + Ahead < FKeys.size()) {
            FIds.Prefetch(FKeys[k + Ahead].IdHash);
            if (FKeys[k + Ahead].HasName)
                FNames.Prefetch(FKeys[k + Ahead].NameHash);
        }
        const TKey& key = FKeys[k];
        TRecordLine& r = FLines[from + k];
        // The first record line with an id counts, as in ReadDetail.
        const auto ids = static_cast<uint32_t>(FIds.Size());
        if (FIds.Add(key.Id, key.IdHash) == ids)
            r.Id = ids;
        if (key.HasName)
            r.Name = FNames.Add(key.Name, key.NameHash);
    }
}

const TGenusDatabase::TTreeRecords& TGenusDatabase::TreeRecords(const TTaxonomyTree& tree) {
    if (FRecordsStamp == tree.Stamp())
        return FRecords;
    // The lists keep their room: the tree's edits change few genera.
    FRecords.Nodes.clear();
    FRecords.Ids.clear();
    FRecords.Names.clear();
    FRecords.NameEnds.clear();
    std::vector<TLookUp> before;
    if (FLookUpsGeneration == tree.Generation())
        before.swap(FLookUps);
    FLookUps.clear();
    FLookUps.reserve(before.size());
    size_t next = 0; // the entry of `before` the next genus is likely to be
    // The genera whose id moved are looked up a few thousand at a time (TViewIndex::FindMany).
    std::vector<TTreeNode*> nodes;
    std::vector<std::string_view> ids;
    std::vector<uint32_t> numbers, found;
    std::vector<size_t> unknown;
    auto lookUp = [&] {
        found.resize(unknown.size());
        ids.clear();
        for (const size_t i : unknown)
            ids.push_back(nodes[i]->Id());
        FIds.FindMany(ids, found);
        for (size_t k = 0; k < unknown.size(); ++k)
            numbers[unknown[k]] = found[k];
        for (size_t i = 0; i < nodes.size(); ++i) {
            const std::string_view id = nodes[i]->Id();
            FLookUps.push_back({id.data(), static_cast<uint32_t>(id.size()), numbers[i]});
            if (numbers[i] == None)
                continue;
            FRecords.Nodes.push_back(nodes[i]);
            FRecords.Ids.push_back(numbers[i]);
            const std::string_view name = nodes[i]->Name();
            const size_t at = FRecords.Names.size();
            FRecords.Names.resize(at + name.size());
            FoldText(name.data(), FRecords.Names.data() + at, name.size());
            FRecords.NameEnds.push_back(FRecords.Names.size());
        }
        nodes.clear();
        numbers.clear();
        unknown.clear();
    };
    constexpr size_t LookAhead = 8; // entries passed over for genera deleted since
    tree.ForEachNode([&](TTreeNode* n) {
        // An empty id has no record (ReadDetail gives Level -2).
        if (!IsListedGenus(n) || n->Id().empty())
            return;
        const std::string_view id = n->Id();
        uint32_t number = None;
        bool known = false;
        for (size_t k = next; k < before.size() && k < next + LookAhead; ++k)
            if (before[k].Id == id.data() && before[k].Size == id.size()) {
                number = before[k].Number;
                known = true;
                next = k + 1;
                break;
            }
        if (!known)
            unknown.push_back(nodes.size());
        nodes.push_back(n);
        numbers.push_back(number);
        if (nodes.size() == LookUpGroup)
            lookUp();
    });
    lookUp();
    FLookUpsGeneration = tree.Generation();
    FRecordsStamp = tree.Stamp();
    return FRecords;
}

const std::vector<bool>& TGenusDatabase::NamesInTree(const TTaxonomyTree& tree) {
    if (FNamesStamp == tree.Stamp())
        return FNamesInTree;
    FNamesInTree.assign(FNames.Size(), false);
    std::vector<std::string_view> names;
    std::vector<uint32_t> numbers;
    auto lookUp = [&] {
        numbers.resize(names.size());
        FNames.FindMany(names, numbers);
        for (const uint32_t k : numbers)
            if (k != None)
                FNamesInTree[k] = true;
        names.clear();
    };
    tree.ForEachNode([&](const TTreeNode* n) {
        if (!IsListedGenus(n))
            return;
        names.push_back(n->Name());
        if (names.size() == LookUpGroup)
            lookUp();
    });
    lookUp();
    FNamesStamp = tree.Stamp();
    return FNamesInTree;
}

size_t TGenusDatabase::MemoryBytes() const {
    return FLines.capacity() * sizeof(TRecordLine) + FIds.MemoryBytes() + FNames.MemoryBytes() +
           FRecords.Nodes.capacity() * sizeof(TTreeNode*) + // NOLINT(bugprone-sizeof-expression)
           FRecords.Ids.capacity() * sizeof(uint32_t) + FRecords.Names.capacity() +
           FRecords.NameEnds.capacity() * sizeof(size_t) + FNamesInTree.capacity() / 8 +
           FLookUps.capacity() * sizeof(TLookUp);
}

void ClearGenusDatabase() {
    Kept.reset();
}

void SetGenusDatabaseBlockSize(size_t bytes) {
    BlockSize = bytes;
}
