#pragma once
// The persisted options in "options.ini".

#include "Constants.h"
#include "Dates.h"
#include "Setting.h"

#include <cstdint>
#include <string>
#include <vector>

// How the tree's captions show a branch (Window/ListType).
enum class TListType { ScientificName = 1, Info = 2, Both = 3 };
// The tree's display mode for a list type (the number the captions are made by).
inline int DisplayModeOf(TListType type) {
    return static_cast<int>(type);
}
template <> struct TIniIo<TListType> {
    static TListType Read(const TIniFile& ini, const char* s, const char* k, TListType d) {
        return static_cast<TListType>(ini.ReadInteger(s, k, static_cast<int>(d)));
    }
    static void Write(TIniFile& ini, const char* s, const char* k, TListType v) {
        ini.WriteInteger(s, k, static_cast<int>(v));
    }
};

struct TOptions {
    static std::int64_t PositiveOr(const std::int64_t& read, const std::int64_t& def) {
        return read > 0 ? read : def;
    }

    TSetting<float> AppVersion{"UserInfo", "AppVersion", 0.0f};
    TSetting<TDate, TIniDateIo> LastUpdate{"Server", "LastUpdate", 0};
    // The default server URL when empty.
    TSetting<std::string> URL{
        "Server", "URL", DefaultServerURL,
        [](const std::string& read, const std::string& def) { return read.empty() ? def : read; }};
    TSetting<bool> OfflineMode{"Server", "OfflineMode", false};
    // 0 and below read as 1.
    TSetting<TListType> ListType{"Window", "ListType", TListType::Both,
                                 [](const TListType& read, const TListType&) {
                                     return static_cast<int>(read) <= 0 ? TListType::ScientificName : read;
                                 }};
    // The tree pane's width; the window gives the default, a negative width reads as it.
    TSetting<int> TaxonomySize{"Window", "TaxonomySize", 225,
                               [](const int& read, const int& def) { return read < 0 ? def : read; }};
    // Negative: no user id yet. Written when the server hands one out, not at shut-down.
    TSetting<int> Id{"Server", "Id", -1};
    // Only read: the user edits it in the file.
    TSetting<bool> SaveTree{"Window", "SaveTree", true};
    // Downloads larger than these many bytes stop and keep the previous file. Only read; a
    // value not above 0 reads as the default.
    TSetting<std::int64_t> MaxTreeDownload{"Viewer", "MaxTreeDownload", std::int64_t(2) << 30, PositiveOr};
    TSetting<std::int64_t> MaxDatabaseDownload{"Viewer", "MaxDatabaseDownload", std::int64_t(4) << 30,
                                               PositiveOr};

    // Every setting, in the order shut-down writes the first six of them.
    std::vector<TSettingBase*> All() {
        return {&AppVersion,   &LastUpdate, &URL,      &OfflineMode,     &ListType,
                &TaxonomySize, &Id,         &SaveTree, &MaxTreeDownload, &MaxDatabaseDownload};
    }
    static constexpr size_t WrittenAtShutdown = 6;
};

// Reads "options.ini" into the global Options (missing file or keys give the defaults, each
// setting fixes what it cannot take). Returns Window/TaxonomySize.
int ReadOptions();
// Writes exactly the keys written at shut-down, the first TOptions::WrittenAtShutdown settings:
// UserInfo/AppVersion = 2.2, Server/LastUpdate, Server/URL, Server/OfflineMode, Window/ListType
// and Window/TaxonomySize. Server/Id and Window/SaveTree are left alone.
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
