#include "NameIndex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <malloc.h>
#include <new>
#include <thread>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// The first eight bytes of a name as one number that sorts as the bytes do.
uint64_t PrefixKey(std::string_view name) {
    uint64_t key = 0;
    for (size_t i = 0; i < 8; ++i)
        key = key << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return key;
}

size_t SharedLength(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// The first of bytes[from..to) below `depth`; `to` when none.
size_t FirstBelow(const uint8_t* bytes, size_t from, size_t to, size_t depth) {
#ifdef __SSE2__
    const __m128i limit = _mm_set1_epi8(static_cast<char>(depth - 1)); // below depth: at most depth - 1
    for (; from + 16 <= to; from += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + from));
        const auto below =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, limit), v)));
        if (below)
            return from + static_cast<size_t>(__builtin_ctz(below));
    }
#endif
    for (; from < to; ++from)
        if (bytes[from] < depth)
            return from;
    return to;
}

} // namespace

void TNameIndex::Build(uint32_t count, const std::function<void(uint32_t, std::string&)>& fold) {
    // Twelve bytes a name while sorting: the most the build holds at once.
#pragma pack(push, 4)
    struct TKey {
        uint64_t Prefix;
        uint32_t Entry;
    };
#pragma pack(pop)
    static_assert(sizeof(TKey) == 12);
    auto folded = [&](uint32_t entry, std::string& out) {
        fold(entry, out);
        if (out.size() > MaxLength)
            out.resize(MaxLength);
    };
    // Two threads, each on its half of [0, count) (the halves as `split` gives them).
    auto inTwo = [count](const auto& split, const auto& work) {
        const uint32_t middle = split();
        std::jthread other([&] { work(middle, count); });
        work(0u, middle);
    };
    FEntries = {};
    if (count > 0) {
        std::unique_ptr<TKey[], TFree> keys(static_cast<TKey*>(std::malloc(count * sizeof(TKey))));
        if (!keys)
            throw std::bad_alloc();
        TKey* const all = keys.get();
        inTwo([&] { return count / 2; },
              [&](uint32_t from, uint32_t to) {
                  std::string name;
                  for (uint32_t i = from; i < to; ++i) {
                      folded(i, name);
                      all[i] = {PrefixKey(name), i};
                  }
              });
        const auto byPrefix = [](const TKey& a, const TKey& b) {
            return a.Prefix != b.Prefix ? a.Prefix < b.Prefix : a.Entry < b.Entry;
        };
        inTwo(
            [&] {
                std::nth_element(all, all + count / 2, all + count, byPrefix);
                return count / 2;
            },
            [&](uint32_t from, uint32_t to) { std::sort(all + from, all + to, byPrefix); });
        // Names that begin alike (the species of one genus) are told apart by their whole text,
        // each folded once. The halves meet where a prefix changes.
        inTwo(
            [&] {
                uint32_t middle = count / 2;
                while (middle > 0 && middle < count && all[middle].Prefix == all[middle - 1].Prefix)
                    ++middle;
                return middle;
            },
            [&](uint32_t from, uint32_t to) {
                std::vector<std::pair<std::string, uint32_t>> alike;
                for (uint32_t first = from, last; first < to; first = last) {
                    for (last = first + 1; last < to && all[last].Prefix == all[first].Prefix;)
                        ++last;
                    if (last - first < 2)
                        continue;
                    alike.resize(last - first);
                    for (uint32_t i = first; i < last; ++i) {
                        alike[i - first].second = all[i].Entry;
                        folded(all[i].Entry, alike[i - first].first);
                    }
                    std::sort(alike.begin(), alike.end());
                    for (uint32_t i = first; i < last; ++i)
                        all[i].Entry = alike[i - first].second;
                }
            });
        // The entries in sorted order take the front of the keys' own memory (entry i's four bytes
        // lie before key i), which then shrinks to them: the sort's memory is all the build holds.
        auto* bytes = reinterpret_cast<char*>(keys.get());
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t entry = keys[i].Entry;
            std::memcpy(bytes + sizeof(uint32_t) * i, &entry, sizeof entry);
        }
        void* shrunk = std::realloc(keys.get(), count * sizeof(uint32_t));
        if (shrunk)
            (void)keys.release();
        FEntries.Data.reset(static_cast<uint32_t*>(shrunk ? shrunk : keys.release()));
        FEntries.Count = count;
    }
    // What the reading of the names let go goes back now, before the text is written (the
    // allocator keeps large freed blocks otherwise).
    malloc_trim(0);
    FShared.assign(count, 0);
    FBranch.assign(count, 0);
    // The text of each half is written on its own thread, in blocks of its own: the second half's
    // groups begin a block, so its places move by whole blocks when the halves are joined.
    struct TPart {
        std::vector<std::unique_ptr<char[]>> Text;
        uint32_t Used = 0; // in the last block
        std::vector<uint32_t> Restarts;
    };
    constexpr uint32_t blockSize = 1u << TextBlockBits;
    auto write = [&](uint32_t from, uint32_t to, TPart& part) {
        std::string name, previous;
        if (from > 0)
            folded(FEntries[from - 1], previous);
        for (uint32_t place = from; place < to; ++place) {
            folded(FEntries[place], name);
            const size_t shared = place == 0 ? 0 : SharedLength(previous, name);
            FShared[place] = static_cast<uint8_t>(shared);
            FBranch[place] = static_cast<uint8_t>(shared < name.size() ? name[shared] : 0);
            const size_t start = place % RestartEvery == 0 ? 0 : shared;
            if (place % RestartEvery == 0) {
                if (part.Text.empty() || part.Used + RestartEvery * (MaxLength + 1) > blockSize) {
                    part.Text.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
                    part.Used = 0;
                }
                part.Restarts.push_back(static_cast<uint32_t>((part.Text.size() - 1) << TextBlockBits) |
                                        part.Used);
            }
            char* at = part.Text.back().get() + part.Used;
            at[0] = static_cast<char>(name.size() - start);
            std::copy(name.begin() + static_cast<std::ptrdiff_t>(start), name.end(), at + 1);
            part.Used += static_cast<uint32_t>(1 + name.size() - start);
            previous.swap(name);
        }
    };
    TPart first, second;
    const uint32_t middle = count < 65536 ? count : count / 2 / RestartEvery * RestartEvery;
    {
        std::jthread other;
        if (middle < count)
            other = std::jthread([&] { write(middle, count, second); });
        write(0, middle, first);
    }
    const auto shift = static_cast<uint32_t>(first.Text.size() << TextBlockBits);
    FRestarts = std::move(first.Restarts);
    FRestarts.reserve(FRestarts.size() + second.Restarts.size());
    for (const uint32_t at : second.Restarts)
        FRestarts.push_back(at + shift);
    FText = std::move(first.Text);
    FTextUsed = first.Used;
    if (!second.Text.empty()) {
        std::move(second.Text.begin(), second.Text.end(), std::back_inserter(FText));
        FTextUsed = second.Used;
    }
    FBlockMin.assign((count + BlockPlaces - 1) / BlockPlaces, UINT8_MAX);
    FSuperMin.assign((count + SuperPlaces - 1) / SuperPlaces, UINT8_MAX);
    for (uint32_t place = 0; place < count; ++place) {
        uint8_t& block = FBlockMin[place / BlockPlaces];
        uint8_t& super = FSuperMin[place / SuperPlaces];
        block = std::min(block, FShared[place]);
        super = std::min(super, FShared[place]);
    }
}

