#pragma once
// The genus database ("genus.dat") as the search and the genus lists see it: where each record
// line is, which of them is the first with its id, and the names. It is worked out while the file
// is read and kept while the file stays the same (FileStamp.h), so that a search reads the file
// only to look for its words and a list does not read it at all. What is worked out from the tree
// is kept while the tree stays the same (TTaxonomyTree::Stamp).

#include "FileStamp.h"
#include "TaxonomyTree.h"
#include "ViewIndex.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TGenusDatabase {
public:
    static constexpr uint32_t None = TViewIndex::None;

    // A line that is neither empty nor begins with TAB (a species line).
    struct TRecordLine {
        uint64_t Start = 0;   // where the line begins in the file
        uint64_t End = 0;     // where its line end begins
        uint32_t Id = None;   // its id's number when it is the first record line with that id
        uint32_t Name = None; // its name's (second field's) number; none without any '#'
    };
    // Whole lines of the file, and the record lines among them.
    struct TBlock {
        std::string_view Text;
        uint64_t Offset = 0; // where Text begins in the file
        std::span<const TRecordLine> Records;
        size_t IdCount = 0; // ids numbered so far
    };
    // Whoever reads the file's text along with the database.
    class IReader {
    public:
        virtual ~IReader() = default;
        // Before the first block; `known`: the database is kept whole, as it is after the read.
        virtual void Start(TGenusDatabase& /*db*/, bool /*known*/) {}
        // Every block of the file, in order.
        virtual void Block(const TBlock& block) = 0;
    };

    // The database of the file at `path`; nullptr when there is no such file. The file is read
    // when what is kept is not of the file as it is now, and whenever there is a `reader`.
    // Throws EFOpenError when the file cannot be read.
    static TGenusDatabase* Open(const std::string& path, IReader* reader);

    const std::vector<TRecordLine>& Lines() const { return FLines; }
    size_t IdCount() const { return FIds.Size(); }
    std::string_view Name(uint32_t number) const { return FNames.Key(number); }

    // The genera that AllGenus lists and that have an id with a record, in tree order, the
    // numbers of their ids and their names. The nodes are valid while the tree's stamp stays.
    struct TTreeRecords {
        std::vector<TTreeNode*> Nodes;
        std::vector<uint32_t> Ids;
        std::string Names;            // the names with A..Z folded, one after another
        std::vector<size_t> NameEnds; // where each name ends in Names
    };
    const TTreeRecords& TreeRecords(const TTaxonomyTree& tree);
    // By name number: whether a genus that AllGenus lists has that name.
    const std::vector<bool>& NamesInTree(const TTaxonomyTree& tree);

    // What is kept, in bytes (about).
    size_t MemoryBytes() const;

private:
    TGenusDatabase(std::string path, size_t fileSize);
    void AddLines(std::string_view block, uint64_t offset, bool first);

    std::string FPath;
    TFileStamp FStamp;
    uint64_t FWrites = 0;
    bool FTrusted = false;
    std::vector<TRecordLine> FLines;
    TViewIndex FIds;
    TViewIndex FNames;
    uint64_t FRecordsStamp = 0; // the tree's stamp FRecords is of; 0 for none
    TTreeRecords FRecords;
    // By listed genus with an id, in tree order, as the last TreeRecords found them: where its id's
    // text was and the number it had. While the tree's generation stays, text at one place is
    // never changed, so a genus whose id is still at that place has that number again.
    struct TLookUp {
        const char* Id;
        uint32_t Size;
        uint32_t Number;
    };
    std::vector<TLookUp> FLookUps;
    uint64_t FLookUpsGeneration = 0;
    uint64_t FNamesStamp = 0;
    std::vector<bool> FNamesInTree;
    // A block's keys while they are added.
    struct TKey {
        std::string_view Id;
        uint64_t IdHash;
        std::string_view Name;
        bool HasName;
        uint64_t NameHash = 0;
    };
    std::vector<TKey> FKeys;
};

// Drops what is kept (tests, benchmarks, or to free memory).
void ClearGenusDatabase();
// Tests read the file in small blocks, so that lines fall on the blocks' edges. By default two
// blocks (the bytes and their folded copy) fit in a core's own cache.
inline constexpr size_t DefaultGenusBlockSize = 256 * 1024;
void SetGenusDatabaseBlockSize(size_t bytes);
