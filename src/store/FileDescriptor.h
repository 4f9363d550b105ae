// An open POSIX file descriptor, closed when the object goes. Internal to the store.
#pragma once

#include <unistd.h>

class TFd {
public:
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd() {
        if (Fd >= 0)
            close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return Fd; }
    int Release() {
        const int fd = Fd;
        Fd = -1;
        return fd;
    }
    void Reset(int fd) {
        if (Fd >= 0)
            close(Fd);
        Fd = fd;
    }

private:
    int Fd;
};
