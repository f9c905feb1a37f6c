// One destination of the live stream: an RTMP server, or the FLV copy on
// disk. Its own thread connects, writes the FLV header and then the packets
// the encoder hands over through a bounded queue, so a slow or dead server
// only ever loses its own packets: when its queue is full, packets are
// dropped up to the next key frame, and the encoder never waits. A server
// that cannot be reached or is lost is tried again, less and less often, for
// as long as the stream runs; a file is never opened again, as that would
// cut what it holds.
#pragma once

#include "media/avholders.h"
#include "media/boundedqueue.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace zd::live
{

class ServerSender
{
public:
    struct Stats {
        int connected = 0;
        int64_t bytes = 0;
        int frames = 0;
        int dropped = 0;
        int speed = 0; // bytes in the last whole second
        int64_t packets = 0;
    };
    // Called on the sender's thread when the destination came up (error 0)
    // or went: its first attempt failed, or it was lost (error: an AVERROR).
    // Attempts that fail again while it is down are not told.
    using StateHandler = std::function<void(bool connected, int error)>;

    static constexpr size_t kQueuePackets = 512;
    static constexpr int kConnectTimeoutMs = 10000;
    // One packet that takes longer than this to leave means the server is
    // gone, even though its connection still stands.
    static constexpr int kStallTimeoutMs = 10000;
    static constexpr int kCloseTimeoutMs = 3000;
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kLongestRetryMs = 30000;

    // A file destination is a path, else a URL.
    ServerSender(std::string destination, bool file, StateHandler onState);
    ~ServerSender();
    ServerSender(const ServerSender&) = delete;
    ServerSender& operator=(const ServerSender&) = delete;

    // Connects on the sender's thread; returns at once. video and audio:
    // the opened encoders (parameters and time bases are copied); audio may
    // be null.
    void start(const AVCodecContext* video, const AVCodecContext* audio);
    // The encoder's thread: a packet of stream 0 (video) or 1 (audio), in
    // the encoder's time base. Never waits.
    void push(const AVPacket* packet, int stream);
    // Sends what is queued (for at most kCloseTimeoutMs), ends the FLV and
    // closes; returns when the connection is closed.
    void stop();
    Stats stats() const;

private:
    struct Item {
        media::AVPacketPtr packet;
        int stream = 0;
    };
    static int interrupted(void* self);
    // 0, or the AVERROR of the failed attempt.
    int connect();
    // Sends until the queue is closed (0) or a write fails (its AVERROR).
    int send();
    void run();
    void disconnect(bool graceful);
    void setConnected(bool up);
    // Drops what is queued, counting the pictures among it as lost.
    void discardQueued();
    void countSent(int bytes, bool video);
    // The file was removed or replaced since it was opened.
    bool fileGone() const;
    void setDeadline(int fromNowMs);
    bool waitBeforeRetry(int ms);

    const std::string m_destination;
    const bool m_file;
    AVCodecParameters* m_params[2] = {nullptr, nullptr};
    AVRational m_timeBase[2] = {{1, 1}, {1, 1}};
    StateHandler m_onState;
    media::BoundedQueue<Item> m_queue{kQueuePackets};
    media::AVFormatContextPtr m_ctx;
    std::thread m_thread;
    std::atomic<bool> m_stopAsked{false};
    // Set once by stop(); nothing else moves it.
    std::atomic<int64_t> m_stopDeadlineUs{0};
    // The sender's own operation in progress: a connect or one write.
    std::atomic<int64_t> m_deadlineUs{0};
    // Packets are taken only while connected; each connection has its own
    // number, so the encoder's thread sees a new one start.
    std::atomic<bool> m_live{false};
    std::atomic<uint64_t> m_connection{0};
    uint64_t m_fileInode = 0, m_fileDevice = 0; // the sender's thread

    // The encoder's thread only.
    bool m_waitKey = true; // dropping up to a key frame
    bool m_fed = false;    // a key frame went out: from now on losses count
    uint64_t m_seenConnection = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Stats m_stats;
    // Bytes per whole second since the stream began, for the speed: the
    // whole seconds since then, and the bytes sent in the second before
    // `second` (m_mutex held).
    int64_t secondNow() const;
    int64_t bytesOfSecondBefore(int64_t second) const;
    int64_t m_originUs = 0;
    int64_t m_second = 0;
    int64_t m_secondBytes[2] = {0, 0}; // the second before m_second, m_second
};

} // namespace zd::live
