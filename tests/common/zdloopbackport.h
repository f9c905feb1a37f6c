// Loopback ports for tests and benchmarks that start a server of their own:
// a port the kernel just gave out (free unless someone races for it), and
// whether something accepts connections on one. Plain POSIX, so that the
// helper programs and benchmarks without Qt use the same code.
#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zdtest
{

inline int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// A connected socket to the loopback port, or -1.
inline int connectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        return fd;
    ::close(fd);
    return -1;
}

inline bool loopbackAccepts(int port)
{
    const int fd = connectLoopback(port);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// A socket listening on a free loopback port that never accepts: the port
// stays taken while it lives, and a client's connection is completed by the
// kernel and then left unanswered.
struct LoopbackListener {
    int fd = -1;
    int port = 0;
    explicit LoopbackListener(int backlog = 1)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::listen(fd, backlog) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0)
            port = ntohs(a.sin_port);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;
    ~LoopbackListener() { release(); }
    void release()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

} // namespace zdtest
