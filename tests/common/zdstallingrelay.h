// A loopback TCP relay in front of a server, for tests of a peer that stops
// reading. Its receiving side has a small buffer, so that once it stalls the
// sender's bytes pile up in the sender after a few kilobytes, not after the
// megabytes that a loopback connection to the server itself would take in.
// One connection at a time; what the server sends back still flows.
#pragma once

#include "zdloopbackport.h"

#include <atomic>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace zdtest
{

class StallingRelay
{
public:
    static constexpr int kReceiveBufferBytes = 4096;
    static constexpr int kSegmentBytes = 1448;

    ~StallingRelay() { stop(); }

    // Listens on a free loopback port and relays to targetPort.
    bool start(int targetPort)
    {
        m_target = targetPort;
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // Set before listen(): the accepted connection takes them over. A
        // small window, and segments of an Ethernet's size rather than
        // loopback's 64 KiB, on which the sender would size a send buffer of
        // megabytes.
        const int small = kReceiveBufferBytes;
        ::setsockopt(m_listen, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        const int segment = kSegmentBytes;
        ::setsockopt(m_listen, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(m_listen, 4) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &n) != 0 ||
            ::pipe2(m_wake, O_CLOEXEC) != 0)
            return false;
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
        return true;
    }

    int port() const { return m_port; }
    // From now on nothing more is read from the client.
    void stall() { m_stalled = true; }

    void stop()
    {
        if (m_thread.joinable()) {
            [[maybe_unused]] ssize_t n = ::write(m_wake[1], "x", 1);
            m_thread.join();
        }
        for (int* fd : {&m_listen, &m_wake[0], &m_wake[1]}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

private:
    void run()
    {
        int client = -1, server = -1;
        char buffer[16384];
        for (;;) {
            pollfd fds[4] = {{m_wake[0], POLLIN, 0},
                             {m_listen, POLLIN, 0},
                             {client, short(m_stalled ? 0 : POLLIN), 0},
                             {server, POLLIN, 0}};
            if (::poll(fds, 4, 100) < 0)
                continue;
            if (fds[0].revents)
                break;
            if (fds[1].revents & POLLIN) {
                closeBoth(client, server);
                client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
                server = connectLoopback(m_target);
                if (server < 0)
                    closeBoth(client, server);
            }
            if ((fds[2].revents & (POLLIN | POLLHUP | POLLERR)) && !pass(client, server, buffer))
                closeBoth(client, server);
            if ((fds[3].revents & (POLLIN | POLLHUP | POLLERR)) && !pass(server, client, buffer))
                closeBoth(client, server);
        }
        closeBoth(client, server);
    }

    template <size_t N> static bool pass(int from, int to, char (&buffer)[N])
    {
        const ssize_t got = ::read(from, buffer, N);
        if (got <= 0)
            return false;
        for (ssize_t sent = 0; sent < got;) {
            const ssize_t n = ::write(to, buffer + sent, size_t(got - sent));
            if (n <= 0)
                return false;
            sent += n;
        }
        return true;
    }

    static void closeBoth(int& a, int& b)
    {
        for (int* fd : {&a, &b}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    int m_target = 0;
    int m_listen = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stalled{false};
    std::thread m_thread;
};

} // namespace zdtest
