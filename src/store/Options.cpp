#include "Options.h"

#include "Constants.h"
#include "Global.h"
#include "Ini.h"
#include "Platform.h"

TOptions::TOptions() : URL(DefaultServerURL) {}

namespace {
bool OfflineForThisRun = false;
bool StoredOfflineMode = false;
} // namespace

void SetOfflineForThisRun(bool offline) {
    OfflineForThisRun = offline;
}

void ResetOptions() {
    Options = TOptions();
    OfflineForThisRun = false;
    StoredOfflineMode = false;
}

int ReadOptions(int defaultTaxonomySize) {
    const TIniFile ini(AppFile(OptionsFileName));
    const TOptions defaults;
    Options.AppVersion = ini.ReadFloat("UserInfo", "AppVersion", defaults.AppVersion);
    Options.Id = ini.ReadInteger("Server", "Id", defaults.Id);
    Options.URL = ini.ReadString("Server", "URL", defaults.URL);
    if (Options.URL.empty())
        Options.URL = DefaultServerURL;
    Options.LastUpdate = ini.ReadDate("Server", "LastUpdate", defaults.LastUpdate);
    Options.SaveTree = ini.ReadBool("Window", "SaveTree", defaults.SaveTree);
    StoredOfflineMode = ini.ReadBool("Server", "OfflineMode", defaults.OfflineMode);
    Options.OfflineMode = StoredOfflineMode || OfflineForThisRun;
    Options.ListType = ini.ReadInteger("Window", "ListType", defaults.ListType);
    if (Options.ListType <= 0)
        Options.ListType = 1;
    const int size = ini.ReadInteger("Window", "TaxonomySize", defaultTaxonomySize);
    return size < 0 ? defaultTaxonomySize : size;
}

void WriteOptionsAtShutdown(int taxonomySize) {
    TIniFile ini(AppFile(OptionsFileName));
    ini.WriteFloat("UserInfo", "AppVersion", ProgramVersion);
    ini.WriteDate("Server", "LastUpdate", Options.LastUpdate);
    ini.WriteString("Server", "URL", Options.URL);
    ini.WriteBool("Server", "OfflineMode",
                  OfflineForThisRun && Options.OfflineMode ? StoredOfflineMode : Options.OfflineMode);
    ini.WriteInteger("Window", "ListType", Options.ListType);
    ini.WriteInteger("Window", "TaxonomySize", taxonomySize);
    ini.UpdateFile();
}

void WriteOptionId() {
    TIniFile ini(AppFile(OptionsFileName));
    ini.WriteInteger("Server", "Id", Options.Id);
    ini.UpdateFile();
}

void ReadSubmitterInfo(std::string& name, std::string& email) {
    const TIniFile ini(AppFile(OptionsFileName));
    name = ini.ReadString("UserInfo", "Name", "");
    email = ini.ReadString("UserInfo", "Email", "");
}

void WriteSubmitterInfo(const std::string& name, const std::string& email) {
    TIniFile ini(AppFile(OptionsFileName));
    ini.WriteString("UserInfo", "Name", name);
    ini.WriteString("UserInfo", "Email", email);
    ini.UpdateFile();
}

std::string ReadExportFolder() {
    return TIniFile(AppFile(OptionsFileName)).ReadString("Viewer", "ExportFolder", "");
}

std::string ReadWindowGeometry() {
    return TIniFile(AppFile(OptionsFileName)).ReadString("Viewer", "WindowGeometry", "");
}

void WriteWindowGeometry(const std::string& geometry) {
    TIniFile ini(AppFile(OptionsFileName));
    ini.WriteString("Viewer", "WindowGeometry", geometry);
    ini.UpdateFile();
}

void WriteExportFolder(const std::string& folder) {
    TIniFile ini(AppFile(OptionsFileName));
    ini.WriteString("Viewer", "ExportFolder", folder);
    ini.UpdateFile();
}

std::string ReadSummaryFolder() {
    return TIniFile(AppFile(OptionsFileName)).ReadString("Viewer", "SummaryFolder", "");
}

void WriteSummaryFolder(const std::string& folder) {
    TIniFile ini(AppFile(OptionsFileName));
    ini.WriteString("Viewer", "SummaryFolder", folder);
    ini.UpdateFile();
}
