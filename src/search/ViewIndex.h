#pragma once
// A compact hash index from string views to their insertion number, for
// looking up a million tree ids or names among the records of a large
// database: a bit filter small enough for the cache turns most absent keys
// away, a probe array holds 32 bits of each key's hash, and keys are compared
// only when those agree. The index keeps its own copy of every key.

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

// Copies of short strings in large blocks whose addresses never move, so that
// views of them stay valid while more are added.
class TStringArena {
public:
    std::string_view Store(std::string_view s) {
        if (s.size() > Left) {
            const size_t size = s.size() > BlockSize ? s.size() : BlockSize;
            Blocks.push_back(std::make_unique<char[]>(size));
            Next = Blocks.back().get();
            Left = size;
        }
        char* at = Next;
        s.copy(at, s.size());
        Next += s.size();
        Left -= s.size();
        return {at, s.size()};
    }

private:
    static constexpr size_t BlockSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> Blocks;
    char* Next = nullptr;
    size_t Left = 0;
};

class TViewIndex {
public:
    static constexpr uint32_t None = UINT32_MAX;

    explicit TViewIndex(size_t expected = 0) { Rehash(Capacity(expected)); }

    // The number of `key`: its old one when it was added before, else the
    // next number (the keys' count before the call).
    uint32_t Add(std::string_view key) {
        if ((Keys.size() + 1) * 2 > Slots.size())
            Rehash(Slots.size() * 2);
        const uint64_t h = Hash(key);
        for (size_t i = h & Mask;; i = (i + 1) & Mask) {
            TSlot& s = Slots[i];
            if (s.Number == None) {
                const auto number = static_cast<uint32_t>(Keys.size());
                Keys.push_back(KeyText.Store(key));
                Fill(s, h, Keys.back(), number);
                SetFilter(h);
                return number;
            }
            if (Holds(s, h, key))
                return s.Number;
        }
    }

    // The number of `key`, or None.
    uint32_t Find(std::string_view key) const { return FindHashed(key, Hash(key)); }

    size_t Size() const { return Keys.size(); }
    std::string_view Key(uint32_t number) const { return Keys[number]; }

private:
    uint32_t FindHashed(std::string_view key, uint64_t h) const {
        if (!InFilter(h))
            return None;
        for (size_t i = h & Mask;; i = (i + 1) & Mask) {
            const TSlot& s = Slots[i];
            if (s.Number == None)
                return None;
            if (Holds(s, h, key))
                return s.Number;
        }
    }

    // A slot holds the head of its key, so that a look-up of a key of up to
    // 20 bytes touches nothing but its slot.
    static constexpr size_t HeadSize = 20;
    struct alignas(32) TSlot {
        uint32_t Number = None;
        uint32_t Tag = 0;
        uint32_t Length = 0;
        char Head[HeadSize] = {};
    };

    static uint64_t Hash(std::string_view key) { return std::hash<std::string_view>()(key); }
    static uint32_t Tag(uint64_t h) { return static_cast<uint32_t>(h >> 32); }
    static size_t Capacity(size_t expected) {
        size_t c = 16;
        while (c < expected * 2)
            c *= 2;
        return c;
    }

    static void Fill(TSlot& s, uint64_t h, std::string_view key, uint32_t number) {
        s.Number = number;
        s.Tag = Tag(h);
        s.Length = static_cast<uint32_t>(key.size());
        key.copy(s.Head, HeadSize);
    }
    bool Holds(const TSlot& s, uint64_t h, std::string_view key) const {
        if (s.Tag != Tag(h) || s.Length != key.size())
            return false;
        const size_t head = key.size() < HeadSize ? key.size() : HeadSize;
        return std::memcmp(s.Head, key.data(), head) == 0 &&
               (key.size() <= HeadSize || Keys[s.Number].substr(HeadSize) == key.substr(HeadSize));
    }

    // Two bits per key in one 64-bit word of a filter of four bits per slot
    // (about eight per key): one memory access turns most absent keys away.
    // The bits come from hash bits the probe does not use.
    uint64_t FilterWord(uint64_t h) const { return (h >> 20) & FilterMask; }
    static uint64_t FilterBits(uint64_t h) {
        return (uint64_t(1) << ((h >> 52) & 63)) | (uint64_t(1) << (h >> 58));
    }
    void SetFilter(uint64_t h) { Filter[FilterWord(h)] |= FilterBits(h); }
    bool InFilter(uint64_t h) const { return (Filter[FilterWord(h)] & FilterBits(h)) == FilterBits(h); }

    void Rehash(size_t capacity) {
        Slots.assign(capacity, TSlot());
        Mask = capacity - 1;
        Filter.assign(capacity * 4 / 64, 0);
        FilterMask = Filter.size() - 1;
        for (uint32_t n = 0; n < Keys.size(); ++n) {
            const uint64_t h = Hash(Keys[n]);
            size_t i = h & Mask;
            while (Slots[i].Number != None)
                i = (i + 1) & Mask;
            Fill(Slots[i], h, Keys[n], n);
            SetFilter(h);
        }
    }

    std::vector<TSlot> Slots;
    std::vector<std::string_view> Keys; // views of KeyText, by number
    TStringArena KeyText;
    std::vector<uint64_t> Filter;
    size_t Mask = 0;
    size_t FilterMask = 0;
};
