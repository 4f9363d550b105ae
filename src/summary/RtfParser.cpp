#include "RtfParser.h"

#include <algorithm>
#include <utility>

namespace RtfParsing {

TRtfDocument TRtfParser::Parse() {
    FDoc.IsRtf = true;
    while (FPos < FIn.size() && IsBlank(FIn[FPos]))
        ++FPos;
    while (FPos < FIn.size() && !FDone) {
        if (FSkipDepth > 0) {
            StepSkipped();
            continue;
        }
        switch (FIn[FPos]) {
        case '{':
            ++FPos;
            OpenGroup();
            break;
        case '}':
            ++FPos;
            CloseGroup();
            break;
        case '\\':
            ReadControl();
            break;
        case '\r':
        case '\n':
            ++FPos; // line breaks in the source are not text
            break;
        default:
            ReadText();
            break;
        }
    }
    FlushSurrogate();
    if (!FPara.Runs.empty()) {
        // A last paragraph without \par keeps the format its text was written in.
        FPara.Format = FLastTextPara;
        FDoc.Paragraphs.push_back(std::move(FPara));
    }
    return std::move(FDoc);
}

void TRtfParser::OpenGroup() {
    FUnicodeSkip = 0;
    if (FStack.size() > RtfMaxGroupDepth)
        ++FOverflow;
    else
        FStack.push_back(FStack.back());
    FGroupStart = true;
}

void TRtfParser::CloseGroup() {
    FUnicodeSkip = 0;
    FGroupStart = false;
    if (FOverflow > 0) {
        --FOverflow;
        return;
    }
    if (FStack.size() <= 1) {
        FDone = true;
        return;
    }
    const TDest dest = FStack.back().Dest;
    const TDest parent = FStack[FStack.size() - 2].Dest;
    if (dest == TDest::FontTable)
        CommitFontEntry();
    else if (dest == TDest::ColorTable && parent != TDest::ColorTable && FColorSet)
        CommitColor();
    FStack.pop_back();
    if (FStack.size() == 1)
        FDone = true; // the document's own group has closed
}

void TRtfParser::EnterSkip() {
    // A group past the depth cap has no state of its own to mark.
    if (FOverflow == 0)
        Cur().Dest = TDest::Skip;
    FSkipDepth = 1;
    FUnicodeSkip = 0;
}

// Inside a skipped group only braces count, and \bin data, which may hold any byte.
void TRtfParser::StepSkipped() {
    const std::size_t next = FIn.find_first_of("{}\\", FPos);
    if (next == std::string_view::npos) {
        FPos = FIn.size();
        return;
    }
    FPos = next + 1;
    const char c = FIn[next];
    if (c == '{') {
        ++FSkipDepth;
    } else if (c == '}') {
        if (--FSkipDepth == 0)
            CloseGroup();
    } else if (FPos < FIn.size()) {
        if (IsAlpha(FIn[FPos])) {
            const TControlWord w = ScanWord();
            if (w.Name == "bin")
                SkipBinary(w);
        } else {
            ++FPos; // a control symbol: \{ and \} are no braces
        }
    }
}

// FPos is at the first letter of a control word.
TControlWord TRtfParser::ScanWord() {
    TControlWord w;
    const std::size_t start = FPos;
    while (FPos < FIn.size() && IsAlpha(FIn[FPos]))
        ++FPos;
    w.Name = FIn.substr(start, FPos - start);
    const bool negative = FPos + 1 < FIn.size() && FIn[FPos] == '-' && IsDigit(FIn[FPos + 1]);
    if (negative || (FPos < FIn.size() && IsDigit(FIn[FPos]))) {
        if (negative)
            ++FPos;
        std::int64_t v = 0;
        while (FPos < FIn.size() && IsDigit(FIn[FPos])) {
            if (v < 100'000'000'000) // further digits only make it larger; it is clamped below
                v = v * 10 + (FIn[FPos] - '0');
            ++FPos;
        }
        v = std::min<std::int64_t>(v, 2'147'483'647);
        w.HasParam = true;
        w.Param = static_cast<int>(negative ? -v : v);
    }
    if (FPos < FIn.size() && FIn[FPos] == ' ')
        ++FPos; // the delimiter belongs to the word
    return w;
}

void TRtfParser::ReadControl() {
    ++FPos;
    if (FPos >= FIn.size())
        return;
    const char c = FIn[FPos];
    if (IsAlpha(c)) {
        HandleWord(ScanWord());
        return;
    }
    ++FPos;
    if (c == '\'') {
        if (FPos + 1 < FIn.size() && HexValue(FIn[FPos]) >= 0 && HexValue(FIn[FPos + 1]) >= 0) {
            const int b = HexValue(FIn[FPos]) * 16 + HexValue(FIn[FPos + 1]);
            FPos += 2;
            HandleHex(static_cast<std::uint8_t>(b));
        }
        return;
    }
    HandleSymbol(c);
}

// Drops the token when it is a fallback character of the last \u.
bool TRtfParser::ConsumeFallback() {
    if (FUnicodeSkip <= 0)
        return false;
    --FUnicodeSkip;
    return true;
}

void TRtfParser::SkipBinary(const TControlWord& w) {
    if (w.HasParam && w.Param > 0)
        FPos += std::min<std::size_t>(static_cast<std::size_t>(w.Param), FIn.size() - FPos);
}

} // namespace RtfParsing
