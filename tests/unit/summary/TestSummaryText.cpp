// The text Export Branch writes for a stored field: what the summary shows, as plain text.
#include "Global.h"
#include "SummaryText.h"

#include <gtest/gtest.h>

namespace {

TEST(SummaryTextTest, FieldsReadAsTheSummaryShowsThem) {
    ResetProgramState();
    SummaryCodes = {"velmora=the Velmora project", "incsed={\\i incertae sedis}"};
    SummaryUrls = {"velmora=velmora/index.html"};
    SummaryMisc = {"highlighttext={\\cf3\\u8599?}"};
    const auto shown = SummaryTextReader();
    const struct {
        const char* Stored;
        const char* Shown;
    } cases[] = {
        {"", ""},
        {"Plain text, 12 mm.", "Plain text, 12 mm."},
        {"By <velmora>.", "By the Velmora project."}, // a code, whatever its letter case
        {"By <VELMORA>.", "By the Velmora project."},
        {"Family <incsed>.", "Family incertae sedis."}, // a code's own formatting is read
        // No display marker for a link: a branch link is its name written beside it, a web link
        // its address.
        {"Compare Xanthothren <genus$'Xanthothren'>, or not.", "Compare Xanthothren , or not."},
        {"In <info$4,'aurovelidae'>.", "In ."},
        {"Photos: <url$https://example.org/a?b=1>", "Photos: https://example.org/a?b=1"},
        {"Hidden <no such code>here.", "Hidden here."}, // an unknown <...> shows nothing
        {"Seen [see A. nocturna] here.", "Seen [see A. nocturna] here."},
        {"Meaning (n/a), (L. aurum)", "Meaning (n/a), (L. aurum)"},
        {"An {\\i italic} word, caf\\'e9, \\u8212? dash", "An italic word, caf\u00e9, \u2014 dash"},
        {"Mantle 38\u201366 mm, Koll\u00e1r", "Mantle 38\u201366 mm, Koll\u00e1r"}, // UTF-8 stays
        {"Latin-1 caf\xe9", "Latin-1 caf\u00e9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shown(c.Stored), c.Shown) << c.Stored;
    ResetProgramState();
}

} // namespace
