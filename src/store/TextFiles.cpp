#include "TextFiles.h"

#include "Errors.h"
#include "FileDescriptor.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ErrorText() {
    return std::strerror(errno);
}

// Reads until `capacity` bytes are in `buffer` or the file ends; returns how many arrived.
size_t ReadInto(int fd, char* buffer, size_t capacity, const std::string& path) {
    size_t done = 0;
    while (done < capacity) {
        const ssize_t n = read(fd, buffer + done, capacity - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EFOpenError("Cannot read file \"" + path + "\": " + ErrorText());
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

// A link is replaced through its target, so that the link itself survives.
std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf) == nullptr)
        return path;
    return buf;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}
} // namespace

TStringList SplitLines(std::string_view text) {
    TStringList lines;
    ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string JoinLinesCRLF(const TStringList& lines) {
    size_t size = 0;
    for (const auto& l : lines)
        size += l.size() + 2;
    std::string r;
    r.reserve(size);
    for (const auto& l : lines) {
        r += l;
        r += "\r\n";
    }
    return r;
}

std::string ReadFileBytes(const std::string& path) {
    TFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw EFOpenError::CannotOpen(path);
    struct stat st;
    if (fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode))
        throw EFOpenError::CannotOpen(path);
    // One read for a file of known size; growing for pipes and the like.
    std::string data(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 65536, '\0');
    size_t length = 0;
    for (;;) {
        length += ReadInto(fd.Get(), data.data() + length, data.size() - length, path);
        if (length < data.size())
            break;
        data.resize(data.size() * 2);
    }
    data.resize(length);
    return data;
}

TStringList ReadLines(const std::string& path) {
    return SplitLines(ReadFileBytes(path));
}

void WriteLines(const std::string& path, const TStringList& lines) {
    WriteTextFileAtomic(path, JoinLinesCRLF(lines));
}

void WriteTextFileAtomic(const std::string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string target = ResolveTarget(path);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);

    // Keep the permissions of the file being replaced.
    struct stat old;
    const bool hadOld = stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        throw EFOpenError::CannotCreate(path);

    std::string temp;
    TFd fd(-1);
    for (int attempt = 0; attempt < 100 && fd.Get() < 0; ++attempt) {
        temp = target + ".~tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd.Reset(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.Get() < 0 && errno != EEXIST) {
            throw EFOpenError::CannotCreate(path);
        }
    }
    if (fd.Get() < 0)
        throw EFOpenError::CannotCreate(path);

    auto fail = [&](const std::string& what) {
        const std::string reason = ErrorText();
        close(fd.Release());
        unlink(temp.c_str());
        throw EWriteError("Cannot " + what + " file \"" + path + "\": " + reason);
    };
    if (hadOld && fchmod(fd.Get(), old.st_mode & 07777) != 0)
        fail("write");
    if (!WriteAll(fd.Get(), bytes))
        fail("write");
    if (fsync(fd.Get()) != 0)
        fail("write");
    if (close(fd.Release()) != 0) {
        const std::string reason = ErrorText();
        unlink(temp.c_str());
        throw EWriteError("Cannot write file \"" + path + "\": " + reason);
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        const std::string reason = ErrorText();
        unlink(temp.c_str());
        throw EWriteError("Cannot replace file \"" + path + "\": " + reason);
    }
    // Make the rename itself durable.
    TFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        fsync(dir.Get());
}

std::string LoadTextFile(const std::string& path) {
    return JoinLinesCRLF(ReadLines(path));
}

bool OpenOrCreateLines(const std::string& path, TStringList& lines) {
    lines.clear();
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        lines = ReadLines(path);
        return true;
    }
    TFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (fd.Get() < 0)
        throw EFOpenError::CannotCreate(path);
    return false;
}

TWholeFile::TWholeFile(const std::string& path) {
    TFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw EFOpenError::CannotOpen(path);
    struct stat st;
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw EFOpenError::CannotOpen(path);
    // A file that changes size while it is read gives what was there; reading never overruns.
    const size_t capacity = static_cast<size_t>(st.st_size);
    Bytes.reset(new char[capacity + 1]);
    Size = ReadInto(fd.Get(), Bytes.get(), capacity, path);
}
