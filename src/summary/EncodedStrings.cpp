#include "EncodedStrings.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Three-way case-insensitive comparison, for the sorted list.
int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Sets a flag for the lifetime of the guard and puts the previous value back however the scope
// ends, so an exception from a handler never leaves the list busy.
class TBusyGuard {
public:
    explicit TBusyGuard(bool& flag) : FFlag(flag), FPrevious(flag) { FFlag = true; }
    ~TBusyGuard() { FFlag = FPrevious; }
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

private:
    bool& FFlag;
    bool FPrevious;
};

// Calls Fn for each line of S, cut at CR, LF or CR LF. A final line break does not start
// another line, and an empty text has no lines.
template <typename F> void ForEachLine(const std::string& s, F&& fn) {
    std::size_t p = 0;
    const std::size_t n = s.size();
    while (p < n) {
        std::size_t e = p;
        while (e < n && s[e] != '\r' && s[e] != '\n')
            ++e;
        fn(s.substr(p, e - p));
        p = e;
        if (p < n && s[p] == '\r')
            ++p;
        if (p < n && s[p] == '\n')
            ++p;
    }
}

} // namespace

bool SameMacroName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// TEncodedStrings

std::size_t TEncodedStrings::Add(const std::string& s) {
    if (Busy)
        return AddRaw(s);
    std::string r;
    Expand(s, r);
    return AddRaw(std::move(r));
}

void TEncodedStrings::Insert(std::size_t index, const std::string& s) {
    // Checked first, so that a refused insert fires no events.
    if (FSorted)
        throw std::logic_error("Operation not allowed on sorted list");
    if (index > FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    if (Busy) {
        InsertRaw(index, s);
        return;
    }
    std::string r;
    Expand(s, r);
    InsertRaw(index, std::move(r));
}

void TEncodedStrings::SetText(const std::string& s) {
    // The whole-text pass lets a macro run over line breaks; its result is not kept. A handler
    // that sets the text during an expansion gets its lines stored unexpanded, as Add does.
    if (!Busy) {
        std::string discarded;
        Expand(s, discarded);
    }
    // S may be one of our own lines: it stays alive in Previous.
    std::vector<std::string> previous;
    previous.swap(FLines);
    try {
        ForEachLine(s, [this](const std::string& line) { Add(line); });
    } catch (...) {
        FLines.swap(previous);
        throw;
    }
}

void TEncodedStrings::Expand(const std::string& s, std::string& r) {
    TBusyGuard guard(Busy);
    TMacroInfo info;
    info.Source = s;
    std::string out;
    out.reserve(s.size());
    std::string name;
    std::string value;
    bool inMacro = false;
    char open = '\0';

    for (std::size_t p = 0; p < s.size(); ++p) {
        const char c = s[p];
        if (!inMacro) {
            if (MacroStart.Contains(c)) {
                inMacro = true;
                open = c;
            } else {
                out += c;
            }
            continue;
        }
        if (MacroEnd.Contains(c)) {
            bool handled = false;
            info.NextPos = p + 2;
            info.OpenChar = open;
            info.CloseChar = c;
            // A copy, so that a handler may reassign OnMacro while it runs.
            if (TMacroEvent handler = OnMacro)
                handler(name, value, handled, info, *this);
            if (handled) {
                out += value;
            } else {
                out += open;
                out += name;
                out += c;
            }
            inMacro = false;
            name.clear();
        } else if (MacroStart.Contains(c) && name.empty()) {
            // An opener right after an opener: the first one was plain text.
            out += open;
            open = c;
        } else {
            name += c;
        }
    }
    // An unterminated macro is dropped with its opener.
    r = std::move(out);
}

std::string TEncodedStrings::Text() const {
    std::size_t size = 0;
    for (const auto& line : FLines)
        size += line.size() + 2;
    std::string result;
    result.reserve(size);
    for (const auto& line : FLines) {
        result += line;
        result += "\r\n";
    }
    return result;
}

void TEncodedStrings::Put(std::size_t index, const std::string& s) {
    if (index >= FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    if (FSorted)
        throw std::logic_error("Operation not allowed on sorted list");
    FLines[index] = s;
}

void TEncodedStrings::Delete(std::size_t index) {
    if (index >= FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(index));
}

void TEncodedStrings::SetSorted(bool value) {
    if (value && !FSorted)
        std::stable_sort(FLines.begin(), FLines.end(),
                         [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    FSorted = value;
}

std::size_t TEncodedStrings::AddRaw(std::string s) {
    if (!FSorted) {
        FLines.push_back(std::move(s));
        return FLines.size() - 1;
    }
    // Equal strings keep the order they were added in.
    const auto it =
        std::upper_bound(FLines.begin(), FLines.end(), s,
                         [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    const auto index = static_cast<std::size_t>(it - FLines.begin());
    FLines.insert(it, std::move(s));
    return index;
}

void TEncodedStrings::InsertRaw(std::size_t index, std::string s) {
    if (index > FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(index), std::move(s));
}

// ---------------------------------------------------------------------------------------------
// TAutomateStrings

TAutomateStrings::TAutomateStrings() : TAutomateStrings(std::vector<std::string>{}) {}

TAutomateStrings::TAutomateStrings(const std::vector<std::string>& list) {
    SetMacros(list);
    // Virtual dispatch, so that a subclass's LookupMacro takes part.
    OnMacro = [this](const std::string& name, std::string& value, bool& handled, TMacroInfo& info,
                     TEncodedStrings& sender) { LookupMacro(name, value, handled, info, sender); };
}

void TAutomateStrings::LookupMacro(const std::string& name, std::string& value, bool& handled,
                                   TMacroInfo& info, TEncodedStrings& sender) {
    const std::size_t index = FindName(Macros, name);
    if (index != std::string::npos) {
        const std::string& line = Macros[index];
        value = line.substr(line.find('=') + 1);
        handled = true;
        if (TMacroFoundEvent found = OnMacroFound)
            found(name, info, sender);
        return;
    }
    if (TMacroEvent unknown = OnUnknownMacro)
        unknown(name, value, handled, info, sender);
}

void TAutomateStrings::SetMacros(const std::vector<std::string>& list) {
    if (&list != &Macros)
        Macros = list;
}

std::size_t TAutomateStrings::FindName(const std::vector<std::string>& lines, std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // Cheap length test first: the name must be followed directly by the first '='.
        if (line.size() <= name.size() || line[name.size()] != '=')
            continue;
        const std::string_view key(line.data(), name.size());
        if (key.find('=') == std::string_view::npos && SameMacroName(key, name))
            return i;
    }
    return std::string::npos;
}

std::string TAutomateStrings::ValueOfName(const std::vector<std::string>& lines, std::string_view name) {
    const std::size_t index = FindName(lines, name);
    if (index == std::string::npos)
        return {};
    const std::string& line = lines[index];
    return line.substr(line.find('=') + 1);
}