size_t TNameIndex::MemoryBytes() const {
    const size_t text = FText.empty() ? 0 : ((FText.size() - 1) << TextBlockBits) + FTextUsed;
    return text + FRestarts.capacity() * sizeof(uint32_t) + FEntries.Size() * sizeof(uint32_t) +
           FShared.capacity() + FBranch.capacity() + FBlockMin.capacity() + FSuperMin.capacity();
}

void TNameIndex::TCursor::Seek(uint32_t place) {
    FPlace = place / RestartEvery * RestartEvery;
    FAt = FIndex.FRestarts[FPlace / RestartEvery];
    Read();
    while (FPlace < place)
        Next();
}

void TNameIndex::TCursor::Load(uint32_t place, std::string_view shared) {
    uint32_t at = place / RestartEvery * RestartEvery;
    FAt = FIndex.FRestarts[at / RestartEvery];
    for (; at < place; ++at)
        FAt += 1 + static_cast<unsigned char>(*FIndex.TextAt(static_cast<uint32_t>(FAt)));
    FPlace = place;
    FName.assign(shared);
    Read();
}

void TNameIndex::TCursor::Next() {
    if (++FPlace < FIndex.FEntries.Size())
        Read();
}

void TNameIndex::TCursor::Read() {
    if (FPlace % RestartEvery == 0) // a group may begin in the next block
        FAt = FIndex.FRestarts[FPlace / RestartEvery];
    const char* at = FIndex.TextAt(static_cast<uint32_t>(FAt));
    const auto rest = static_cast<unsigned char>(at[0]);
    if (FPlace % RestartEvery == 0)
        FName.clear();
    else
        FName.resize(FIndex.FShared[FPlace]);
    FName.append(at + 1, rest);
    FAt += 1 + rest;
}

