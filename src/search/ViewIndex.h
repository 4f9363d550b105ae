#pragma once
// A compact hash index from string views to their insertion number, for
// looking up a million tree ids or names among the records of a large
// database: a bit filter small enough for the cache turns most absent keys
// away, a probe array of eight bytes a slot holds each key's number and 32
// bits of its hash, and keys are compared only when those agree. The index
// keeps its own copy of every key; it may be kept for long, so it is small.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

// Copies of short strings in large blocks whose addresses never move, so that
// views of them stay valid while more are added.
class TStringArena {
public:
    std::string_view Store(std::string_view s) {
        if (s.size() > FLeft) {
            const size_t size = s.size() > BlockSize ? s.size() : BlockSize;
            FBlocks.push_back(std::make_unique<char[]>(size));
            FNext = FBlocks.back().get();
            FLeft = size;
        }
        char* at = FNext;
        s.copy(at, s.size());
        FNext += s.size();
        FLeft -= s.size();
        return {at, s.size()};
    }
    size_t Bytes() const { return FBlocks.size() * BlockSize; }

private:
    static constexpr size_t BlockSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> FBlocks;
    char* FNext = nullptr;
    size_t FLeft = 0;
};

class TViewIndex {
public:
    static constexpr uint32_t None = UINT32_MAX;

    explicit TViewIndex(size_t expected = 0) {
        Rehash(Capacity(expected));
        FKeys.reserve(expected);
    }

    // Eight bytes at a time, each pair mixed by a 128-bit product folded in two; ids and names
    // are short, so this is mostly one or two products.
    static uint64_t Hash(std::string_view key) {
        constexpr uint64_t K0 = 0xa0761d6478bd642full, K1 = 0xe7037ed1a0b428dbull, K2 = 0x8ebc6af09c88c6e3ull;
        auto mix = [](uint64_t a, uint64_t b) {
            const unsigned __int128 r = static_cast<unsigned __int128>(a) * b;
            return static_cast<uint64_t>(r) ^ static_cast<uint64_t>(r >> 64);
        };
        auto load = [](const char* p, size_t n) {
            uint64_t v = 0;
            std::memcpy(&v, p, n);
            return v;
        };
        const char* p = key.data();
        size_t n = key.size();
        uint64_t seed = K0 ^ n, a, b;
        for (; n > 16; p += 16, n -= 16)
            seed = mix(load(p, 8) ^ K1, load(p + 8, 8) ^ seed);
        if (n > 8) {
            a = load(p, 8);
            b = load(p + n - 8, 8);
        } else if (n >= 4) {
            a = load(p, 4);
            b = load(p + n - 4, 4);
        } else {
            a = n ? (uint64_t(uint8_t(p[0])) << 16 | uint64_t(uint8_t(p[n / 2])) << 8 | uint8_t(p[n - 1]))
                  : 0;
            b = 0;
        }
        return mix(K2 ^ key.size(), mix(a ^ K1, b ^ seed));
    }

    // The number of `key`: its old one when it was added before, else the
    // next number (the keys' count before the call).
    uint32_t Add(std::string_view key) { return Add(key, Hash(key)); }
    // The same for a key whose Hash is `h`.
    uint32_t Add(std::string_view key, uint64_t h) {
        if ((FKeys.size() + 1) * 4 > FSlots.size() * 3)
            Rehash(FSlots.size() * 2);
        for (size_t i = h & FMask;; i = (i + 1) & FMask) {
            TSlot& s = FSlots[i];
            if (s.Number == None) {
                const auto number = static_cast<uint32_t>(FKeys.size());
                FKeys.push_back(FKeyText.Store(key));
                Fill(s, h, number);
                SetFilter(h);
                return number;
            }
            if (Holds(s, h, key))
                return s.Number;
        }
    }

    // The number of `key`, or None.
    uint32_t Find(std::string_view key) const { return FindHashed(key, Hash(key)); }

    // Brings what an Add or Find of a key whose Hash is `h` reads into the
    // cache: asked for a few keys ahead, the waits for memory overlap. (Not
    // inlined, the compiler takes it for a call without effect and drops it.)
    __attribute__((always_inline)) void Prefetch(uint64_t h) const {
        __builtin_prefetch(&Filter[FilterWord(h)]);
        __builtin_prefetch(&FSlots[h & FMask]);
    }

