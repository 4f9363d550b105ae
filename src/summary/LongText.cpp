#include "LongText.h"

#include <algorithm>

namespace {

bool Continuation(char C) {
    return (static_cast<unsigned char>(C) & 0xC0) == 0x80;
}

bool Blank(char C) {
    return C == ' ' || C == '\t';
}

// The last position in (From, To] at which a piece of Text may end: after a blank when the range
// has one, else at a character boundary (never inside a UTF-8 sequence); To itself when nothing fits.
std::size_t PieceEnd(std::string_view Text, std::size_t From, std::size_t To) {
    for (std::size_t I = To; I > From; --I)
        if (Blank(Text[I - 1]))
            return I;
    for (std::size_t I = To; I > From; --I)
        if (I == Text.size() || !Continuation(Text[I]))
            return I;
    return To;
}

} // namespace

std::size_t LongTextCut(std::string_view Text, std::size_t Limit, char LineBreak) {
    if (Text.size() <= Limit)
        return Text.size();
    const std::size_t Floor = Limit - Limit / 4;
    std::size_t End = Text.rfind(LineBreak, Limit);
    if (End == std::string_view::npos || End < Floor)
        End = PieceEnd(Text, Floor, Limit);
    // A line break or blank left at the end would only hang before what follows.
    while (End > 0 && (Text[End - 1] == LineBreak || Blank(Text[End - 1]) || Text[End - 1] == '\r'))
        --End;
    return End;
}

std::size_t CharacterCount(std::string_view Text) {
    std::size_t Count = 0;
    for (char C : Text)
        Count += !Continuation(C);
    return Count;
}

std::string GroupedNumber(std::size_t Number) {
    std::string Digits = std::to_string(Number);
    for (std::size_t I = Digits.size(); I > 3; I -= 3)
        Digits.insert(I - 3, 1, ',');
    return Digits;
}

std::size_t LongestLine(std::string_view Text, char LineBreak) {
    std::size_t Longest = 0;
    std::size_t Start = 0;
    for (;;) {
        const std::size_t End = Text.find(LineBreak, Start);
        const std::size_t Length = (End == std::string_view::npos ? Text.size() : End) - Start;
        Longest = std::max(Longest, Length);
        if (End == std::string_view::npos)
            return Longest;
        Start = End + 1;
    }
}

std::string BreakLongLines(std::string_view Text, std::size_t Width, char LineBreak) {
    std::string Out;
    Out.reserve(Text.size() + Text.size() / (Width ? Width : 1) + 1);
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t End = Text.find(LineBreak, Start);
        if (End == std::string_view::npos)
            End = Text.size();
        while (End - Start > Width) {
            std::size_t Piece = PieceEnd(Text, Start, Start + Width);
            if (Piece == Start)
                Piece = Start + Width; // a single character wider than the line
            Out.append(Text, Start, Piece - Start);
            Out += LineBreak;
            Start = Piece;
        }
        Out.append(Text, Start, End - Start);
        if (End < Text.size())
            Out += LineBreak;
        Start = End + 1;
    }
    return Out;
}
