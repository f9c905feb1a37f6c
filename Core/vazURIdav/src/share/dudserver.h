// The share server: HTTP on the asked port, by libmicrohttpd, one thread per
// connection (a client that stops reading holds only its own), at most
// kMaxConnections at once, idle clients dropped after kIdleTimeoutSeconds.
// It serves the catalogue page, the catalogued files by entry with byte
// ranges (sent from the file by the kernel, never read into memory), their
// thumbnails, and /preview while the live picture runs.
//
// The listening socket is this class's own: its accept loop hands each
// connection to the library, and when the process is out of descriptors it
// leaves the pending connections in the backlog for a while instead of
// polling a socket that stays readable.
#pragma once

#include "core/enginecomponent.h"
#include "share/dudcatalogue.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct MHD_Daemon;
struct MHD_Connection;

namespace zd
{

class Engine;
class TsBroadcast;

class DudServer : public EngineComponent
{
public:
    static constexpr int kMaxConnections = 64;
    static constexpr int kIdleTimeoutSeconds = 30;
    // Back-off when accepting fails for want of descriptors or memory.
    static constexpr int kFirstBackoffMs = 50;
    static constexpr int kLongestBackoffMs = 1000;

    explicit DudServer(Engine& engine);
    ~DudServer() override;

    // Listens on the port on every IPv4 address; true when listening. A
    // server already listening on that port stays as it is; on another port
    // it is stopped first.
    bool start(int port);
    // Ends the server with the handle: quietly, after the program's last
    // log line.
    void stop() override;
    // Ends the server when the program asks, with a log line.
    void stopAsked();
    bool running() const;
    int port() const;

    // Reads files.dat again (the files list changed).
    void reloadCatalogue();
    std::shared_ptr<const DudEntries> catalogue() const;

    // Seconds of idleness after which servers started later drop a client
    // (0: kIdleTimeoutSeconds).
    static void setIdleTimeoutForTests(int seconds);

    // Whether a TS stream is being shared (from the live picture).
    bool liveRunning() const;

    // Answers one request (called by the library on the connection's thread);
    // true when a response was queued.
    bool answer(MHD_Connection* connection, const char* url, const char* method);

private:
    void acceptLoop(int listenFd, int wakeFd, MHD_Daemon* daemon);
    void stopLocked();

    Engine& m_engine;
    mutable std::mutex m_mutex;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    int m_port = 0;
    MHD_Daemon* m_daemon = nullptr;
    std::thread m_thread;
    // Set while the server stops, for the live clients waiting for bytes.
    std::shared_ptr<std::atomic<bool>> m_stopping = std::make_shared<std::atomic<bool>>(false);

    mutable std::mutex m_catalogueMutex;
    std::shared_ptr<const DudEntries> m_catalogue;
};

} // namespace zd
