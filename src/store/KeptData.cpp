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

void KeepCurrentData() {
    const std::string folder = KeptDataFolder();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (!ForceDirectories(folder))
        throw EFOpenError::CannotCreate(folder, errno);
    for (const char* name : LevelFiles) {
        const std::string from = AppFile(name);
        const std::string to = folder + name;
        if (FileExists(from) && link(from.c_str(), to.c_str()) != 0)
            CopyFileOverwrite(from, to);
    }
}

void SettleKeptData(bool replaced) {
    const std::string kept = KeptDataFolder();
    std::error_code ec;
    if (!DirectoryExists(kept))
        return;
    if (replaced) {
        const std::string previous = PreviousDataFolder();
        std::filesystem::remove_all(previous, ec);
        std::filesystem::rename(kept.substr(0, kept.size() - 1), previous.substr(0, previous.size() - 1), ec);
        if (!ec)
            return;
    }
    std::filesystem::remove_all(kept, ec);
}

void NoteMergedRecords(int level, const TMergeResult& result) {
    const std::string folder = KeptDataFolder();
    if (!DirectoryExists(folder) || result.Records.empty())
        return;
    // One line per record: level, outcome, id and name, tab-separated (a tab in a field becomes a
    // space; record fields hold no line breaks).
    auto clean = [](std::string text) {
        std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
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
