// The rich-text summary of the selected branch: the record's fields poured into the templates,
// the species appended, everything passed through the macro expansion that also collects the
// related links, framed by the document head and foot.
#pragma once

#include "EncodedStrings.h"
#include "TaxonomyData.h"

#include <optional>
#include <string>

// What the summary needs from the window that shows it.
class ISummaryHost {
public:
    virtual ~ISummaryHost() = default;
    // Kind 0: a branch link whose target is a node key; kind 1: a web link to `url`.
    virtual void AddRelatedLink(const std::string& caption, int kind, const TTaxonomyData& key,
                                const std::string& url) = 0;
    virtual void ClearRelatedLinks() = 0;
    // The displayed text of the first tree node matching the key, if there is one.
    virtual std::optional<std::string> FindNodeCaption(const TTaxonomyData& key) = 0;
    // Replaces the summary view's document.
    virtual void LoadSummaryDocument(const std::string& rtf) = 0;
    // The record of the selected branch was not found: fetch its level's database.
    virtual void RefreshItem() = 0;
    virtual void PresentRecord() = 0;
    virtual void PresentNoRecord() = 0;
};

class TSummaryDocument {
public:
    // `shown` is the record on screen: the document reads the selected branch's record into it.
    TSummaryDocument(ISummaryHost& host, TTaxonomyDetail& shown);

    // Reloads the macro values from the summary codes (after the program files are loaded).
    void ResetMacros();

    void ShowBranchSummary(const TTaxonomyData& data);
    void BuildRecordSummary(const TTaxonomyDetail& record);
    void ShowSummary(const std::string& body);

    // The body for a record, without expansion (exposed for the tests and Refresh Item).
    static std::string RecordBody(const TTaxonomyDetail& record);

    TAutomateStrings SummaryStrings;
    // False where the text is data rather than display (exports): a branch link then shows
    // nothing and a web link its address, instead of the summary's link marker.
    bool LinkMarkers = true;

private:
    void SummaryMacroFound(const std::string& name, TMacroInfo& info, TEncodedStrings& sender);
    void SummaryUnknownMacro(const std::string& name, std::string& value, bool& handled, TMacroInfo& info,
                             TEncodedStrings& sender);
    void AddBranchLink(int level, const std::string& arg);

    ISummaryHost& FHost;
    TTaxonomyDetail& FShown;
};