    // numbers[i] = Find(keys[i]) for every key. The keys are taken a group at
    // a time, and each step of their look-ups (the filter, the slot, the key)
    // is taken for the whole group before the next, so that the memory is
    // waited for once per group rather than once per key.
    void FindMany(std::span<const std::string_view> keys, std::span<uint32_t> numbers) const {
        constexpr size_t Group = 32;
        uint64_t hash[Group];
        uint32_t slot[Group];
        for (size_t from = 0; from < keys.size(); from += Group) {
            const size_t n = std::min(Group, keys.size() - from);
            for (size_t k = 0; k < n; ++k) {
                hash[k] = Hash(keys[from + k]);
                __builtin_prefetch(&Filter[FilterWord(hash[k])]);
            }
            for (size_t k = 0; k < n; ++k) {
                slot[k] = InFilter(hash[k]) ? 0 : None;
                if (slot[k] != None)
                    __builtin_prefetch(&FSlots[hash[k] & FMask]);
            }
            // The first slot whose tag agrees: most often the key itself.
            for (size_t k = 0; k < n; ++k)
                if (slot[k] != None) {
                    slot[k] = None;
                    for (size_t i = hash[k] & FMask; FSlots[i].Number != None; i = (i + 1) & FMask)
                        if (FSlots[i].Tag == Tag(hash[k])) {
                            slot[k] = static_cast<uint32_t>(i);
                            __builtin_prefetch(&FKeys[FSlots[i].Number]);
                            break;
                        }
                }
            for (size_t k = 0; k < n; ++k)
                if (slot[k] != None)
                    __builtin_prefetch(FKeys[FSlots[slot[k]].Number].data());
            for (size_t k = 0; k < n; ++k) {
                const std::string_view key = keys[from + k];
                numbers[from + k] = slot[k] == None                        ? None
                                    : FKeys[FSlots[slot[k]].Number] == key ? FSlots[slot[k]].Number
                                                                           : FindHashed(key, hash[k]);
            }
        }
    }

    size_t Size() const { return FKeys.size(); }
    std::string_view Key(uint32_t number) const { return FKeys[number]; }
    // What the index takes in memory (about).
    size_t MemoryBytes() const {
        return FSlots.capacity() * sizeof(TSlot) + FKeys.capacity() * sizeof(std::string_view) +
               Filter.capacity() * sizeof(uint64_t) + FKeyText.Bytes();
    }

private:
    uint32_t FindHashed(std::string_view key, uint64_t h) const {
        if (!InFilter(h))
            return None;
        for (size_t i = h & FMask;; i = (i + 1) & FMask) {
            const TSlot& s = FSlots[i];
            if (s.Number == None)
                return None;
            if (Holds(s, h, key))
                return s.Number;
        }
    }

    struct TSlot {
        uint32_t Number = None;
        uint32_t Tag = 0;
    };

    static uint32_t Tag(uint64_t h) { return static_cast<uint32_t>(h >> 32); }
    // Slots are filled to three quarters at most: the filter keeps the
    // longer probes of absent keys rare.
    static size_t Capacity(size_t expected) {
        size_t c = 16;
        while (c * 3 < expected * 4)
            c *= 2;
        return c;
    }

    static void Fill(TSlot& s, uint64_t h, uint32_t number) {
        s.Number = number;
        s.Tag = Tag(h);
    }
    bool Holds(const TSlot& s, uint64_t h, std::string_view key) const {
        return s.Tag == Tag(h) && FKeys[s.Number] == key;
    }

    // Two bits per key in one 64-bit word of a filter of eight bits per slot
    // (eleven to twenty-one per key): one memory access turns most absent
    // keys away. The bits come from hash bits the probe does not use.
    uint64_t FilterWord(uint64_t h) const { return (h >> 20) & FilterMask; }
    static uint64_t FilterBits(uint64_t h) {
        return (uint64_t(1) << ((h >> 52) & 63)) | (uint64_t(1) << (h >> 58));
    }
    void SetFilter(uint64_t h) { Filter[FilterWord(h)] |= FilterBits(h); }
    bool InFilter(uint64_t h) const { return (Filter[FilterWord(h)] & FilterBits(h)) == FilterBits(h); }

    void Rehash(size_t capacity) {
        FSlots.assign(capacity, TSlot());
        FMask = capacity - 1;
        Filter.assign(capacity * 8 / 64, 0);
        FilterMask = Filter.size() - 1;
        for (uint32_t n = 0; n < FKeys.size(); ++n) {
            const uint64_t h = Hash(FKeys[n]);
            size_t i = h & FMask;
            while (FSlots[i].Number != None)
                i = (i + 1) & FMask;
            Fill(FSlots[i], h, n);
            SetFilter(h);
        }
    }

    std::vector<TSlot> FSlots;
    std::vector<std::string_view> FKeys; // views of KeyText, by number
    TStringArena FKeyText;
    std::vector<uint64_t> Filter;
    size_t FMask = 0;
    size_t FilterMask = 0;
};
