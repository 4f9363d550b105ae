#include "EditorDraft.h"

#include "FileDescriptor.h"
#include "Platform.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

const char* const DraftFileName = "editordraft.dat";
const std::string_view Magic = "orvandel editor draft 1";

// One value a line: backslash, CR and LF escaped, so a value never spans lines.
void PutValue(std::string& out, std::string_view value) {
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    out += '\n';
}

bool GetValue(std::string_view line, std::string& value) {
    value.clear();
    value.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            value += line[i];
            continue;
        }
        if (++i == line.size())
            return false;
        switch (line[i]) {
        case '\\':
            value += '\\';
            break;
        case 'n':
            value += '\n';
            break;
        case 'r':
            value += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

bool GetNumber(std::string_view text, size_t& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

// The record's fields in the order the file holds them.
std::vector<std::string*> Fields(TTaxonomyDetail& r) {
    TGenusDetail& g = r.Genus;
    return {&r.Id,         &r.Name,     &r.Meaning,   &r.Info,         &r.Description,     &g.KorvelType,
            &g.CommonName, &g.Keywords, &g.ImageFile, &g.ImgCopyright, &g.ImgCopyrightURL, &g.ImgOwner,
            &g.ImgOwnerURL};
}

} // namespace

std::string EditorDraftPath() {
    return AppFile(DraftFileName);
}

std::string EditorDraftText(const TEditorDraft& draft) {
    TEditorDraft copy = draft;
    std::string out;
    PutValue(out, Magic);
    PutValue(out, std::to_string(copy.Level));
    PutValue(out, copy.BranchId);
    PutValue(out, copy.BranchName);
    for (const std::string* field : Fields(copy.Record))
        PutValue(out, *field);
    const TStringList none;
    const TStringList& species = copy.Record.Genus.Species ? *copy.Record.Genus.Species : none;
    PutValue(out, std::to_string(species.size()));
    for (const std::string& line : species)
        PutValue(out, line);
    return out;
}

std::optional<TEditorDraft> ParseEditorDraft(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt; // cut short: only a whole draft is offered
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    TEditorDraft draft;
    std::vector<std::string*> fields = Fields(draft.Record);
    const size_t head = 4 + fields.size() + 1;
    std::string value;
    size_t level = 0;
    size_t count = 0;
    if (lines.size() < head || lines[0] != Magic || !GetNumber(lines[1], level) || level > 5 ||
        !GetNumber(lines[head - 1], count) || count != lines.size() - head)
        return std::nullopt;
    draft.Level = static_cast<int>(level);
    draft.Record.Level = draft.Level;
    if (!GetValue(lines[2], draft.BranchId) || !GetValue(lines[3], draft.BranchName))
        return std::nullopt;
    for (size_t i = 0; i < fields.size(); ++i)
        if (!GetValue(lines[4 + i], *fields[i]))
            return std::nullopt;
    auto species = std::make_shared<TStringList>();
    species->reserve(count);
    for (size_t i = head; i < lines.size(); ++i) {
        if (!GetValue(lines[i], value))
            return std::nullopt;
        species->push_back(value);
    }
    draft.Record.Genus.Species = std::move(species);
    return draft;
}

void WriteEditorDraft(const TEditorDraft& draft) {
    const std::string path = EditorDraftPath();
    struct stat st = {};
    // A link put in the draft's place would have the draft written wherever it points.
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        unlink(path.c_str());
    WriteTextFileAtomic(path, EditorDraftText(draft));
}

std::optional<TEditorDraft> ReadEditorDraft() {
    const std::string path = EditorDraftPath();
    // Non-blocking, so that a FIFO in its place cannot hang the start; only a regular file is read.
    const TFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    struct stat st = {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > MaxEditorDraftSize)
        return std::nullopt;
    std::string bytes;
    char block[65536];
    for (;;) {
        const ssize_t n = read(fd.Get(), block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        bytes.append(block, static_cast<size_t>(n));
        if (bytes.size() > MaxEditorDraftSize)
            return std::nullopt; // grew while read
    }
    return ParseEditorDraft(bytes);
}

void RemoveEditorDraft() {
    unlink(EditorDraftPath().c_str());
}
