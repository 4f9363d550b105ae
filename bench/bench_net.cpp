// Download throughput of the HTTP client against curl, from the same loopback file server in the
// same run, and the client's peak memory, which must not grow with the size of the file.
//
//   bench_net [--size-mb=N] [google benchmark flags]
#include "NMHTTP.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::size_t FileSize = 200u * 1000 * 1000;
std::string Folder, Source, Url;
std::vector<double> ClientSeconds, CurlSeconds;

// A plain file server: every connection gets the source file whatever it asks for.
class TFileServer {
public:
    TFileServer() {
        FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(FListen, 8) != 0 ||
            ::getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            std::perror("file server");
            std::exit(1);
        }
        Port = ntohs(a.sin_port);
        FThread = std::thread([this] { Run(); });
    }
    ~TFileServer() {
        FStop = true;
        FThread.join();
        ::close(FListen);
    }
    int Port = 0;

private:
    void Run() {
        while (!FStop) {
            pollfd p{FListen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                Serve(fd);
                ::close(fd);
            }
        }
    }
    static void Serve(int fd) {
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                return;
            request.append(buf, std::size_t(n));
        }
        const int file = ::open(Source.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        ::fstat(file, &st);
        const std::string head =
            "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
            std::to_string(st.st_size) + "\r\n\r\n";
        if (::send(fd, head.data(), head.size(), MSG_NOSIGNAL) == ssize_t(head.size())) {
            off_t offset = 0;
            while (offset < st.st_size)
                if (::sendfile(fd, file, &offset, std::size_t(st.st_size - offset)) <= 0)
                    break;
        }
        ::close(file);
    }

    int FListen = -1;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

long VmHWMKiB() {
    long kib = -1;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "VmHWM:", 6) == 0)
                kib = std::strtol(line + 6, nullptr, 10);
        std::fclose(f);
    }
    return kib;
}

void MakeSource() {
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = char('a' + (i * 7919) % 26);
    FILE* f = std::fopen(Source.c_str(), "wb");
    for (std::size_t done = 0; done < FileSize; done += block.size())
        std::fwrite(block.data(), 1, std::min(block.size(), FileSize - done), f);
    std::fclose(f);
}

bool SameSize(const std::string& path) {
    std::error_code ec;
    return std::filesystem::file_size(path, ec) == FileSize;
}

void BM_ClientDownload(benchmark::State& state) {
    TNMHTTP http;
    long pumps = 0;
    http.OnWait = [&] { ++pumps; };
    http.InputFileMode = true;
    const std::string dest = Folder + "/client.bin";
    for (auto _ : state) {
        http.Body = dest;
        const auto start = std::chrono::steady_clock::now();
        http.Get(Url);
        ClientSeconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!SameSize(dest))
            state.SkipWithError("client download incomplete");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * FileSize));
    state.counters["pumps/iter"] = double(pumps) / double(state.iterations());
}

void BM_CurlDownload(benchmark::State& state) {
    const std::string dest = Folder + "/curl.bin";
    const std::string command = "curl -s -0 -o '" + dest + "' '" + Url + "'";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int rc = std::system(command.c_str());
        CurlSeconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (rc != 0 || !SameSize(dest))
            state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * FileSize));
}

BENCHMARK(BM_ClientDownload)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlDownload)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--size-mb=", 10) == 0)
            FileSize = std::size_t(std::atol(argv[i] + 10)) * 1000 * 1000;
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());

    char templ[] = "/tmp/orv-bench-net-XXXXXX";
    if (!::mkdtemp(templ))
        return 1;
    Folder = templ;
    Source = Folder + "/source.bin";
    MakeSource();
    TFileServer server;
    Url = "http://127.0.0.1:" + std::to_string(server.Port) + "/big.bin";

    const long hwmBefore = VmHWMKiB();
    benchmark::RunSpecifiedBenchmarks();
    const long hwmAfter = VmHWMKiB();

    const double mb = double(FileSize) / 1e6;
    const double client = ClientSeconds.empty() ? 0 : mb / Median(ClientSeconds);
    const double curl = CurlSeconds.empty() ? 0 : mb / Median(CurlSeconds);
    std::printf("\nfile size              %.0f MB\n", mb);
    std::printf("client (median)        %.1f MB/s\n", client);
    std::printf("curl (median)          %.1f MB/s\n", curl);
    if (curl > 0)
        std::printf("client / curl          %.2f  (target >= 0.80)\n", client / curl);
    std::printf("VmHWM before downloads %ld KiB\n", hwmBefore);
    std::printf("VmHWM after downloads  %ld KiB  (growth %ld KiB for a %.0f MB file)\n", hwmAfter,
                hwmAfter - hwmBefore, mb);

    std::error_code ec;
    std::filesystem::remove_all(Folder, ec);
    benchmark::Shutdown();
    return 0;
}
