// The tree and the bytes of its file: building the nodes from a loaded file, and putting out
// the file's bytes again.
#include "Errors.h"
#include "TaxonomyTree.h"
#include "TextFiles.h"

#include <algorithm>
#include <array>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <string>
#include <vector>

namespace {
constexpr size_t LevelSlots = 6; // a marker of six or more characters makes no node
} // namespace

void TTaxonomyTree::LoadOutline(std::unique_ptr<char[]> bytes, size_t size) {
    if (!Empty())
        Clear();
    TBulkLoad bulk(*this);
    ReleaseAll();
    if (size > FMaxTextSize)
        throw ETooLarge("A tree file of " + std::to_string(size) + " bytes is larger than the " +
                        std::to_string(FMaxTextSize) + " that can be loaded.");
    const std::string_view text(bytes.get(), size);
    const char* const textEnd = text.data() + text.size();
    FTextPool.Adopt(std::move(bytes));
    FLoadedText = text;

    // Parents by level: the closest line above with a smaller level. The children of each of
    // them are collected until its branch ends (a line of its level or above), then copied after
    // a head into the pooled arrays.
    std::array<TTreeNode*, LevelSlots> slots{};
    std::array<std::vector<TTreeNode*>, LevelSlots> children;
    auto close = [&](size_t level) {
        std::vector<TTreeNode*>& list = children[level];
        if (!list.empty()) {
            TTreeNode** array = FPointerPool.Take(list.size() + 1) + 1;
            // NOLINTNEXTLINE(bugprone-sizeof-expression): an array of node pointers
            std::memcpy(array, list.data(), list.size() * sizeof(TTreeNode*));
            const auto count = static_cast<uint32_t>(list.size());
            TTreeNode::SetListHead(array, {count, count});
            slots[level]->FChildren = array;
            list.clear();
        }
        slots[level] = nullptr;
    };
    auto addLine = [&](const char* begin, const char* end, const std::array<const char*, 4>& hashes,
                       size_t count) {
        // A line without any '#' (including an empty one) is not a tree line.
        if (count == 0)
            return;
        const size_t level = static_cast<size_t>(hashes[0] - begin);
        if (level >= LevelSlots)
            return;
        // Every field ends at the next '#' or at the end of the line; a fifth field is dropped.
        std::array<std::string_view, 4> fields{std::string_view(begin, level)};
        for (size_t k = 1; k < 4 && k <= count; ++k) {
            const char* from = hashes[k - 1] + 1;
            fields[k] = std::string_view(from, static_cast<size_t>((k < count ? hashes[k] : end) - from));
        }
        // A line with no id, name or info is nothing the program could show or find: no node, so
        // a file of bare '#' lines costs no memory beyond its bytes.
        if (fields[1].empty() && fields[2].empty() && fields[3].empty())
            return;
        TTreeNode* node = NewNode();
        // The node reads its fields in the line itself when the line ends before the text does
        // and the lengths fit; otherwise they are kept aside.
        if (end != textEnd && fields[1].size() <= TTreeNode::MaxShortLength &&
            fields[2].size() <= TTreeNode::MaxShortLength) {
            node->FText = begin;
            node->FLevel = static_cast<uint32_t>(level) & 7u;
            node->FIdLength = static_cast<uint32_t>(fields[1].size()) & TTreeNode::MaxShortLength;
            node->FNameLength = static_cast<uint32_t>(fields[2].size()) & TTreeNode::MaxShortLength;
        } else {
            StoreFields(node, fields[0], fields[1], fields[2], fields[3]);
        }
        for (size_t k = level; k < LevelSlots; ++k)
            if (slots[k])
                close(k);
        size_t parentLevel = level;
        while (parentLevel > 0 && !slots[parentLevel - 1])
            --parentLevel;
        std::vector<TTreeNode*>& siblings = parentLevel > 0 ? children[parentLevel - 1] : FTop;
        node->FParent = parentLevel > 0 ? slots[parentLevel - 1] : nullptr;
        node->FRow = static_cast<uint32_t>(siblings.size());
        siblings.push_back(node);
        slots[level] = node;
        ++FNodeCount;
    };
    ScanHashedLines(WithoutByteOrderMark(text), addLine);
    for (size_t k = 0; k < LevelSlots; ++k)
        if (slots[k])
            close(k);
    Touch();
}

