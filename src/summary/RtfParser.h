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

inline bool IsAlpha(char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}
inline bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}
inline int HexValue(char C) {
    if (IsDigit(C))
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}
inline bool IsBlank(char C) {
    return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f' || C == '\v';
}
// Characters that end a stretch of plain text.
inline bool IsSpecial(char C) {
    return C == '{' || C == '}' || C == '\\' || C == '\r' || C == '\n';
}

struct TControlWord {
    std::string_view Name;
    bool HasParam = false;
    int Param = 0;
};

inline int Clamp(int V, int Lo, int Hi) {
    return std::min(std::max(V, Lo), Hi);
}

class TRtfParser {
public:
    explicit TRtfParser(std::string_view In) : FIn(In) { FStack.emplace_back(); }
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
    void SkipBinary(const TControlWord& W);

    // Control words, text and tables (RtfParserText.cpp).
    void HandleWord(const TControlWord& W);
    void HandleSymbol(char C);
    void HandleHex(std::uint8_t B);
    // FPos is at a character that is not special.
    void ReadText();
    void CommitFontEntry();
    void SetColorPart(int& Part, int Value);
    void CommitColor();
    void EmitUnicode(int Param);
    void FlushSurrogate();
    void EmitCodePoint(char32_t C);
    // Text of the current destination, UTF-8.
    void EmitText(std::string_view Utf8);
    void AppendRun(const TCharState& State, std::string_view Utf8);
    TRtfCharFormat Resolve(const TCharState& State) const;
    void EndParagraph();
};

} // namespace RtfParsing
