// One stream of the capture server: a named pipe made for one request, into
// which a thread of its own writes pictures or sound until the reader goes,
// a stop request comes, or the server ends.
#pragma once

#include "zdrelayprotocol.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <thread>
#include <vector>

class RelayLog;

class FrameStream
{
public:
    // How long the reader may take to open the pipe, and to take a frame.
    static constexpr int kOpenTimeoutMs = 5000;
    static constexpr int kStallTimeoutMs = 10000;

    FrameStream(void* engine, RelayLog& log, const std::string& pipeName, int32_t kind,
                uid_t requester);
    ~FrameStream();
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    // Makes the pipe and starts the thread; false when the pipe cannot be made,
    // also when anything at all is at its path already: that is not ours.
    bool start();
    // Ends the stream with an end header and removes the pipe.
    void stop();
    bool finished() const { return m_finished; }
    const std::string& pipeName() const { return m_pipeName; }
    const std::string& path() const { return m_path; }
    uid_t requester() const { return m_requester; }
    // The pipe made, as the file system knows it.
    dev_t device() const { return m_device; }
    ino_t inode() const { return m_inode; }

private:
    void run();
    bool openForReader();
    // The pipe at the path is still the one made here.
    bool stillOurs(const struct stat& st) const;
    // Nobody holds the reading end any more, or does so within waitMs.
    bool readerGone(int waitMs) const;
    void removePipe();
    void serveVideo();
    using Clock = std::chrono::steady_clock;
    void serveAudio();
    // Sends the stream's first, silent sample frame and waits until the
    // reader has taken it, following the engine's sound meanwhile: position
    // is then where the stream's sound begins, skipBytes how much after it
    // was captured before that moment. False when the reader takes nothing,
    // or the stream is to stop.
    bool sendSilentStart(std::vector<uint8_t>& scratch, int64_t& position, int64_t& skipBytes);
    // Bytes written and not yet read, -1 when that cannot be told.
    int unread() const;
    // Waits until the reader has read everything written, doing eachPass
    // on every look; false when it does not in time (told as taking no
    // `what`), when it went, or when the stream is to stop.
    bool waitUntilTaken(const char* what, const std::function<void()>& eachPass = {});
    bool send(const zdrelay::FrameHeader& header, const uint8_t* payload);
    bool writeAll(const uint8_t* data, size_t size);

    void* m_engine;
    RelayLog& m_log;
    const std::string m_pipeName;
    const std::string m_path;
    const int32_t m_kind;
    const uid_t m_requester;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};
