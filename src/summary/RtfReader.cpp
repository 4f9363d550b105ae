#include "RtfReader.h"

#include "RtfCodec.h"
#include "RtfParser.h"

using RtfParsing::IsBlank;

namespace {

TRtfDocument ReadPlainText(std::string_view s) {
    TRtfDocument doc;
    std::size_t p = 0;
    while (p < s.size()) {
        std::size_t e = p;
        while (e < s.size() && s[e] != '\r' && s[e] != '\n')
            ++e;
        TRtfParagraph para;
        std::string text;
        RtfCodec::AppendDisplayText(text, s.substr(p, e - p));
        if (!text.empty())
            para.Runs.push_back({std::move(text), TRtfCharFormat{}});
        doc.Paragraphs.push_back(std::move(para));
        p = e;
        if (p < s.size() && s[p] == '\r')
            ++p;
        if (p < s.size() && s[p] == '\n')
            ++p;
    }
    return doc;
}

std::size_t SkipLeader(std::string_view bytes) {
    std::size_t p = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        p = 3; // a byte-order mark left by an editor
    while (p < bytes.size() && IsBlank(bytes[p]))
        ++p;
    return p;
}

} // namespace

std::string TRtfParagraph::Text() const {
    std::string result;
    for (const auto& run : Runs)
        result += run.Text;
    return result;
}

std::string TRtfDocument::PlainText() const {
    std::string result;
    for (std::size_t i = 0; i < Paragraphs.size(); ++i) {
        if (i > 0)
            result += '\n';
        result += Paragraphs[i].Text();
    }
    return result;
}

bool IsRtfText(std::string_view bytes) {
    return bytes.substr(SkipLeader(bytes)).starts_with("{\\rtf");
}

TRtfDocument ReadRtf(std::string_view bytes) {
    if (!IsRtfText(bytes))
        return ReadPlainText(bytes);
    return RtfParsing::TRtfParser(bytes.substr(SkipLeader(bytes))).Parse();
}
