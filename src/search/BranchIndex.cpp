#include "BranchIndex.h"

#include "Errors.h"

#include <cstring>
#include <limits>

namespace {
constexpr char FieldEnd = '\1';
constexpr char RecordEnd = '\0';

// Folds `text` onto the end of `out`.
void AppendFolded(std::string& out, std::string_view text) {
    const size_t from = out.size();
    out.append(text);
    char* p = out.data() + from;
    char* const end = out.data() + out.size();
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 'A' && c <= 'Z')
            *p = static_cast<char>(c + 32);
        // U+00C0..U+00DE (without U+00D7, the multiplication sign) are C3 80..C3 9E in UTF-8; their
        // lower-case letters are 0x20 further on.
        else if (c == 0xC3 && p + 1 < end) {
            const auto next = static_cast<unsigned char>(p[1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                p[1] = static_cast<char>(next + 0x20);
            ++p;
        } else if (c == static_cast<unsigned char>(FieldEnd) || c == static_cast<unsigned char>(RecordEnd))
            *p = ' '; // a field never holds the marks the buffer is cut at
    }
}

bool StartsWith(const char* at, const char* end, std::string_view text) {
    return static_cast<size_t>(end - at) >= text.size() && std::memcmp(at, text.data(), text.size()) == 0;
}
} // namespace

std::string FoldCase(std::string_view text) {
    std::string out;
    AppendFolded(out, text);
    return out;
}

std::string BranchPath(const TTreeNode* node, std::string_view separator) {
    std::vector<const TTreeNode*> chain;
    for (; node; node = node->Parent())
        chain.push_back(node);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            path += separator;
        path += (*it)->Name();
    }
    return path;
}

TBranchIndex::TBranchIndex(TTaxonomyTree& tree) : FTree(&tree) {
    tree.AddObserver(this);
}

TBranchIndex::~TBranchIndex() {
    if (FTree)
        FTree->RemoveObserver(this);
}

void TBranchIndex::MarkStale() {
    if (FStale)
        return;
    FStale = true;
    // Node pointers die with the change; nothing of the old index stays reachable.
    FNodes.clear();
    if (OnStale)
        OnStale();
}

void TBranchIndex::Build() {
    if (!FStale)
        return;
    FText.clear();
    FNodes.clear();
    FStart.clear();
    FInfo.clear();
    if (FTree) {
        size_t bytes = 0;
        FTree->ForEachNode(
            [&](const TTreeNode* n) { bytes += n->Name().size() + n->Id().size() + n->Info().size() + 3; });
        if (bytes >= std::numeric_limits<std::uint32_t>::max())
            throw EOrvError("The taxonomy tree is too large to search for branches");
        FText.reserve(bytes);
        FNodes.reserve(FTree->Count());
        FStart.reserve(FTree->Count() + 1);
        FInfo.reserve(FTree->Count());
        FTree->ForEachNode([&](TTreeNode* n) {
            FNodes.push_back(n);
            FStart.push_back(static_cast<std::uint32_t>(FText.size()));
            AppendFolded(FText, n->Name());
            FText += FieldEnd;
            AppendFolded(FText, n->Id());
            FText += FieldEnd;
            FInfo.push_back(static_cast<std::uint32_t>(FText.size()));
            AppendFolded(FText, n->Info());
            FText += RecordEnd;
        });
    }
    FStart.push_back(static_cast<std::uint32_t>(FText.size()));
    FStale = false;
}

TBranchMatches TBranchIndex::Query(std::string_view text, size_t limit) {
    Build();
    // Control characters cannot be typed into a branch; spaces around the text are not meant.
    std::string wanted;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20)
            wanted += c;
    const size_t first = wanted.find_first_not_of(' ');
    const size_t last = wanted.find_last_not_of(' ');
    TBranchMatches result;
    if (first == std::string::npos)
        return result;
    const std::string needle = FoldCase(std::string_view(wanted).substr(first, last - first + 1));

    for (auto& rank : FRanks)
        rank.clear();
    const char* const base = FText.data();
    const char* const end = base + FText.size();
    const char* at = base;
    size_t node = 0;
    while (at < end) {
        const void* found = memmem(at, static_cast<size_t>(end - at), needle.data(), needle.size());
        if (!found)
            break;
        const auto hit = static_cast<size_t>(static_cast<const char*>(found) - base);
        while (FStart[node + 1] <= hit)
            ++node;
        int rank = 2;
        if (hit < FInfo[node]) {
            const char* name = base + FStart[node];
            const char* id =
                static_cast<const char*>(std::memchr(name, FieldEnd, FInfo[node] - FStart[node])) + 1;
            rank = StartsWith(name, end, needle) || StartsWith(id, end, needle) ? 0 : 1;
        }
        FRanks[rank].push_back(static_cast<std::uint32_t>(node));
        at = base + FStart[++node]; // one entry per node
    }
    for (const auto& rank : FRanks) {
        result.Total += rank.size();
        for (size_t i = 0; i < rank.size() && result.Nodes.size() < limit; ++i)
            result.Nodes.emplace_back(*FTree, FNodes[rank[i]]);
    }
    return result;
}
