#include "KeptData.h"

#include "Constants.h"
#include "Errors.h"
#include "Platform.h"
#include "TextFiles.h"

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

bool HasPreviousData() {
    return FileExists(PreviousDataFolder() + TreeFileName);
}
