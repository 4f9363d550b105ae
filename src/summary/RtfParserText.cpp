#include "RtfParser.h"

#include "RtfCodec.h"
#include "RtfControlWords.h"

#include <algorithm>
#include <utility>

using namespace RtfCodec;

namespace RtfParsing {

void TRtfParser::HandleWord(const TControlWord& w) {
    const TRtfWord* word = FindRtfWord(w.Name);
    if (word && *word == TRtfWord::Bin) {
        SkipBinary(w);
        return;
    }
    if (ConsumeFallback())
        return;
    FGroupStart = false;
    if (!word)
        return;
    TGroupState& s = Cur();
    const bool on = !w.HasParam || w.Param != 0;
    const int p = w.HasParam ? w.Param : 0;
    const int twips = Clamp(p, -RtfMaxTwips, RtfMaxTwips);
    switch (*word) {
    case TRtfWord::Par:
    case TRtfWord::Row:
        EndParagraph();
        break;
    case TRtfWord::Line:
        EmitText("\n");
        break;
    case TRtfWord::Tab:
        EmitText("\t");
        break;
    case TRtfWord::Cell:
        if (s.Dest == TDest::Normal)
            ++FPendingCells;
        break;
    case TRtfWord::Bold:
        s.Char.Bold = on;
        break;
    case TRtfWord::Italic:
        s.Char.Italic = on;
        break;
    case TRtfWord::Underline:
        s.Char.Underline = on;
        break;
    case TRtfWord::UlNone:
        s.Char.Underline = false;
        break;
    case TRtfWord::Strike:
        s.Char.Strike = on;
        break;
    case TRtfWord::Hidden:
        s.Char.Hidden = on;
        break;
    case TRtfWord::Plain:
        s.Char = TCharState{};
        break;
    case TRtfWord::Pard:
        s.Para = TRtfParaFormat{};
        break;
    case TRtfWord::Fs:
        s.Char.FontSize = w.HasParam ? Clamp(p, 1, RtfMaxFontSize) : 24;
        break;
    case TRtfWord::Cf:
        s.Char.Color = p >= 0 ? p : -1;
        break;
    case TRtfWord::Font:
        if (s.Dest == TDest::FontTable) {
            CommitFontEntry();
            FEntryFont = p;
            FEntryOpen = true;
        } else {
            s.Char.Font = p >= 0 ? p : -1;
        }
        break;
    case TRtfWord::Deff:
        FDefaultFont = p;
        break;
    case TRtfWord::Ql:
        s.Para.Alignment = TRtfAlignment::Left;
        break;
    case TRtfWord::Qc:
        s.Para.Alignment = TRtfAlignment::Center;
        break;
    case TRtfWord::Qr:
        s.Para.Alignment = TRtfAlignment::Right;
        break;
    case TRtfWord::Qj:
        s.Para.Alignment = TRtfAlignment::Justify;
        break;
    case TRtfWord::Li:
        s.Para.LeftIndent = twips;
        break;
    case TRtfWord::Ri:
        s.Para.RightIndent = twips;
        break;
    case TRtfWord::Fi:
        s.Para.FirstIndent = twips;
        break;
    case TRtfWord::Sa:
        s.Para.SpaceAfter = Clamp(p, 0, RtfMaxTwips);
        break;
    case TRtfWord::Sb:
        s.Para.SpaceBefore = Clamp(p, 0, RtfMaxTwips);
        break;
    case TRtfWord::Red:
        SetColorPart(FRed, p);
        break;
    case TRtfWord::Green:
        SetColorPart(FGreen, p);
        break;
    case TRtfWord::Blue:
        SetColorPart(FBlue, p);
        break;
    case TRtfWord::Uc:
        s.Uc = w.HasParam ? Clamp(p, 0, 255) : 1;
        break;
    case TRtfWord::U:
        EmitUnicode(p);
        FUnicodeSkip = s.Uc;
        break;
    case TRtfWord::FontTable:
        if (Depth() < 2)
            break;
        if (FOverflow > 0) {
            EnterSkip();
            break;
        }
        s.Dest = TDest::FontTable;
        FEntryFont = 0;
        FEntryName.clear();
        FEntryOpen = false;
        break;
    case TRtfWord::ColorTable:
        if (Depth() < 2)
            break;
        if (FOverflow > 0) {
            EnterSkip();
            break;
        }
        s.Dest = TDest::ColorTable;
        FColors.clear();
        FRed = FGreen = FBlue = 0;
        FColorSet = false;
        break;
    case TRtfWord::Destination:
        // The document's own group is never skipped whole.
        if (Depth() >= 2)
            EnterSkip();
        break;
    case TRtfWord::Emdash:
        EmitCodePoint(0x2014);
        break;
    case TRtfWord::Endash:
        EmitCodePoint(0x2013);
        break;
    case TRtfWord::Bullet:
        EmitCodePoint(0x2022);
        break;
    case TRtfWord::Lquote:
        EmitCodePoint(0x2018);
        break;
    case TRtfWord::Rquote:
        EmitCodePoint(0x2019);
        break;
    case TRtfWord::Ldblquote:
        EmitCodePoint(0x201C);
        break;
    case TRtfWord::Rdblquote:
        EmitCodePoint(0x201D);
        break;
    case TRtfWord::Emspace:
        EmitCodePoint(0x2003);
        break;
    case TRtfWord::Enspace:
        EmitCodePoint(0x2002);
        break;
    case TRtfWord::Qmspace:
        EmitCodePoint(0x2005);
        break;
    case TRtfWord::Bin:
        break;
    }
}

void TRtfParser::HandleSymbol(char c) {
    if (c == '*') {
        // An ignorable destination: we read none of them.
        if (FGroupStart && Depth() >= 2)
            EnterSkip();
        return;
    }
    if (ConsumeFallback())
        return;
    FGroupStart = false;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        EmitText(std::string_view(&c, 1));
        break;
    case '~':
        EmitCodePoint(0x00A0);
        break;
    case '_':
        EmitCodePoint(0x2011);
        break;
    case '\t':
        EmitText("\t");
        break;
    case '\r':
    case '\n':
        EndParagraph();
        break;
    default:
        break; // \- optional hyphen, \: and \| and anything unknown
    }
}

