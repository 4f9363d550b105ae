#include "RtfParser.h"

#include "RtfCodec.h"
#include "RtfControlWords.h"

#include <algorithm>
#include <utility>

using namespace RtfCodec;

namespace RtfParsing {

void TRtfParser::HandleWord(const TControlWord& W) {
    const TRtfWord* Word = FindRtfWord(W.Name);
    if (Word && *Word == TRtfWord::Bin) {
        SkipBinary(W);
        return;
    }
    if (ConsumeFallback())
        return;
    FGroupStart = false;
    if (!Word)
        return;
    TGroupState& S = Cur();
    const bool On = !W.HasParam || W.Param != 0;
    const int P = W.HasParam ? W.Param : 0;
    const int Twips = Clamp(P, -RtfMaxTwips, RtfMaxTwips);
    switch (*Word) {
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
        if (S.Dest == TDest::Normal)
            ++FPendingCells;
        break;
    case TRtfWord::Bold:
        S.Char.Bold = On;
        break;
    case TRtfWord::Italic:
        S.Char.Italic = On;
        break;
    case TRtfWord::Underline:
        S.Char.Underline = On;
        break;
    case TRtfWord::UlNone:
        S.Char.Underline = false;
        break;
    case TRtfWord::Strike:
        S.Char.Strike = On;
        break;
    case TRtfWord::Hidden:
        S.Char.Hidden = On;
        break;
    case TRtfWord::Plain:
        S.Char = TCharState{};
        break;
    case TRtfWord::Pard:
        S.Para = TRtfParaFormat{};
        break;
    case TRtfWord::Fs:
        S.Char.FontSize = W.HasParam ? Clamp(P, 1, RtfMaxFontSize) : 24;
        break;
    case TRtfWord::Cf:
        S.Char.Color = P >= 0 ? P : -1;
        break;
    case TRtfWord::Font:
        if (S.Dest == TDest::FontTable) {
            CommitFontEntry();
            FEntryFont = P;
            FEntryOpen = true;
        } else {
            S.Char.Font = P >= 0 ? P : -1;
        }
        break;
    case TRtfWord::Deff:
        FDefaultFont = P;
        break;
    case TRtfWord::Ql:
        S.Para.Alignment = TRtfAlignment::Left;
        break;
    case TRtfWord::Qc:
        S.Para.Alignment = TRtfAlignment::Center;
        break;
    case TRtfWord::Qr:
        S.Para.Alignment = TRtfAlignment::Right;
        break;
    case TRtfWord::Qj:
        S.Para.Alignment = TRtfAlignment::Justify;
        break;
    case TRtfWord::Li:
        S.Para.LeftIndent = Twips;
        break;
    case TRtfWord::Ri:
        S.Para.RightIndent = Twips;
        break;
    case TRtfWord::Fi:
        S.Para.FirstIndent = Twips;
        break;
    case TRtfWord::Sa:
        S.Para.SpaceAfter = Clamp(P, 0, RtfMaxTwips);
        break;
    case TRtfWord::Sb:
        S.Para.SpaceBefore = Clamp(P, 0, RtfMaxTwips);
        break;
    case TRtfWord::Red:
        SetColorPart(FRed, P);
        break;
    case TRtfWord::Green:
        SetColorPart(FGreen, P);
        break;
    case TRtfWord::Blue:
        SetColorPart(FBlue, P);
        break;
    case TRtfWord::Uc:
        S.Uc = W.HasParam ? Clamp(P, 0, 255) : 1;
        break;
    case TRtfWord::U:
        EmitUnicode(P);
        FUnicodeSkip = S.Uc;
        break;
    case TRtfWord::FontTable:
        if (Depth() < 2)
            break;
        if (FOverflow > 0) {
            EnterSkip();
            break;
        }
        S.Dest = TDest::FontTable;
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
        S.Dest = TDest::ColorTable;
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

void TRtfParser::HandleSymbol(char C) {
    if (C == '*') {
        // An ignorable destination: we read none of them.
        if (FGroupStart && Depth() >= 2)
            EnterSkip();
        return;
    }
    if (ConsumeFallback())
        return;
    FGroupStart = false;
    switch (C) {
    case '\\':
    case '{':
    case '}':
        EmitText(std::string_view(&C, 1));
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

void TRtfParser::HandleHex(std::uint8_t B) {
    if (ConsumeFallback())
        return;
    FGroupStart = false;
    EmitCodePoint(Cp1252ToUnicode(B));
}

// FPos is at a character that is not special.
void TRtfParser::ReadText() {
    FGroupStart = false;
    // Fallback characters after \u are dropped one by one; a UTF-8 sequence counts as one.
    while (FUnicodeSkip > 0 && FPos < FIn.size() && !IsSpecial(FIn[FPos])) {
        const std::size_t Len = Utf8SequenceLength(FIn, FPos);
        FPos += Len > 0 ? Len : 1;
        --FUnicodeSkip;
    }
    const std::size_t Start = FPos;
    while (FPos < FIn.size() && !IsSpecial(FIn[FPos]))
        ++FPos;
    std::string_view Chunk = FIn.substr(Start, FPos - Start);
    if (Chunk.empty())
        return;
    switch (Cur().Dest) {
    case TDest::Normal: {
        std::string Text;
        Text.reserve(Chunk.size());
        AppendDisplayText(Text, Chunk);
        EmitText(Text);
        break;
    }
    case TDest::FontTable:
    case TDest::ColorTable:
        // Entries end at ';'.
        while (!Chunk.empty()) {
            const std::size_t Semi = Chunk.find(';');
            if (Cur().Dest == TDest::FontTable) {
                std::string Text;
                AppendDisplayText(Text, Chunk.substr(0, Semi));
                EmitText(Text);
            }
            if (Semi == std::string_view::npos)
                break;
            if (Cur().Dest == TDest::FontTable)
                CommitFontEntry();
            else
                CommitColor();
            Chunk.remove_prefix(Semi + 1);
        }
        break;
    case TDest::Skip:
        break;
    }
}

void TRtfParser::CommitFontEntry() {
    if (FEntryOpen) {
        std::string Name = FEntryName;
        TruncateUtf8(Name, RtfMaxFontNameBytes);
        const auto First = Name.find_first_not_of(' ');
        Name.erase(0, First == std::string::npos ? Name.size() : First);
        while (!Name.empty() && Name.back() == ' ')
            Name.pop_back();
        if (!Name.empty() && (FFonts.size() < MaxTableEntries || FFonts.count(FEntryFont)))
            FFonts[FEntryFont] = std::move(Name);
    }
    FEntryName.clear();
    FEntryOpen = false;
}

void TRtfParser::SetColorPart(int& Part, int Value) {
    if (Cur().Dest != TDest::ColorTable)
        return;
    Part = Clamp(Value, 0, 255);
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

void TRtfParser::EmitUnicode(int Param) {
    // Parameters are signed 16-bit: negative values stand for N + 65536.
    const std::int64_t V = Param < 0 ? std::int64_t{Param} + 65536 : Param;
    if (V < 0 || V > 0x10FFFF) {
        EmitCodePoint(ReplacementChar);
        return;
    }
    const auto C = static_cast<char32_t>(V);
    if (C >= 0xD800 && C <= 0xDBFF) {
        FlushSurrogate();
        FHighSurrogate = C;
        return;
    }
    if (C >= 0xDC00 && C <= 0xDFFF) {
        if (FHighSurrogate == 0) {
            EmitCodePoint(ReplacementChar);
            return;
        }
        const char32_t Full = 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (C - 0xDC00);
        FHighSurrogate = 0;
        EmitCodePoint(Full);
        return;
    }
    EmitCodePoint(C);
}

void TRtfParser::FlushSurrogate() {
    if (FHighSurrogate == 0)
        return;
    FHighSurrogate = 0;
    EmitCodePoint(ReplacementChar);
}

void TRtfParser::EmitCodePoint(char32_t C) {
    if (C < 0x20 && C != '\t')
        return; // control characters are not shown
    std::string Utf8;
    AppendUtf8(Utf8, C);
    EmitText(Utf8);
}

// Text of the current destination, UTF-8.
void TRtfParser::EmitText(std::string_view Utf8) {
    if (Utf8.empty())
        return; // e.g. a stretch of control characters; it must not open an empty run
    FlushSurrogate();
    TGroupState& S = Cur();
    if (S.Dest == TDest::FontTable) {
        // A little more than the limit, so that the name can be cut at a sequence boundary.
        const std::size_t Room = RtfMaxFontNameBytes + 8;
        if (FEntryName.size() < Room)
            FEntryName.append(Utf8.substr(0, Room - FEntryName.size()));
        FEntryOpen = true;
        return;
    }
    if (S.Dest != TDest::Normal || S.Char.Hidden)
        return;
    if (FPendingCells > 0) {
        const std::string Tabs(static_cast<std::size_t>(FPendingCells), '\t');
        FPendingCells = 0;
        AppendRun(S.Char, Tabs);
    }
    AppendRun(S.Char, Utf8);
    FLastTextPara = S.Para;
}

void TRtfParser::AppendRun(const TCharState& State, std::string_view Utf8) {
    if (!FRunOpen || !(State == FRunState)) {
        TRtfCharFormat Format = Resolve(State);
        FRunState = State;
        FRunOpen = true;
        if (FPara.Runs.empty() || !(FPara.Runs.back().Format == Format))
            FPara.Runs.push_back({std::string(), std::move(Format)});
    }
    FPara.Runs.back().Text += Utf8;
}

TRtfCharFormat TRtfParser::Resolve(const TCharState& State) const {
    TRtfCharFormat F;
    F.Bold = State.Bold;
    F.Italic = State.Italic;
    F.Underline = State.Underline;
    F.Strike = State.Strike;
    F.FontSize = State.FontSize;
    if (State.Color >= 0 && static_cast<std::size_t>(State.Color) < FColors.size())
        F.Color = FColors[static_cast<std::size_t>(State.Color)];
    const auto Font = FFonts.find(State.Font >= 0 ? State.Font : FDefaultFont);
    if (Font != FFonts.end())
        F.FontName = Font->second;
    return F;
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
