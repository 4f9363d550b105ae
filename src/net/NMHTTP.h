// The HTTP/1.0 client of all server traffic: GET into a file or memory, POST of a file's bytes.
// It blocks the caller but calls OnWait while it waits, so the window stays responsive.
#pragma once

#include "NetErrors.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class THostResolver;

// Command kinds as reported to OnFailure and OnSuccess.
enum class CmdType : int { Get = 0, Post = 3 };

using TResultEvent = std::function<void(CmdType cmd)>;

// Optional request headers; each is sent only when not empty.
struct THeaderInfo {
    std::string LocalMailAddress; // "From"
    std::string LocalProgram;     // "User-Agent"
    std::string Cookie;           // "Cookie", before any cookie a redirect brought
    std::string Referer;          // "Referer"
    std::string UserId;           // with Password: "Authorization: Basic"
    std::string Password;
};

class TNMHTTP {
public:
    // Bounds on what a server can make the client do; exceeding one is an ESockError.
    static constexpr int MaxRedirects = 10;
    static constexpr std::size_t MaxHeaderLine = 64 * 1024;
    static constexpr std::size_t MaxHeaderSize = 1024 * 1024;
    static constexpr std::size_t MaxMemoryBody = 64 * 1024 * 1024;
    // The body is received and stored in pieces of at most this size.
    static constexpr std::size_t ChunkSize = 65536;

    // Used when the URL names no port.
    int Port = 80;
    // Milliseconds without progress before a look-up, connection, sending or reception of the
    // body is given up; the reply's status line and header must arrive whole within it after the
    // request went out. 0 or less waits for ever.
    int TimeOut = 50000;
    // Requests go to this host instead when it is not empty (the request line then holds the URL).
    std::string Proxy;
    int ProxyPort = 0;
    // true: the reply body goes to the file named by Body; false: the reply body is stored in Body.
    bool InputFileMode = false;
    // Memory mode: the reply body after a request (whatever the status). File mode: the destination.
    std::string Body;
    // File mode: a body of more bytes than this is an ESockError and the previous file stays; 0 or
    // less sets no bound.
    std::int64_t MaxFileBody = 0;
    // true: Post's data argument names a file whose bytes are the request body; false: it is the body.
    bool OutputFileMode = true;
    THeaderInfo HeaderInfo;
    // After the reply has been stored: OnSuccess when the request is Committed(), OnFailure for
    // every other final status (an error page, a 204 or 206, a redirect that went nowhere).
    TResultEvent OnFailure;
    TResultEvent OnSuccess;
    // Called about every millisecond while the client waits, and while data flows; the program
    // lets the window process its pending events here. Time spent inside it is not counted
    // against TimeOut (a modal dialog opened from it must not end the transfer). It may call
    // Abort(); a Get or Post from inside it is refused with ESockError("Another transfer is under way").
    std::function<void()> OnWait;
    // Called as the final reply's body arrives, with the bytes received so far and the total when
    // the reply announced it (-1 otherwise); first with 0 when the body starts. It may call Abort().
    std::function<void(std::int64_t received, std::int64_t total)> OnProgress;
    // Called as each Get or Post starts, before it connects: what the last reply reported is over.
    std::function<void()> OnRequest;

    // The final reply of the last request: its status and its header lines as received (CR LF
    // after each), the status line first.
    int StatusCode = 0;
    std::string Header;

    TNMHTTP();
    ~TNMHTTP();
    TNMHTTP(const TNMHTTP&) = delete;
    TNMHTTP& operator=(const TNMHTTP&) = delete;

    // Statuses 300 to 303, 307 and 308 with a Location are followed (303 as a GET), cookies set on
    // the way are sent back; a Location the client cannot follow (not http, a bad port) is an
    // ESockError. In file mode the destination is replaced only when the final status is 200 or
    // 203 and the body arrived whole; otherwise the previous file stays. Throws EURLError (for the URL
    // given), ESockError (ETransferAborted after Abort()), EFOpenError (destination or data
    // file), EWriteError.
    void Get(const std::string& url);
    void Post(const std::string& url, const std::string& data);

    // True when the last Get or Post ended with a final 200 or 203 and the whole body: in file
    // mode the destination then holds the new file, in memory mode Body is a real reply. False
    // after any other status, a failure, or before the first request.
    bool Committed() const { return FCommitted; }

    // Ends the running transfer: the running Get or Post throws ETransferAborted. Safe to call
    // from OnWait, from another thread, or when nothing runs.
    void Abort();
    bool Busy() const { return FBusy; }

private:
    void Execute(CmdType kind, const std::string& url, const std::string* data);

    // Owns the thread of a name look-up, and joins it.
    std::unique_ptr<THostResolver> FResolver;
    std::atomic<bool> FBusy{false};
    std::atomic<bool> FAborted{false};
    bool FCommitted = false;
};
