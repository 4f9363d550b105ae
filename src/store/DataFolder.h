#pragma once
// Which folder the program keeps its files in. A build or an unpacked copy keeps them beside the
// executable; an installed copy, whose folder holds no data or cannot be written, keeps them in a
// per-user folder filled once from the installed data; --data-dir names one.

#include <functional>
#include <string>

// The folder's name under the user's data folder and under <prefix>/share.
inline constexpr const char* DataFolderName = "orvandel-viewer";

struct TDataFolderRequest {
    std::string ExecutableFolder; // trailing '/'
    std::string ExplicitFolder;   // --data-dir; empty when not given
    std::string XdgDataHome;      // $XDG_DATA_HOME; ignored unless absolute
    std::string Home;             // the user's home folder
    // Whether the program may write into a folder. Tests replace it: root can write anywhere.
    std::function<bool(const std::string&)> CanWrite;
};

struct TDataFolder {
    std::string Folder;  // the program folder, trailing '/'
    std::string Shipped; // where the shipped data was found; empty when nowhere
    bool Seeded = false; // shipped files were copied into Folder on this start
};

// True when the folder holds the program's data (its templates), so it needs no seeding.
bool HoldsProgramData(const std::string& folder);
// The shipped data of an executable: its own folder (a build, an unpacked copy) or
// <prefix>/share/orvandel-viewer/ beside <prefix>/bin (installed). Empty when neither holds it.
std::string ShippedDataFolder(const std::string& executableFolder);
// Copies the data files of `from` that `to` lacks: the files the program reads (tree, databases,
// user databases, templates, settings, help) and the pictures' folder, nothing else (not the
// executable beside a build's data). An existing file is never replaced; a copy keeps its
// file's modification time. The file that marks the folder as holding the data is copied last, so an
// interrupted copy is completed at the next start. Throws EFOpenError or EWriteError.
void SeedDataFolder(const std::string& from, const std::string& to);
// Decides the program folder, creating and seeding it where needed. Throws EFOpenError when
// the folder cannot be created or filled.
TDataFolder ChooseDataFolder(const TDataFolderRequest& request);
// The request of this process: the executable's folder, the environment, the real write check.
TDataFolderRequest DataFolderRequestFromEnvironment(const std::string& explicitFolder);
