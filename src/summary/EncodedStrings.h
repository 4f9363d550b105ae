// String lists that expand delimited macros in every string stored through Add, Insert or SetText.
#pragma once

#include <bitset>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// A set of 8-bit characters.
class TCharSet {
public:
    TCharSet() = default;
    TCharSet(std::initializer_list<char> chars) {
        for (char c : chars)
            Include(c);
    }
    explicit TCharSet(std::string_view chars) {
        for (char c : chars)
            Include(c);
    }

    bool Contains(char c) const { return FBits.test(static_cast<unsigned char>(c)); }
    void Include(char c) { FBits.set(static_cast<unsigned char>(c)); }
    void Exclude(char c) { FBits.reset(static_cast<unsigned char>(c)); }
    bool Empty() const { return FBits.none(); }
    bool operator==(const TCharSet&) const = default;

private:
    std::bitset<256> FBits;
};

// Handed to the macro events. Changing it inside a handler does not affect the expansion.
struct TMacroInfo {
    std::string Source;      // the whole text being expanded
    std::size_t NextPos = 0; // 1-based position just after the closing character
    char OpenChar = '\0';
    char CloseChar = '\0';
};

class TEncodedStrings;

// Handled is false on entry; Value keeps what the previous macro of the same expansion left in it.
using TMacroEvent = std::function<void(const std::string& name, std::string& value, bool& handled,
                                       TMacroInfo& info, TEncodedStrings& sender)>;
using TMacroFoundEvent =
    std::function<void(const std::string& name, TMacroInfo& info, TEncodedStrings& sender)>;

class TEncodedStrings {
public:
    TCharSet MacroStart{'<', '[', '{'};
    TCharSet MacroEnd{'>', ']', '}'};
    TMacroEvent OnMacro;
    bool Busy = false; // true exactly while Expand runs

    TEncodedStrings() = default;
    virtual ~TEncodedStrings() = default;
    TEncodedStrings(const TEncodedStrings&) = delete;
    TEncodedStrings& operator=(const TEncodedStrings&) = delete;

    // Expands S (unless Busy) and stores the result; returns its index.
    virtual std::size_t Add(const std::string& s);
    // Same as Add, at Index (0..Count()); throws std::out_of_range before expanding anything.
    virtual void Insert(std::size_t index, const std::string& s);
    // One pass over the whole text (result discarded, only the events count), then the text is
    // cut into lines at CR, LF or CR LF and each line goes through Add. If a handler throws, the
    // list keeps its previous lines.
    virtual void SetText(const std::string& s);
    // The expansion itself. R is assigned only when the expansion completes.
    virtual void Expand(const std::string& s, std::string& r);

    // Every line followed by CR LF.
    std::string Text() const;
    std::size_t Count() const { return FLines.size(); }
    const std::string& operator[](std::size_t index) const { return FLines.at(index); }
    const std::vector<std::string>& Lines() const { return FLines; }
    // Replaces the string at Index as it stands, without expansion.
    void Put(std::size_t index, const std::string& s);
    void Delete(std::size_t index);
    void Clear() { FLines.clear(); }

    // A sorted list keeps its strings in case-insensitive order; Add places each string in order,
    // Insert and Put are refused (std::logic_error).
    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);

protected:
    // The list's own storing, without expansion.
    std::size_t AddRaw(std::string s);
    void InsertRaw(std::size_t index, std::string s);

private:
    std::vector<std::string> FLines;
    bool FSorted = false;
};

class TAutomateStrings : public TEncodedStrings {
public:
    std::vector<std::string> Macros; // "name=value" lines
    TMacroEvent OnUnknownMacro;
    TMacroFoundEvent OnMacroFound;

    TAutomateStrings();
    explicit TAutomateStrings(const std::vector<std::string>& list);
    ~TAutomateStrings() override = default;

    // Bound to OnMacro by the constructors: replaces a macro named in Macros by its value.
    virtual void LookupMacro(const std::string& name, std::string& value, bool& handled, TMacroInfo& info,
                             TEncodedStrings& sender);
    // Macros becomes a copy of List.
    virtual void SetMacros(const std::vector<std::string>& list);

    // Index of the first line whose part before its first '=' equals Name (ASCII letters compared
    // without regard to case); npos when none. Lines without '=' never match.
    static std::size_t FindName(const std::vector<std::string>& lines, std::string_view name);
    // The part after the first '=' of that line; empty when absent.
    static std::string ValueOfName(const std::vector<std::string>& lines, std::string_view name);
};

// Case-insensitive comparison of macro names and list entries (ASCII letters only).
bool SameMacroName(std::string_view a, std::string_view b);
