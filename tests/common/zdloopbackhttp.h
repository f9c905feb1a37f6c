// A small HTTP/1.1 server on 127.0.0.1 for tests of the web requests: it runs
// on its own thread (so the code under test may block the test's thread),
// answers every request with the reply set for its path, or holds the
// connection open without answering, and records what it was sent. Plain
// POSIX sockets, so that engine tests without Qt Network can use it too.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zdtest
{

struct HttpExchange {
    std::string method;
    std::string path;
    std::string head; // request line and headers
    std::string body;
};

class LoopbackHttpServer
{
public:
    struct Reply {
        int status = 200;
        std::string body;
        bool hang = false; // read the request, then never answer
    };

    LoopbackHttpServer()
    {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listenFd_, 16) != 0) {
            ::close(listenFd_);
            listenFd_ = -1;
            return;
        }
        socklen_t len = sizeof addr;
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        if (::pipe2(stopPipe_, O_CLOEXEC) != 0)
            stopPipe_[0] = stopPipe_[1] = -1;
        thread_ = std::thread([this] { Run(); });
    }

    ~LoopbackHttpServer()
    {
        if (stopPipe_[1] >= 0) {
            const char c = 'x';
            (void)!::write(stopPipe_[1], &c, 1);
        }
        if (thread_.joinable())
            thread_.join();
        for (int fd : {listenFd_, stopPipe_[0], stopPipe_[1]})
            if (fd >= 0)
                ::close(fd);
    }

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool isListening() const { return listenFd_ >= 0 && port_ != 0; }
    int port() const { return port_; }
    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    // The reply for every path that has no reply of its own.
    void setReply(int status, const std::string& body, bool hang = false)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fallback_ = Reply{status, body, hang};
    }
    void setReply(const std::string& path, int status, const std::string& body)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        routes_[path] = Reply{status, body, false};
    }

    std::vector<HttpExchange> requests() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    int connections() const { return connections_.load(); }

private:
    bool WaitReadable(int fd, int timeoutMs)
    {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        const int n = ::poll(fds, 2, timeoutMs);
        return n > 0 && (fds[1].revents & POLLIN) == 0 && (fds[0].revents & (POLLIN | POLLHUP));
    }

    bool Stopping()
    {
        pollfd fd{stopPipe_[0], POLLIN, 0};
        return ::poll(&fd, 1, 0) > 0;
    }

    void Run()
    {
        while (WaitReadable(listenFd_, -1)) {
            const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            ++connections_;
            Serve(client);
            ::close(client);
        }
    }

    void Serve(int client)
    {
        std::string data;
        size_t headEnd = std::string::npos;
        char chunk[65536];
        while (headEnd == std::string::npos && data.size() < (1u << 20)) {
            if (!WaitReadable(client, 5000))
                return;
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            data.append(chunk, static_cast<size_t>(n));
            headEnd = data.find("\r\n\r\n");
        }
        if (headEnd == std::string::npos)
            return;
        HttpExchange exchange;
        exchange.head = data.substr(0, headEnd);
        const size_t sp1 = exchange.head.find(' ');
        const size_t sp2 = exchange.head.find(' ', sp1 + 1);
        exchange.method = exchange.head.substr(0, sp1);
        exchange.path = exchange.head.substr(sp1 + 1, sp2 - sp1 - 1);
        size_t contentLength = 0;
        std::string lower = exchange.head;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const size_t cl = lower.find("\r\ncontent-length:");
        if (cl != std::string::npos)
            contentLength = std::strtoul(lower.c_str() + cl + 17, nullptr, 10);
        exchange.body = data.substr(headEnd + 4);
        while (exchange.body.size() < contentLength && exchange.body.size() < (1u << 20)) {
            if (!WaitReadable(client, 5000))
                break;
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            exchange.body.append(chunk, static_cast<size_t>(n));
        }

        Reply reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(exchange);
            const auto route = routes_.find(exchange.path);
            reply = route != routes_.end() ? route->second : fallback_;
        }
        if (reply.hang) {
            // Hold the connection until the client gives up or the server stops.
            while (!Stopping() && WaitReadable(client, 100) == false) {
            }
            return;
        }
        std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " Test\r\n" +
                               "Content-Type: application/octet-stream\r\n" +
                               "Content-Length: " + std::to_string(reply.body.size()) + "\r\n" +
                               "Connection: close\r\n\r\n" + reply.body;
        size_t sent = 0;
        while (sent < response.size()) {
            const ssize_t n =
                ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        ::shutdown(client, SHUT_WR);
        // Let the client read to the end before the socket goes away.
        while (WaitReadable(client, 2000)) {
            if (::recv(client, chunk, sizeof chunk, 0) <= 0)
                break;
        }
    }

    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    Reply fallback_;
    std::map<std::string, Reply> routes_;
    std::vector<HttpExchange> requests_;
    std::atomic<int> connections_{0};
};

} // namespace zdtest
