#include "DetailCache.h"
#include "FileStamp.h"
#include "TempFolder.h"

#include <fstream>

namespace {
TTaxonomyData GenusNode(const std::string& id, const std::string& name = "TreeName") {
    return TTaxonomyData("\t\t\t\t\t", id, name, "tree info");
}
} // namespace

TEST_F(TStoreTest, ReadBranchRecords) {
    TTaxonomyDetail r;
    const TTaxonomyData order("\t\t", "o1", "TreeOrder", "oi");
    ReadDetail(order, r);
    EXPECT_EQ(r.Level, -1); // database missing

    Write("order.dat", "o0#Zero#m0#d0\r\n"
                       "o1#First#meaning#line one|line two\r\n"
                       "o1#Second#m#d\r\n"
                       "o2#Short\r\n");
    ReadDetail(order, r);
    EXPECT_EQ(r.Level, 2);
    EXPECT_EQ(r.Id, "o1");
    EXPECT_EQ(r.Name, "First"); // branch names come from the database
    EXPECT_EQ(r.Meaning, "meaning");
    EXPECT_EQ(r.Info, "oi");
    EXPECT_EQ(r.Description, "line one\nline two");

    ReadDetail(TTaxonomyData("\t\t", "o2", "N", ""), r);
    EXPECT_EQ(r.Name, "Short");
    EXPECT_EQ(r.Meaning, ""); // not carried over from the previous record
    EXPECT_EQ(r.Description, "");

    ReadDetail(TTaxonomyData("\t\t", "O1", "N", ""), r); // ids compare exactly
    EXPECT_EQ(r.Level, -1);
    EXPECT_EQ(r.Id, "");
    ReadDetail(TTaxonomyData("\t\t", "", "N", ""), r);
    EXPECT_EQ(r.Level, -2);
}

TEST_F(TStoreTest, ReadGenusWithSpecies) {
    Write("genus.dat", "g0#A#m#d#t#c#-#cr#cu#ow#ou#kw\r\n"
                       "\t#sp0#m#d\r\n"
                       "g1#DbName#mean#desc|more#type#common#g1.jpg#cr#http://cr#own#http://own\r\n"
                       "\t#alpha#m1#d1\r\n"
                       "\t#beta#m2#d2\r\n"
                       "\r\n"
                       "\t#gamma#m3#d3\r\n"
                       "g2#X\r\n");
    TTaxonomyDetail r;
    ReadDetail(GenusNode("g0"), r);
    EXPECT_EQ(r.Genus.Keywords, "kw");
    auto shared = r.Genus.Species; // a copy shares the list

    ReadDetail(GenusNode("g1"), r);
    EXPECT_EQ(r.Level, 5);
    EXPECT_EQ(r.Name, "TreeName"); // genus names come from the tree
    EXPECT_EQ(r.Info, "tree info");
    EXPECT_EQ(r.Description, "desc\nmore");
    EXPECT_EQ(r.Genus.KorvelType, "type");
    EXPECT_EQ(r.Genus.CommonName, "common");
    EXPECT_EQ(r.Genus.ImageFile, "g1.jpg");
    EXPECT_EQ(r.Genus.ImgCopyright, "cr");
    EXPECT_EQ(r.Genus.ImgCopyrightURL, "http://cr");
    EXPECT_EQ(r.Genus.ImgOwner, "own");
    EXPECT_EQ(r.Genus.ImgOwnerURL, "http://own");
    EXPECT_EQ(r.Genus.Keywords, ""); // eleven fields: empty keywords, whatever came before
    EXPECT_EQ(*r.Genus.Species, (TStringList{"\t#alpha#m1#d1", "\t#beta#m2#d2"}));
    EXPECT_EQ(shared.get(), r.Genus.Species.get());

    // A species line is never a record, even when its first field matches.
    ReadDetail(GenusNode("\t"), r);
    EXPECT_EQ(r.Level, -1);
    EXPECT_TRUE(r.Genus.Species->empty());
}

