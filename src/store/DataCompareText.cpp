#include "DataCompare.h"

#include "Constants.h"

#include <ostream>
#include <string>
#include <string_view>

std::string TsvEscaped(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '\\':
            text += "\\\\";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\n':
            text += "\\n";
            break;
        default:
            text += c;
        }
    }
    return text;
}

namespace {

// A value after `mark`, the lines after its first indented to match.
void WriteValue(std::ostream& out, const char* mark, std::string_view value) {
    out << "      " << mark << ' ';
    for (size_t end; (end = value.find('\n')) != std::string_view::npos; value.remove_prefix(end + 1))
        out << value.substr(0, end) << "\n        ";
    out << value << '\n';
}

std::string ParentOrTop(const std::string& parent) {
    return parent.empty() ? std::string("the top level") : parent;
}

struct TSection {
    TDataChangeKind Kind;
    const char* Title;
};
constexpr TSection Sections[] = {
    {TDataChangeKind::Added, "Branches added"},
    {TDataChangeKind::Removed, "Branches removed"},
    {TDataChangeKind::Renamed, "Branches renamed"},
    {TDataChangeKind::Moved, "Branches moved"},
    {TDataChangeKind::InfoChanged, "Info changed"},
    {TDataChangeKind::RecordAdded, "Records added"},
    {TDataChangeKind::RecordRemoved, "Records removed"},
    {TDataChangeKind::RecordChanged, "Records changed"},
    {TDataChangeKind::UserRecordAdded, "Your records added by the merge"},
    {TDataChangeKind::UserRecordReplaced, "Your records that replaced downloaded ones"},
    {TDataChangeKind::UserRecordSkipped, "Your records not merged (the downloaded ones kept)"},
};

std::string RightAligned(const std::string& text, size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

// One line of counts: "Genus          120 ->       124   5 added, 1 removed, ...".
void WriteCounts(std::ostream& out, int rank, const TRankCounts& c) {
    std::string name = DataRankName(rank);
    name.resize(10, ' ');
    out << "  " << name << RightAligned(std::to_string(c.Before), 9) << " -> "
        << RightAligned(std::to_string(c.After), 9);
    std::vector<std::string> parts;
    auto part = [&](size_t n, const char* what) {
        if (n)
            parts.push_back(std::to_string(n) + " " + what);
    };
    auto records = [&](size_t n, const char* what) {
        if (n)
            parts.push_back(std::to_string(n) + (n == 1 ? " record " : " records ") + what);
    };
    part(c.Added, "added");
    part(c.Removed, "removed");
    part(c.Renamed, "renamed");
    part(c.Moved, "moved");
    part(c.InfoChanged, "with other info");
    if (rank == SpeciesLevel) {
        part(c.RecordsChanged, "changed");
    } else {
        records(c.RecordsAdded, "added");
        records(c.RecordsRemoved, "removed");
        records(c.RecordsChanged, "changed");
    }
    for (size_t k = 0; k < parts.size(); ++k)
        out << (k == 0 ? "   " : ", ") << parts[k];
    out << '\n';
}

} // namespace

const char* DataChangeKindName(TDataChangeKind kind) {
    switch (kind) {
    case TDataChangeKind::Added:
        return "added";
    case TDataChangeKind::Removed:
        return "removed";
    case TDataChangeKind::Renamed:
        return "renamed";
    case TDataChangeKind::Moved:
        return "moved";
    case TDataChangeKind::InfoChanged:
        return "info-changed";
    case TDataChangeKind::RecordAdded:
        return "record-added";
    case TDataChangeKind::RecordRemoved:
        return "record-removed";
    case TDataChangeKind::RecordChanged:
        return "record-changed";
    case TDataChangeKind::UserRecordAdded:
        return "user-record-added";
    case TDataChangeKind::UserRecordReplaced:
        return "user-record-replaced";
    case TDataChangeKind::UserRecordSkipped:
        return "user-record-skipped";
    }
    return "?";
}

std::string DataChangeBranchText(const TDataChange& change) {
    return std::string(DataRankName(change.Level)) + " " + change.Id + " " + change.Name;
}

void WriteComparisonText(std::ostream& out, const TDataComparison& comparison) {
    out << "Counts per rank (before -> after):\n";
    for (int rank = 0; rank < CompareRanks; ++rank)
        WriteCounts(out, rank, comparison.Counts[static_cast<size_t>(rank)]);
    if (comparison.Changes.empty()) {
        out << "\nNo changes.\n";
        return;
    }
    for (const TSection& section : Sections) {
        size_t count = 0;
        const TDataChange* previous = nullptr;
        for (const TDataChange& c : comparison.Changes) {
            if (c.Kind != section.Kind)
                continue;
            // The rows of one changed record follow each other; the record counts once.
            const bool sameRecord = previous && previous->Level == c.Level && previous->Id == c.Id;
            count += !(section.Kind == TDataChangeKind::RecordChanged && sameRecord);
            previous = &c;
        }
        if (count == 0)
            continue;
        out << '\n' << section.Title << " (" << count << "):\n";
        previous = nullptr;
        for (const TDataChange& c : comparison.Changes) {
            if (c.Kind != section.Kind)
                continue;
            const std::string branch = DataChangeBranchText(c);
            switch (c.Kind) {
            case TDataChangeKind::Added:
                out << "  " << branch << ", in " << ParentOrTop(c.After) << '\n';
                break;
            case TDataChangeKind::Removed:
                out << "  " << branch << ", was in " << ParentOrTop(c.Before) << '\n';
                break;
            case TDataChangeKind::Renamed:
                out << "  " << DataRankName(c.Level) << ' ' << c.Id << ": " << c.Before << " -> " << c.After
                    << '\n';
                break;
            case TDataChangeKind::Moved:
                out << "  " << branch << ": from " << ParentOrTop(c.Before) << " to " << ParentOrTop(c.After)
                    << '\n';
                break;
            case TDataChangeKind::InfoChanged:
                out << "  " << branch << ": " << c.Before << " -> " << c.After << '\n';
                break;
            case TDataChangeKind::RecordAdded:
            case TDataChangeKind::RecordRemoved:
            case TDataChangeKind::UserRecordAdded:
            case TDataChangeKind::UserRecordReplaced:
            case TDataChangeKind::UserRecordSkipped:
                out << "  " << branch << '\n';
                break;
            case TDataChangeKind::RecordChanged:
                if (!previous || previous->Level != c.Level || previous->Id != c.Id)
                    out << "  " << branch << '\n';
                out << "    " << c.Field
                    << (c.FieldKind == TFieldChangeKind::Added     ? " (added)"
                        : c.FieldKind == TFieldChangeKind::Removed ? " (removed)"
                                                                   : "")
                    << '\n';
                if (c.FieldKind != TFieldChangeKind::Added)
                    WriteValue(out, "-", c.Before);
                if (c.FieldKind != TFieldChangeKind::Removed)
                    WriteValue(out, "+", c.After);
                break;
            }
            previous = &c;
        }
    }
}

void WriteComparisonTsv(std::ostream& out, const TDataComparison& comparison) {
    out << "kind\tlevel\tid\tname\tfield\tbefore\tafter\n";
    for (const TDataChange& c : comparison.Changes)
        out << DataChangeKindName(c.Kind) << '\t' << DataRankName(c.Level) << '\t' << TsvEscaped(c.Id) << '\t'
            << TsvEscaped(c.Name) << '\t' << TsvEscaped(c.Field) << '\t' << TsvEscaped(c.Before) << '\t'
            << TsvEscaped(c.After) << '\n';
}