void TRtfParser::HandleHex(std::uint8_t b) {
    if (ConsumeFallback())
        return;
    FGroupStart = false;
    EmitCodePoint(Cp1252ToUnicode(b));
}

// FPos is at a character that is not special.
void TRtfParser::ReadText() {
    FGroupStart = false;
    // Fallback characters after \u are dropped one by one; a UTF-8 sequence counts as one.
    while (FUnicodeSkip > 0 && FPos < FIn.size() && !IsSpecial(FIn[FPos])) {
        const std::size_t len = Utf8SequenceLength(FIn, FPos);
        FPos += len > 0 ? len : 1;
        --FUnicodeSkip;
    }
    const std::size_t start = FPos;
    while (FPos < FIn.size() && !IsSpecial(FIn[FPos]))
        ++FPos;
    std::string_view chunk = FIn.substr(start, FPos - start);
    if (chunk.empty())
        return;
    switch (Cur().Dest) {
    case TDest::Normal: {
        std::string text;
        text.reserve(chunk.size());
        AppendDisplayText(text, chunk);
        EmitText(text);
        break;
    }
    case TDest::FontTable:
    case TDest::ColorTable:
        // Entries end at ';'.
        while (!chunk.empty()) {
            const std::size_t semi = chunk.find(';');
            if (Cur().Dest == TDest::FontTable) {
                std::string text;
                AppendDisplayText(text, chunk.substr(0, semi));
                EmitText(text);
            }
            if (semi == std::string_view::npos)
                break;
            if (Cur().Dest == TDest::FontTable)
                CommitFontEntry();
            else
                CommitColor();
            chunk.remove_prefix(semi + 1);
        }
        break;
    case TDest::Skip:
        break;
    }
}

void TRtfParser::CommitFontEntry() {
    if (FEntryOpen) {
        std::string name = FEntryName;
        TruncateUtf8(name, RtfMaxFontNameBytes);
        const auto first = name.find_first_not_of(' ');
        name.erase(0, first == std::string::npos ? name.size() : first);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (!name.empty() && (FFonts.size() < MaxTableEntries || FFonts.count(FEntryFont)))
            FFonts[FEntryFont] = std::move(name);
    }
    FEntryName.clear();
    FEntryOpen = false;
}

