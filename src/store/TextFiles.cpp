#include "TextFiles.h"

#include "Errors.h"
#include "FileDescriptor.h"
#include "FileStamp.h"
#include "Platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

std::string ErrorText() {
    return std::strerror(errno);
}

// Reads until `capacity` bytes are in `buffer` or the file ends; returns how many arrived. With an
// `offset`, reads from there, leaving the file's position as it is.
size_t ReadInto(int fd, char* buffer, size_t capacity, const std::string& path, off_t offset = -1) {
    size_t done = 0;
    while (done < capacity) {
        const ssize_t n = offset < 0
                              ? read(fd, buffer + done, capacity - done)
                              : pread(fd, buffer + done, capacity - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EFOpenError("Cannot read file " + path + ": " + ErrorText());
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
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

std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf) == nullptr)
        return path;
    return buf;
}

int (*AtomicFileSync)(int fd) = fsync;

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

bool EveryLineEndsCrLf(std::string_view text) {
    const size_t size = text.size();
    if (size == 0)
        return true;
    const char* const p = text.data();
    if (size < 2 || p[0] == '\n' || p[size - 1] != '\n')
        return false;
    // Each byte is a LF exactly when the one before it is a CR: no lone CR, no lone LF.
    size_t i = 1;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= size; i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 1));
        const __m128i odd = _mm_xor_si128(_mm_cmpeq_epi8(here, lf), _mm_cmpeq_epi8(before, cr));
        if (_mm_movemask_epi8(odd) != 0)
            return false;
    }
#endif
    for (; i < size; ++i)
        if ((p[i] == '\n') != (p[i - 1] == '\r'))
            return false;
    return true;
}

std::string WithCrLfLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    ForEachLine(text, [&](std::string_view line) { out.append(line).append("\r\n"); });
    return out;
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

int OpenRegularFile(const std::string& path, uint64_t maxBytes, int flags, bool noFollow) {
    TFd fd(open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0), 0666));
    if (fd.Get() < 0)
        throw EFOpenError::CannotOpen(path);
    struct stat st;
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw EFOpenError::CannotOpen(path);
    if (static_cast<uint64_t>(st.st_size) > maxBytes)
        throw EFOpenError("Cannot open file " + path + ": larger than " + std::to_string(maxBytes) +
                          " bytes");
    // Reads of a regular file never block anyway; writes and locks are the caller's to wait on.
    const int flagsNow = fcntl(fd.Get(), F_GETFL);
    if (flagsNow >= 0)
        fcntl(fd.Get(), F_SETFL, flagsNow & ~O_NONBLOCK);
    return fd.Release();
}

std::string ReadRegularFile(const std::string& path, uint64_t maxBytes) {
    TFd fd(OpenRegularFile(path, maxBytes, O_RDONLY));
    struct stat st;
    if (fstat(fd.Get(), &st) != 0)
        throw EFOpenError::CannotOpen(path);
    // A file that grows while it is read gives at most its bound.
    std::string data(static_cast<size_t>(st.st_size), '\0');
    data.resize(ReadInto(fd.Get(), data.data(), data.size(), path));
    return data;
}

void ReadLineBlocks(const std::string& path, const std::function<bool(std::string_view)>& fn) {
    TFd fd(OpenRegularFile(path, UINT64_MAX, O_RDONLY));
    // Few system calls, and small enough to stay in the processor's cache between the read and
    // the caller's use.
    std::vector<char> buffer(1024 * 1024);
    size_t held = 0; // the start of a line carried over from the block before
    for (;;) {
        if (held == buffer.size())
            buffer.resize(buffer.size() * 2); // a line longer than the buffer
        const size_t got = ReadInto(fd.Get(), buffer.data() + held, buffer.size() - held, path);
        const size_t size = held + got;
        const void* lastLf = got == 0 ? nullptr : memrchr(buffer.data(), '\n', size);
        const size_t whole = lastLf
                                 ? static_cast<size_t>(static_cast<const char*>(lastLf) - buffer.data()) + 1
                             : got == 0 ? size
                                        : 0;
        if (whole != 0 && !fn(std::string_view(buffer.data(), whole)))
            return;
        if (got == 0)
            return;
        held = size - whole;
        std::memmove(buffer.data(), buffer.data() + whole, held);
    }
}

TStringList ReadLines(const std::string& path) {
    return SplitLines(ReadFileBytes(path));
}

void WriteLines(const std::string& path, const TStringList& lines) {
    WriteTextFileAtomic(path, JoinLinesCRLF(lines));
}

