// Temporary files a crash left behind: ours (TAtomicFile's, named by the process that wrote them)
// and those of writes outside the program folder noted while they ran.
#include "TextFiles.h"

#include "Errors.h"
#include "FileDescriptor.h"
#include "Platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool TempWriter(std::string_view name, pid_t& pid) {
    const size_t mark = name.rfind(TempMark);
    if (mark == std::string_view::npos || mark == 0)
        return false;
    const std::string_view rest = name.substr(mark + TempMark.size());
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size() || dash > 9)
        return false;
    for (size_t i = 0; i < rest.size(); ++i)
        if (i != dash && (rest[i] < '0' || rest[i] > '9'))
            return false;
    long value = 0;
    for (char c : rest.substr(0, dash))
        value = value * 10 + (c - '0');
    pid = static_cast<pid_t>(value);
    return value > 0;
}

// Only a writer that is gone: another copy of the program may be writing right now.
bool ProcessGone(pid_t pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

int RemoveStaleTempFiles(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        pid_t writer = 0;
        if (!TempWriter(name, writer) || writer == getpid())
            continue;
        if (!ProcessGone(writer))
            continue;
        const std::string path = base + std::string(name);
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && unlink(path.c_str()) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

namespace {

// One line per write under way elsewhere: the writer's process id, a tab, the file it replaces.
const char* const OutsideWritesNoteName = ".orvandel-viewer.writes";

// A note of a few lines; anything larger is no note of ours.
constexpr uint64_t OutsideWritesNoteMaxBytes = 1 << 20;

TStringList ReadOutsideWritesNote() {
    try {
        return SplitLines(ReadRegularFile(AppFile(OutsideWritesNoteName), OutsideWritesNoteMaxBytes));
    } catch (const std::exception&) {
        return {};
    }
}

void WriteOutsideWritesNote(const TStringList& lines) {
    const std::string path = AppFile(OutsideWritesNoteName);
    if (lines.empty())
        unlink(path.c_str());
    else
        WriteLines(path, lines);
}

// The temporary files `writer` left beside `target`, and nothing else of that folder.
void RemoveTempFilesOf(const std::string& target, pid_t writer) {
    const std::string file = ResolveTarget(target);
    const size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1);
    const std::string prefix = file.substr(slash == std::string::npos ? 0 : slash + 1) +
                               std::string(TempMark) + std::to_string(writer) + "-";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        pid_t pid = 0;
        if (!name.starts_with(prefix) || !TempWriter(name, pid) || pid != writer)
            continue;
        const std::string path = folder + std::string(name);
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            unlink(path.c_str());
    }
    closedir(dir);
}

void RemoveInterruptedOutsideWrites() {
    const TStringList lines = ReadOutsideWritesNote();
    TStringList kept;
    for (const std::string& line : lines) {
        const size_t tab = line.find('\t');
        const long pid = tab == std::string::npos ? 0 : std::strtol(line.c_str(), nullptr, 10);
        if (pid <= 0)
            continue;
        if (pid == getpid() || !ProcessGone(static_cast<pid_t>(pid))) {
            kept.push_back(line);
            continue;
        }
        RemoveTempFilesOf(line.substr(tab + 1), static_cast<pid_t>(pid));
    }
    if (kept.size() != lines.size()) {
        try {
            WriteOutsideWritesNote(kept);
        } catch (const std::exception&) {
            // A read-only program folder: the note stays and is tried again next time.
        }
    }
}

} // namespace

TOutsideWriteNote::TOutsideWriteNote(const std::string& target)
    : FLine(std::to_string(getpid()) + "\t" + target) {
    try {
        TStringList lines = ReadOutsideWritesNote();
        lines.push_back(FLine);
        WriteOutsideWritesNote(lines);
    } catch (const std::exception&) {
        FLine.clear();
    }
}

TOutsideWriteNote::~TOutsideWriteNote() {
    if (FLine.empty())
        return;
    TStringList lines = ReadOutsideWritesNote();
    const auto it = std::find(lines.begin(), lines.end(), FLine);
    if (it == lines.end())
        return;
    lines.erase(it);
    try {
        WriteOutsideWritesNote(lines);
    } catch (const std::exception&) {
        // Left for the next start, which finds no temporary file of ours and drops the line.
    }
}

void RemoveStaleTempFiles() {
    RemoveStaleTempFiles(ProgramFolder());
    RemoveStaleTempFiles(ProgramFolder() + "images/");
    RemoveInterruptedOutsideWrites();
}
