#pragma once
// Many folded names, sorted and stored front-coded (each name as the length it shares with the one
// before and the rest), so that a million and a half names take little more than their distinct
// bytes. The sorted order is a trie laid flat: names near a wanted one are found by walking it with
// one row of the edit-distance table per character, reusing the rows of the prefix a name shares
// with the one before and skipping, through the shared lengths, every name below a prefix that is
// already too far off. A look-up never reads every name.

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TNameIndex {
public:
    // Folded names longer than this are cut to it.
    static constexpr size_t MaxLength = 250;
    // Wanted names longer than this get no near names.
    static constexpr size_t MaxNearLength = 64;

    // Entries 0..count-1, whose folded names `fold(entry, out)` writes into `out`. Names are asked
    // for twice each (to sort, to store), and from two threads at once.
    void Build(uint32_t count, const std::function<void(uint32_t, std::string&)>& fold);

    // The entries whose folded name is `folded`, in entry order.
    std::vector<uint32_t> Equal(std::string_view folded) const;
    // Calls found(entry, distance, place) once for each distinct folded name within `limit` edits of
    // `folded` (NameDistance), with the first entry of that name; `place` is the name's place in the
    // sorted order.
    // With `most`, only the `most` best (fewest edits, then in sorted order) are called, best
    // first; the walk then leaves early what could only be worse.
    void Near(std::string_view folded, int limit,
              const std::function<void(uint32_t entry, int distance, uint32_t place)>& found,
              size_t most = 0) const;

    size_t Count() const { return FEntries.Size(); }
    size_t MemoryBytes() const;

private:
    static constexpr uint32_t RestartEvery = 16; // places whose whole name is stored
    static constexpr uint32_t BlockPlaces = 64;  // places under one minimum of shared lengths
    static constexpr uint32_t SuperPlaces = 4096;

    // Reads the names one place after another from a place on.
    class TCursor {
    public:
        explicit TCursor(const TNameIndex& index) : FIndex(index) {}
        void Seek(uint32_t place);
        void Next();
        // To any place, given the characters its name shares with the name before it.
        void Load(uint32_t place, std::string_view shared);
        uint32_t Place() const { return FPlace; }
        const std::string& Name() const { return FName; }

    private:
        void Read();
        const TNameIndex& FIndex;
        uint32_t FPlace = 0;
        size_t FAt = 0; // where the next place's bytes begin
        std::string FName;
    };

    // The first place after `place` whose shared length is below `depth`; Count() when none.
    uint32_t NextBelow(uint32_t place, size_t depth) const;

    // Per place: the rest's length (a byte), then the rest; in blocks filled one after another (no
    // copy while they grow), a group of RestartEvery places never across two. Places are found
    // by their offset: the block's number times its size, plus where in the block.
    static constexpr uint32_t TextBlockBits = 20;
    const char* TextAt(uint32_t at) const {
        return FText[at >> TextBlockBits].get() + (at & ((1u << TextBlockBits) - 1));
    }
    std::vector<std::unique_ptr<char[]>> FText;
    uint32_t FTextUsed = 0;          // bytes used in the last block
    std::vector<uint32_t> FRestarts; // where every RestartEvery-th place's bytes begin
    // The entry at each place, in memory from malloc (the sort's, shrunk: see Build).
    struct TFree {
        void operator()(void* p) const { std::free(p); }
    };
    struct TEntries {
        std::unique_ptr<uint32_t[], TFree> Data;
        size_t Count = 0;
        size_t Size() const { return Count; }
        bool Empty() const { return Count == 0; }
        uint32_t operator[](size_t i) const { return Data[i]; }
    } FEntries;
    std::vector<uint8_t> FShared;   // length shared with the place before
    std::vector<uint8_t> FBranch;   // the first character not shared (0: none)
    std::vector<uint8_t> FBlockMin; // the least shared length of each block of places
    std::vector<uint8_t> FSuperMin;
};
