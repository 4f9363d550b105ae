#include "TempFolder.h"

namespace {
const char* const TemplateNames[] = {"rtfhead.tem",      "specieshead.tem", "rtffoot.tem",     "taxonomy.tem",
                                     "genus.tem",        "species.tem",     "waitforname.tem", "nodata.tem",
                                     "datanotfound.tem", "searchhlp.tem"};
}

class TProgramFilesTest : public TStoreTest {
protected:
    void WriteTemplates() {
        for (const char* name : TemplateNames)
            Write(name, std::string("text of ") + name + "\n");
    }
};

TEST_F(TProgramFilesTest, LoadsEverything) {
    WriteTemplates();
    Write("summarycode.dat", "[Codes]\r\nBold=\\b\r\n[URLS]\r\nhome=http://x/\r\n[captions]\r\nhome=Home\r\n"
                             "[Misc]\r\nhighlighttext=\\cf2\r\n");
    Write("netpaths.dat",
          "[velmora]\nUserControl=cgi?cmd=%s&file=%s%s\nDetailDb=db/%d/%d\nimagespath=img/\n");
    Write("modifiedfiles.dat", "/p/usr_order.dat\r\n\r\n/p/USR_class.dat\r\n/p/usr_class.dat\r\n");
    TreeModified = true;

    LoadProgramFiles();
    EXPECT_FALSE(TreeModified);
    EXPECT_EQ(RtfHeadText, "text of rtfhead.tem\r\n");
    EXPECT_EQ(SearchHelpText, "text of searchhlp.tem\r\n");
    EXPECT_EQ(DataNotFoundTemplate, "text of datanotfound.tem\r\n");
    EXPECT_EQ(SummaryCodes, (TStringList{"Bold=\\b"}));
    EXPECT_EQ(SummaryUrls, (TStringList{"home=http://x/"}));
    EXPECT_EQ(SummaryCaptions, (TStringList{"home=Home"}));
    EXPECT_EQ(SummaryMisc, (TStringList{"highlighttext=\\cf2"}));
    EXPECT_EQ(NetPaths.UserControl, "cgi?cmd=%s&file=%s%s");
    EXPECT_EQ(NetPaths.DetailDb, "db/%d/%d");
    EXPECT_EQ(NetPaths.ImagesPath, "img/");
    EXPECT_EQ(NetPaths.TaxonomyDb, "");

    // Sorted, letter case ignored, empty lines and repeats dropped.
    EXPECT_EQ(ModifiedFiles.Items(), (TStringList{"/p/USR_class.dat", "/p/usr_order.dat"}));
    EXPECT_TRUE(ModifiedFiles.Contains("/P/USR_ORDER.DAT"));
    EXPECT_FALSE(ModifiedFiles.Add("/p/Usr_Order.dat"));
    EXPECT_TRUE(ModifiedFiles.Add("/p/usr_genus.dat"));
    EXPECT_TRUE(ModifiedFiles.Add("/p/aaa.dat"));
    EXPECT_EQ(ModifiedFiles.Items(),
              (TStringList{"/p/aaa.dat", "/p/USR_class.dat", "/p/usr_genus.dat", "/p/usr_order.dat"}));
    SaveModifiedFiles();
    EXPECT_EQ(Read("modifiedfiles.dat"),
              "/p/aaa.dat\r\n/p/USR_class.dat\r\n/p/usr_genus.dat\r\n/p/usr_order.dat\r\n");
    ModifiedFiles.Clear();
    SaveModifiedFiles();
    EXPECT_EQ(Read("modifiedfiles.dat"), "");
}

TEST_F(TProgramFilesTest, MissingOptionalFilesGiveEmptyValues) {
    WriteTemplates();
    SummaryCodes = {"stale=1"};
    NetPaths.UserControl = "stale";
    ModifiedFiles.Add("/stale");
    LoadProgramFiles();
    EXPECT_TRUE(SummaryCodes.empty());
    EXPECT_TRUE(SummaryMisc.empty());
    EXPECT_EQ(NetPaths.UserControl, "");
    EXPECT_TRUE(ModifiedFiles.Empty());
    EXPECT_FALSE(FileExists(AppFile("modifiedfiles.dat")));
}

TEST_F(TProgramFilesTest, MissingTemplateStopsLoading) {
    WriteTemplates();
    std::filesystem::remove(PathOf("genus.tem"));
    Write("netpaths.dat", "[Velmora]\nTaxonomyDb=tree\n");
    NetPaths.TaxonomyDb.clear();
    RtfHeadText.clear();
    try {
        LoadProgramFiles();
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("genus.tem"), std::string::npos);
    }
    EXPECT_EQ(RtfHeadText, "text of rtfhead.tem\r\n"); // read before the failure
    EXPECT_EQ(NetPaths.TaxonomyDb, "");                // later steps not performed
}

TEST(Status, HookReceivesTexts) {
    std::vector<std::string> seen;
    SetStatus("nobody listens"); // no hook: nothing happens
    SetStatusHook([&](const std::string& t) { seen.push_back(t); });
    SetStatus("Generating taxonomy tree...");
    SetStatusHook({});
    SetStatus("Ready");
    EXPECT_EQ(seen, (std::vector<std::string>{"Generating taxonomy tree..."}));
}
