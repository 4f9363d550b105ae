#include "ResultListModel.h"

#include "QtText.h"
#include "TaxonomyTree.h"
#include "TaxonomyTreeModel.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

TResultListModel::TResultListModel(QObject* parent)
    : QAbstractListModel(parent), FGenusIcon(MakeTaxonomyIcons()[2]) {}

namespace {

constexpr uint32_t NoKey = UINT32_MAX;

// The caption's case-folded form; plain ASCII, most captions, is folded without the Unicode tables.
QString FoldedKey(const QString& caption) {
    const qsizetype size = caption.size();
    const QChar* in = caption.constData();
    for (qsizetype i = 0; i < size; ++i)
        if (in[i].unicode() >= 0x80)
            return caption.toCaseFolded();
    QString key(size, Qt::Uninitialized);
    QChar* out = key.data();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i].unicode();
        out[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return key;
}

char16_t FoldAscii(char c) {
    return static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c + 32 : static_cast<unsigned char>(c));
}

// The first units of a folded caption in two numbers that compare as the units do (a shorter
// caption is padded with zeros); captions whose numbers are equal are compared whole. A list of
// plain ASCII captions keys sixteen units of eight bits, any other list eight UTF-16 units.
struct TSortKey {
    uint64_t High = 0;
    uint64_t Low = 0;
    uint32_t Index = 0;  // the entry's place as it came
    uint32_t Folded = 0; // its folded caption among the kept ones; NoKey for a plain ASCII node caption
};

template <int Bits> void PutUnit(TSortKey& key, size_t i, char16_t unit) {
    constexpr size_t PerWord = 64 / Bits;
    (i < PerWord ? key.High : key.Low) |= static_cast<uint64_t>(unit) << (Bits * (PerWord - 1 - i % PerWord));
}

void PutUnits(TSortKey& key, const QString& folded) {
    for (qsizetype i = 0; i < 8 && i < folded.size(); ++i)
        PutUnit<16>(key, static_cast<size_t>(i), folded.at(i).unicode());
}

// A node's caption as its pieces, read in place.
using TPieces = TNodeTextPieces;

bool IsAscii(const TPieces& pieces) {
    for (std::string_view piece : pieces)
        for (char c : piece)
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
    return true;
}

// Keys the caption's first bytes as its first units; false (and the key unfinished) when one of them
// is not ASCII, so that the bytes are not the units. Bytes after them do not change these units:
// however the caption is decoded, an ASCII byte is one unit, and each folds alone.
template <int Bits> bool PutUnits(TSortKey& key, const TPieces& pieces) {
    constexpr size_t Units = 128 / Bits;
    size_t i = 0;
    for (std::string_view piece : pieces)
        for (size_t k = 0; k < piece.size() && i < Units; ++k) {
            if (static_cast<unsigned char>(piece[k]) >= 0x80)
                return false;
            PutUnit<Bits>(key, i++, FoldAscii(piece[k]));
        }
    return true;
}

// The key of a list of plain ASCII captions in one go: the caption's first sixteen bytes (zeros
// after a shorter one), A..Z folded eight bytes at a time; false when one of them is not ASCII.
bool PutNarrowUnits(TSortKey& key, const TPieces& pieces) {
    unsigned char bytes[16] = {};
    size_t size = 0;
    for (std::string_view piece : pieces) {
        const size_t n = std::min(piece.size(), sizeof bytes - size);
        if (n != 0) // an empty piece may have no bytes at all
            std::memcpy(bytes + size, piece.data(), n);
        size += n;
    }
    uint64_t words[2];
    std::memcpy(words, bytes, sizeof words);
    constexpr uint64_t High = 0x8080808080808080ull;
    constexpr uint64_t Ones = 0x0101010101010101ull;
    for (uint64_t& word : words) {
        if (word & High)
            return false;
        // A byte's top bit set when it is at least 'A', and when it is beyond 'Z'; no carry crosses
        // a byte, for every byte is below 0x80.
        const uint64_t atLeastA = word + Ones * (0x80 - 'A');
        const uint64_t beyondZ = word + Ones * (0x7F - 'Z');
        word |= (atLeastA & ~beyondZ & High) >> 2;
        if constexpr (std::endian::native == std::endian::little)
            word = __builtin_bswap64(word); // the first byte the most significant
    }
    key.High = words[0];
    key.Low = words[1];
    return true;
}

