#include "EncodedStrings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string Expanded(TEncodedStrings& List, const std::string& S) {
    std::string R = "stale";
    List.Expand(S, R);
    return R;
}

struct TCall {
    std::string Name;
    std::size_t NextPos;
    char Open;
    char Close;
};

// Records every macro event; optionally answers with a fixed value.
struct TRecorder {
    std::vector<TCall> Calls;
    void Attach(TEncodedStrings& List, const char* Answer = nullptr) {
        List.OnMacro = [this, Answer](const std::string& Name, std::string& Value, bool& Handled,
                                      TMacroInfo& Info, TEncodedStrings&) {
            Calls.push_back({Name, Info.NextPos, Info.OpenChar, Info.CloseChar});
            if (Answer) {
                Value = Answer;
                Handled = true;
            }
        };
    }
};

} // namespace

TEST(EncodedStrings, UnhandledTextComesBackAsWritten) {
    TEncodedStrings List;
    EXPECT_FALSE(List.Busy);
    EXPECT_FALSE(List.OnMacro);
    EXPECT_EQ(Expanded(List, "a<b>c"), "a<b>c");
    EXPECT_EQ(Expanded(List, "x]y"), "x]y");
    EXPECT_EQ(Expanded(List, "a}"), "a}");
    EXPECT_EQ(Expanded(List, "<<x>"), "<<x>");
    EXPECT_EQ(Expanded(List, "<a<b>"), "<a<b>");
    EXPECT_EQ(Expanded(List, "<>"), "<>");
    EXPECT_EQ(Expanded(List, ""), "");
    // An unterminated macro is lost with its opener, also after an opener run.
    EXPECT_EQ(Expanded(List, "abc<def"), "abc");
    EXPECT_EQ(Expanded(List, "ab<<"), "ab<");
    EXPECT_FALSE(List.Busy);
}

TEST(EncodedStrings, EventsSeeNameDelimitersAndPosition) {
    TEncodedStrings List;
    TRecorder Rec;
    Rec.Attach(List);

    EXPECT_EQ(Expanded(List, "ab<x]cd"), "ab<x]cd");
    ASSERT_EQ(Rec.Calls.size(), 1u);
    EXPECT_EQ(Rec.Calls[0].Name, "x");
    EXPECT_EQ(Rec.Calls[0].NextPos, 6u); // 1-based, just after ']'
    EXPECT_EQ(Rec.Calls[0].Open, '<');
    EXPECT_EQ(Rec.Calls[0].Close, ']');

    Rec.Calls.clear();
    Expanded(List, "<<x>");
    ASSERT_EQ(Rec.Calls.size(), 1u);
    EXPECT_EQ(Rec.Calls[0].Name, "x");

    Rec.Calls.clear();
    Expanded(List, "<a<b>{}");
    ASSERT_EQ(Rec.Calls.size(), 2u);
    EXPECT_EQ(Rec.Calls[0].Name, "a<b"); // macros do not nest
    EXPECT_EQ(Rec.Calls[1].Name, "");    // an empty macro still fires
    EXPECT_EQ(Rec.Calls[1].Open, '{');

    Rec.Calls.clear();
    Expanded(List, "");
    EXPECT_TRUE(Rec.Calls.empty());
}

TEST(EncodedStrings, HandledValuesAreLiteralAndCarryOver) {
    TEncodedStrings List;
    TRecorder Rec;
    Rec.Attach(List, "X");
    EXPECT_EQ(Expanded(List, "<<x>"), "<X");

    // The value is not expanded again, even when it holds delimiters.
    Rec.Attach(List, "[<y>]");
    EXPECT_EQ(Expanded(List, "1<a>2"), "1[<y>]2");

    // Value keeps what the previous macro left; Handled starts false every time.
    std::vector<std::string> Seen;
    std::string Source;
    List.OnMacro = [&Seen, &Source](const std::string& Name, std::string& Value, bool& Handled,
                                    TMacroInfo& Info, TEncodedStrings&) {
        EXPECT_FALSE(Handled);
        Source = Info.Source;
        Seen.push_back(Value);
        if (Name != "b") {
            Value = "v" + Name;
            Handled = true;
        }
        Info.NextPos = 0; // has no effect on the expansion
    };
    EXPECT_EQ(Expanded(List, "<a><b><c>"), "va<b>vc");
    EXPECT_EQ(Seen, (std::vector<std::string>{"", "va", "va"}));
    EXPECT_EQ(Source, "<a><b><c>");
    // A new expansion starts with an empty value.
    Seen.clear();
    Expanded(List, "<b>");
    EXPECT_EQ(Seen, (std::vector<std::string>{""}));
}

