#include "DataFolder.h"

#include "Constants.h"
#include "Errors.h"
#include "Platform.h"
#include "TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// "/usr/bin/" -> "/usr/"; "/" stays.
std::string ParentFolder(const std::string& folder) {
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// The file whose presence says a folder holds the program's data.
const char* const MarkerFile = TaxonomyTemplateFileName;

std::string PerUserFolder(const TDataFolderRequest& request) {
    // Relative values of XDG_DATA_HOME are invalid and are ignored.
    if (!request.XdgDataHome.empty() && request.XdgDataHome.front() == '/')
        return WithSlash(request.XdgDataHome) + DataFolderName + "/";
    if (request.Home.empty())
        throw EFOpenError("Cannot find the home folder for the program's files");
    return WithSlash(request.Home) + ".local/share/" + DataFolderName + "/";
}

TDataFolder MakeFolder(const std::string& folder, const std::string& shipped) {
    TDataFolder result{folder, shipped, false};
    if (!ForceDirectories(folder))
        throw EFOpenError("Cannot create folder " + folder);
    if (!shipped.empty() && !HoldsProgramData(folder) && !SameFolder(shipped, folder)) {
        SeedDataFolder(shipped, folder);
        result.Seeded = true;
    }
    return result;
}

// The files of a program folder that the program reads. A build keeps its executable and
// whatever else beside them; none of that is data.
bool IsDataFileName(const std::string& name) {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all(LevelFiles.begin(), LevelFiles.end());
        all.insert(all.end(), UserLevelFiles.begin(), UserLevelFiles.end());
        for (const char* name :
             {RtfHeadFileName, SpeciesHeadFileName, RtfFootFileName, TaxonomyTemplateFileName,
              GenusTemplateFileName, SpeciesTemplateFileName, WaitForNameTemplateFileName,
              NoDataTemplateFileName, DataNotFoundTemplateFileName, SearchHelpFileName, TreeStateFileName,
              OptionsFileName, NetPathsFileName, SummaryCodeFileName, ModifiedFilesFileName,
              AnnouncementFileName, HelpFileName})
            all.emplace_back(name);
        return all;
    }();
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The pictures' folder as a path component ("images/" without its slash).
const fs::path ImagesFolder = fs::path(ImagesFolderName).parent_path();

} // namespace

bool HoldsProgramData(const std::string& folder) {
    return FileExists(WithSlash(folder) + MarkerFile);
}

std::string ShippedDataFolder(const std::string& executableFolder) {
    if (HoldsProgramData(executableFolder))
        return WithSlash(executableFolder);
    const std::string installed = ParentFolder(executableFolder) + "share/" + DataFolderName + "/";
    return HoldsProgramData(installed) ? installed : std::string();
}

void SeedDataFolder(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(from, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(from);
        const bool inImages = *relative.begin() == ImagesFolder;
        // An entry that cannot be looked at (a dangling link) is no data; it ends nothing.
        std::error_code entryError;
        // Only the pictures' folder is data among the folders.
        if (!inImages && it->is_directory(entryError))
            it.disable_recursion_pending();
        const std::string name = it->path().filename().string();
        // A half-written file left by a killed run of a program folder is no data.
        if (name.find(".~tmp") != std::string::npos)
            continue;
        if ((inImages || IsDataFileName(name)) && it->is_regular_file(entryError))
            files.push_back(relative);
    }
    if (ec)
        throw EFOpenError::CannotOpen(from);
    // The marker last: until it is there, the next start completes the copy.
    std::stable_partition(files.begin(), files.end(), [](const fs::path& p) { return p != MarkerFile; });
    const std::string source = WithSlash(from);
    const std::string target = WithSlash(to);
    for (const fs::path& file : files) {
        const std::string destination = target + file.string();
        if (fs::exists(fs::symlink_status(destination, ec)))
            continue;
        if (!ForceDirectories(ExtractFilePath(destination)))
            // A file where a folder belongs is what "exists" means here.
            throw EFOpenError::CannotCreate(destination, errno == EEXIST ? ENOTDIR : errno);
        WriteTextFileAtomic(destination, ReadFileBytes(source + file.string()));
        // The copy keeps the data's date: the update reminder counts from the tree file's.
        const auto written = fs::last_write_time(source + file.string(), ec);
        if (!ec)
            fs::last_write_time(destination, written, ec);
    }
}

TDataFolder ChooseDataFolder(const TDataFolderRequest& request) {
    const std::string shipped = ShippedDataFolder(request.ExecutableFolder);
    if (!request.ExplicitFolder.empty()) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(request.ExplicitFolder, ec);
        if (ec)
            throw EFOpenError::CannotOpen(request.ExplicitFolder);
        return MakeFolder(WithSlash(absolute.lexically_normal().string()), shipped);
    }
    // A build or an unpacked copy: everything stays beside the executable, as it always has.
    if (!shipped.empty() && SameFolder(shipped, request.ExecutableFolder) && request.CanWrite &&
        request.CanWrite(request.ExecutableFolder))
        return {WithSlash(request.ExecutableFolder), shipped, false};
    return MakeFolder(PerUserFolder(request), shipped);
}

TDataFolderRequest DataFolderRequestFromEnvironment(const std::string& explicitFolder) {
    TDataFolderRequest request;
    request.ExecutableFolder = ExecutableFolder();
    request.ExplicitFolder = explicitFolder;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"))
        request.XdgDataHome = xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        request.Home = home;
    else if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        request.Home = entry->pw_dir;
    request.CanWrite = [](const std::string& folder) { return access(folder.c_str(), W_OK) == 0; };
    return request;
}