namespace {

struct TLineByteCounts {
    size_t Hashes = 0;
    size_t Crs = 0;
    size_t Lfs = 0;
};

TLineByteCounts CountLineBytes(std::string_view text) {
    TLineByteCounts counts;
    const char* const data = text.data();
    size_t i = 0;
#ifdef __SSE2__
    // Each byte of a counter counts its byte's matches for up to 255 blocks, then they are summed.
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    auto sum = [&](__m128i counters) {
        const __m128i sums = _mm_sad_epu8(counters, zero);
        return static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
               static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    };
    while (i + 16 <= text.size()) {
        __m128i hashes = zero, crs = zero, lfs = zero;
        for (int k = 0; k < 255 && i + 16 <= text.size(); ++k, i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            hashes = _mm_sub_epi8(hashes, _mm_cmpeq_epi8(block, hash));
            crs = _mm_sub_epi8(crs, _mm_cmpeq_epi8(block, cr));
            lfs = _mm_sub_epi8(lfs, _mm_cmpeq_epi8(block, lf));
        }
        counts.Hashes += sum(hashes);
        counts.Crs += sum(crs);
        counts.Lfs += sum(lfs);
    }
#endif
    for (; i < text.size(); ++i) {
        counts.Hashes += data[i] == '#';
        counts.Crs += data[i] == '\r';
        counts.Lfs += data[i] == '\n';
    }
    return counts;
}

// Nodes gathered into one piece at most: their text stays in the cache for the count.
constexpr size_t RunBytes = 256 * 1024;

} // namespace

void TTaxonomyTree::PutLines(const std::function<void(std::string_view)>& sink) const {
    // A first line that begins with the bytes of a byte-order mark would lose them to the next
    // load, which drops a mark at the start of the file: a mark goes before it.
    bool started = false;
    auto put = [&](std::string_view bytes) {
        if (!started && !bytes.empty()) {
            started = true;
            if (WithoutByteOrderMark(bytes).size() != bytes.size())
                sink(bytes.substr(0, bytes.size() - WithoutByteOrderMark(bytes).size()));
        }
        sink(bytes);
    };
    auto putNode = [&](const TTreeNode* n) {
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
    };
    const char* const loaded = FLoadedText.data();
    const size_t loadedSize = FLoadedText.size();
    // A loaded line whose first three '#' are where its lengths say, read in place.
    auto loadedWithFourFields = [&](const TTreeNode* n) {
        if (n->FAside || n->FText < loaded || static_cast<size_t>(n->FText - loaded) >= loadedSize)
            return false;
        const char* afterId = n->FText + n->FLevel + 1 + n->FIdLength;
        return n->FText[n->FLevel] == '#' && *afterId == '#' && afterId[1 + n->FNameLength] == '#';
    };
    // The nodes of a run start lines one after another in the loaded text, each after a CR LF.
    // The bytes from the first to the last are then the lines of all but the last exactly when
    // they hold one CR, one LF and three '#' for each: every CR LF is then one before a node of
    // the run, and each line's three '#' are those checked in place, so its info runs to its CR.
    std::vector<const TTreeNode*> run;
    auto putRunButLast = [&] {
        if (run.size() < 2)
            return;
        const std::string_view bytes(run.front()->FText,
                                     static_cast<size_t>(run.back()->FText - run.front()->FText));
        const TLineByteCounts counts = CountLineBytes(bytes);
        const size_t lines = run.size() - 1;
        if (counts.Hashes == 3 * lines && counts.Crs == lines && counts.Lfs == lines)
            put(bytes);
        else
            std::for_each(run.begin(), run.end() - 1, putNode);
    };
    ForEachNode([&](const TTreeNode* n) {
        if (!run.empty()) {
            const TTreeNode* last = run.back();
            const bool follows = loadedWithFourFields(n) && n->FText - last->FText >= 2 &&
                                 n->FText[-2] == '\r' && n->FText[-1] == '\n';
            if (follows && static_cast<size_t>(n->FText - run.front()->FText) < RunBytes) {
                run.push_back(n);
                return;
            }
            putRunButLast();
            if (follows) { // the run is long enough: the next goes on from its last node
                run.assign(1, last);
                run.push_back(n);
                return;
            }
            putNode(last);
            run.clear();
        }
        if (loadedWithFourFields(n))
            run.push_back(n);
        else
            putNode(n);
    });
    putRunButLast();
    if (!run.empty())
        putNode(run.back());
}