TEST(EncodedStrings, OwnDelimiterSets) {
    TEncodedStrings List;
    List.MacroStart = TCharSet("(<[{");
    List.MacroEnd = TCharSet(")>]}");
    TRecorder Rec;
    Rec.Attach(List, "#");
    EXPECT_EQ(Expanded(List, "a(b)c{d>"), "a#c#");

    // A character in both sets opens outside a macro and closes inside one.
    List.MacroStart = TCharSet("|");
    List.MacroEnd = TCharSet("|");
    Rec.Calls.clear();
    EXPECT_EQ(Expanded(List, "a|b|c<d>"), "a#c<d>");
    ASSERT_EQ(Rec.Calls.size(), 1u);
    EXPECT_EQ(Rec.Calls[0].Name, "b");

    // No openers: nothing is a macro.
    List.MacroStart = TCharSet();
    EXPECT_EQ(Expanded(List, "|x|"), "|x|");
}

TEST(EncodedStrings, AddInsertAndPut) {
    TEncodedStrings List;
    TRecorder Rec;
    Rec.Attach(List, "1");
    EXPECT_EQ(List.Add("a<x>"), 0u);
    EXPECT_EQ(List.Add("b"), 1u);
    List.Insert(1, "<y>c");
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"a1", "1c", "b"}));
    EXPECT_EQ(List.Text(), "a1\r\n1c\r\nb\r\n");

    // Replacing a string stores it as it stands.
    List.Put(0, "<z>");
    EXPECT_EQ(List[0], "<z>");

    // A bad index is refused before any event fires.
    Rec.Calls.clear();
    EXPECT_THROW(List.Insert(9, "<q>"), std::out_of_range);
    EXPECT_TRUE(Rec.Calls.empty());
    EXPECT_THROW(List.Put(3, "x"), std::out_of_range);
    EXPECT_EQ(List.Count(), 3u);
}

TEST(EncodedStrings, HandlerMayAddWhileBusy) {
    TEncodedStrings List;
    List.OnMacro = [](const std::string& Name, std::string& Value, bool& Handled, TMacroInfo&,
                      TEncodedStrings& Sender) {
        EXPECT_TRUE(Sender.Busy);
        Sender.Add("<" + Name + ">"); // stored unexpanded while busy
        Value = "done";
        Handled = true;
    };
    List.Add("x<k>");
    EXPECT_FALSE(List.Busy);
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"<k>", "xdone"}));
}

TEST(EncodedStrings, ThrowingHandlerStoresNothing) {
    TEncodedStrings List;
    List.Add("keep");
    List.OnMacro = [](const std::string& Name, std::string&, bool&, TMacroInfo& Info, TEncodedStrings&) {
        // "late" fails only once the text is expanded line by line.
        if (Name == "bad" || (Name == "late" && Info.Source.find('\n') == std::string::npos))
            throw std::runtime_error("boom");
    };
    EXPECT_THROW(List.Add("a<bad>"), std::runtime_error);
    EXPECT_FALSE(List.Busy);
    EXPECT_THROW(List.Insert(0, "<bad>"), std::runtime_error);
    EXPECT_FALSE(List.Busy);
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"keep"}));

    // Failing in the whole-text pass or in a line keeps the old lines.
    EXPECT_THROW(List.SetText("one\r\ntwo <bad>"), std::runtime_error);
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"keep"}));
    EXPECT_THROW(List.SetText("one\r\ntwo <late>"), std::runtime_error);
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"keep"}));
    EXPECT_FALSE(List.Busy);

    // The list is usable afterwards.
    List.Add("<ok>");
    EXPECT_EQ(List.Count(), 2u);
}

TEST(EncodedStrings, SetTextRunsWholeTextThenEachLine) {
    TAutomateStrings List({"x=1"});
    int Found = 0;
    List.OnMacroFound = [&Found](const std::string& Name, TMacroInfo&, TEncodedStrings&) {
        EXPECT_EQ(Name, "x");
        ++Found;
    };
    List.SetText("one <x>\r\ntwo");
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"one 1", "two"}));
    EXPECT_EQ(Found, 2);

    // A macro across a line break fires only in the whole-text pass; the line loses its tail.
    std::vector<std::string> Names;
    List.OnUnknownMacro = [&Names](const std::string& Name, std::string&, bool&, TMacroInfo&,
                                   TEncodedStrings&) { Names.push_back(Name); };
    List.SetText("a {b\nc} d");
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"a ", "c} d"}));
    EXPECT_EQ(Names, (std::vector<std::string>{"b\nc"}));

    // Lines end at CR LF, LF or a lone CR; a final break adds no line; the old lines go.
    List.SetText("p\rq\n\nr\r\n");
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"p", "q", "", "r"}));
    List.SetText("");
    EXPECT_EQ(List.Count(), 0u);
}

