// The share server's listening socket. It takes the TCP port for real, so
// that a port another program holds is reported as a failed start; the
// connections it accepts are closed until the share service serves them.
#pragma once

#include "core/enginecomponent.h"

#include <mutex>
#include <thread>

namespace zd
{

class Engine;

class DudServer : public EngineComponent
{
public:
    explicit DudServer(Engine& engine);
    ~DudServer() override;

    // Listens on the port on every IPv4 address; true when listening. A
    // server already listening on that port stays as it is; on another port
    // it is stopped first.
    bool start(int port);
    void stop() override;
    bool running() const;
    int port() const;

private:
    void acceptLoop(int listenFd, int wakeFd);
    void stopLocked();

    mutable std::mutex m_mutex;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
};

} // namespace zd
