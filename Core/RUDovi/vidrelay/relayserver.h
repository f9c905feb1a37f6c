// The capture server: opens the capture device its server name chooses (the
// engine's test-pattern camera when the name matches none), creates the
// semaphore that tells sources it runs, and serves each request read after a
// post with a stream of its own.
#pragma once

#include "framestream.h"
#include "pipeledger.h"
#include "relaylog.h"
#include "zdrelayprotocol.h"

#include <memory>
#include <semaphore.h>
#include <string>
#include <vector>

class RelayServer
{
public:
    static constexpr size_t kMaxStreams = 16;
    // The server's own files in the request folder.
    static constexpr const char* kLockFileName = zdrelay::kServerLockFileName;
    static constexpr const char* kPipeLedgerFileName = zdrelay::kPipeLedgerFileName;

    RelayServer(std::string serverName, std::string requestFolder, RelayLog& log);
    ~RelayServer();
    RelayServer(const RelayServer&) = delete;
    RelayServer& operator=(const RelayServer&) = delete;

    // Serves until asked to stop; the exit status.
    int run();
    // Async-signal-safe: ends run() soon.
    static void requestStop();

private:
    bool openDevice();
    void readRequests();
    void serve(const std::string& file);
    void reapFinished();
    void endStream(std::vector<std::unique_ptr<FrameStream>>::iterator stream);
    void shutdown();

    const std::string m_serverName;
    const std::string m_requestFolder;
    const std::string m_semaphoreName;
    RelayLog& m_log;
    PipeLedger m_pipes;
    void* m_engine = nullptr;
    sem_t* m_semaphore = SEM_FAILED;
    std::vector<std::unique_ptr<FrameStream>> m_streams;
};
