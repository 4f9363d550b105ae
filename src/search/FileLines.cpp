#include "FileLines.h"

#include "Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileLines::TFileLines(const std::string& path, size_t blockSize) : Path(path) {
    Fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0)
        throw EFOpenError::CannotOpen(path);
    struct stat st;
    if (fstat(Fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(Fd);
        throw EFOpenError::CannotOpen(path);
    }
    FileBytes = static_cast<size_t>(st.st_size);
    Buffer.resize(blockSize < 2 ? 2 : blockSize);
}

TFileLines::~TFileLines() {
    if (Fd >= 0)
        close(Fd);
}

bool TFileLines::NextBlock(std::string_view& block) {
    for (;;) {
        const std::string_view data(Buffer.data() + Start, End - Start);
        // Hand out the lines up to the last line end that is not the final
        // byte read: a CR there may be the first half of a CR LF.
        if (Eof) {
            if (data.empty())
                return false;
            block = data;
            Start = End;
            Offset = Handed;
            Handed += block.size();
            return true;
        }
        if (data.size() >= 2) {
            size_t cut = data.find_last_of("\r\n", data.size() - 2);
            if (cut != std::string_view::npos) {
                cut += (data[cut] == '\r' && data[cut + 1] == '\n') ? 2 : 1;
                block = data.substr(0, cut);
                Start += cut;
                Offset = Handed;
                Handed += cut;
                return true;
            }
        }
        // Keep the unfinished line at the front; grow for a line longer than the buffer.
        if (Start > 0) {
            std::memmove(Buffer.data(), Buffer.data() + Start, End - Start);
            End -= Start;
            Start = 0;
        }
        if (End == Buffer.size())
            Buffer.resize(Buffer.size() * 2);
        ssize_t n;
        do
            n = read(Fd, Buffer.data() + End, Buffer.size() - End);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            throw EFOpenError("Cannot read file \"" + Path + "\": " + std::strerror(errno));
        if (n == 0)
            Eof = true;
        End += static_cast<size_t>(n);
    }
}
