// The RTF reader's parser, shared by its source files.
#pragma once

#include "RtfReader.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace RtfParsing {

// Where the text of a group goes.
enum class TDest : std::uint8_t { Normal, FontTable, ColorTable, Skip };

// Character properties as the groups carry them; resolved against the tables when a run starts.
struct TCharState {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    bool Hidden = false;
    int FontSize = 24;
    int Color = -1; // colour table index; -1: default colour
    int Font = -1;  // font number; -1: the \deff font

    bool operator==(const TCharState&) const = default;
};

struct TGroupState {
    TCharState Char;
    TRtfParaFormat Para;
    int Uc = 1; // fallback characters after \u
    TDest Dest = TDest::Normal;
};

inline constexpr std::size_t MaxTableEntries = 1 << 16;

inline bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline int HexValue(char c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
// Characters that end a stretch of plain text.
inline bool IsSpecial(char c) {
    return c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n';
}

struct TControlWord {
    std::string_view Name;
    bool HasParam = false;
    int Param = 0;
};

inline int Clamp(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

class TRtfParser {
public:
    explicit TRtfParser(std::string_view in) : FIn(in) { FStack.emplace_back(); }
    TRtfDocument Parse();

private:
    std::string_view FIn;
    std::size_t FPos = 0;

    // Group states: FStack[0] is outside the document. Groups nested past the depth cap are only
    // counted (FOverflow) and share the deepest state.
    std::vector<TGroupState> FStack;
    std::size_t FOverflow = 0;
    std::size_t FSkipDepth = 0; // > 0: inside a group that is skipped whole
    bool FGroupStart = false;   // nothing but '{' read yet in the current group
    bool FDone = false;
    int FUnicodeSkip = 0;        // fallback characters still to drop after \u
    char32_t FHighSurrogate = 0; // first half of a \u pair

    std::map<int, std::string> FFonts;
    int FDefaultFont = 0;
    int FEntryFont = 0;
    std::string FEntryName;
    bool FEntryOpen = false;
    std::vector<TRtfColor> FColors;
    int FRed = 0, FGreen = 0, FBlue = 0;
    bool FColorSet = false;

    TRtfDocument FDoc;
    TRtfParagraph FPara;
    TRtfParaFormat FLastTextPara;
    TCharState FRunState; // the state the last run was started with
    bool FRunOpen = false;
    int FPendingCells = 0; // cell ends not yet written as tabs

    TGroupState& Cur() { return FStack.back(); }
    std::size_t Depth() const { return FStack.size() - 1 + FOverflow; }

    // Groups and tokens (RtfParser.cpp).
    void OpenGroup();
    void CloseGroup();
    void EnterSkip();
    // Inside a skipped group only braces count, and \bin data, which may hold any byte.
    void StepSkipped();
    // FPos is at the first letter of a control word.
    TControlWord ScanWord();
    void ReadControl();
    // Drops the token when it is a fallback character of the last \u.
    bool ConsumeFallback();
    void SkipBinary(const TControlWord& w);

    // Control words, text and tables (RtfParserText.cpp).
    void HandleWord(const TControlWord& w);
    void HandleSymbol(char c);
    void HandleHex(std::uint8_t b);
    // FPos is at a character that is not special.
    void ReadText();
    void CommitFontEntry();
    void SetColorPart(int& part, int value);
    void CommitColor();
    void EmitUnicode(int param);
    void FlushSurrogate();
    void EmitCodePoint(char32_t c);
    // Text of the current destination, UTF-8.
    void EmitText(std::string_view utf8);
    void AppendRun(const TCharState& state, std::string_view utf8);
    TRtfCharFormat Resolve(const TCharState& state) const;
    void EndParagraph();
};

} // namespace RtfParsing
