#pragma once
// Reading a large text file's lines block by block through one reused
// buffer, so that a scan of a 100 MB database neither holds the whole file
// nor pays for allocating it. Lines are cut exactly as ForEachLine cuts them.

#include "TextFiles.h"

#include <cstdint>
#include <string>
#include <string_view>

class TFileLines {
public:
    static constexpr size_t DefaultBlockSize = 1 << 20;

    // Throws EFOpenError when the file cannot be opened. Blocks are about
    // `blockSize` bytes (more for a line longer than that).
    explicit TFileLines(const std::string& path, size_t blockSize = DefaultBlockSize);
    ~TFileLines();
    TFileLines(const TFileLines&) = delete;
    TFileLines& operator=(const TFileLines&) = delete;

    // The next block of whole lines (with their line ends); false at the end
    // of the file. The block stays valid until the next call. Throws
    // EFOpenError when reading fails.
    bool NextBlock(std::string_view& block);
    // The file's size when it was opened (a hint for sizing tables).
    size_t Size() const { return FileBytes; }
    // Where in the file the last block handed out begins.
    uint64_t BlockOffset() const { return FOffset; }
    // The open file, for its status.
    int Descriptor() const { return Fd; }

private:
    std::string FPath;
    int Fd = -1;
    std::string FBuffer;
    size_t FStart = 0; // first byte not yet handed out
    size_t FEnd = 0;   // bytes read into the buffer
    bool FEof = false;
    size_t FileBytes = 0;
    uint64_t FOffset = 0;
    uint64_t FHanded = 0; // bytes handed out so far
};

// Calls fn(std::string_view line) for every line of a block that NextBlock
// handed out, `first` for the file's first block.
template <class F> void ForEachBlockLine(std::string_view block, bool first, F&& fn) {
    // ForEachLine drops a byte-order mark at the start of what it is given,
    // which is right only at the start of the file: a later line that begins
    // with those bytes is handed out whole.
    while (!first && block.substr(0, 3) == "\xEF\xBB\xBF") {
        const size_t end = block.find_first_of("\r\n");
        fn(block.substr(0, end));
        if (end == std::string_view::npos)
            return;
        block.remove_prefix(end +
                            (block[end] == '\r' && end + 1 < block.size() && block[end + 1] == '\n' ? 2 : 1));
    }
    ForEachLine(block, fn);
}

// Calls fn(std::string_view line) for every line of the file.
template <class F> void ForEachFileLine(TFileLines& lines, F&& fn) {
    std::string_view block;
    for (bool first = true; lines.NextBlock(block); first = false)
        ForEachBlockLine(block, first, fn);
}
