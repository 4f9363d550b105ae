// Non-blocking sockets for the HTTP client. Everything runs on the caller's thread except the host
// look-up; every wait is cut into short slices so the caller's pump hook keeps the window alive.
#pragma once

#include "NetErrors.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

// Time-out, pump hook and abort mark of one transfer.
class TWaitPolicy {
public:
    // timeOutMs <= 0 waits for ever.
    TWaitPolicy(int timeOutMs, const std::function<void()>& onWait, const std::atomic<bool>& aborted);

    // Something arrived or went out: the time-out starts again, unless a deadline is held.
    void Progress() {
        if (!FHeld)
            FLastProgress = Clock::now();
    }
    // From now on the time-out runs as one deadline that arriving bytes do not push back (a
    // reply's header must come whole in time, not merely one byte at a time); Release ends it.
    void HoldDeadline() {
        Progress();
        FHeld = true;
    }
    void ReleaseDeadline() {
        FHeld = false;
        Progress();
    }
    // Throws ETransferAborted after Abort(), or ESockError(timeOutText) once the time-out has run
    // out since the last progress.
    void Check(const char* timeOutText);
    // Calls the hook when a millisecond has passed since the last call. The time the hook takes
    // does not count towards the time-out.
    void Pump();
    // The longest single wait, in milliseconds.
    static constexpr int SliceMs = 1;

private:
    using Clock = std::chrono::steady_clock;
    int FTimeOut;
    const std::function<void()>& FOnWait;
    const std::atomic<bool>& FAborted;
    Clock::time_point FLastProgress;
    Clock::time_point FLastPump;
    bool FHeld = false;
};

struct TSockAddr {
    sockaddr_storage Addr{};
    socklen_t Len = 0;
};

// Resolves host names; returns 0 or a getaddrinfo error code (error gets its text). Runs on a
// worker thread, so it must touch nothing but its arguments.
using THostLookup =
    std::function<int(const std::string& host, int port, std::vector<TSockAddr>& out, std::string& error)>;
// Replaces the resolver (tests use one of their own, so that they never depend on the machine's
// name service); an empty function restores the getaddrinfo look-up.
void SetHostLookup(THostLookup lookup);

struct TLookupState;

// Resolves host names for one client. Numeric addresses are taken at once; names are resolved on
// a thread the resolver owns while the caller pumps. A look-up given up on (time-out, abort) goes
// on to its end; the next look-up, and the resolver's end, wait for it and join its thread, so
// nothing it holds outlives the client. The system's look-up ends within its own time-outs.
class THostResolver {
public:
    THostResolver();
    THostResolver(const THostResolver&) = delete;
    THostResolver& operator=(const THostResolver&) = delete;
    ~THostResolver();

    std::vector<TSockAddr> Resolve(const std::string& host, int port, TWaitPolicy& wait);

private:
    void Join();

    std::thread FThread;
    std::shared_ptr<TLookupState> FState;
};

class TSocket {
public:
    TSocket() = default;
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    ~TSocket();

    // Tries each address in turn; the text of a failure names hostPort.
    void Connect(const std::vector<TSockAddr>& addrs, const std::string& hostPort, TWaitPolicy& wait);
    void SendAll(const char* data, size_t size, TWaitPolicy& wait);
    // Returns at most size bytes as soon as some are there; 0 when the peer closed normally.
    size_t Receive(char* buffer, size_t size, TWaitPolicy& wait);
    void Close();

private:
    int FFd = -1;
};
