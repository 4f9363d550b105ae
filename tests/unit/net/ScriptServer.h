// A loopback HTTP server for the client's tests: each connection reads one request, records its
// bytes and plays the next scripted reply (the last one repeats).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TScriptStep {
    std::string Reply;   // sent as it stands, then the connection is closed
    bool Silent = false; // send nothing; hold the connection until the client gives up
    int DelayMs = 0;     // wait this long before replying
    // Send only this many bytes of Reply, then hold the connection as Silent does.
    std::size_t HoldAfter = std::string::npos;
    // Above 0: the bytes of Reply from TrickleFrom on go one at a time, this many ms apart.
    int TrickleMs = 0;
    std::size_t TrickleFrom = 0;
};

class TScriptServer {
public:
    explicit TScriptServer(std::vector<TScriptStep> script);
    ~TScriptServer();

    int Port() const { return FPort; }
    std::string Url(const std::string& path = "/") const;
    std::vector<std::string> Requests() const;

private:
    void Run();
    void Serve(int fd, const TScriptStep& step);

    std::vector<TScriptStep> FScript;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    mutable std::mutex FMutex;
    std::vector<std::string> FRequests;
    std::thread FThread;
};

// "HTTP/1.0 <status>" with the given header lines (each without CR LF) and body.
std::string Reply(const std::string& status, const std::vector<std::string>& headers,
                  const std::string& body);

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
// Names of the entries of a folder, sorted.
std::vector<std::string> ListFolder(const std::string& path);
