#include "NMHTTP.h"

#include "HttpParts.h"
#include "SockIO.h"
#include "TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The request body of a POST: a file's bytes (read again for a redirect) or a text.
class TPostBody {
public:
    TPostBody(const std::string& data, bool fromFile) : FText(fromFile ? std::string() : data) {
        if (!fromFile) {
            FSize = std::int64_t(data.size());
            return;
        }
        FName = data;
        FFd = ::open(data.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (FFd < 0 || ::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (FFd >= 0)
                ::close(FFd);
            throw EFOpenError::CannotOpen(data);
        }
        FSize = st.st_size;
    }
    TPostBody(const TPostBody&) = delete;
    TPostBody& operator=(const TPostBody&) = delete;
    ~TPostBody() {
        if (FFd >= 0)
            ::close(FFd);
    }

    std::int64_t Size() const { return FSize; }

    void Send(TSocket& sock, TWaitPolicy& wait) const {
        if (FFd < 0) {
            sock.SendAll(FText.data(), FText.size(), wait);
            return;
        }
        std::vector<char> buffer(TNMHTTP::ChunkSize);
        for (std::int64_t offset = 0; offset < FSize;) {
            const std::size_t want =
                std::size_t(std::min<std::int64_t>(FSize - offset, std::int64_t(buffer.size())));
            const ssize_t n = ::pread(FFd, buffer.data(), want, offset);
            if (n < 0 && errno == EINTR)
                continue;
            // The length is already announced: a file that shrank cannot be sent.
            if (n <= 0)
                throw EFOpenError("Cannot read file " + FName);
            sock.SendAll(buffer.data(), std::size_t(n), wait);
            offset += n;
        }
    }

private:
    std::string FText;
    std::string FName;
    int FFd = -1;
    std::int64_t FSize = 0;
};

// Where the reply body goes: memory (bounded) or the download file.
class TBodySink {
public:
    TBodySink(std::string* memory, TAtomicFile* file, std::int64_t maxFile)
        : FMemory(memory), FFile(file), FMaxFile(maxFile) {}

    void Begin(std::int64_t contentLength) {
        if (FMemory) {
            FMemory->clear();
            if (contentLength > std::int64_t(TNMHTTP::MaxMemoryBody))
                throw ESockError("Reply larger than 64 MiB");
        } else {
            if (FMaxFile > 0 && contentLength > FMaxFile)
                throw TooLarge();
            FFile->Truncate();
            FWritten = 0;
        }
    }

    void Write(const char* data, std::size_t size) {
        if (size == 0)
            return;
        if (FFile) {
            if (FMaxFile > 0 && std::int64_t(size) > FMaxFile - FWritten)
                throw TooLarge();
            FFile->Write(data, size);
            FWritten += std::int64_t(size);
            return;
        }
        if (FMemory->size() + size > TNMHTTP::MaxMemoryBody)
            throw ESockError("Reply larger than 64 MiB");
        FMemory->append(data, size);
    }

private:
    ESockError TooLarge() const {
        return ESockError("Reply larger than " + std::to_string(FMaxFile) + " bytes");
    }

    std::string* FMemory;
    TAtomicFile* FFile;
    std::int64_t FMaxFile;
    std::int64_t FWritten = 0;
};

using TProgressReport = std::function<void(std::int64_t received, std::int64_t total)>;

bool IsRedirect(int status) {
    return (status >= 300 && status <= 303) || status == 307 || status == 308;
}

struct TConnection {
    std::string Host;
    int Port;
    bool ViaProxy;
};

// One request and its reply. A redirect's body is not read; any other body goes to the sink and
// must arrive whole: up to a normal close, and as long as its Content-Length when it has one.
TReplyHeader Exchange(const char* method, const TUrlParts& target, const TConnection& conn,
                      const THeaderInfo& info, const TPostBody* post, const std::vector<std::string>& cookies,
                      TBodySink& sink, const TProgressReport& progress, THostResolver& resolver,
                      TWaitPolicy& wait) {
    wait.Progress();
    const std::vector<TSockAddr> addrs = resolver.Resolve(conn.Host, conn.Port, wait);
    TSocket sock;
    sock.Connect(addrs, conn.Host + ":" + std::to_string(conn.Port), wait);
    const std::string request =
        BuildRequest(method, target, conn.ViaProxy, info, cookies, post ? post->Size() : -1);
    sock.SendAll(request.data(), request.size(), wait);
    if (post)
        post->Send(sock, wait);

    std::vector<char> buffer(TNMHTTP::ChunkSize);
    TReplyHeader reply;
    std::size_t got = 0, used = 0;
    // A server trickling its header a byte at a time could otherwise hold the transfer for ever.
    wait.HoldDeadline();
    while (!reply.Complete()) {
        got = sock.Receive(buffer.data(), buffer.size(), wait);
        if (got == 0)
            throw ESockError(reply.Started() ? "Reply cut off in its header"
                                             : "Connection closed without a reply");
        used = reply.Feed(buffer.data(), got);
    }
    wait.ReleaseDeadline();
    if (IsRedirect(reply.Status) && !reply.Location.empty())
        return reply;

    const std::int64_t length = reply.ContentLength;
    sink.Begin(length);
    std::int64_t received = 0;
    auto take = [&](const char* data, std::size_t size) {
        if (length >= 0)
            size = std::size_t(std::min<std::int64_t>(std::int64_t(size), length - received));
        if (size == 0)
            return;
        sink.Write(data, size);
        received += std::int64_t(size);
        progress(received, length);
    };
    progress(0, length);
    take(buffer.data() + used, got - used);
    while (length < 0 || received < length) {
        got = sock.Receive(buffer.data(), buffer.size(), wait);
        if (got == 0)
            break;
        take(buffer.data(), got);
    }
    if (length >= 0 && received < length)
        throw ESockError("Reply cut off: " + std::to_string(received) + " of " + std::to_string(length) +
                         " bytes received");
    return reply;
}

// The target of a redirect; a network failure with its reason when the client cannot go there.
TUrlParts FollowLocation(const TUrlParts& current, const std::string& location, int defaultPort) {
    const std::string failure = "Cannot follow redirect to \"" + Printable(location) + "\"";
    TUrlParts next;
    try {
        next = ResolveLocation(current, location, defaultPort);
    } catch (const EURLError& e) {
        throw ESockError(failure + " (" + Printable(e.what(), 200) + ")");
    }
    if (!next.Scheme.empty() && !SameText(next.Scheme, "http"))
        throw ESockError(failure + " (only http is supported)");
    return next;
}

} // namespace

