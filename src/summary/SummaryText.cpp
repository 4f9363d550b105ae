#include "SummaryText.h"

#include "RtfReader.h"
#include "SummaryDocument.h"

#include <memory>

namespace {
// The summary's macro handlers want a host; the text they produce does not depend on it.
class TTextOnlyHost : public ISummaryHost {
public:
    void AddRelatedLink(const std::string&, int, const TTaxonomyData&, const std::string&) override {}
    void ClearRelatedLinks() override {}
    std::optional<std::string> FindNodeCaption(const TTaxonomyData&) override { return std::nullopt; }
    void LoadSummaryDocument(const std::string&) override {}
    void RefreshItem() override {}
    void PresentRecord() override {}
    void PresentNoRecord() override {}
};

struct TReader {
    TTextOnlyHost Host;
    TTaxonomyDetail Shown;
    TSummaryDocument Document{Host, Shown};
    std::string Expanded;
};

// Plain ASCII text without macro brackets or formatting codes reads as itself: most fields of a
// large export skip the expansion and the reader.
bool ReadsAsItself(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '(' || c == '<' || c == '[' || c == '{' || c == '}' ||
            c == '\\')
            return false;
    }
    return true;
}
} // namespace

std::function<std::string(std::string_view)> SummaryTextReader() {
    auto reader = std::make_shared<TReader>();
    // A file holds data: no link markers, a web link's address.
    reader->Document.LinkMarkers = false;
    return [reader](std::string_view stored) {
        if (ReadsAsItself(stored))
            return std::string(stored);
        reader->Document.SummaryStrings.Expand(std::string(stored), reader->Expanded);
        // The summary's document is read with the same code page as its head declares.
        return ReadRtf("{\\rtf1\\ansi\\ansicpg1252 " + reader->Expanded + "}").PlainText();
    };
}