TEST_F(TStoreTest, ReadDetailSeesEveryChangeOfTheFile) {
    Write("family.dat", "f1#Old#m#d\r\n");
    TTaxonomyDetail r;
    const TTaxonomyData fam("\t\t\t\t", "f1", "", "");
    ReadDetail(fam, r);
    EXPECT_EQ(r.Name, "Old");
    Write("family.dat", "f1#New#m#d\r\n"); // same size, replaced
    ReadDetail(fam, r);
    EXPECT_EQ(r.Name, "New");
    // Rewritten in place with the same size.
    { std::ofstream(PathOf("family.dat"), std::ios::binary | std::ios::in) << "f1#Neu"; }
    ReadDetail(fam, r);
    EXPECT_EQ(r.Name, "Neu");
    std::filesystem::remove(PathOf("family.dat"));
    ReadDetail(fam, r);
    EXPECT_EQ(r.Level, -1);
}

TEST_F(TStoreTest, SaveDetailReplacesAndAppends) {
    Write("usr_order.dat", "a#A#m#d\r\nx#X#m#d\r\nb#B#m#d\r\nb#B2#m#d\r\n");
    TTaxonomyDetail current;
    current.Level = 2;
    current.Id = "a";
    TTaxonomyDetail edited = current;
    edited.Id = "b";
    edited.Name = "Bee";
    edited.Meaning = "bm";
    edited.Info = "never written";
    edited.Description = "one\r\ntwo\nthree";
    SaveDetail(edited, current, true);
    EXPECT_EQ(Read("usr_order.dat"), "x#X#m#d\r\nb#Bee#bm#one|two|three\r\n");
    EXPECT_EQ(ModifiedFiles.Items(), (TStringList{AppFile("usr_order.dat")}));
    EXPECT_EQ(Read("modifiedfiles.dat"), AppFile("usr_order.dat") + "\r\n");

    // A second save adds nothing to the list; the database is created when missing.
    std::filesystem::remove(PathOf("modifiedfiles.dat"));
    SaveDetail(edited, edited, true);
    EXPECT_FALSE(FileExists(AppFile("modifiedfiles.dat")));
    SaveDetail(edited, current, false);
    EXPECT_EQ(Read("order.dat"), "b#Bee#bm#one|two|three\r\n");
    EXPECT_EQ(ModifiedFiles.Count(), 1u);

    // A record without an id could never be found or removed again.
    TTaxonomyDetail noId = edited;
    noId.Id.clear();
    EXPECT_THROW(SaveDetail(noId, edited, false), EOrvError);
    EXPECT_EQ(Read("order.dat"), "b#Bee#bm#one|two|three\r\n");

    TTaxonomyDetail noLevel = edited;
    noLevel.Level = -1;
    EXPECT_THROW(SaveDetail(noLevel, noLevel, false), EOrvError);
    EXPECT_FALSE(FileExists(AppFile("classifytree.dat")));
}

TEST_F(TStoreTest, SaveGenusKeepsSpeciesTogether) {
    Write("genus.dat", "g1#G#m#d#t#c#-#a#b#c#d#k\r\n\t#s1#m#d\r\n\t#s2#m#d\r\n\r\n\t#s3#m#d\r\n"
                       "g2#H#m#d#t#c#-#a#b#c#d#k\r\n");
    TTaxonomyDetail r;
    ReadDetail(GenusNode("g1", "G"), r);
    r.Description = "l1\nl2\nl3";
    r.Genus.Species->push_back("\t#s4#m#d");
    SaveDetail(r, r, false);
    EXPECT_EQ(Read("genus.dat"),
              "g2#H#m#d#t#c#-#a#b#c#d#k\r\n"
              "g1#G#m#l1|l2|l3#t#c#-#a#b#c#d#k\r\n\t#s1#m#d\r\n\t#s2#m#d\r\n\t#s4#m#d\r\n");
    TTaxonomyDetail back;
    ReadDetail(GenusNode("g1", "G"), back);
    EXPECT_EQ(back.Description, "l1\nl2\nl3");
    EXPECT_EQ(back.Genus.Species->size(), 3u);
    EXPECT_EQ(RecordToLine(back), "g1#G#m#l1|l2|l3#t#c#-#a#b#c#d#k");
}