void TNMHTTP::Get(const std::string& url) {
    Execute(CmdType::Get, url, nullptr);
}

void TNMHTTP::Post(const std::string& url, const std::string& data) {
    Execute(CmdType::Post, url, &data);
}

void TNMHTTP::Abort() {
    if (FBusy)
        FAborted = true;
}

TNMHTTP::TNMHTTP() : FResolver(std::make_unique<THostResolver>()) {}

TNMHTTP::~TNMHTTP() = default;

void TNMHTTP::Execute(CmdType kind, const std::string& url, const std::string* data) {
    // A second transfer from inside OnWait would tear the first one's Body and file apart.
    if (FBusy)
        throw ESockError("Another transfer is under way");
    FCommitted = false;
    if (OnRequest)
        OnRequest();
    TUrlParts target = SplitUrl(url, Port);
    std::optional<TPostBody> post;
    if (data)
        post.emplace(*data, OutputFileMode);
    std::unique_ptr<TAtomicFile> file;
    if (InputFileMode)
        file = std::make_unique<TAtomicFile>(Body);
    else
        Body.clear();
    StatusCode = 0;
    Header.clear();

    FBusy = true;
    FAborted = false;
    struct TBusyMark {
        std::atomic<bool>& Busy;
        ~TBusyMark() { Busy = false; }
    } busyMark{FBusy};

    TWaitPolicy wait(TimeOut, OnWait, FAborted);
    TBodySink sink(file ? nullptr : &Body, file.get(), MaxFileBody);
    const TProgressReport progress = [this, &wait](std::int64_t received, std::int64_t total) {
        if (!OnProgress)
            return;
        OnProgress(received, total);
        if (FAborted)
            throw ETransferAborted();
        // Data did arrive: the time the report took is not silence of the server.
        wait.Progress();
    };
    std::vector<std::string> cookies;
    const char* method = kind == CmdType::Post ? "POST" : "GET";
    bool sendBody = post.has_value();
    for (int redirects = 0;; ++redirects) {
        const TConnection conn = Proxy.empty() ? TConnection{target.Host, target.Port, false}
                                               : TConnection{Proxy, ProxyPort > 0 ? ProxyPort : Port, true};
        TReplyHeader reply = Exchange(method, target, conn, HeaderInfo, sendBody ? &*post : nullptr, cookies,
                                      sink, progress, *FResolver, wait);
        if (!IsRedirect(reply.Status) || reply.Location.empty()) {
            StatusCode = reply.Status;
            Header = std::move(reply.Text);
            break;
        }
        if (redirects == MaxRedirects)
            throw ESockError("Too many redirects (more than " + std::to_string(MaxRedirects) + ")");
        MergeCookies(cookies, reply.Cookies);
        target = FollowLocation(target, reply.Location, Port);
        // "See other" asks for the new address to be fetched, not posted to.
        if (reply.Status == 303) {
            method = "GET";
            sendBody = false;
        }
    }
    // Only a whole file replaces a local one: not an error page, not an empty 204 or a partial
    // 206, not a redirect that went nowhere, not an interim reply.
    const bool whole = StatusCode == 200 || StatusCode == 203;
    if (file && whole)
        file->Commit();
    file.reset();
    FCommitted = whole;
    FBusy = false;
    // Whatever was not kept is a failure of the request, reported as a 404 is.
    if (!whole) {
        if (OnFailure)
            OnFailure(kind);
    } else if (OnSuccess) {
        OnSuccess(kind);
    }
}
