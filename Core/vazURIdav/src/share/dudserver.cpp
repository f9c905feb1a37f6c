#include "share/dudserver.h"

#include "core/enginethreadcounter.h"
#include "core/log.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zd
{

DudServer::DudServer(Engine&) {}

DudServer::~DudServer()
{
    stop();
}

bool DudServer::running() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_listenFd >= 0;
}

int DudServer::port() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_listenFd >= 0 ? m_port : 0;
}

bool DudServer::start(int port)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (port <= 0 || port > 65535) {
        Log::write(8, "Share server: port %d is not a TCP port", port);
        return false;
    }
    if (m_listenFd >= 0) {
        if (m_port == port)
            return true;
        stopLocked();
    }

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        Log::write(8, "Share server: no socket (%s)", strerror(errno));
        return false;
    }
    // Lets a restart take the port while old connections linger in
    // TIME_WAIT; a port another socket listens on still fails.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 16) != 0) {
        Log::write(8, "Share server: port %d cannot be used (%s)", port, strerror(errno));
        ::close(fd);
        return false;
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        Log::write(8, "Share server: no wake pipe (%s)", strerror(errno));
        ::close(fd);
        return false;
    }

    EngineThreadCounter::starting();
    try {
        m_thread = std::thread([this, fd, wake] { acceptLoop(fd, wake[0]); });
    } catch (...) {
        EngineThreadCounter::notStarted();
        ::close(fd);
        ::close(wake[0]);
        ::close(wake[1]);
        Log::write(8, "Share server: no thread");
        return false;
    }
    m_listenFd = fd;
    m_wakeFds[0] = wake[0];
    m_wakeFds[1] = wake[1];
    m_port = port;
    Log::write(2, "Share server listening on port %d", port);
    return true;
}

void DudServer::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    stopLocked();
}

void DudServer::stopLocked()
{
    if (m_listenFd < 0)
        return;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFds[1], &byte, 1);
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listenFd);
    ::close(m_wakeFds[0]);
    ::close(m_wakeFds[1]);
    m_listenFd = -1;
    m_wakeFds[0] = m_wakeFds[1] = -1;
    m_port = 0;
}

void DudServer::acceptLoop(int listenFd, int wakeFd)
{
    EngineThreadCounter::Ending ending;
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                ::close(client);
        }
    }
}

} // namespace zd
