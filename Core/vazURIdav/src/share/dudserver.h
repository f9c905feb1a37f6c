// The share server: HTTP on the asked port, by libmicrohttpd, one thread per
// connection (a client that stops reading holds only its own), at most
// kMaxConnections at once (the library's own limit: more wait in the backlog
// until a place frees), idle clients dropped after kIdleTimeoutSeconds.
// It serves the catalogue page, the catalogued files by entry with byte
// ranges (sent from the file by the kernel, never read into memory), their
// thumbnails, and /preview while the live picture runs.
//
// The library accepts on the listening socket this class opens. When the
// process is out of descriptors, the pending connections stay in the backlog
// for a while instead of the library polling a socket that stays readable.
#pragma once

#include "core/enginecomponent.h"
#include "share/dudcatalogue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>

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
    void stopLocked();
    // The library's logger: backs off after a failed accept.
    static void libraryMessage(void* cls, const char* format, va_list values);

    Engine& m_engine;
    mutable std::mutex m_mutex;
    int m_listenFd = -1;
    int m_port = 0;
    MHD_Daemon* m_daemon = nullptr;

    // Back-off of the library's listening thread, ended by a stop.
    std::mutex m_backoffMutex;
    std::condition_variable m_backoffWake;
    bool m_backoffStop = false;
    int m_backoffMs = 0;
    std::chrono::steady_clock::time_point m_lastBackoff;
    // Set while the server stops, for the live clients waiting for bytes.
    std::shared_ptr<std::atomic<bool>> m_stopping = std::make_shared<std::atomic<bool>>(false);

    mutable std::mutex m_catalogueMutex;
    std::shared_ptr<const DudEntries> m_catalogue;
};

} // namespace zd