std::vector<uint32_t> TNameIndex::Equal(std::string_view folded) const {
    std::vector<uint32_t> found;
    if (FEntries.Empty())
        return found;
    if (folded.size() > MaxLength)
        folded = folded.substr(0, MaxLength);
    // The last restart place whose name sorts before the wanted one, then on from there.
    size_t low = 0, high = FRestarts.size();
    while (high - low > 1) {
        const size_t mid = (low + high) / 2;
        const char* text = TextAt(FRestarts[mid]);
        const std::string_view name(text + 1, static_cast<unsigned char>(text[0]));
        if (name < folded)
            low = mid;
        else
            high = mid;
    }
    TCursor cursor(*this);
    for (cursor.Seek(static_cast<uint32_t>(low * RestartEvery)); cursor.Place() < FEntries.Size();
         cursor.Next()) {
        const int c = std::string_view(cursor.Name()).compare(folded);
        if (c > 0)
            break;
        if (c == 0)
            found.push_back(FEntries[cursor.Place()]);
    }
    std::sort(found.begin(), found.end());
    return found;
}

uint32_t TNameIndex::NextBelow(uint32_t place, size_t depth) const {
    // depth is at least 1: a shared length below it is there at place 0 at least.
    const auto count = static_cast<uint32_t>(FEntries.Size());
    const uint8_t* shared = FShared.data();
    uint32_t p = place + 1;
    const uint32_t blockEnd = std::min(count, (p + BlockPlaces - 1) / BlockPlaces * BlockPlaces);
    if (const size_t at = FirstBelow(shared, p, blockEnd, depth); at < blockEnd)
        return static_cast<uint32_t>(at);
    p = blockEnd;
    while (p < count) {
        if (p % SuperPlaces == 0 && FSuperMin[p / SuperPlaces] >= depth) {
            p += SuperPlaces;
            continue;
        }
        if (FBlockMin[p / BlockPlaces] >= depth) {
            p += BlockPlaces;
            continue;
        }
        return static_cast<uint32_t>(FirstBelow(shared, p, std::min(count, p + BlockPlaces), depth));
    }
    return count;
}

