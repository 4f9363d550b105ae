#include "Global.h"

#include "Dates.h"
#include "DetailCache.h"
#include "FileStamp.h"
#include "Ini.h"

#include <unistd.h>

TOptions Options;
TQXNetPaths NetPaths;

std::string RtfHeadText;
std::string SpeciesHeadText;
std::string RtfFootText;
std::string TaxonomyTemplate;
std::string GenusTemplate;
std::string SpeciesTemplate;
std::string WaitForNameTemplate;
std::string NoDataTemplate;
std::string DataNotFoundTemplate;
std::string SearchHelpText;

TStringList SummaryCodes;
TStringList SummaryUrls;
TStringList SummaryCaptions;
TStringList SummaryMisc;

TModifiedFileList ModifiedFiles;

bool TreeModified = false;

namespace {
TStatusHook& StatusHook() {
    static TStatusHook hook;
    return hook;
}
} // namespace

void SetStatusHook(TStatusHook hook) {
    StatusHook() = std::move(hook);
}

void SetStatus(const std::string& text) {
    if (StatusHook())
        StatusHook()(text);
}

void ResetProgramState() {
    ResetOptions();
    NetPaths = TQXNetPaths();
    for (std::string* text :
         {&RtfHeadText, &SpeciesHeadText, &RtfFootText, &TaxonomyTemplate, &GenusTemplate, &SpeciesTemplate,
          &WaitForNameTemplate, &NoDataTemplate, &DataNotFoundTemplate, &SearchHelpText})
        text->clear();
    for (TStringList* list : {&SummaryCodes, &SummaryUrls, &SummaryCaptions, &SummaryMisc})
        list->clear();
    ModifiedFiles.Clear();
    TreeModified = false;
    SetFileCacheMargin(DefaultFileCacheMargin);
    SetFileCacheTimes({}, {});
    ClearDetailCache();
    AtomicFileSync = fsync;
    ResetClock();
    SetStatusHook({});
}

void LoadProgramFiles() {
    TreeModified = false;

    const struct {
        const char* File;
        std::string* Text;
    } templates[] = {
        {RtfHeadFileName, &RtfHeadText},
        {SpeciesHeadFileName, &SpeciesHeadText},
        {RtfFootFileName, &RtfFootText},
        {TaxonomyTemplateFileName, &TaxonomyTemplate},
        {GenusTemplateFileName, &GenusTemplate},
        {SpeciesTemplateFileName, &SpeciesTemplate},
        {WaitForNameTemplateFileName, &WaitForNameTemplate},
        {NoDataTemplateFileName, &NoDataTemplate},
        {DataNotFoundTemplateFileName, &DataNotFoundTemplate},
        {SearchHelpFileName, &SearchHelpText},
    };
    for (const auto& t : templates)
        *t.Text = LoadTextFile(AppFile(t.File));

    LoadSummaryCodes();

    const TIniFile paths(AppFile(NetPathsFileName));
    NetPaths.UserControl = paths.ReadString("Velmora", "UserControl", "");
    NetPaths.SurveyPage = paths.ReadString("Velmora", "SurveyPage", "");
    NetPaths.SubmitPage = paths.ReadString("Velmora", "SubmitPage", "");
    NetPaths.TaxonomyDb = paths.ReadString("Velmora", "TaxonomyDb", "");
    NetPaths.DetailDb = paths.ReadString("Velmora", "DetailDb", "");
    NetPaths.ImagesPath = paths.ReadString("Velmora", "ImagesPath", "");
    NetPaths.AnatomyImagesPath = paths.ReadString("Velmora", "AnatomyImagesPath", "");

    ModifiedFiles.Clear();
    const std::string modified = AppFile(ModifiedFilesFileName);
    if (FileExists(modified))
        ModifiedFiles.Assign(ReadLines(modified));
}

void LoadSummaryCodes() {
    const TIniFile codes(AppFile(SummaryCodeFileName));
    SummaryCodes = codes.ReadSectionValues("Codes");
    SummaryUrls = codes.ReadSectionValues("Urls");
    SummaryCaptions = codes.ReadSectionValues("Captions");
    SummaryMisc = codes.ReadSectionValues("Misc");
}

void SaveModifiedFiles() {
    WriteLines(AppFile(ModifiedFilesFileName), ModifiedFiles.Items());
}
