#pragma once
// Reading a large text file's lines block by block through one reused
// buffer, so that a scan of a 100 MB database neither holds the whole file
// nor pays for allocating it. Lines are cut exactly as ForEachLine cuts them.

#include "TextFiles.h"

#include <string>
#include <string_view>

class TFileLines {
public:
    // Throws EFOpenError when the file cannot be opened.
    explicit TFileLines(const std::string& path);
    ~TFileLines();
    TFileLines(const TFileLines&) = delete;
    TFileLines& operator=(const TFileLines&) = delete;

    // The next block of whole lines (with their line ends); false at the end
    // of the file. The block stays valid until the next call. Throws
    // EFOpenError when reading fails.
    bool NextBlock(std::string_view& block);
    // The file's size when it was opened (a hint for sizing tables).
    size_t Size() const { return FileBytes; }

private:
    std::string Path;
    int Fd = -1;
    std::string Buffer;
    size_t Start = 0; // first byte not yet handed out
    size_t End = 0;   // bytes read into the buffer
    bool Eof = false;
    size_t FileBytes = 0;
};

// Calls fn(std::string_view line) for every line of the file.
template <class F> void ForEachFileLine(TFileLines& lines, F&& fn) {
    std::string_view block;
    while (lines.NextBlock(block))
        ForEachLine(block, fn);
}
