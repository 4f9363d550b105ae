// The submission preview: user records against the local database of their level.
#include "SubmitPreview.h"
#include "TempFolder.h"

#include <filesystem>
#include <map>

namespace {
using TChanges = std::vector<std::vector<std::string>>;

TChanges ChangesOf(const TRecordPreview& record) {
    TChanges changes;
    for (const TFieldChange& c : record.Changes)
        changes.push_back({c.Field, c.Before, c.After});
    return changes;
}

// Every file of the folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string()] = ReadFileBytes(entry.path().string());
    return files;
}

class TSubmitPreviewTest : public TStoreTest {};

TEST_F(TSubmitPreviewTest, GenusDatabaseWithOneRecordOfEachKind) {
    Write("genus.dat", "g1#Alpha#first#Desc one.#land#Alpha korvel#a.gif#Ann#http://a#Bo#http://b#kw\r\n"
                       "\t#Alpha una#one#Sp one.\r\n"
                       "\t#Alpha duo#two#Sp two.\r\n"
                       "g2#Beta#second#B.#water#Beta korvel#-#####\r\n");
    Write("usr_genus.dat",
          "g1#Alpha#first#Desc one.|Line two.#land#Alpha korvel#a.gif#Ann#http://a#Bo#http://b#kw\r\n"
          "\t#Alpha una#one#Sp one.\r\n"
          "\t#Alpha tres#three#\r\n"
          "g2#Beta#second#B.#water#Beta korvel#-#####\r\n"
          "g9#Novus#new#N.#air#Novus korvel#n.jpg#####\r\n");
    std::filesystem::create_directory(PathOf("images"));
    Write("images/a.gif", "GIF89a");
    const auto before = Snapshot(Folder);

    const TFilePreview p = PreviewUserDatabase(PathOf("usr_genus.dat"), 5);
    EXPECT_FALSE(p.Missing);
    EXPECT_FALSE(p.NoLocal);
    EXPECT_EQ(p.LineCount, 5u);
    ASSERT_EQ(p.Records.size(), 3u);
    EXPECT_EQ(p.Records[0].State, TRecordState::Changed);
    EXPECT_EQ(p.Records[0].Id, "g1");
    EXPECT_EQ(ChangesOf(p.Records[0]), (TChanges{{"Description", "Desc one.", "Desc one.\nLine two."},
                                                 {"Species Alpha tres", "", "three"},
                                                 {"Species Alpha duo", "two\nSp two.", ""}}));
    EXPECT_EQ(p.Records[1].State, TRecordState::Unchanged);
    EXPECT_TRUE(p.Records[1].Changes.empty());
    EXPECT_EQ(p.Records[2].State, TRecordState::Added);
    EXPECT_EQ(p.Records[2].Name, "Novus");
    EXPECT_EQ(
        p.Count(TRecordState::Added) + p.Count(TRecordState::Changed) + p.Count(TRecordState::Unchanged), 3);
    EXPECT_EQ(p.Pictures, TStringList{"a.gif"});
    EXPECT_EQ(p.MissingPictures, TStringList{"n.jpg"});
    EXPECT_EQ(Snapshot(Folder), before); // nothing written
}

TEST_F(TSubmitPreviewTest, EveryKindOfFileInTheList) {
    Write("order.dat", "o1#Ordina#walkers#Old text.\r\n");
    Write("usr_order.dat", "o1#Ordina#striders#Old text.\r\n\r\no2#Secunda##\r\n");
    Write("usr_family.dat", "f1#Familia#round#\r\n"); // no family.dat: every record is new
    Write("usr_tree.dat", "#c1#Korvelia#k\r\n\t\t#o2#Secunda#s\r\n");
    const auto previews = PreviewSubmission(
        {PathOf("usr_order.dat"), PathOf("usr_family.dat"), PathOf("usr_tree.dat"), PathOf("usr_class.dat")});
    ASSERT_EQ(previews.size(), 4u);

    const TFilePreview& order = previews[0];
    EXPECT_EQ(order.Level, 2);
    ASSERT_EQ(order.Records.size(), 2u); // the empty line is no record
    EXPECT_EQ(ChangesOf(order.Records[0]), (TChanges{{"Meaning", "walkers", "striders"}}));
    EXPECT_EQ(order.Records[1].State, TRecordState::Added);

    EXPECT_TRUE(previews[1].NoLocal);
    EXPECT_EQ(previews[1].Count(TRecordState::Added), 1);

    EXPECT_EQ(previews[2].Level, -1);
    EXPECT_EQ(previews[2].Lines, (TStringList{"#c1#Korvelia#k", "\t\t#o2#Secunda#s"}));

    EXPECT_TRUE(previews[3].Missing);
    EXPECT_EQ(previews[3].Level, 0);

    const struct {
        const char* Path;
        int Level;
    } levels[] = {{"/a/usr_class.dat", 0}, {"usr_genus.dat", 5},     {"/x/usr_tree.dat", -1},
                  {"/x/genus.dat", -2},    {"/x/USR_GENUS.DAT", -2}, {"/usr_genus.dat/other", -2}};
    for (const auto& c : levels)
        EXPECT_EQ(UserFileLevel(c.Path), c.Level) << c.Path;
}
} // namespace
