#include "JournalText.h"

#include <array>
#include <charconv>

void PutEntry(std::string& out, std::string_view key, std::string_view value) {
    out.append(key).append(" ").append(std::to_string(value.size())).append("\n");
    out.append(value).append("\n");
}

void PutEntry(std::string& out, std::string_view key, uint64_t value) {
    PutEntry(out, key, std::to_string(value));
}

std::pair<std::string_view, std::string_view> TJournalReader::Next() {
    const size_t eol = FText.find('\n', FPos);
    const size_t space = FText.find(' ', FPos);
    if (eol == std::string_view::npos || space == std::string_view::npos || space > eol)
        Bad();
    const std::string_view key = FText.substr(FPos, space - FPos);
    const uint64_t size = Number(FText.substr(space + 1, eol - space - 1));
    if (size > FText.size() - eol - 1 || FText.size() - eol - 1 - size < 1 || FText[eol + 1 + size] != '\n')
        Bad();
    const std::string_view value = FText.substr(eol + 1, size);
    FPos = eol + 2 + size;
    return {key, value};
}

uint64_t TJournalReader::Number(std::string_view text) {
    uint64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        Bad();
    return n;
}

std::vector<size_t> TJournalReader::Numbers(std::string_view text) {
    std::vector<size_t> numbers;
    for (std::string_view rest = text; !rest.empty();) {
        const size_t space = rest.find(' ');
        numbers.push_back(Number(rest.substr(0, space)));
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
    return numbers;
}

std::string BranchNodeValue(size_t depth, const TTreeNode* node) {
    std::string value = std::to_string(depth) + ' ' + (node->Expanded() ? '1' : '0');
    const std::array<std::string_view, 4> fields{node->Marker(), node->Id(), node->Name(), node->Info()};
    for (std::string_view f : fields)
        value.append(" ").append(std::to_string(f.size()));
    value += '\n';
    for (std::string_view f : fields)
        value.append(f);
    return value;
}

TTaxonomyTree::TBranchLine ParseBranchNode(std::string_view value) {
    const size_t eol = value.find('\n');
    if (eol == std::string_view::npos)
        TJournalReader::Bad();
    const std::vector<size_t> numbers = TJournalReader::Numbers(value.substr(0, eol));
    if (numbers.size() != 6)
        TJournalReader::Bad();
    TTaxonomyTree::TBranchLine line;
    line.Depth = numbers[0];
    line.Expanded = numbers[1] != 0;
    std::string_view rest = value.substr(eol + 1);
    for (size_t k = 0; k < 4; ++k) {
        if (numbers[k + 2] > rest.size())
            TJournalReader::Bad();
        const std::string_view field = rest.substr(0, numbers[k + 2]);
        // What the tree file could not hold as one line of its own is no node of ours.
        if (field.find_first_of(k == 0 ? "#\r\n" : "\r\n") != std::string_view::npos)
            TJournalReader::Bad();
        line.Data.Fields[k] = std::string(field);
        rest.remove_prefix(numbers[k + 2]);
    }
    if (!rest.empty() || line.Data.Marker().size() > 5)
        TJournalReader::Bad();
    return line;
}

std::vector<size_t> RowsOf(const TTreeNode* node) {
    std::vector<size_t> rows;
    for (const TTreeNode* n = node; n; n = n->Parent())
        rows.insert(rows.begin(), static_cast<size_t>(n->Row()));
    return rows;
}

void PutBranch(std::string& out, const TTaxonomyTree& tree, const TTreeNode* top) {
    size_t baseDepth = 0;
    for (const TTreeNode* p = top->Parent(); p; p = p->Parent())
        ++baseDepth;
    const TTreeNode* stop = tree.NextSkippingChildren(top);
    for (const TTreeNode* n = top; n && n != stop; n = tree.Next(n)) {
        size_t depth = 0;
        for (const TTreeNode* p = n->Parent(); p; p = p->Parent())
            ++depth;
        PutEntry(out, "node", BranchNodeValue(depth - baseDepth, n));
    }
}

std::string JoinNumbers(const std::vector<size_t>& numbers) {
    std::string s;
    for (size_t n : numbers)
        s.append(s.empty() ? "" : " ").append(std::to_string(n));
    return s;
}

std::string KeyOf(const TTreeNode* node) {
    return std::string(node->Marker()).append("#").append(node->Id());
}