void TRtfParser::SetColorPart(int& part, int value) {
    if (Cur().Dest != TDest::ColorTable)
        return;
    part = Clamp(value, 0, 255);
    FColorSet = true;
}

void TRtfParser::CommitColor() {
    // An entry without components is the default colour ("auto").
    if (FColors.size() < MaxTableEntries)
        FColors.push_back(FColorSet ? TRtfColor::Rgb(static_cast<std::uint8_t>(FRed),
                                                     static_cast<std::uint8_t>(FGreen),
                                                     static_cast<std::uint8_t>(FBlue))
                                    : TRtfColor{});
    FRed = FGreen = FBlue = 0;
    FColorSet = false;
}

void TRtfParser::EmitUnicode(int param) {
    // Parameters are signed 16-bit: negative values stand for N + 65536.
    const std::int64_t v = param < 0 ? std::int64_t{param} + 65536 : param;
    if (v < 0 || v > 0x10FFFF) {
        EmitCodePoint(ReplacementChar);
        return;
    }
    const auto c = static_cast<char32_t>(v);
    if (c >= 0xD800 && c <= 0xDBFF) {
        FlushSurrogate();
        FHighSurrogate = c;
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (FHighSurrogate == 0) {
            EmitCodePoint(ReplacementChar);
            return;
        }
        const char32_t full = 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (c - 0xDC00);
        FHighSurrogate = 0;
        EmitCodePoint(full);
        return;
    }
    EmitCodePoint(c);
}

void TRtfParser::FlushSurrogate() {
    if (FHighSurrogate == 0)
        return;
    FHighSurrogate = 0;
    EmitCodePoint(ReplacementChar);
}

void TRtfParser::EmitCodePoint(char32_t c) {
    if (c < 0x20 && c != '\t')
        return; // control characters are not shown
    std::string utf8;
    AppendUtf8(utf8, c);
    EmitText(utf8);
}

// Text of the current destination, UTF-8.
void TRtfParser::EmitText(std::string_view utf8) {
    if (utf8.empty())
        return; // e.g. a stretch of control characters; it must not open an empty run
    FlushSurrogate();
    TGroupState& s = Cur();
    if (s.Dest == TDest::FontTable) {
        // A little more than the limit, so that the name can be cut at a sequence boundary.
        const std::size_t room = RtfMaxFontNameBytes + 8;
        if (FEntryName.size() < room)
            FEntryName.append(utf8.substr(0, room - FEntryName.size()));
        FEntryOpen = true;
        return;
    }
    if (s.Dest != TDest::Normal || s.Char.Hidden)
        return;
    if (FPendingCells > 0) {
        const std::string tabs(static_cast<std::size_t>(FPendingCells), '\t');
        FPendingCells = 0;
        AppendRun(s.Char, tabs);
    }
    AppendRun(s.Char, utf8);
    FLastTextPara = s.Para;
}

void TRtfParser::AppendRun(const TCharState& state, std::string_view utf8) {
    if (!FRunOpen || !(state == FRunState)) {
        TRtfCharFormat format = Resolve(state);
        FRunState = state;
        FRunOpen = true;
        if (FPara.Runs.empty() || !(FPara.Runs.back().Format == format))
            FPara.Runs.push_back({std::string(), std::move(format)});
    }
    FPara.Runs.back().Text += utf8;
}

TRtfCharFormat TRtfParser::Resolve(const TCharState& state) const {
    TRtfCharFormat f;
    f.Bold = state.Bold;
    f.Italic = state.Italic;
    f.Underline = state.Underline;
    f.Strike = state.Strike;
    f.FontSize = state.FontSize;
    if (state.Color >= 0 && static_cast<std::size_t>(state.Color) < FColors.size())
        f.Color = FColors[static_cast<std::size_t>(state.Color)];
    const auto font = FFonts.find(state.Font >= 0 ? state.Font : FDefaultFont);
    if (font != FFonts.end())
        f.FontName = font->second;
    return f;
}

void TRtfParser::EndParagraph() {
    FPendingCells = 0;
    if (Cur().Dest != TDest::Normal)
        return;
    FlushSurrogate();
    FPara.Format = Cur().Para;
    FDoc.Paragraphs.push_back(std::move(FPara));
    FPara = TRtfParagraph{};
    FRunOpen = false;
}

} // namespace RtfParsing
