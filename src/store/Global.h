#pragma once
// Program-wide data and the helpers every layer uses.

#include "Constants.h"
#include "Dates.h"
#include "Detail.h"
#include "Errors.h"
#include "Fields.h"
#include "Format.h"
#include "ModifiedFileList.h"
#include "Options.h"
#include "Platform.h"
#include "StrUtils.h"
#include "TaxonomyData.h"
#include "TextEncoding.h"
#include "TextFiles.h"

#include <functional>
#include <string>

// Server paths from "netpaths.dat", section "Velmora".
struct TQXNetPaths {
    std::string UserControl;
    std::string SurveyPage;
    std::string SubmitPage;
    std::string TaxonomyDb;
    std::string DetailDb;
    std::string ImagesPath;
    std::string AnatomyImagesPath;
};

extern TOptions Options;
extern TQXNetPaths NetPaths;

// The ten template texts.
extern std::string RtfHeadText;
extern std::string SpeciesHeadText;
extern std::string RtfFootText;
extern std::string TaxonomyTemplate;
extern std::string GenusTemplate;
extern std::string SpeciesTemplate;
extern std::string WaitForNameTemplate;
extern std::string NoDataTemplate;
extern std::string DataNotFoundTemplate;
extern std::string SearchHelpText;

// name=value lines from "summarycode.dat".
extern TStringList SummaryCodes;    // [Codes]
extern TStringList SummaryUrls;     // [Urls]
extern TStringList SummaryCaptions; // [Captions]
extern TStringList SummaryMisc;     // [Misc]

extern TModifiedFileList ModifiedFiles;

// The selected branch's record (the editor keeps its own copy).

extern bool TreeModified; // the tree's content changed this run

// Puts every program-wide value above back to its state at program start, the settings of kept
// readings of files (FileStamp.h) and the status hook (tests run many program lives in one
// process; the program itself starts from these values and never needs it).
void ResetProgramState();

// Loads templates, summary codes, net paths and the modified-files list, in
// that order. A missing template throws EFOpenError (values read before it
// stay); missing INI files or "modifiedfiles.dat" give empty values.
void LoadProgramFiles();
// Only the summary codes, from "summarycode.dat" (a missing file gives empty lists).
void LoadSummaryCodes();
// Writes ModifiedFiles to "modifiedfiles.dat", one path per line.
void SaveModifiedFiles();

// The one status line. The app installs the hook (splash or status bar);
// without one, SetStatus does nothing.
using TStatusHook = std::function<void(const std::string&)>;
void SetStatusHook(TStatusHook hook);
void SetStatus(const std::string& text);
