#include "GenusSearch.h"
#include "SearchFixture.h"

#include <algorithm>

namespace {
using TWords = std::vector<std::string>;

TEST(SearchWords, CutAtSpacesUpToTheFirstEmptyWord) {
    std::string many;
    for (int i = 1; i <= 27; ++i)
        many += "w" + std::to_string(i) + " ";
    TWords first26;
    for (int i = 1; i <= 26; ++i)
        first26.push_back("w" + std::to_string(i));
    const struct {
        std::string Text;
        TWords Words;
    } cases[] = {
        {"red wing", {"red", "wing"}},
        {"red  wing", {"red"}}, // two spaces: an empty word ends the words
        {" red", {}},
        {"", {}},
        {"red wing ", {"red", "wing"}},
        {"red\twing", {"red\twing"}}, // only the space cuts
        {many, first26},              // a 27th word and after are dropped
    };
    for (const auto& c : cases)
        EXPECT_EQ(SearchWords(c.Text), c.Words) << '"' << c.Text << '"';
}

TEST(MatchGenus, WordsFieldsAndModes) {
    TTaxonomyDetail r;
    r.Level = 5;
    r.Genus.Keywords = "Acrobatic flyer|glider";
    r.Genus.KorvelType = "Soarer";
    r.Genus.CommonName = "alpha r\xC3\xA9"
                         "d \xC3\x89lan"; // "alpha réd Élan"
    r.Description = "Long WINGS\nsecond line";
    r.Name = "Betasaurus";
    const TSearchFields standard; // keywords, type, common name
    TSearchFields none{false, false, false, false, false};
    TSearchFields description{false, false, false, true, false};
    TSearchFields name{false, false, false, false, true};
    const struct {
        TWords Words;
        bool MatchAll;
        TSearchFields Fields;
        bool Expected;
    } cases[] = {
        {{"bat"}, true, standard, true},          // inside a word
        {{"ALPHA"}, true, standard, true},        // A..Z fold
        {{"soa", "FLY"}, true, standard, true},   // in different fields
        {{"soa", "wing"}, true, standard, false}, // "wing" only in the description
        {{"soa", "wing"}, false, standard, true},
        {{"xyz", "wing"}, false, standard, false},
        {{"wing"}, true, description, true},
        {{"\xC3\x89LAN"}, true, standard, true},  // "ÉLAN": accented capital, then A..Z folded
        {{"\xC3\xA9lan"}, true, standard, false}, // "élan": é is not folded to É
        {{"R\xC3\x89"
          "D"},
         true,
         standard,
         false},                                      // "RÉD": É is not folded to é
        {{"flyer|glider"}, true, standard, true},     // '|' in keywords is just a character
        {{"wings|second"}, true, description, false}, // the description's lines are not joined by '|'
        {{"wings\nsecond"}, true, description, true},
        {{"betasaurus"}, true, name, true},
        {{"betasaurus"}, true, standard, false},
        {{"bat"}, true, none, false}, // no field chosen: nothing is found
        {{"bat"}, false, none, false},
        {{}, true, standard, true}, // no words: And keeps, Or drops
        {{}, false, standard, false},
        {{"soa", "", "xyz"}, true, standard, true}, // words end at the empty one
        {{"L", "y"}, true, standard, true},         // one-letter words
        {{"q"}, false, standard, false},
    };
    for (const auto& c : cases) {
        std::string words;
        for (const auto& w : c.Words)
            words += "[" + w + "]";
        EXPECT_EQ(MatchGenus(c.Words, r, c.MatchAll, c.Fields), c.Expected) << words << " and=" << c.MatchAll;
    }

    TWords twentySeven(26, "soa");
    twentySeven.push_back("xyz"); // the 27th word is not used
    EXPECT_TRUE(MatchGenus(twentySeven, r, true, standard));

    r.Level = -1; // no record: never matches, not even without words
    EXPECT_FALSE(MatchGenus({}, r, true, standard));
}

TEST(MatchGenus, FoldsTheLettersAToZAndNoOtherByte) {
    TTaxonomyDetail r;
    r.Level = 5;
    const TSearchFields keywords{true, false, false, false, false};
    auto finds = [&](const std::string& text, const std::string& word) {
        r.Genus.Keywords = text;
        return MatchGenus({word}, r, true, keywords);
    };
    for (char upper = 'A'; upper <= 'Z'; ++upper) {
        const std::string u(2, upper), l(2, static_cast<char>(upper + ('a' - 'A')));
        // Words of two letters and of one, either case in the text or the word.
        const std::pair<std::string, std::string> cases[] = {
            {u, l}, {l, u}, {u, l.substr(1)}, {l, u.substr(1)}};
        for (const auto& [text, word] : cases)
            EXPECT_TRUE(finds("-" + text, word)) << text << " " << word;
    }
    // The bytes just before and after A..Z and a..z stay as they are.
    const std::pair<std::string, std::string> others[] = {
        {"@@", "``"}, {"``", "@@"}, {"[[", "{{"}, {"{{", "[["}, {"[", "{"}};
    for (const auto& [text, word] : others)
        EXPECT_FALSE(finds(text, word)) << text << " " << word;
}

class TGenusSearchTest : public TSearchTest {
protected:
    void SetUp() override {
        TSearchTest::SetUp();
        LoadTreeText("#c1#Classa#ci\r\n"
                     "\t\t\t\t#f1#Famidae#fi\r\n"
                     "\t\t\t\t\t#g3#Gamma#i3\r\n"
                     "\t\t\t\t\t#g1#Alpha#i1\r\n"
                     "\t\t\t\t\t#(n/a)#Planned#p\r\n"
                     "\t\t\t\t\t#g2#Beta#i2\r\n"
                     "\t\t\t\t\t#g9#Nodata#i9\r\n" // no record
                     "\t\t\t\t\t##Noid#i0\r\n");
        // g1 twice (the first counts); g2's species line and the planned
        // genus's line mention words the searches below must not find.
        Write("genus.dat", "g1#DbAlpha#m#Red crest|long tail#Soarer#red korvel#-#####wing\r\n"
                           "\t#red sp#m#wingless\r\n"
                           "\r\n"
                           "g2#DbBeta#m#Short|Wing#Runner#Blue korvel#-#####fin\r\n"
                           "\t#frost#m#d\r\n"
                           "g1#Later#m#d#Frost#frost####\r\n"
                           "(n/a)#Planned#m#d#Frost#frost#-#####frost\r\n"
                           "g3#DbGamma#m#d#Runner#green korvel\r\n"); // eleven fields and fewer: no keywords
    }
    std::vector<std::string> Search(const std::string& text, bool matchAll = true,
                                    TSearchFields fields = TSearchFields()) {
        return Captions(SearchGenus(Tree, TSearchOptions{text, matchAll, fields}));
    }
    using TCaptions = std::vector<std::string>;
};

TEST_F(TGenusSearchTest, KeepsGeneraWhoseRecordsMatch) {
    const TSearchFields all{true, true, true, true, true};
    EXPECT_EQ(Search("korvel"), (TCaptions{"Gamma (i3)", "Alpha (i1)", "Beta (i2)"})); // tree order
    EXPECT_EQ(Search("red wing"), TCaptions{"Alpha (i1)"});
    EXPECT_EQ(Search("red fin", false), (TCaptions{"Alpha (i1)", "Beta (i2)"}));
    EXPECT_EQ(Search("frost", false, all), TCaptions{}); // species, later duplicates, planned genus
    EXPECT_EQ(Search("Tail", true, all), TCaptions{"Alpha (i1)"});
    EXPECT_EQ(Search("dbalpha", true, all), TCaptions{}); // the name comes from the tree
    EXPECT_EQ(Search("alpha", true, all), TCaptions{"Alpha (i1)"});
    EXPECT_EQ(Search("short|wing", true, all), TCaptions{}); // the description's line break is not '|'
}

// Each field chosen alone finds only the word from its own place in Alpha's record (the name
// from the tree), both in the search's own reading of the database and in MatchGenus.
TEST_F(TGenusSearchTest, EachFieldIsReadFromItsOwnPlace) {
    const std::string words[] = {"wing", "soarer", "korvel", "crest", "alpha"};
    TTaxonomyDetail alpha;
    ReadDetail(FindTreeNode(Tree, MakeNodeKey(5, "g1", "", ""))->Data(), alpha);
    for (int field = 0; field < 5; ++field) {
        const TSearchFields only{field == 0, field == 1, field == 2, field == 3, field == 4};
        for (int word = 0; word < 5; ++word) {
            SCOPED_TRACE("field " + std::to_string(field) + ", word " + words[word]);
            const TCaptions found = Search(words[word], true, only);
            EXPECT_EQ(std::count(found.begin(), found.end(), "Alpha (i1)"), field == word ? 1 : 0);
            EXPECT_EQ(MatchGenus({words[word]}, alpha, true, only), field == word);
        }
    }
}

TEST_F(TGenusSearchTest, EmptyTextBlanksAndMissingDatabase) {
    // An empty text keeps every listed genus, records or not.
    EXPECT_EQ(Search(""), (TCaptions{"Gamma (i3)", "Alpha (i1)", "Beta (i2)", "Nodata (i9)", "Noid (i0)"}));
    // A leading blank leaves no words: And keeps the genera that have a record, Or none.
    EXPECT_EQ(Search(" red"), (TCaptions{"Gamma (i3)", "Alpha (i1)", "Beta (i2)"}));
    EXPECT_EQ(Search(" red", false), TCaptions{});
    EXPECT_EQ(Search("red", true, TSearchFields{false, false, false, false, false}), TCaptions{});

    const TGenusEntries found = SearchGenus(Tree, TSearchOptions{"fin", true, {}});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Node->Id(), "g2");
    EXPECT_EQ(found[0].Data(), TTaxonomyData("\t\t\t\t\t", "g2", "Beta", "i2"));

    ASSERT_TRUE(DeleteFile(PathOf("genus.dat")));
    EXPECT_EQ(Search(" "), TCaptions{});
    EXPECT_EQ(Search("korvel"), TCaptions{});
}

TEST_F(TGenusSearchTest, FindsWhatReadDetailReads) {
    // The search's own reading of the database agrees with MatchGenus over
    // ReadDetail for every genus, word and mode.
    const TSearchFields all{true, true, true, true, true};
    for (const std::string text : {"korvel", "red wing", "red fin", "frost", "a", "Runner", "e l"})
        for (bool matchAll : {true, false}) {
            TCaptions expected;
            for (const TGenusEntry& e : AllGenus(Tree)) {
                TTaxonomyDetail r;
                ReadDetail(e.Node->Data(), r);
                if (MatchGenus(SearchWords(text), r, matchAll, all))
                    expected.push_back(e.Caption(Tree));
            }
            EXPECT_EQ(Search(text, matchAll, all), expected) << text << " and=" << matchAll;
        }
}
} // namespace
