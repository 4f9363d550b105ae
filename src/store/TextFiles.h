#pragma once
// Whole-file text reading and atomic whole-file writing.
//
// Reading: lines end at CR LF, LF or a lone CR; a final line break does not
// make an extra empty line; a UTF-8 byte-order mark before the first line is
// not part of it. Writing: every line is followed by CR LF.
// Bytes are kept as they are (no encoding conversion).

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

using TStringList = std::vector<std::string>;

// "<name>.~tmp<pid>-<n>": the names TAtomicFile gives its temporary files.
inline constexpr std::string_view TempMark = ".~tmp";
// The file an atomic write of `path` replaces: a link is replaced through its target, so that the
// link itself survives.
std::string ResolveTarget(const std::string& path);

// Calls fn(std::string_view line) for every line of text, without allocating.
// Every text file becomes lines here, so this is where a leading byte-order
// mark (written by some editors) is dropped.
template <class F> void ForEachLine(std::string_view text, F&& fn);
// The same for a piece of a text after its start: a byte-order mark there is a line's bytes.
template <class F> void ForEachLineAsIs(std::string_view text, F&& fn);
// The text without a leading UTF-8 byte-order mark.
inline std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

TStringList SplitLines(std::string_view text);
// Every line followed by CR LF.
std::string JoinLinesCRLF(const TStringList& lines);
// Whether `text` is already in the form JoinLinesCRLF gives: every line, the last one included,
// ends with CR LF, and there is no lone CR or LF. An empty text is.
bool EveryLineEndsCrLf(std::string_view text);
// JoinLinesCRLF(SplitLines(text)), without the list of lines.
std::string WithCrLfLineEnds(std::string_view text);

// Whole file as bytes; throws EFOpenError when it cannot be opened or read.
std::string ReadFileBytes(const std::string& path);
// Opens `path` only when it is a regular file of at most `maxBytes`: a FIFO or a device is never
// waited on (it is opened without blocking and looked at before anything is read) and a file past
// its sane bound is refused, so that no file of ours can stop a start. With `noFollow`, a link is
// refused too. `flags` are open()'s (O_RDONLY, O_RDWR | O_CREAT ...). Returns the descriptor, the
// caller's to close; throws EFOpenError.
int OpenRegularFile(const std::string& path, uint64_t maxBytes, int flags, bool noFollow = false);
// The whole of such a file; throws EFOpenError.
std::string ReadRegularFile(const std::string& path, uint64_t maxBytes);
// Reads the file a block at a time and calls fn(std::string_view block) for each run of whole
// lines, up to and with the last LF the block holds; bytes after the file's last LF come as a
// block of their own at the end. Nothing is dropped, a byte-order mark neither. The views are
// valid during the call. Stops when fn returns false. Throws EFOpenError when the file cannot be
// opened or read, or is no regular file (a FIFO or a device is never waited on).
void ReadLineBlocks(const std::string& path, const std::function<bool(std::string_view)>& fn);
// Lines of a file; throws EFOpenError when it cannot be opened.
TStringList ReadLines(const std::string& path);
// Writes the lines, each followed by CR LF, atomically.
void WriteLines(const std::string& path, const TStringList& lines);
// Writes a temporary file in the same folder, flushes it to disk and renames
// it over `path`. On any failure the previous file is untouched, the
// temporary file is removed and EFOpenError (cannot create) or EWriteError
// (cannot write or replace) is thrown.
void WriteTextFileAtomic(const std::string& path, std::string_view bytes);

// A whole-file replacement under way: the bytes go to a temporary file beside
// the target (a link is replaced through its target), which replaces the
// target on Commit. Dropped without Commit, the temporary file is removed and
// the target stays as it was. The temporary file is named
// "<target>.~tmp<pid>-<n>", so a later run can tell whose it was.
class TAtomicFile {
public:
    // EFOpenError (cannot create) when the folder is missing or not writable,
    // or the target is a folder.
    explicit TAtomicFile(const std::string& path);
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;
    ~TAtomicFile();

    void Write(const char* data, size_t size); // EWriteError
    void Truncate();                           // starts the content again
    // Flushes the file, renames it over the target and syncs the folder, so
    // that a crash or power loss leaves the old file or the new one, never a
    // torn one and never a lost rename. EWriteError; the old file then stays.
    void Commit();
    const std::string& TempName() const { return FTemp; }

private:
    [[noreturn]] void Fail(const char* what, int err);

    std::string FPath;   // as given, for messages
    std::string FTarget; // the file that is replaced
    std::string FTemp;
    int Fd = -1;
};

// Every sync TAtomicFile makes goes through here, so that tests can see when it happens.
extern int (*AtomicFileSync)(int fd);

// Removes the temporary files of TAtomicFile left in the program folder and
// its "images/" folder by a run that was killed, and only those: a name of
// the temporary pattern whose writing process is no longer running.
void RemoveStaleTempFiles();
// The same for one folder; returns how many files were removed.
int RemoveStaleTempFiles(const std::string& folder);

