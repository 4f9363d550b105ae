#include "ScriptServer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

TScriptServer::TScriptServer(std::vector<TScriptStep> script) : FScript(std::move(script)) {
    FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (FListen < 0 || ::bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(FListen, 16) != 0 || ::getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("test server cannot listen");
    FPort = ntohs(a.sin_port);
    FThread = std::thread([this] { Run(); });
}

TScriptServer::~TScriptServer() {
    FStop = true;
    FThread.join();
    ::close(FListen);
}

std::string TScriptServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(FPort) + path;
}

std::vector<std::string> TScriptServer::Requests() const {
    std::lock_guard lock(FMutex);
    return FRequests;
}

void TScriptServer::Run() {
    std::size_t next = 0;
    while (!FStop) {
        pollfd p{FListen, POLLIN, 0};
        if (::poll(&p, 1, 5) <= 0)
            continue;
        const int fd = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const TScriptStep& step = FScript[std::min(next++, FScript.size() - 1)];
        Serve(fd, step);
        ::close(fd);
    }
}

void TScriptServer::Serve(int fd, const TScriptStep& step) {
    // The request: header lines up to the empty line, then Content-Length bytes.
    std::string request;
    std::size_t want = std::string::npos;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    char buf[65536];
    while (!FStop && std::chrono::steady_clock::now() < deadline) {
        const auto end = request.find("\r\n\r\n");
        if (end != std::string::npos && want == std::string::npos) {
            want = end + 4;
            const auto cl = request.find("Content-Length: ");
            if (cl != std::string::npos && cl < end)
                want += std::strtoull(request.c_str() + cl + 16, nullptr, 10);
        }
        if (want != std::string::npos && request.size() >= want)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        request.append(buf, std::size_t(n));
    }
    {
        std::lock_guard lock(FMutex);
        FRequests.push_back(request);
    }
    for (int waited = 0; waited < step.DelayMs && !FStop; waited += 5)
        ::usleep(5000);
    const std::size_t size = step.Silent ? 0 : std::min(step.Reply.size(), step.HoldAfter);
    std::size_t sent = 0;
    while (sent < size && !FStop) {
        const bool trickle = step.TrickleMs > 0 && sent >= step.TrickleFrom;
        const std::size_t want =
            trickle ? 1 : std::min(size, step.TrickleMs > 0 ? step.TrickleFrom : size) - sent;
        if (trickle)
            ::usleep(useconds_t(step.TrickleMs) * 1000);
        const ssize_t n = ::send(fd, step.Reply.data() + sent, want, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += std::size_t(n);
    }
    if (step.Silent || size < step.Reply.size()) {
        while (!FStop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5) > 0 && ::recv(fd, buf, sizeof buf, 0) <= 0)
                break;
        }
    }
}

std::string Reply(const std::string& status, const std::vector<std::string>& headers,
                  const std::string& body) {
    std::string r = "HTTP/1.0 " + status + "\r\n";
    for (const std::string& h : headers)
        r += h + "\r\n";
    return r + "\r\n" + body;
}

TTempDir::TTempDir() {
    char templ[] = "/tmp/orv-net-XXXXXX";
    if (!::mkdtemp(templ))
        throw std::runtime_error("no temporary folder");
    FPath = templ;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << data;
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
