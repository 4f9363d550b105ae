#include "SummaryDocument.h"

#include "Constants.h"
#include "Detail.h"
#include "Fields.h"
#include "Format.h"
#include "Global.h"
#include "LongText.h"
#include "TaxonomyTree.h"

namespace {

std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        const size_t hit = text.find(from, pos);
        if (hit == std::string::npos)
            break;
        out.append(text, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

bool StartsWithBracket(const std::string& name) {
    return !name.empty() && (name[0] == '(' || name[0] == '<' || name[0] == '[' || name[0] == '{');
}

// A field longer than a summary shows is cut here, before the expansion, with a note of ours after
// it: nothing on the way to the view (expansion, RTF reading, the document) then sees the whole text.
// The note is in square brackets, which the expansion sets in italics.
std::string ShownField(std::string_view text, char lineBreak, const char* what) {
    const size_t end = LongTextCut(text, MaxSummaryField, lineBreak);
    std::string shown(text.substr(0, end));
    if (end < text.size())
        shown += lineBreak + std::string("[\u2026 ") + what + " goes on for " +
                 GroupedNumber(CharacterCount(text.substr(end))) +
                 " more characters; the whole text is on the Editor page]";
    return shown;
}

// An address as RTF text: the characters RTF gives a meaning to are escaped.
std::string RtfEscapedUrl(const std::string& url) {
    std::string out;
    for (char c : url) {
        if (c == '\\' || c == '{' || c == '}')
            out += '\\';
        out += c;
    }
    return out;
}

const char* LevelName(int level) {
    return level >= 0 && level <= SpeciesLevel ? LevelNames[static_cast<size_t>(level)] : "";
}

} // namespace

TSummaryDocument::TSummaryDocument(ISummaryHost& host, TTaxonomyDetail& shown) : FHost(host), FShown(shown) {
    SummaryStrings.MacroStart = TCharSet{'(', '<', '[', '{'};
    SummaryStrings.MacroEnd = TCharSet{')', '>', ']', '}'};
    SummaryStrings.OnMacroFound = [this](const std::string& name, TMacroInfo& info, TEncodedStrings& sender) {
        SummaryMacroFound(name, info, sender);
    };
    SummaryStrings.OnUnknownMacro = [this](const std::string& name, std::string& value, bool& handled,
                                           TMacroInfo& info, TEncodedStrings& sender) {
        SummaryUnknownMacro(name, value, handled, info, sender);
    };
    ResetMacros();
}

void TSummaryDocument::ResetMacros() {
    SummaryStrings.SetMacros(SummaryCodes);
}

void TSummaryDocument::ShowBranchSummary(const TTaxonomyData& data) {
    SetStatus("Retriving data from database...");
    FHost.ClearRelatedLinks();
    if (data.Id() != NotAvailableId) {
        ReadDetail(data, FShown);
        if (FShown.Level < 0) {
            FHost.RefreshItem();
        } else {
            FHost.LoadSummaryDocument(std::string());
            BuildRecordSummary(FShown);
            FHost.PresentRecord();
        }
    } else {
        FShown.Level = -2;
        const char* level = LevelName(data.Level());
        ShowSummary(Format(NoDataTemplate, {level, data.Name(), level, data.Name()}));
        FHost.PresentNoRecord();
    }
    SetStatus("Ready");
}

std::string TSummaryDocument::RecordBody(const TTaxonomyDetail& r) {
    const std::string description =
        ReplaceAll(ShownField(r.Description, '\n', "the description"), "\n", "\\par\n");
    const std::string name = ShownField(r.Name, ' ', "the name");
    const std::string meaning = (r.Meaning.empty() || r.Meaning == "n/a")
                                    ? std::string("(n/a)")
                                    : ShownField(r.Meaning, ' ', "the meaning");
    std::string body;
    if (r.Level == GenusLevel) {
        const std::string common = r.Genus.CommonName.empty()
                                       ? std::string("(no common name)")
                                       : ShownField(r.Genus.CommonName, ' ', "the common name");
        body =
            Format(GenusTemplate, {name, name, meaning, ShownField(r.Genus.KorvelType, ' ', "the type"),
                                   common, ShownField(r.Genus.Keywords, ' ', "the keywords"), description});
    } else {
        body = Format(TaxonomyTemplate, {LevelName(r.Level), name, name, meaning, description});
    }
    if (StartsWithBracket(r.Name))
        body = Format(WaitForNameTemplate, {LevelName(r.Level), name}) + body;
    if (r.Level == GenusLevel) {
        body += SpeciesHeadText;
        // The species list as a whole is cut too, after the species that fill its share (one species
        // with a long description leaves room for the others).
        const size_t speciesStart = body.size();
        const TStringList& species = *r.Genus.Species;
        for (size_t k = 0; k < species.size(); ++k) {
            if (body.size() - speciesStart > MaxSummarySpecies) {
                body += "[\u2026 the list goes on for " + GroupedNumber(species.size() - k) +
                        " more species; the whole list is on the Editor page]\\par\n";
                break;
            }
            // Fields a short species line lacks are taken as empty rather than left from the line before.
            std::string fields[4];
            SplitFields(species[k], fields, 3, "#");
            const std::string description = ShownField(fields[3], '|', "the species' description");
            body += Format(SpeciesTemplate, {name, ShownField(fields[1], ' ', "the species' name"),
                                             ShownField(fields[2], ' ', "the species' meaning"),
                                             ReplaceAll(description, "|", "\\par\n")});
        }
    }
    return body;
}

void TSummaryDocument::BuildRecordSummary(const TTaxonomyDetail& record) {
    ShowSummary(RecordBody(record));
}

void TSummaryDocument::ShowSummary(const std::string& body) {
    SummaryStrings.SetText(body);
    FHost.LoadSummaryDocument(RtfHeadText + SummaryStrings.Text() + RtfFootText);
}

void TSummaryDocument::SummaryMacroFound(const std::string& name, TMacroInfo&, TEncodedStrings&) {
    const std::string url = TAutomateStrings::ValueOfName(SummaryUrls, name);
    if (url.empty())
        return;
    const std::string caption = TAutomateStrings::ValueOfName(SummaryCaptions, name);
    FHost.AddRelatedLink(caption, 1, TTaxonomyData(), Options.URL.Get() + url);
}

void TSummaryDocument::SummaryUnknownMacro(const std::string& name, std::string& value, bool& handled,
                                           TMacroInfo& info, TEncodedStrings&) {
    std::string f[3];
    SplitFields(name, f, 2, "$");
    const std::string highlight =
        LinkMarkers ? TAutomateStrings::ValueOfName(SummaryMisc, "highlighttext") : std::string();
    if (f[0] == "genus") {
        value = highlight;
        AddBranchLink(GenusLevel, f[1]);
        handled = true;
    } else if (f[0] == "info") {
        value = highlight;
        const std::string args = f[1]; // split into the same fields it came from
        SplitFields(args, f, 2, ",");
        AddBranchLink(StrToInt(f[0]), f[1]);
        handled = true;
    } else if (f[0] == "url") {
        value = LinkMarkers ? highlight : RtfEscapedUrl(f[1]);
        FHost.AddRelatedLink(f[1], 1, TTaxonomyData(), f[1]);
        handled = true;
    } else if (name == "n/a" || name == "unclassified" || name == "no common name") {
        value = std::string("\\i ") + info.OpenChar + name + info.CloseChar + "\\i0 ";
        handled = true;
    } else if (info.OpenChar == '<') {
        value.clear();
        handled = true;
    } else if (info.OpenChar == '[') {
        value = "\\i [" + name + "]\\i0 ";
        handled = true;
    }
}

void TSummaryDocument::AddBranchLink(int level, const std::string& arg) {
    size_t b = 0, e = arg.size();
    while (b < e && static_cast<unsigned char>(arg[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(arg[e - 1]) <= ' ')
        --e;
    std::string inner = e - b > 2 ? arg.substr(b + 1, e - b - 2) : std::string();
    if (level < 0 || level > GenusLevel)
        level = 0; // the marker only needs a sane length; the look-up ignores the level
    const TTaxonomyData key = MakeNodeKey(level, inner, std::string(), std::string());
    if (const std::optional<std::string> caption = FHost.FindNodeCaption(key))
        FHost.AddRelatedLink(*caption, 0, key, std::string());
}