// A whole-file replacement in a folder of the user's choosing (an export): noted in the program
// folder before its temporary file can exist, so that when the run is killed half-way the next
// start (RemoveStaleTempFiles above) removes that temporary file too. The note goes with the
// object. A note that cannot be written does not stop the write.
class TOutsideWriteNote {
public:
    explicit TOutsideWriteNote(const std::string& target);
    TOutsideWriteNote(const TOutsideWriteNote&) = delete;
    TOutsideWriteNote& operator=(const TOutsideWriteNote&) = delete;
    ~TOutsideWriteNote();

private:
    std::string FLine;
};

// The whole text of a text file: its lines, each followed by CR LF. A missing
// file raises EFOpenError.
std::string LoadTextFile(const std::string& path);
// Existing file: reads its lines into `lines` and returns true. Missing file:
// creates it empty, clears `lines` and returns false. EFOpenError when the
// file can be neither read nor created.
bool OpenOrCreateLines(const std::string& path, TStringList& lines);

// A whole file held in memory while large files are scanned.
// Files of this size and more are read by two threads at once (tests read smaller ones so).
inline size_t ParallelReadSize = size_t(64) << 20;

class TWholeFile {
public:
    // The whole file read into memory (not mapped: a file truncated by another program while it
    // is read must not be able to crash the program). Throws EFOpenError.
    explicit TWholeFile(const std::string& path);
    TWholeFile(const TWholeFile&) = delete;
    TWholeFile& operator=(const TWholeFile&) = delete;
    std::string_view Text() const { return {FBytes.get(), FSize}; }
    // Hands the bytes over (Text().size() of them); the file is empty afterwards.
    std::unique_ptr<char[]> Release() {
        FSize = 0;
        return std::move(FBytes);
    }

private:
    std::unique_ptr<char[]> FBytes; // not zero-filled first: the read fills it
    size_t FSize = 0;
};

// ---- implementation of the template ----
template <class F> void ForEachLine(std::string_view text, F&& fn) {
    ForEachLineAsIs(WithoutByteOrderMark(text), std::forward<F>(fn));
}

template <class F> void ForEachLineAsIs(std::string_view text, F&& fn) {
    const char* p = text.data();
    const char* const end = p + text.size();
    // The next CR and LF are searched separately (memchr is fast), each only
    // when the scan has passed the previous one.
    auto next = [end](const char* from, char c) {
        const void* hit = from < end ? std::memchr(from, c, static_cast<size_t>(end - from)) : nullptr;
        return hit ? static_cast<const char*>(hit) : end;
    };
    const char* cr = next(p, '\r');
    const char* lf = next(p, '\n');
    while (p < end) {
        if (cr < p)
            cr = next(p, '\r');
        if (lf < p)
            lf = next(p, '\n');
        const char* q = cr < lf ? cr : lf;
        fn(std::string_view(p, static_cast<size_t>(q - p)));
        if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n')
            q += 2;
        else if (q < end)
            ++q;
        p = q;
    }
}

// Calls fn(begin, end, hashes, count) for every piece of `text` between line ends (CR or LF: a
// CR LF pair gives an empty piece in between), and for a last piece without one, with the
// positions of its first four '#' and their count (at most 4). The bytes are looked at sixteen at
// a time: the files read this way (the tree and its state) are mostly short lines.
template <class F> void ScanHashedLines(std::string_view text, F&& fn) {
    const char* const data = text.data();
    const size_t size = text.size();
    const char* line = data;
    std::array<const char*, 4> hashes{};
    size_t count = 0;
    auto hashAt = [&](size_t i) {
        if (count < hashes.size())
            hashes[count] = data + i;
        ++count;
    };
    auto endAt = [&](size_t i) {
        fn(line, data + i, hashes, count < 4 ? count : 4);
        line = data + i + 1;
        count = 0;
    };
    size_t i = 0;
#ifdef __SSE2__
    // Sixty-four bytes at a time, the '#' and the line ends in masks of their own: a line of the
    // usual length then ends in the block its '#' are in.
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 64 <= size; i += 64) {
        uint64_t hashMask = 0, endMask = 0;
        for (size_t k = 0; k < 4; ++k) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16 * k));
            const auto h = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, hash)));
            const auto e = static_cast<uint32_t>(
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
            hashMask |= uint64_t(h) << (16 * k);
            endMask |= uint64_t(e) << (16 * k);
        }
        for (; endMask; endMask &= endMask - 1) {
            const auto at = static_cast<size_t>(__builtin_ctzll(endMask));
            // The '#' before this line end are the line's.
            uint64_t before = hashMask & ((uint64_t(1) << at) - 1);
            hashMask ^= before;
            for (; before; before &= before - 1)
                hashAt(i + static_cast<size_t>(__builtin_ctzll(before)));
            endAt(i + at);
        }
        for (; hashMask; hashMask &= hashMask - 1)
            hashAt(i + static_cast<size_t>(__builtin_ctzll(hashMask)));
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == '#')
            hashAt(i);
        else if (data[i] == '\r' || data[i] == '\n')
            endAt(i);
    }
    if (line < data + size)
        fn(line, data + size, hashes, count < 4 ? count : 4);
}
