#include "KeptData.h"

#include "Constants.h"
#include "Errors.h"
#include "Merge.h"
#include "Platform.h"
#include "TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <unistd.h>

std::string PreviousDataFolder() {
    return AppFile("previous/");
}

namespace {
std::string KeptDataFolder() {
    return AppFile("previous.new/");
}
} // namespace

namespace {
// The folder's path without its trailing '/': with it, the system would look through a link.
std::string Unslashed(const std::string& folder) {
    return folder.substr(0, folder.size() - 1);
}

void RequireOwnFolder(const std::string& folder) {
    if (!FolderOfOurOwn(folder))
        throw EFOpenError("The folder " + folder +
                          " is a link or no folder: What Changed keeps nothing in this run.");
}
} // namespace

void KeepCurrentData() {
    const std::string folder = KeptDataFolder();
    RequireOwnFolder(folder);
    RequireOwnFolder(PreviousDataFolder());
    std::error_code ec;
    std::filesystem::remove_all(Unslashed(folder), ec);
    if (!ForceDirectories(folder))
        throw EFOpenError::CannotCreate(folder, errno);
    for (const char* name : LevelFiles) {
        const std::string from = AppFile(name);
        if (FileExists(from))
            KeepFileBytes(from, folder + name);
    }
}

void SettleKeptData(bool replaced) {
    const std::string kept = KeptDataFolder();
    const std::string previous = PreviousDataFolder();
    std::error_code ec;
    if (!DirectoryExists(kept) || !FolderOfOurOwn(kept) || !FolderOfOurOwn(previous))
        return;
    if (replaced) {
        std::filesystem::remove_all(Unslashed(previous), ec);
        std::filesystem::rename(Unslashed(kept), Unslashed(previous), ec);
        if (!ec)
            return;
    }
    std::filesystem::remove_all(Unslashed(kept), ec);
}

void NoteMergedRecords(int level, const TMergeResult& result) {
    const std::string folder = KeptDataFolder();
    if (!DirectoryExists(folder) || !FolderOfOurOwn(folder) || result.Records.empty())
        return;
    // One line per record: level, outcome, id and name, tab-separated (a tab in a field becomes a
    // space; record fields hold no line breaks).
    auto clean = [](std::string text) {
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        return text;
    };
    std::string text;
    const std::string path = folder + MergeNoteName;
    try {
        if (FileExists(path))
            text = ReadFileBytes(path);
        for (const TMergedRecord& r : result.Records)
            text += std::to_string(level) + '\t' + std::to_string(static_cast<int>(r.Outcome)) + '\t' +
                    clean(r.Id) + '\t' + clean(r.Name) + '\n';
        WriteTextFileAtomic(path, text);
    } catch (const EOrvError&) {
        // What Changed lists the records without saying which were the user's.
    }
}

bool HasPreviousData() {
    return FileExists(PreviousDataFolder() + TreeFileName);
}
