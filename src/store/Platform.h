#pragma once
// Where the program's files live, and plain file-system services.

#include <cstddef>
#include <string>

// Where the program keeps its files, with a trailing '/': the executable's folder unless
// SetProgramFolder chose another. Never taken from the working directory.
std::string ProgramFolder();
// Folder of the running executable, with a trailing '/', whatever the program folder is.
std::string ExecutableFolder();
// Points the program folder somewhere else (the chosen data folder, tests); a trailing '/' is added.
void SetProgramFolder(const std::string& path);
// ProgramFolder() + name.
std::string AppFile(const std::string& name);

bool FileExists(const std::string& path); // a regular file (or a link to one)
bool DirectoryExists(const std::string& path);
// Creates the folder and any missing parents; false when that fails.
bool ForceDirectories(const std::string& path);
// Removes a file; false when it did not exist or could not be removed.
bool DeleteFile(const std::string& path);
// Copies a file over any existing destination (atomically). Throws
// EFOpenError when the source cannot be read.
void CopyFileOverwrite(const std::string& source, const std::string& destination);
// The bytes of `path` as they are now, kept at `kept`: a second link to a plain file (every write
// of ours replaces a file whole, so the link keeps the old bytes), a copy of what a symbolic link
// leads to (a write goes through the link, and a link to the link would follow it). Throws
// EFOpenError or EWriteError.
void KeepFileBytes(const std::string& path, const std::string& kept);
// Whether `folder` (a trailing '/' allowed) is a folder itself or not there at all: a symbolic
// link or anything else in its place is never entered where files are deleted or emptied.
bool FolderOfOurOwn(const std::string& folder);
// The part after the last '/'.
std::string ExtractFileName(const std::string& path);
// The part up to and including the last '/' (empty when there is none).
std::string ExtractFilePath(const std::string& path);

// Asks the system to back the whole 2 MiB pages inside [data, data + size) with huge pages, for
// memory that is about to be written once from start to end (a file read whole, blocks of
// nodes): fresh memory is otherwise faulted in 4 KiB at a time, which costs about as much as
// filling it. Only a hint: nothing changes where the system does not allow it.
void AdviseHugePages(void* data, size_t size);