// Two plain ASCII captions compared as their folded forms are.
int CompareAscii(const TPieces& a, const TPieces& b) {
    size_t pa = 0, ia = 0, pb = 0, ib = 0;
    for (;;) {
        while (pa < a.size() && ia == a[pa].size()) {
            ++pa;
            ia = 0;
        }
        while (pb < b.size() && ib == b[pb].size()) {
            ++pb;
            ib = 0;
        }
        const bool endA = pa == a.size();
        const bool endB = pb == b.size();
        if (endA || endB)
            return endA == endB ? 0 : endA ? -1 : 1;
        const char16_t ca = FoldAscii(a[pa][ia++]);
        const char16_t cb = FoldAscii(b[pb][ib++]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

std::string Joined(const TPieces& pieces) {
    std::string text;
    for (std::string_view piece : pieces)
        text += piece;
    return text;
}

} // namespace

// Sorts the rows (numbers of nodes, or of copies with the copy bit) by folded caption, once: a node
// caption that begins with plain ASCII, nearly every one, is keyed in the tree's own bytes, and two
// with the same key are compared there when both are plain ASCII; only the others and the copies
// get a folded string. The keys are first dealt out by their first units, then each share sorted.
std::vector<uint32_t> TResultListModel::SortedRows(const std::vector<uint32_t>& sources) const {
    const int mode = FTree ? FTree->DisplayMode() : 0;
    const auto piecesOf = [&](uint32_t source) {
        const TTreeNode* node = FNodes[source];
        return NodeTextPieces(node->Level(), node->Name(), node->Info(), mode);
    };
    std::vector<TSortKey> keys(sources.size());
    // Eight bits a unit while every caption begins with plain ASCII, as nearly always; from the
    // first that does not, all over again with sixteen.
    bool narrow = true;
    for (size_t i = 0; narrow && i < sources.size(); ++i) {
        TSortKey& key = keys[i];
        key.Index = static_cast<uint32_t>(i);
        key.Folded = NoKey;
        narrow = !(sources[i] & CopyBit) && PutNarrowUnits(key, piecesOf(sources[i]));
    }
    std::vector<QString> folded;
    if (!narrow)
        for (size_t i = 0; i < sources.size(); ++i) {
            TSortKey& key = keys[i];
            key = TSortKey();
            key.Index = static_cast<uint32_t>(i);
            key.Folded = NoKey;
            const uint32_t source = sources[i];
            if (!(source & CopyBit)) {
                const TPieces pieces = piecesOf(source);
                if (PutUnits<16>(key, pieces))
                    continue;
                key = TSortKey();
                key.Index = static_cast<uint32_t>(i);
                folded.push_back(FoldedKey(ToQ(Joined(pieces))));
            } else {
                folded.push_back(FoldedKey(FCopies[source & ~CopyBit].Caption));
            }
            key.Folded = static_cast<uint32_t>(folded.size() - 1);
            PutUnits(key, folded.back());
        }
    const auto foldedOf = [&](const TSortKey& key) {
        return key.Folded != NoKey ? folded[key.Folded]
                                   : FoldedKey(ToQ(Joined(piecesOf(sources[key.Index]))));
    };
    const auto less = [&](const TSortKey& a, const TSortKey& b) {
        if (a.High != b.High)
            return a.High < b.High;
        if (a.Low != b.Low)
            return a.Low < b.Low;
        int c = 0;
        if (a.Folded == NoKey && b.Folded == NoKey) {
            const TPieces pa = piecesOf(sources[a.Index]);
            const TPieces pb = piecesOf(sources[b.Index]);
            c = IsAscii(pa) && IsAscii(pb) ? CompareAscii(pa, pb)
                                           : QString::compare(foldedOf(a), foldedOf(b));
        } else {
            c = QString::compare(foldedOf(a), foldedOf(b), Qt::CaseSensitive);
        }
        return c != 0 ? c < 0 : a.Index < b.Index;
    };
    // Dealt out by the first sixteen bits of the key, in order; each share sorted by the keys alone,
    // a comparison the sort can inline, and only runs of equal keys then by their whole captions.
    std::vector<uint32_t> starts(65537, 0);
    for (const TSortKey& key : keys)
        ++starts[(key.High >> 48) + 1];
    for (size_t b = 1; b < starts.size(); ++b)
        starts[b] += starts[b - 1];
    std::vector<TSortKey> dealt(keys.size());
    {
        std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
        for (const TSortKey& key : keys)
            dealt[next[key.High >> 48]++] = key;
    }
    const auto sameKey = [](const TSortKey& a, const TSortKey& b) {
        return a.High == b.High && a.Low == b.Low;
    };
    for (size_t b = 0; b + 1 < starts.size(); ++b) {
        const auto first = dealt.begin() + starts[b];
        const auto last = dealt.begin() + starts[b + 1];
        if (last - first < 2)
            continue;
        std::sort(first, last, [](const TSortKey& x, const TSortKey& y) {
            return x.High != y.High ? x.High < y.High : x.Low < y.Low;
        });
        for (auto run = first; run != last;) {
            auto end = run + 1;
            while (end != last && sameKey(*end, *run))
                ++end;
            if (end - run > 1)
                std::sort(run, end, less);
            run = end;
        }
    }
    std::vector<uint32_t> rows(dealt.size());
    for (size_t i = 0; i < dealt.size(); ++i)
        rows[i] = sources[dealt[i].Index];
    return rows;
}

void TResultListModel::Replace(const TTaxonomyTree* tree, std::vector<const TTreeNode*> nodes,
                               std::vector<TResultEntry> copies, const std::vector<uint32_t>& sources) {
    beginResetModel();
    FTree = tree;
    FGeneration = tree ? tree->Generation() : 0;
    FNodes = std::move(nodes);
    FCopies = std::move(copies);
    FRows = SortedRows(sources);
    endResetModel();
}

void TResultListModel::SetEntries(std::vector<TResultEntry> entries) {
    std::vector<uint32_t> sources(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        sources[i] = CopyBit | static_cast<uint32_t>(i);
    Replace(nullptr, {}, std::move(entries), sources);
}

void TResultListModel::SetEntries(const TTaxonomyTree& tree, const TGenusEntries& entries) {
    std::vector<const TTreeNode*> nodes;
    std::vector<TResultEntry> copies;
    std::vector<uint32_t> sources(entries.size());
    nodes.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const TGenusEntry& entry = entries[i];
        if (entry.Node) {
            sources[i] = static_cast<uint32_t>(nodes.size());
            nodes.push_back(entry.Node);
        } else {
            sources[i] = CopyBit | static_cast<uint32_t>(copies.size());
            copies.push_back({ToQ(entry.Name), false, {}});
        }
    }
    Replace(&tree, std::move(nodes), std::move(copies), sources);
}

void TResultListModel::SetNodes(const TTaxonomyTree& tree, std::vector<const TTreeNode*> nodes) {
    std::vector<uint32_t> sources(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i)
        sources[i] = static_cast<uint32_t>(i);
    Replace(&tree, std::move(nodes), {}, sources);
}

const TTreeNode* TResultListModel::NodeOf(uint32_t source) const {
    const TTreeNode* node = FNodes[source];
    return FTree->Generation() == FGeneration && !node->Deleted() ? node : nullptr;
}

void TResultListModel::FollowNode(const TTaxonomyData& before, const TTaxonomyData& after,
                                  const QString& caption) {
    bool changed = false;
    for (TResultEntry& entry : FCopies)
        if (entry.HasNode && entry.Data == before) {
            entry.Data = after;
            entry.Caption = caption;
            changed = true;
        }
    // Rows of nodes show what their node holds now: the renamed one's row is drawn again.
    if ((changed || !FNodes.empty()) && !FRows.empty())
        emit dataChanged(index(0), index(rowCount() - 1));
}

QString TResultListModel::Caption(uint32_t source) const {
    if (source & CopyBit)
        return FCopies[source & ~CopyBit].Caption;
    const TTreeNode* node = NodeOf(source);
    return node ? ToQ(FTree->Caption(node)) : QString();
}

TResultEntry TResultListModel::Entry(int row) const {
    const uint32_t source = FRows[static_cast<size_t>(row)];
    if (source & CopyBit)
        return FCopies[source & ~CopyBit];
    const TTreeNode* node = NodeOf(source);
    if (!node)
        return {};
    return {ToQ(FTree->Caption(node)), true, node->Data(), node};
}

bool TResultListModel::Listed(int row) const {
    const uint32_t source = FRows[static_cast<size_t>(row)];
    return (source & CopyBit) || NodeOf(source);
}

QModelIndex TResultListModel::index(int row, int column, const QModelIndex& parent) const {
    // The view asks for every row's index while it lays out; a list has no need of the general
    // check through rowCount and columnCount.
    return row >= 0 && row < static_cast<int>(FRows.size()) && column == 0 && !parent.isValid()
               ? createIndex(row, 0)
               : QModelIndex();
}

int TResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Caption(FRows[static_cast<size_t>(index.row())]);
    case Qt::DecorationRole:
        return FGenusIcon;
    case Qt::UserRole: {
        const TResultEntry entry = Entry(index.row());
        if (!entry.HasNode)
            return {};
        return QStringList{ToQ(entry.Data.Marker()), ToQ(entry.Data.Id()), ToQ(entry.Data.Name()),
                           ToQ(entry.Data.Info())};
    }
    default:
        return {};
    }
}
