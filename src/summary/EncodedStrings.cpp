#include "EncodedStrings.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

char FoldAscii(char C) {
    return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}

// Three-way case-insensitive comparison, for the sorted list.
int CompareText(std::string_view A, std::string_view B) {
    const std::size_t N = std::min(A.size(), B.size());
    for (std::size_t I = 0; I < N; ++I) {
        const auto X = static_cast<unsigned char>(FoldAscii(A[I]));
        const auto Y = static_cast<unsigned char>(FoldAscii(B[I]));
        if (X != Y)
            return X < Y ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

// Sets a flag for the lifetime of the guard and puts the previous value back however the scope
// ends, so an exception from a handler never leaves the list busy.
class TBusyGuard {
public:
    explicit TBusyGuard(bool& Flag) : FFlag(Flag), FPrevious(Flag) { FFlag = true; }
    ~TBusyGuard() { FFlag = FPrevious; }
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

private:
    bool& FFlag;
    bool FPrevious;
};

// Calls Fn for each line of S, cut at CR, LF or CR LF. A final line break does not start
// another line, and an empty text has no lines.
template <typename F> void ForEachLine(const std::string& S, F&& Fn) {
    std::size_t P = 0;
    const std::size_t N = S.size();
    while (P < N) {
        std::size_t E = P;
        while (E < N && S[E] != '\r' && S[E] != '\n')
            ++E;
        Fn(S.substr(P, E - P));
        P = E;
        if (P < N && S[P] == '\r')
            ++P;
        if (P < N && S[P] == '\n')
            ++P;
    }
}

} // namespace

bool SameMacroName(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (FoldAscii(A[I]) != FoldAscii(B[I]))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// TEncodedStrings

std::size_t TEncodedStrings::Add(const std::string& S) {
    if (Busy)
        return AddRaw(S);
    std::string R;
    Expand(S, R);
    return AddRaw(std::move(R));
}

void TEncodedStrings::Insert(std::size_t Index, const std::string& S) {
    // Checked first, so that a refused insert fires no events.
    if (FSorted)
        throw std::logic_error("Operation not allowed on sorted list");
    if (Index > FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
    if (Busy) {
        InsertRaw(Index, S);
        return;
    }
    std::string R;
    Expand(S, R);
    InsertRaw(Index, std::move(R));
}

void TEncodedStrings::SetText(const std::string& S) {
    // The whole-text pass lets a macro run over line breaks; its result is not kept. A handler
    // that sets the text during an expansion gets its lines stored unexpanded, as Add does.
    if (!Busy) {
        std::string Discarded;
        Expand(S, Discarded);
    }
    // S may be one of our own lines: it stays alive in Previous.
    std::vector<std::string> Previous;
    Previous.swap(FLines);
    try {
        ForEachLine(S, [this](const std::string& Line) { Add(Line); });
    } catch (...) {
        FLines.swap(Previous);
        throw;
    }
}

void TEncodedStrings::Expand(const std::string& S, std::string& R) {
    TBusyGuard Guard(Busy);
    TMacroInfo Info;
    Info.Source = S;
    std::string Out;
    Out.reserve(S.size());
    std::string Name;
    std::string Value;
    bool InMacro = false;
    char Open = '\0';

    for (std::size_t P = 0; P < S.size(); ++P) {
        const char C = S[P];
        if (!InMacro) {
            if (MacroStart.Contains(C)) {
                InMacro = true;
                Open = C;
            } else {
                Out += C;
            }
            continue;
        }
        if (MacroEnd.Contains(C)) {
            bool Handled = false;
            Info.NextPos = P + 2;
            Info.OpenChar = Open;
            Info.CloseChar = C;
            // A copy, so that a handler may reassign OnMacro while it runs.
            if (TMacroEvent Handler = OnMacro)
                Handler(Name, Value, Handled, Info, *this);
            if (Handled) {
                Out += Value;
            } else {
                Out += Open;
                Out += Name;
                Out += C;
            }
            InMacro = false;
            Name.clear();
        } else if (MacroStart.Contains(C) && Name.empty()) {
            // An opener right after an opener: the first one was plain text.
            Out += Open;
            Open = C;
        } else {
            Name += C;
        }
    }
    // An unterminated macro is dropped with its opener.
    R = std::move(Out);
}

std::string TEncodedStrings::Text() const {
    std::size_t Size = 0;
    for (const auto& Line : FLines)
        Size += Line.size() + 2;
    std::string Result;
    Result.reserve(Size);
    for (const auto& Line : FLines) {
        Result += Line;
        Result += "\r\n";
    }
    return Result;
}

void TEncodedStrings::Put(std::size_t Index, const std::string& S) {
    if (Index >= FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
    if (FSorted)
        throw std::logic_error("Operation not allowed on sorted list");
    FLines[Index] = S;
}

void TEncodedStrings::Delete(std::size_t Index) {
    if (Index >= FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(Index));
}

void TEncodedStrings::SetSorted(bool Value) {
    if (Value && !FSorted)
        std::stable_sort(FLines.begin(), FLines.end(),
                         [](const std::string& A, const std::string& B) { return CompareText(A, B) < 0; });
    FSorted = Value;
}

std::size_t TEncodedStrings::AddRaw(std::string S) {
    if (!FSorted) {
        FLines.push_back(std::move(S));
        return FLines.size() - 1;
    }
    // Equal strings keep the order they were added in.
    const auto It =
        std::upper_bound(FLines.begin(), FLines.end(), S,
                         [](const std::string& A, const std::string& B) { return CompareText(A, B) < 0; });
    const auto Index = static_cast<std::size_t>(It - FLines.begin());
    FLines.insert(It, std::move(S));
    return Index;
}

void TEncodedStrings::InsertRaw(std::size_t Index, std::string S) {
    if (Index > FLines.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(Index), std::move(S));
}

// ---------------------------------------------------------------------------------------------
// TAutomateStrings

TAutomateStrings::TAutomateStrings() : TAutomateStrings(std::vector<std::string>{}) {}

TAutomateStrings::TAutomateStrings(const std::vector<std::string>& List) {
    SetMacros(List);
    // Virtual dispatch, so that a subclass's LookupMacro takes part.
    OnMacro = [this](const std::string& Name, std::string& Value, bool& Handled, TMacroInfo& Info,
                     TEncodedStrings& Sender) { LookupMacro(Name, Value, Handled, Info, Sender); };
}

void TAutomateStrings::LookupMacro(const std::string& Name, std::string& Value, bool& Handled,
                                   TMacroInfo& Info, TEncodedStrings& Sender) {
    const std::size_t Index = FindName(Macros, Name);
    if (Index != std::string::npos) {
        const std::string& Line = Macros[Index];
        Value = Line.substr(Line.find('=') + 1);
        Handled = true;
        if (TMacroFoundEvent Found = OnMacroFound)
            Found(Name, Info, Sender);
        return;
    }
    if (TMacroEvent Unknown = OnUnknownMacro)
        Unknown(Name, Value, Handled, Info, Sender);
}

void TAutomateStrings::SetMacros(const std::vector<std::string>& List) {
    if (&List != &Macros)
        Macros = List;
}

std::size_t TAutomateStrings::FindName(const std::vector<std::string>& Lines, std::string_view Name) {
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        const std::string& Line = Lines[I];
        // Cheap length test first: the name must be followed directly by the first '='.
        if (Line.size() <= Name.size() || Line[Name.size()] != '=')
            continue;
        const std::string_view Key(Line.data(), Name.size());
        if (Key.find('=') == std::string_view::npos && SameMacroName(Key, Name))
            return I;
    }
    return std::string::npos;
}

std::string TAutomateStrings::ValueOfName(const std::vector<std::string>& Lines, std::string_view Name) {
    const std::size_t Index = FindName(Lines, Name);
    if (Index == std::string::npos)
        return {};
    const std::string& Line = Lines[Index];
    return Line.substr(Line.find('=') + 1);
}
