#pragma once
// The persisted options in "options.ini".

#include "Dates.h"

#include <string>

struct TOptions {
    float AppVersion = 0.0f;  // UserInfo/AppVersion
    int Id = -1;              // Server/Id; negative = no user id yet
    std::string URL;          // Server/URL; the default server URL when empty
    TDate LastUpdate = 0;     // Server/LastUpdate
    int ListType = 3;         // Window/ListType: display mode 1..3
    bool SaveTree = true;     // Window/SaveTree
    bool OfflineMode = false; // Server/OfflineMode

    TOptions(); // the defaults above, URL = DefaultServerURL
};

// Reads "options.ini" into the global Options (missing file or keys give the
// defaults; an empty URL gives the default URL; ListType <= 0 becomes 1).
// Returns Window/TaxonomySize, `defaultTaxonomySize` when missing, unreadable
// or negative.
int ReadOptions(int defaultTaxonomySize);
// Writes exactly the keys written at shut-down: UserInfo/AppVersion = 2.2,
// Server/LastUpdate, Server/URL, Server/OfflineMode, Window/ListType and
// Window/TaxonomySize. Server/Id and Window/SaveTree are left alone.
void WriteOptionsAtShutdown(int taxonomySize);
// Starts this run off-line without changing the stored option (--offline): ReadOptions then
// turns OfflineMode on, and shut-down keeps the stored value unless the user turned it off.
void SetOfflineForThisRun(bool offline);
// The options as at a fresh start, before the options file is read; the offline choices too.
void ResetOptions();
// Writes Server/Id at once (when the server hands out a user id).
void WriteOptionId();
// The submitter's details in section UserInfo (empty by default).
void ReadSubmitterInfo(std::string& name, std::string& email);
void WriteSubmitterInfo(const std::string& name, const std::string& email);
// The folder Export Branch last wrote to, in section "Viewer" (keys of this program's own, apart
// from the sections above); empty when never set.
std::string ReadExportFolder();
void WriteExportFolder(const std::string& folder);
// The folder a summary was last saved to as PDF, in "Viewer" too; empty when never set.
std::string ReadSummaryFolder();
void WriteSummaryFolder(const std::string& folder);
// The main window's size, place and maximised state, as the window encodes them, in "Viewer"
// too; empty when never stored.
std::string ReadWindowGeometry();
void WriteWindowGeometry(const std::string& geometry);
