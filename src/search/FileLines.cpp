#include "FileLines.h"

#include "Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileLines::TFileLines(const std::string& path, size_t blockSize) : FPath(path) {
    Fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0)
        throw EFOpenError::CannotOpen(path);
    struct stat st;
    if (fstat(Fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(Fd);
        throw EFOpenError::CannotOpen(path);
    }
    FileBytes = static_cast<size_t>(st.st_size);
    FBuffer.resize(blockSize < 2 ? 2 : blockSize);
}

TFileLines::~TFileLines() {
    if (Fd >= 0)
        close(Fd);
}

bool TFileLines::NextBlock(std::string_view& block) {
    for (;;) {
        const std::string_view data(FBuffer.data() + FStart, FEnd - FStart);
        // Hand out the lines up to the last line end that is not the final
        // byte read: a CR there may be the first half of a CR LF.
        if (FEof) {
            if (data.empty())
                return false;
            block = data;
            FStart = FEnd;
            FOffset = FHanded;
            FHanded += block.size();
            return true;
        }
        if (data.size() >= 2) {
            size_t cut = data.find_last_of("\r\n", data.size() - 2);
            if (cut != std::string_view::npos) {
                cut += (data[cut] == '\r' && data[cut + 1] == '\n') ? 2 : 1;
                block = data.substr(0, cut);
                FStart += cut;
                FOffset = FHanded;
                FHanded += cut;
                return true;
            }
        }
        // Keep the unfinished line at the front; grow for a line longer than the buffer.
        if (FStart > 0) {
            std::memmove(FBuffer.data(), FBuffer.data() + FStart, FEnd - FStart);
            FEnd -= FStart;
            FStart = 0;
        }
        if (FEnd == FBuffer.size())
            FBuffer.resize(FBuffer.size() * 2);
        ssize_t n;
        do
            n = read(Fd, FBuffer.data() + FEnd, FBuffer.size() - FEnd);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            throw EFOpenError("Cannot read file \"" + FPath + "\": " + std::strerror(errno));
        if (n == 0)
            FEof = true;
        FEnd += static_cast<size_t>(n);
    }
}