TEST_F(TStoreTest, DeleteRecordAndRemoveLines) {
    EXPECT_FALSE(DeleteRecord("g1", 5, false, true));
    EXPECT_FALSE(FileExists(AppFile("genus.dat"))); // stays missing

    const std::string text = "g1#G\r\n\t#s1\r\n\t#s2\r\n\r\n\t#s3\r\ng2#H\r\n\t#t1\r\ng1#Again\r\n";
    Write("genus.dat", text);
    EXPECT_TRUE(DeleteRecord("g1", 5, false, false));
    EXPECT_EQ(Read("genus.dat"), text);
    EXPECT_FALSE(DeleteRecord("nope", 5, false, true));
    EXPECT_FALSE(DeleteRecord("", 5, false, true));
    EXPECT_FALSE(DeleteRecord("g1", 6, false, true));
    EXPECT_EQ(Read("genus.dat"), text);
    EXPECT_TRUE(DeleteRecord("g1", 5, false, true));
    EXPECT_EQ(Read("genus.dat"), "g2#H\r\n\t#t1\r\n");

    // Branch levels remove single lines only.
    TStringList lines = {"a#1", "\t#x", "a#2", "b#3"};
    EXPECT_TRUE(RemoveRecordLines(lines, 3, "a", true));
    EXPECT_EQ(lines, (TStringList{"\t#x", "b#3"}));
    // An empty id never matches, so empty lines are safe.
    lines = {"", "\t#orphan", "b#3"};
    EXPECT_FALSE(RemoveRecordLines(lines, 5, "", true));
    EXPECT_EQ(lines.size(), 3u);
}

TEST_F(TStoreTest, CachedLookUpsMatchTheFile) {
    SetFileCacheMargin(0); // trust the index at once
    std::string text;
    for (int i = 0; i < 50; ++i) {
        text += "g" + std::to_string(i) + "#N#m#d#t#c#-#a#b#c#d#k" + std::to_string(i) + "\n";
        for (int s = 0; s < i % 3; ++s)
            text += "\t#s" + std::to_string(i) + "_" + std::to_string(s) + "#m#d\r";
    }
    text += "g7#Duplicate\n";
    Write("genus.dat", text);
    TTaxonomyDetail r;
    for (int round = 0; round < 2; ++round) {
        for (int i : {49, 0, 7, 20}) {
            ReadDetail(GenusNode("g" + std::to_string(i)), r);
            EXPECT_EQ(r.Genus.Keywords, "k" + std::to_string(i));
            EXPECT_EQ(r.Genus.Species->size(), static_cast<size_t>(i % 3));
            if (i % 3 == 2) {
                EXPECT_EQ(r.Genus.Species->back(), "\t#s" + std::to_string(i) + "_1#m#d");
            }
        }
        ReadDetail(GenusNode("g50"), r);
        EXPECT_EQ(r.Level, -1);
    }
    // A save replaces the file, and the next look-up sees it.
    ReadDetail(GenusNode("g7"), r);
    r.Genus.Keywords = "changed";
    SaveDetail(r, r, false);
    ReadDetail(GenusNode("g7"), r);
    EXPECT_EQ(r.Genus.Keywords, "changed");
    EXPECT_EQ(r.Genus.Species->size(), 1u);
    SetFileCacheMargin(2000000000LL);
}

// With FAT's two-second file times a file rewritten within one tick keeps its times, and its
// directory entry its inode number: until the tick is surely over, the index is not trusted.
TEST_F(TStoreTest, CachedLookUpsSeeAChangeWithinOneCoarseFileTimeTick) {
    long long now = 0;
    SetFileCacheTimes(
        [](struct stat& st) {
            st.st_ino = 1;
            st.st_mtim = st.st_ctim = {10, 0}; // both writes fall into the tick that began at 10 s
        },
        [&now] { return now; });
    const std::string path = PathOf("order.dat");
    std::string line;
    TStringList species;
    Write("order.dat", "a#1\r\nb#22\r\n");
    now = 11500000000LL;
    EXPECT_EQ(LookupRecord(path, false, "b", line, species), TLookupResult::Found);
    Write("order.dat", "a#11\r\nb#2\r\n"); // the same size: only the records moved
    now = 11900000000LL;
    LookupRecord(path, false, "b", line, species);
    SetFileCacheTimes({}, {});
    EXPECT_EQ(line, "b#2");
}
