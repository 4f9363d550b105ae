#include "SockIO.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

std::mutex LookupFnMutex;
THostLookup LookupFn;

// Copies the addresses of a look-up's result and frees it.
void TakeAddresses(addrinfo* list, std::vector<TSockAddr>& out) {
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        TSockAddr a;
        std::memcpy(&a.Addr, ai->ai_addr, ai->ai_addrlen);
        a.Len = ai->ai_addrlen;
        out.push_back(a);
    }
    freeaddrinfo(list);
}

int SystemLookup(const std::string& host, int port, std::vector<TSockAddr>& out, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) {
        error = rc == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(rc);
        return rc;
    }
    TakeAddresses(list, out);
    return 0;
}

bool NumericLookup(const std::string& host, int port, std::vector<TSockAddr>& out) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0)
        return false;
    TakeAddresses(list, out);
    return !out.empty();
}

} // namespace

// Shared by the resolver and its thread.
struct TLookupState {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    int Code = 0;
    std::string Error;
    std::vector<TSockAddr> Addrs;
};

namespace {

std::string ErrnoText(int err) {
    return std::strerror(err);
}

} // namespace

TWaitPolicy::TWaitPolicy(int timeOutMs, const std::function<void()>& onWait, const std::atomic<bool>& aborted)
    : FTimeOut(timeOutMs), FOnWait(onWait), FAborted(aborted), FLastProgress(Clock::now()),
      FLastPump(FLastProgress) {}

void TWaitPolicy::Check(const char* timeOutText) {
    if (FAborted.load(std::memory_order_relaxed))
        throw ETransferAborted();
    if (FTimeOut > 0 && Clock::now() - FLastProgress >= std::chrono::milliseconds(FTimeOut))
        throw ESockError(timeOutText);
}

void TWaitPolicy::Pump() {
    if (!FOnWait)
        return;
    const auto now = Clock::now();
    if (now - FLastPump < std::chrono::milliseconds(SliceMs))
        return;
    FOnWait();
    // Time inside the hook is the window's, not the server's silence: a modal dialog opened
    // from it must not time the transfer out.
    const auto after = Clock::now();
    FLastProgress += after - now;
    FLastPump = after;
    // Abort() is often called from inside the hook (the window is closing).
    if (FAborted.load(std::memory_order_relaxed))
        throw ETransferAborted();
}

void SetHostLookup(THostLookup lookup) {
    std::lock_guard lock(LookupFnMutex);
    LookupFn = std::move(lookup);
}

namespace {

// Waits for a look-up in short slices, pumping the window; the time-out and Esc end the wait.
void WaitUntilFinished(TLookupState& state, TWaitPolicy& wait, const std::string& timeOutText) {
    for (;;) {
        {
            std::unique_lock lock(state.Mutex);
            if (state.Done.wait_for(lock, std::chrono::milliseconds(TWaitPolicy::SliceMs),
                                    [&] { return state.Finished; }))
                return;
        }
        wait.Pump();
        wait.Check(timeOutText.c_str());
    }
}

} // namespace

THostResolver::THostResolver() = default;

THostResolver::~THostResolver() {
    Join();
}

void THostResolver::Join() {
    if (FThread.joinable())
        FThread.join();
    FState.reset();
}

std::vector<TSockAddr> THostResolver::Resolve(const std::string& host, int port, TWaitPolicy& wait) {
    std::vector<TSockAddr> addrs;
    if (NumericLookup(host, port, addrs))
        return addrs;
    THostLookup fn;
    {
        std::lock_guard lock(LookupFnMutex);
        fn = LookupFn;
    }
    if (!fn)
        fn = SystemLookup;
    const std::string timeOutText = "Host Lookup Timed Out: " + host;
    // One given up on earlier ends first (the window stays alive meanwhile).
    if (FState)
        WaitUntilFinished(*FState, wait, timeOutText);
    Join();
    auto state = std::make_shared<TLookupState>();
    try {
        FThread = std::thread([state, fn, host, port] {
            std::vector<TSockAddr> found;
            std::string error;
            const int code = fn(host, port, found, error);
            std::lock_guard lock(state->Mutex);
            state->Code = code;
            state->Error = error;
            state->Addrs = std::move(found);
            state->Finished = true;
            state->Done.notify_all();
        });
    } catch (const std::system_error& e) {
        throw ESockError(std::string("Host Lookup Failed: ") + host + " (" + e.what() + ")");
    }
    FState = state;
    WaitUntilFinished(*state, wait, timeOutText);
    std::lock_guard lock(state->Mutex);
    if (state->Code != 0 || state->Addrs.empty())
        throw ESockError("Host Lookup Failed: " + host + " (" +
                         (state->Error.empty() ? "no address" : state->Error) + ")");
    return std::move(state->Addrs);
}

TSocket::~TSocket() {
    Close();
}

void TSocket::Close() {
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}

void TSocket::Connect(const std::vector<TSockAddr>& addrs, const std::string& hostPort, TWaitPolicy& wait) {
    std::string lastError = "no address";
    const std::string timeOutText = "Connection Timed out: " + hostPort;
    for (const TSockAddr& a : addrs) {
        Close();
        FFd = ::socket(a.Addr.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (FFd < 0) {
            lastError = ErrnoText(errno);
            continue;
        }
        int rc = ::connect(FFd, reinterpret_cast<const sockaddr*>(&a.Addr), a.Len);
        if (rc != 0 && errno != EINPROGRESS) {
            lastError = ErrnoText(errno);
            continue;
        }
        while (rc != 0) {
            pollfd p{FFd, POLLOUT, 0};
            const int n = ::poll(&p, 1, TWaitPolicy::SliceMs);
            if (n > 0) {
                int err = 0;
                socklen_t len = sizeof err;
                ::getsockopt(FFd, SOL_SOCKET, SO_ERROR, &err, &len);
                if (err != 0) {
                    lastError = ErrnoText(err);
                    break;
                }
                rc = 0;
            } else if (n < 0 && errno != EINTR) {
                lastError = ErrnoText(errno);
                break;
            } else {
                wait.Pump();
                wait.Check(timeOutText.c_str());
            }
        }
        if (rc == 0) {
            wait.Progress();
            int one = 1;
            ::setsockopt(FFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return;
        }
    }
    Close();
    throw ESockError("Connection Failed: " + hostPort + " (" + lastError + ")");
}

void TSocket::SendAll(const char* data, size_t size, TWaitPolicy& wait) {
    while (size > 0) {
        const ssize_t n = ::send(FFd, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= size_t(n);
            wait.Progress();
            wait.Pump();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            throw ESockError("Sending failed (" + ErrnoText(errno) + ")");
        pollfd p{FFd, POLLOUT, 0};
        ::poll(&p, 1, TWaitPolicy::SliceMs);
        wait.Pump();
        wait.Check("Sending Timed out");
    }
}

size_t TSocket::Receive(char* buffer, size_t size, TWaitPolicy& wait) {
    for (;;) {
        const ssize_t n = ::recv(FFd, buffer, size, 0);
        if (n >= 0) {
            if (n > 0)
                wait.Progress();
            wait.Pump();
            return size_t(n);
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            throw ESockError("Reception failed (" + ErrnoText(errno) + ")");
        pollfd p{FFd, POLLIN, 0};
        ::poll(&p, 1, TWaitPolicy::SliceMs);
        wait.Pump();
        wait.Check("Reception Timed out");
    }
}
