// Match Names: what each kind of name on a list is matched as, and the index behind suggestions.
#include "NameFold.h"
#include "NameMatcher.h"
#include "SearchFixture.h"

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <vector>

namespace {

class TNameMatcherTest : public TSearchTest {
protected:
    void SetUp() override {
        TSearchTest::SetUp();
        LoadTreeText("#c1#Aerokorvea#air\r\n"
                     "\t\t\t\t#f1#Aurovelidae#gilded\r\n"
                     "\t\t\t\t\t#g1#Aurovelis#gilded vanewings\r\n"
                     "\t\t\t\t\t#g2#Aurovelia#true vanewings\r\n"
                     "\t\t\t\t\t#g3#Br\xC3\xA1\x63hyvelis#tawny\r\n"
                     "\t\t\t\t\t#(n/a)#Trichovelis#planned\r\n"
                     "\t\t\t\t\t#(n/a)#[unnamed]#planned\r\n"
                     "\t\t\t\t\t#g4#Dendro-Velis#pale\r\n");
        Write("genus.dat", "g1#Aurovelis#m#d#k#c#-#o#u#o#u#w\r\n"
                           "\t#sulcata#furrowed#x\r\n"
                           "\t#Aurovelis timida#shy#x\r\n"
                           "g9#Lostvelis#m#d#k#c#-#o#u#o#u#w\r\n"
                           "\t#nova#new#x\r\n");
    }
};

TEST_F(TNameMatcherTest, MatchesEachKindOfName) {
    const TNameMatcher matcher(Tree, AppFile("genus.dat"));
    const struct {
        const char* Line;
        TMatchKind Kind;
        const char* Match; // the name found, or the suggestions joined by "; "
    } cases[] = {
        {"Aurovelis", TMatchKind::Exact, "Aurovelis"},
        {"  Aurovelis Tessmer, 1887\r", TMatchKind::Exact, "Aurovelis"}, // author and year ignored
        {"Aurovelis sulcata (Tessmer 1887)", TMatchKind::Exact, "Aurovelis sulcata"}, // a binomial
        {"Aurovelis timida", TMatchKind::Exact, "Aurovelis timida"}, // written whole in the data
        {"Lostvelis nova", TMatchKind::Exact, "Lostvelis nova"},     // its genus is not in the tree
        {"AUROVELIS  SULCATA", TMatchKind::Folded, "Aurovelis sulcata"},
        {"brachyvelis", TMatchKind::Folded, "Br\xC3\xA1\x63hyvelis"}, // marks and case
        {"Dendrovelis", TMatchKind::Folded, "Dendro-Velis"},          // hyphen
        {"Trichovelis", TMatchKind::Planned, "Trichovelis"},
        {"[unnamed]", TMatchKind::Planned, "[unnamed]"},
        // Suggestions: the fewest edits first, then alphabetical; a transposition is one edit.
        {"Aurovelsi", TMatchKind::Suggested, "Aurovelis; Aurovelia"},
        {"Aurovelix", TMatchKind::Suggested, "Aurovelia; Aurovelis"},
        {"Aurovelis sulcaat", TMatchKind::Suggested, "Aurovelis sulcata"},
        {"Aurovelidea", TMatchKind::Suggested, "Aurovelidae; Aurovelia"},
        {"Aurovexxx", TMatchKind::None, ""}, // three edits
        {"Aerokorvae", TMatchKind::Suggested, "Aerokorvea"},
        {"Aurvelia", TMatchKind::Suggested, "Aurovelia; Aurovelis"}, // eight letters: two edits
        {"Lstvlis", TMatchKind::None, ""},                           // seven letters: one edit only
        {"Korvus", TMatchKind::None, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        const TNameMatch match = matcher.Match(c.Line);
        EXPECT_EQ(MatchKindName(match.Kind), std::string(MatchKindName(c.Kind)));
        std::string found;
        if (match.Kind == TMatchKind::Suggested || match.Kind == TMatchKind::None)
            for (uint32_t entry : match.Suggestions)
                found += (found.empty() ? "" : "; ") + matcher.Name(entry);
        else
            found = matcher.Name(match.Entry);
        EXPECT_EQ(found, c.Match);
    }
    const TNameMatch species = matcher.Match("aurovelis sulcata");
    EXPECT_EQ(matcher.Path(species.Entry), "Aerokorvea > Aurovelidae > Aurovelis > Aurovelis sulcata");
    EXPECT_EQ(matcher.Level(species.Entry), TNameMatcher::SpeciesLevel);
    EXPECT_EQ(matcher.Node(species.Entry)->Id(), "g1");
}

// The index finds exactly the names a full comparison with every name finds, on names that share
// long prefixes (as a genus's species do) and fall across its blocks.
TEST(NameIndexTest, NearFindsWhatEveryComparisonFinds) {
    std::mt19937 random(7);
    std::vector<std::string> names;
    const char* parts[] = {"al", "bar", "cor", "el", "ix", "ae", "us", "or", "a"};
    for (int i = 0; i < 10000; ++i) {
        std::string name;
        for (int k = 0; k < 2 + static_cast<int>(random() % 5); ++k)
            name += parts[random() % std::size(parts)];
        names.push_back(name);
    }
    TNameIndex index;
    index.Build(static_cast<uint32_t>(names.size()), [&](uint32_t i, std::string& out) { out = names[i]; });
    for (int q = 0; q < 200; ++q) {
        std::string wanted = names[random() % names.size()];
        wanted[random() % wanted.size()] = "aeiouxz"[random() % 7];
        if (q % 3 == 0 && wanted.size() > 2)
            std::swap(wanted[1], wanted[2]);
        const int limit = std::max(1, SuggestionDistance(wanted.size()));
        std::set<std::string> expected, found;
        for (const std::string& name : names)
            if (NameDistance(name, wanted, limit) <= limit)
                expected.insert(name);
        index.Near(wanted, limit, [&](uint32_t entry, int distance, uint32_t) {
            EXPECT_TRUE(found.insert(names[entry]).second) << "twice: " << names[entry];
            EXPECT_EQ(distance, NameDistance(names[entry], wanted, limit));
        });
        EXPECT_EQ(found, expected) << wanted;
        // The three best alone: fewest edits, then in sorted order.
        std::vector<std::pair<int, std::string>> best, kept;
        for (const std::string& name : expected)
            best.emplace_back(NameDistance(name, wanted, limit), name);
        std::sort(best.begin(), best.end());
        best.resize(std::min<size_t>(best.size(), 3));
        index.Near(
            wanted, limit,
            [&](uint32_t entry, int distance, uint32_t) { kept.emplace_back(distance, names[entry]); }, 3);
        EXPECT_EQ(kept, best) << wanted;
    }
    EXPECT_EQ(index.Equal(names[5]).front(), std::find(names.begin(), names.end(), names[5]) - names.begin());
}

// Over a megabyte of names, stored in several blocks: every name that begins a stored group (each
// sixteenth in sorted order) is found, also where the walk goes on into the next block.
TEST(NameIndexTest, FindsNamesAcrossItsBlocks) {
    std::mt19937 random(11);
    std::set<std::string> unique;
    while (unique.size() < 150000) {
        std::string name;
        for (int k = 0; k < 16; ++k)
            name += static_cast<char>('a' + random() % 20);
        unique.insert(name);
    }
    const std::vector<std::string> names(unique.begin(), unique.end());
    TNameIndex index;
    index.Build(static_cast<uint32_t>(names.size()), [&](uint32_t i, std::string& out) { out = names[i]; });
    ASSERT_GT(index.MemoryBytes(), 2u << 20);
    for (size_t i = 0; i < names.size(); i += 16) {
        bool found = false;
        index.Near(names[i], 1,
                   [&](uint32_t entry, int distance, uint32_t) { found |= entry == i && distance == 0; });
        ASSERT_TRUE(found) << i;
        ASSERT_EQ(index.Equal(names[i]), std::vector<uint32_t>{static_cast<uint32_t>(i)});
    }
}

TEST_F(TNameMatcherTest, WritesTsvWithEscapes) {
    const TNameMatcher matcher(Tree, AppFile("genus.dat"));
    std::ostringstream out;
    WriteMatchTsv(out, matcher, "aurovelis\r\n\r\nTrichovelis\tx\\y\nKorvus\n");
    EXPECT_EQ(out.str(), std::string(MatchTsvHeader) +
                             "aurovelis\tfolded\tAurovelis\tAerokorvea > Aurovelidae > Aurovelis\tGenus\t\n"
                             "Trichovelis\\tx\\\\y\tplanned\tTrichovelis\tAerokorvea > Aurovelidae > "
                             "Trichovelis\tGenus\t\n"
                             "Korvus\tnone\t\t\t\t\n");
}

} // namespace
