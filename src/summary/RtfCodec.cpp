#include "RtfCodec.h"

namespace RtfCodec {

void AppendUtf8(std::string& Out, char32_t C) {
    if ((C >= 0xD800 && C <= 0xDFFF) || C > 0x10FFFF)
        C = ReplacementChar;
    if (C < 0x80) {
        Out += static_cast<char>(C);
    } else if (C < 0x800) {
        Out += static_cast<char>(0xC0 | (C >> 6));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        Out += static_cast<char>(0xE0 | (C >> 12));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (C >> 18));
        Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    }
}

char32_t Cp1252ToUnicode(std::uint8_t B) {
    static constexpr char16_t High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (B >= 0x80 && B < 0xA0)
        return High[B - 0x80];
    return B;
}

std::size_t Utf8SequenceLength(std::string_view S, std::size_t Pos) {
    if (Pos >= S.size())
        return 0;
    const auto B0 = static_cast<std::uint8_t>(S[Pos]);
    if (B0 < 0x80)
        return 1;
    std::size_t Len;
    std::uint8_t Lo = 0x80, Hi = 0xBF; // allowed range of the second byte
    if (B0 >= 0xC2 && B0 <= 0xDF) {
        Len = 2;
    } else if (B0 >= 0xE0 && B0 <= 0xEF) {
        Len = 3;
        if (B0 == 0xE0)
            Lo = 0xA0; // overlong
        else if (B0 == 0xED)
            Hi = 0x9F; // surrogates
    } else if (B0 >= 0xF0 && B0 <= 0xF4) {
        Len = 4;
        if (B0 == 0xF0)
            Lo = 0x90; // overlong
        else if (B0 == 0xF4)
            Hi = 0x8F; // past U+10FFFF
    } else {
        return 0;
    }
    if (S.size() - Pos < Len)
        return 0;
    const auto B1 = static_cast<std::uint8_t>(S[Pos + 1]);
    if (B1 < Lo || B1 > Hi)
        return 0;
    for (std::size_t I = 2; I < Len; ++I) {
        const auto B = static_cast<std::uint8_t>(S[Pos + I]);
        if (B < 0x80 || B > 0xBF)
            return 0;
    }
    return Len;
}

void AppendDisplayText(std::string& Out, std::string_view S) {
    std::size_t P = 0;
    while (P < S.size()) {
        // Printable ASCII stretches are copied in one go.
        std::size_t E = P;
        while (E < S.size() && static_cast<std::uint8_t>(S[E]) >= 0x20 &&
               static_cast<std::uint8_t>(S[E]) < 0x7F)
            ++E;
        Out.append(S, P, E - P);
        P = E;
        if (P >= S.size())
            break;
        const auto B = static_cast<std::uint8_t>(S[P]);
        if (B < 0x80) {
            if (B == '\t')
                Out += '\t';
            ++P;
            continue;
        }
        const std::size_t Len = Utf8SequenceLength(S, P);
        if (Len > 0) {
            Out.append(S, P, Len);
            P += Len;
        } else {
            AppendUtf8(Out, static_cast<std::uint8_t>(S[P]));
            ++P;
        }
    }
}

void TruncateUtf8(std::string& S, std::size_t MaxBytes) {
    if (S.size() <= MaxBytes)
        return;
    std::size_t N = MaxBytes;
    // Step back over continuation bytes to the start of the cut sequence.
    while (N > 0 && (static_cast<std::uint8_t>(S[N]) & 0xC0) == 0x80)
        --N;
    S.resize(N);
}

} // namespace RtfCodec
