#pragma once
// A level database read whole and cut into its records, for passes over many records (exporting a
// branch, previewing a submission): each record line with its species lines, and the first record
// of each id, found as ReadDetail finds it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Ids mapped to numbers in one flat table (open addressing): a look-up touches one slot and the
// key it holds, where a node-based map chases several pointers through memory. The keys are views:
// their text must outlive the table.
class TIdTable {
public:
    // Stores `value` for a new key and returns true; a key already there keeps its number.
    bool Insert(std::string_view key, std::uint32_t value);
    // The number stored for `key`, or none.
    const std::uint32_t* Find(std::string_view key) const;
    size_t Size() const { return FSize; }

private:
    struct TSlot {
        std::string_view Key;
        std::uint32_t Hash = 0;
        std::uint32_t Value = 0;
        bool Used = false;
    };
    size_t SlotOf(std::string_view key, std::uint32_t hash) const;
    void Grow();

    std::vector<TSlot> FSlots;
    size_t FSize = 0;
};

class TDatabaseRecords {
public:
    struct TRecord {
        std::string_view Line;
        size_t FirstSpecies = 0;
        size_t SpeciesCount = 0;
    };

    TDatabaseRecords() = default;
    // Reads the database of `level` (0..5) at `path`; a missing file has no records, one that
    // cannot be read raises EFOpenError. Genus records own the species lines after them (up to
    // the first empty line or line without a leading TAB); other levels have one line per record.
    TDatabaseRecords(const std::string& path, int level);
    TDatabaseRecords(const TDatabaseRecords&) = delete;
    TDatabaseRecords& operator=(const TDatabaseRecords&) = delete;
    TDatabaseRecords(TDatabaseRecords&&) = default;
    TDatabaseRecords& operator=(TDatabaseRecords&&) = default;

    bool Exists() const { return FExists; }
    // In file order; empty lines are no records.
    const std::vector<TRecord>& Records() const { return FRecords; }
    // The first record with `id`; none for an empty id.
    const TRecord* Find(std::string_view id) const;
    std::span<const std::string_view> Species(const TRecord& record) const {
        return std::span<const std::string_view>(FSpecies).subspan(record.FirstSpecies, record.SpeciesCount);
    }

private:
    std::unique_ptr<std::string> FBytes; // on the heap: the views stay valid when this moves
    bool FExists = false;
    std::vector<TRecord> FRecords;
    std::vector<std::string_view> FSpecies;
    TIdTable FById;
};

// The first field of a record line (its id).
std::string_view RecordId(std::string_view line);
