// Export Branch in the store: the format a name chooses, and a cancelled export. The files
// themselves are read back by Python's csv, zipfile and XML parser (test_export_branch.py).
#include "BranchExport.h"
#include "TempFolder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {
class TBranchExportTest : public TStoreTest {};

TEST_F(TBranchExportTest, FormatFollowsTheName) {
    const struct {
        const char* Path;
        TExportFormat Format;
    } cases[] = {{"/a/b.zip", TExportFormat::DarwinCore}, {"b.ZiP", TExportFormat::DarwinCore},
                 {"/a/b.csv", TExportFormat::Csv},        {"/a.zip/b", TExportFormat::Csv},
                 {"/a/b.zipx", TExportFormat::Csv},       {"/a/b", TExportFormat::Csv}};
    for (const auto& c : cases)
        EXPECT_EQ(ExportFormatOf(c.Path), c.Format) << c.Path;
}

// The reading of text fields reaches the text a reader sees, a line at a time, and nothing else:
// ids, names, tree info, picture credits and paths are written as stored.
TEST_F(TBranchExportTest, TextFieldsGoThroughTheReadingLineByLine) {
    Write("classifytree.dat", "#c1#Kor#k info\r\n\t\t\t\t\t#g1#Alpha#a info\r\n");
    Write("class.dat", "c1#Kor#c meaning#c one|c two\r\n");
    Write("genus.dat", "g1#Alpha#g meaning#g one|g two#type#common#a.gif#Ann#http://a#Bo#http://b#kw\r\n"
                       "\t#una#s meaning#s one|s two\r\n");
    TTaxonomyTree taxa;
    ASSERT_EQ(LoadTree(taxa), 0);
    const TExportText mark = [](std::string_view line) { return "[" + std::string(line) + "]"; };
    ExportBranch(taxa.First(), PathOf("out.csv"), TExportFormat::Csv, {}, mark);
    EXPECT_EQ(Read("out.csv"),
              "level,id,name,info,meaning,description,korvel_type,common_name,picture,picture_copyright,"
              "picture_copyright_url,picture_owner,picture_owner_url,keywords,path\r\n"
              "Class,c1,Kor,k info,[c meaning],\"[c one]\n[c two]\",,,,,,,,,Kor\r\n"
              "Genus,g1,Alpha,a info,[g meaning],\"[g one]\n[g two]\",[type],[common],a.gif,Ann,http://a,Bo,"
              "http://b,[kw],Kor > Alpha\r\n"
              "Species,,una,,[s meaning],\"[s one]\n[s two]\",,,,,,,,,Kor > Alpha > una\r\n");
}

TEST_F(TBranchExportTest, CancelAndFailureLeaveThePreviousFile) {
    std::string tree = "#c1#Korvelia#k\r\n";
    for (int i = 0; i < 10000; ++i)
        tree += "\t\t\t\t\t#g" + std::to_string(i) + "#G" + std::to_string(i) + "#i\r\n";
    Write("classifytree.dat", tree);
    TTaxonomyTree taxa;
    ASSERT_EQ(LoadTree(taxa), 0);
    EXPECT_EQ(CountBranches(taxa.First()), 10001u);
    for (const char* name : {"out.csv", "out.zip"}) {
        Write(name, "previous");
        std::vector<size_t> seen;
        EXPECT_THROW(ExportBranch(taxa.First(), PathOf(name), ExportFormatOf(name),
                                  [&seen](size_t done) {
                                      seen.push_back(done);
                                      return seen.size() < 2;
                                  }),
                     EAbort);
        EXPECT_EQ(seen, (std::vector<size_t>{4096, 8192}));
        EXPECT_EQ(Read(name), "previous");
    }
    // A folder that is not there: the error names the file, and it is not taken for a full disk.
    try {
        ExportBranch(taxa.First(), PathOf("gone/out.csv"), TExportFormat::Csv);
        ADD_FAILURE() << "no error";
    } catch (const EOrvError& e) {
        EXPECT_FALSE(IsDiskFull(e));
        EXPECT_NE(ExportErrorText(PathOf("gone/out.csv"), e).find("gone/out.csv"), std::string::npos);
    }
    EXPECT_TRUE(IsDiskFull(EWriteError("Cannot write file x: " + std::string(std::strerror(ENOSPC)))));
    // Nothing but the files written by the test is left in the folder.
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Folder))
        ++files;
    EXPECT_EQ(files, 3u);
}
} // namespace
