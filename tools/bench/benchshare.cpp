// zd_bench_share: one large recording served by the engine's share server to
// several clients at once on loopback. Prints the total throughput and the
// process's resident memory before, during (peak) and after, so that a file
// held in memory would show. Usage: zd_bench_share [GiB] [clients] [rounds]
#include "vazURIdav.h"
#include "zdloopbackport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

long statusKiB(const char* key)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, n) == 0)
            value = std::atol(line + n);
    std::fclose(f);
    return value;
}

// Fetches the whole file, reading into one buffer that is overwritten; the
// body's bytes.
long long fetch(int port, const std::string& path)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return -1;
    const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
    if (::write(fd, request.data(), request.size()) != ssize_t(request.size()))
        return -1;
    std::vector<char> buffer(1 << 20);
    long long total = 0;
    long long headerBytes = -1;
    std::string head;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        if (headerBytes < 0) {
            head.append(buffer.data(), size_t(std::min<ssize_t>(n, 4096)));
            const size_t end = head.find("\r\n\r\n");
            if (end != std::string::npos)
                headerBytes = static_cast<long long>(end + 4);
        }
        total += n;
    }
    ::close(fd);
    return headerBytes < 0 ? -1 : total - headerBytes;
}

} // namespace

int main(int argc, char** argv)
{
    const long long gib = argc > 1 ? std::atoll(argv[1]) : 1;
    const int clients = argc > 2 ? std::atoi(argv[2]) : 4;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    char dirTemplate[] = "/tmp/zd_bench_share-XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (!dir)
        return 1;
    const std::string video = std::string(dir) + "/Vid20260101120000.mp4";
    const long long size = gib << 30;
    {
        // Real bytes on the disk, not a sparse file.
        const int fd = ::open(video.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char> block(8 << 20);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = char(i * 2654435761u >> 24);
        for (long long done = 0; done < size; done += static_cast<long long>(block.size()))
            if (::write(fd, block.data(), block.size()) != ssize_t(block.size()))
                return 1;
        ::close(fd);
    }
    {
        // files.dat: one record of 464 bytes, id 650000001234.
        std::vector<char> record(464, 0);
        std::memcpy(record.data(), "Vid20260101120000.mp4", 21);
        std::memcpy(record.data() + 192, video.c_str(), video.size());
        const uint32_t idTime = 0x65000000, idTick = 0x1234;
        std::memcpy(record.data() + 448, &idTime, 4);
        std::memcpy(record.data() + 452, &idTick, 4);
        const std::string list = std::string(dir) + "/files.dat";
        const int fd = ::open(list.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, record.data(), record.size()) != ssize_t(record.size()))
            return 1;
        ::close(fd);
    }

    void* handle = nullptr;
    if (ZD_Initalize(&handle, dir, dir, dir, "zd_bench_share", "1") != 1)
        return 1;
    const int port = zdtest::freeLoopbackPort();
    if (ZD_StartDUD_Server(handle, port) != 1)
        return 1;
    std::printf("%lld GiB file, %d clients at once, loopback\n", gib, clients);
    const long before = statusKiB("VmRSS:");
    for (int round = 1; round <= rounds; ++round) {
        std::vector<long long> got(size_t(clients), 0);
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> threads;
        for (int i = 0; i < clients; ++i)
            threads.emplace_back([&, i] { got[size_t(i)] = fetch(port, "/file/650000001234"); });
        long peak = 0;
        // Samples the resident size while the clients run.
        std::thread sampler([&] {
            while (std::chrono::steady_clock::now() - start < std::chrono::seconds(600)) {
                peak = std::max(peak, statusKiB("VmRSS:"));
                bool done = true;
                for (long long g : got)
                    done = done && g != 0;
                if (done)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        for (std::thread& t : threads)
            t.join();
        sampler.join();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        long long total = 0;
        bool whole = true;
        for (long long g : got) {
            total += g;
            whole = whole && g == size;
        }
        std::printf("round %d: %.2f GB/s total (%.0f MB in %.2f s), every client whole: %s, "
                    "resident %ld KiB before, %ld KiB at most while serving\n",
                    round, double(total) / seconds / 1e9, double(total) / 1e6, seconds,
                    whole ? "yes" : "NO", before, peak);
    }
    ZD_StopDUD_Server(handle);
    ZD_Release(&handle);
    std::printf("resident after: %ld KiB (peak of the run %ld KiB)\n", statusKiB("VmRSS:"),
                statusKiB("VmHWM:"));
    ::unlink(video.c_str());
    ::unlink((std::string(dir) + "/files.dat").c_str());
    ::rmdir(dir);
    return 0;
}