void TNameIndex::Near(std::string_view folded, int limit,
                      const std::function<void(uint32_t, int, uint32_t)>& found, size_t most) const {
    const size_t m = folded.size();
    if (FEntries.Empty() || m > MaxNearLength || limit <= 0)
        return;
    auto cap = static_cast<uint8_t>(limit + 1);
    struct TFound {
        uint32_t Place;
        int Distance;
    };
    std::vector<TFound> kept; // with `most`: the best so far, best first
    constexpr size_t MaxDepth = MaxNearLength + 8;
    // rows[d][j]: the distance (at most cap) from the first d characters of the current name to the
    // first j of the wanted one; prefix: those characters.
    uint8_t rows[MaxDepth + 1][MaxNearLength + 1];
    char prefix[MaxDepth + 1];
    for (size_t j = 0; j <= m; ++j)
        rows[0][j] = static_cast<uint8_t>(std::min<size_t>(j, cap));
    // Row `depth` for the character c there; false when every name below it is too far off.
    auto step = [&](size_t depth, char c) {
        if (depth > MaxDepth || depth > m + static_cast<size_t>(limit))
            return false;
        prefix[depth - 1] = c;
        const uint8_t* up = rows[depth - 1];
        uint8_t* row = rows[depth];
        // Only the cells within `limit` of the diagonal can stay within it; those just outside
        // the band are set to the cap for the rows that read them.
        const size_t lo = depth > static_cast<size_t>(limit) ? depth - static_cast<size_t>(limit) : 1;
        const size_t hi = std::min(m, depth + static_cast<size_t>(limit));
        row[lo - 1] = lo == 1 ? static_cast<uint8_t>(std::min<size_t>(depth, cap)) : cap;
        uint8_t best = row[lo - 1];
        for (size_t j = lo; j <= hi; ++j) {
            int v = std::min({up[j] + 1, row[j - 1] + 1, up[j - 1] + (c == folded[j - 1] ? 0 : 1)});
            if (depth > 1 && j > 1 && c == folded[j - 2] && prefix[depth - 2] == folded[j - 1])
                v = std::min(v, rows[depth - 2][j - 2] + 1);
            row[j] = static_cast<uint8_t>(std::min(v, static_cast<int>(cap)));
            best = std::min(best, row[j]);
        }
        if (hi < m)
            row[hi + 1] = cap;
        return best < cap;
    };
    const auto count = static_cast<uint32_t>(FEntries.Size());
    size_t valid = 0;          // rows 0..valid hold for the current name's prefix
    size_t previousLength = 0; // of the name at the place before, when it was read whole
    TCursor cursor(*this);
    uint32_t place = 0;
    bool read = false; // the cursor holds the name at `place`
    while (place < count) {
        size_t depth = place == 0 ? 0 : std::min<size_t>(FShared[place], valid);
        bool tooFar = false;
        if (!read) {
            // The character where the name leaves the one before decides, often, without the
            // name's text (which is where the walk's time would go).
            const char branch = FShared[place] <= valid ? static_cast<char>(FBranch[place]) : '\0';
            if (branch != 0) {
                ++depth;
                tooFar = !step(depth, branch);
            }
            if (!tooFar) {
                cursor.Load(place, std::string_view(prefix, depth - (branch != 0 ? 1 : 0)));
                read = true;
            }
        }
        const std::string& name = cursor.Name();
        while (!tooFar && depth < name.size()) {
            ++depth;
            tooFar = !step(depth, name[depth - 1]);
        }
        if (tooFar) {
            // Every name that shares this prefix is as far off.
            valid = depth - 1;
            previousLength = 0;
            place = NextBelow(place, depth);
            read = false;
            continue;
        }
        valid = name.size();
        const bool sameAsBefore = place > 0 && FShared[place] == name.size() && previousLength == name.size();
        const size_t gap = name.size() > m ? name.size() - m : m - name.size();
        if (gap <= static_cast<size_t>(limit) && rows[name.size()][m] < cap && !sameAsBefore) {
            const int distance = rows[name.size()][m];
            if (most == 0) {
                found(FEntries[place], distance, place);
            } else {
                // Names come in sorted order: a later one goes before those with more edits only.
                auto at = std::upper_bound(kept.begin(), kept.end(), distance,
                                           [](int d, const TFound& f) { return d < f.Distance; });
                kept.insert(at, {place, distance});
                if (kept.size() > most)
                    kept.pop_back();
                // Full: from now on only fewer edits than the worst kept are of use.
                if (kept.size() == most)
                    cap = static_cast<uint8_t>(kept.back().Distance);
            }
        }
        previousLength = name.size();
        cursor.Next();
        ++place;
    }
    for (const TFound& f : kept)
        found(FEntries[f.Place], f.Distance, f.Place);
}