TEST(AutomateStrings, LooksNamesUpWithoutRegardToCase) {
    TAutomateStrings List({"Name=Alpha", "name=Beta", "a=b=c", "novalue", "=empty"});
    ASSERT_TRUE(List.OnMacro);
    int Found = 0;
    List.OnMacroFound = [&Found](const std::string& Name, TMacroInfo& Info, TEncodedStrings&) {
        EXPECT_EQ(Name, "NAME");
        EXPECT_EQ(Info.OpenChar, '<');
        ++Found;
    };
    List.Add("<NAME>");
    EXPECT_EQ(List[0], "Alpha");
    EXPECT_EQ(Found, 1);

    List.OnMacroFound = nullptr;
    List.Add("<a>");
    EXPECT_EQ(List[1], "b=c");
    // A line without '=' names nothing; an empty name matches a line starting with '='.
    List.Add("<novalue><>");
    EXPECT_EQ(List[2], "<novalue>empty");

    // Unknown names stay, or go to OnUnknownMacro, which decides alone.
    List.Add("<other>");
    EXPECT_EQ(List[3], "<other>");
    List.OnUnknownMacro = [](const std::string& Name, std::string& Value, bool& Handled, TMacroInfo&,
                             TEncodedStrings&) {
        Value = "?" + Name;
        Handled = Name != "skip";
    };
    List.Add("<other>[skip]");
    EXPECT_EQ(List[4], "?other[skip]");
}

TEST(AutomateStrings, MacrosAreACopy) {
    std::vector<std::string> Codes = {"k=1"};
    TAutomateStrings List(Codes);
    Codes[0] = "k=2";
    EXPECT_EQ(Expanded(List, "<k>"), "1");
    List.SetMacros(Codes);
    EXPECT_EQ(Expanded(List, "<k>"), "2");
    List.SetMacros(List.Macros); // copying onto itself keeps the lines
    EXPECT_EQ(List.Macros, Codes);

    EXPECT_EQ(TAutomateStrings::ValueOfName({"A=1", "b=2"}, "B"), "2");
    EXPECT_EQ(TAutomateStrings::ValueOfName({"A=1"}, "c"), "");
    EXPECT_EQ(TAutomateStrings::FindName({"ab=1", "a=2"}, "A"), 1u);

    TAutomateStrings Empty;
    EXPECT_TRUE(Empty.Macros.empty());
    EXPECT_EQ(Expanded(Empty, "<k>"), "<k>");
}

TEST(EncodedStrings, SortedListPlacesStringsInOrder) {
    TEncodedStrings List;
    List.Add("b");
    List.Add("C");
    List.Add("a");
    List.SetSorted(true);
    EXPECT_EQ(List.Lines(), (std::vector<std::string>{"a", "b", "C"}));
    EXPECT_EQ(List.Add("B"), 2u); // after the equal "b"
    EXPECT_THROW(List.Insert(0, "z"), std::logic_error);
    EXPECT_THROW(List.Put(0, "z"), std::logic_error);
}

TEST(EncodedStrings, LongInputsStayLinear) {
    // Each of these would take minutes with a quadratic expansion.
    TAutomateStrings List({"x=y"});
    const std::string Openers(4'000'000, '<');
    EXPECT_EQ(Expanded(List, Openers), std::string(3'999'999, '<'));

    std::string Many;
    for (int I = 0; I < 500'000; ++I)
        Many += "<x>.";
    std::string Expected;
    for (int I = 0; I < 500'000; ++I)
        Expected += "y.";
    EXPECT_EQ(Expanded(List, Many), Expected);

    EXPECT_EQ(Expanded(List, "a<" + std::string(4'000'000, 'n')), "a");

    std::string Lines;
    for (int I = 0; I < 200'000; ++I)
        Lines += "<x>\r\n";
    List.SetText(Lines);
    EXPECT_EQ(List.Count(), 200'000u);
    EXPECT_EQ(List[199'999], "y");
}
