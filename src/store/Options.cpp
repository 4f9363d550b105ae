#include "Options.h"

#include "Constants.h"
#include "Global.h"
#include "Ini.h"
#include "Platform.h"

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

int ReadOptions() {
    const TIniFile ini(AppFile(OptionsFileName));
    for (TSettingBase* setting : Options.All())
        setting->Read(ini);
    StoredOfflineMode = Options.OfflineMode;
    Options.OfflineMode = StoredOfflineMode || OfflineForThisRun;
    return Options.TaxonomySize;
}

void WriteOptionsAtShutdown(int taxonomySize) {
    Options.AppVersion = ProgramVersion;
    Options.TaxonomySize = taxonomySize;
    // A run started off-line by the command line keeps the stored choice, unless the user went on-line.
    const bool offline = OfflineForThisRun && Options.OfflineMode ? StoredOfflineMode : Options.OfflineMode;
    TIniFile ini(AppFile(OptionsFileName));
    const std::vector<TSettingBase*> all = Options.All();
    for (size_t i = 0; i < TOptions::WrittenAtShutdown; ++i) {
        if (all[i] == &Options.OfflineMode)
            ini.WriteBool(all[i]->Section(), all[i]->Key(), offline);
        else
            all[i]->Write(ini);
    }
    ini.UpdateFile();
}

void WriteOptionId() {
    TIniFile ini(AppFile(OptionsFileName));
    Options.Id.Write(ini);
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
