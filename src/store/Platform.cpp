#include "Platform.h"

#include "Errors.h"
#include "FileStamp.h"
#include "TextFiles.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string& FolderOverride() {
    static std::string folder;
    return folder;
}
} // namespace

std::string ExecutableFolder() {
    char buf[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return "./";
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string ProgramFolder() {
    if (!FolderOverride().empty())
        return FolderOverride();
    static const std::string folder = ExecutableFolder();
    return folder;
}

void SetProgramFolder(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    FolderOverride() = folder;
}

std::string AppFile(const std::string& name) {
    return ProgramFolder() + name;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
    if (path.empty())
        return false;
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    if (DirectoryExists(p))
        return true;
    const size_t slash = p.rfind('/');
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(p.substr(0, slash)))
        return false;
    return mkdir(p.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(p));
}

bool DeleteFile(const std::string& path) {
    CountOwnFileWrite();
    return unlink(path.c_str()) == 0;
}

void CopyFileOverwrite(const std::string& source, const std::string& destination) {
    WriteTextFileAtomic(destination, ReadFileBytes(source));
}

void KeepFileBytes(const std::string& path, const std::string& kept) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && link(path.c_str(), kept.c_str()) == 0)
        return;
    CopyFileOverwrite(path, kept);
}

bool FolderOfOurOwn(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISDIR(st.st_mode);
}

std::string ExtractFileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void AdviseHugePages(void* data, size_t size) {
    constexpr size_t HugePage = size_t(2) << 20;
    char* const bytes = static_cast<char*>(data);
    const size_t skip = (HugePage - reinterpret_cast<uintptr_t>(bytes) % HugePage) % HugePage;
    if (size <= skip)
        return;
    if (const size_t length = (size - skip) / HugePage * HugePage; length > 0)
        ::madvise(bytes + skip, length, MADV_HUGEPAGE);
}