void WriteTextFileAtomic(const std::string& path, std::string_view bytes) {
    TAtomicFile file(path);
    file.Write(bytes.data(), bytes.size());
    file.Commit();
}

TAtomicFile::TAtomicFile(const std::string& path) : FPath(path), FTarget(ResolveTarget(path)) {
    static std::atomic<unsigned> counter{0};
    // Keep the permissions of the file being replaced; a new one gets what creat() would give.
    struct stat old;
    const bool hadOld = stat(FTarget.c_str(), &old) == 0;
    if ((hadOld && S_ISDIR(old.st_mode)) || FTarget.empty() || FTarget.back() == '/')
        throw EFOpenError::CannotCreate(path, EISDIR);
    // A name near the length limit leaves no room for the mark: the temporary name is cut.
    const size_t slash = FTarget.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string stem = FTarget.substr(0, nameStart) + FTarget.substr(nameStart, 200);
    int openError = 0;
    for (int attempt = 0; attempt < 100 && Fd < 0; ++attempt) {
        FTemp = stem + std::string(TempMark) + std::to_string(getpid()) + "-" + std::to_string(counter++);
        Fd = open(FTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        openError = errno;
        if (Fd < 0 && openError != EEXIST)
            break;
    }
    if (Fd < 0)
        throw EFOpenError::CannotCreate(path, openError);
    if (hadOld && fchmod(Fd, old.st_mode & 07777) != 0)
        Fail("write", errno);
}

TAtomicFile::~TAtomicFile() {
    if (Fd >= 0) {
        close(Fd);
        unlink(FTemp.c_str());
    }
}

void TAtomicFile::Fail(const char* what, int err) {
    if (Fd >= 0)
        close(Fd);
    Fd = -1;
    unlink(FTemp.c_str());
    throw EWriteError(std::string("Cannot ") + what + " file " + FPath + ": " + std::strerror(err));
}

void TAtomicFile::Write(const char* data, size_t size) {
    if (!WriteAll(Fd, std::string_view(data, size)))
        Fail("write", errno);
}

void TAtomicFile::Truncate() {
    if (ftruncate(Fd, 0) != 0 || lseek(Fd, 0, SEEK_SET) != 0)
        Fail("write", errno);
}

void TAtomicFile::Commit() {
    // On disk before the rename, so a crash leaves the old file or the new one.
    if (AtomicFileSync(Fd) != 0)
        Fail("write", errno);
    const int fd = Fd;
    Fd = -1;
    if (close(fd) != 0) {
        const int err = errno;
        unlink(FTemp.c_str());
        throw EWriteError("Cannot write file " + FPath + ": " + std::strerror(err));
    }
    if (rename(FTemp.c_str(), FTarget.c_str()) != 0) {
        const int err = errno;
        unlink(FTemp.c_str());
        throw EWriteError("Cannot replace file " + FPath + ": " + std::strerror(err));
    }
    CountOwnFileWrite();
    // The rename lives in the folder: without this a power loss could undo it.
    const size_t slash = FTarget.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : FTarget.substr(0, slash + 1);
    TFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        AtomicFileSync(dir.Get());
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
        throw EFOpenError::CannotCreate(path, errno);
    return false;
}

TWholeFile::TWholeFile(const std::string& path) {
    // Without blocking: a FIFO in the file's place is refused below instead of waited on.
    TFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0)
        throw EFOpenError::CannotOpen(path);
    struct stat st;
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw EFOpenError::CannotOpen(path);
    // A file that changes size while it is read gives what was there; reading never overruns.
    const size_t capacity = static_cast<size_t>(st.st_size);
    FBytes.reset(new char[capacity + 1]);
    AdviseHugePages(FBytes.get(), capacity + 1);
    if (capacity < ParallelReadSize) {
        FSize = ReadInto(fd.Get(), FBytes.get(), capacity, path);
        return;
    }
    // A large file is read in two halves at once: most of the time goes to the system clearing
    // fresh memory and copying into it, which a second core halves.
    const size_t half = capacity / 2;
    size_t second = 0;
    std::exception_ptr failed;
    std::thread reader([&] {
        try {
            second = ReadInto(fd.Get(), FBytes.get() + half, capacity - half, path, static_cast<off_t>(half));
        } catch (...) {
            failed = std::current_exception();
        }
    });
    size_t first = 0;
    try {
        first = ReadInto(fd.Get(), FBytes.get(), half, path, 0);
    } catch (...) {
        reader.join();
        throw;
    }
    reader.join();
    if (failed)
        std::rethrow_exception(failed);
    // A file cut short while it was read ends where its first half did.
    FSize = first < half ? first : half + second;
}
