#include "RtfReader.h"

#include "RtfCodec.h"
#include "RtfParser.h"

using RtfParsing::IsBlank;

namespace {

TRtfDocument ReadPlainText(std::string_view S) {
    TRtfDocument Doc;
    std::size_t P = 0;
    while (P < S.size()) {
        std::size_t E = P;
        while (E < S.size() && S[E] != '\r' && S[E] != '\n')
            ++E;
        TRtfParagraph Para;
        std::string Text;
        RtfCodec::AppendDisplayText(Text, S.substr(P, E - P));
        if (!Text.empty())
            Para.Runs.push_back({std::move(Text), TRtfCharFormat{}});
        Doc.Paragraphs.push_back(std::move(Para));
        P = E;
        if (P < S.size() && S[P] == '\r')
            ++P;
        if (P < S.size() && S[P] == '\n')
            ++P;
    }
    return Doc;
}

std::size_t SkipLeader(std::string_view Bytes) {
    std::size_t P = 0;
    if (Bytes.substr(0, 3) == "\xEF\xBB\xBF")
        P = 3; // a byte-order mark left by an editor
    while (P < Bytes.size() && IsBlank(Bytes[P]))
        ++P;
    return P;
}

} // namespace

std::string TRtfParagraph::Text() const {
    std::string Result;
    for (const auto& Run : Runs)
        Result += Run.Text;
    return Result;
}

std::string TRtfDocument::PlainText() const {
    std::string Result;
    for (std::size_t I = 0; I < Paragraphs.size(); ++I) {
        if (I > 0)
            Result += '\n';
        Result += Paragraphs[I].Text();
    }
    return Result;
}

bool IsRtfText(std::string_view Bytes) {
    return Bytes.substr(SkipLeader(Bytes)).starts_with("{\\rtf");
}

TRtfDocument ReadRtf(std::string_view Bytes) {
    if (!IsRtfText(Bytes))
        return ReadPlainText(Bytes);
    return RtfParsing::TRtfParser(Bytes.substr(SkipLeader(Bytes))).Parse();
}
