// One destination of the live stream: an RTMP server, or the FLV copy on
// disk. Its own thread connects, writes the FLV header and then the packets
// the encoder hands over through a bounded queue, so a slow or dead server
// only ever loses its own packets: when its queue is full, packets are
// dropped up to the next key frame, and the encoder never waits.
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
    // Called on the sender's thread when the connection comes up or goes.
    using StateHandler = std::function<void(bool connected)>;

    static constexpr size_t kQueuePackets = 512;
    static constexpr int kConnectTimeoutMs = 10000;
    static constexpr int kCloseTimeoutMs = 3000;

    // video and audio: the encoders' contexts (parameters and time bases are
    // copied); audio may be null. A file destination is a path, else a URL.
    ServerSender(std::string destination, bool file, const AVCodecContext* video,
                 const AVCodecContext* audio, StateHandler onState);
    ~ServerSender();
    ServerSender(const ServerSender&) = delete;
    ServerSender& operator=(const ServerSender&) = delete;

    void start();
    // Waits until the first connection attempt has succeeded or failed.
    bool waitSettled(int timeoutMs);
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
    bool connect();
    void run();
    void disconnect(bool graceful);
    void setDeadline(int fromNowMs);

    const std::string m_destination;
    const bool m_file;
    AVCodecParameters* m_params[2] = {nullptr, nullptr};
    AVRational m_timeBase[2] = {{1, 1}, {1, 1}};
    StateHandler m_onState;
    media::BoundedQueue<Item> m_queue{kQueuePackets};
    media::AVFormatContextPtr m_ctx;
    std::thread m_thread;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_stopAsked{false};
    std::atomic<int64_t> m_deadlineUs{0};
    bool m_waitKey = true; // the encoder's thread: dropping up to a key frame

    mutable std::mutex m_mutex;
    std::condition_variable m_settledCv;
    bool m_settled = false;
    Stats m_stats;
    int64_t m_secondStartUs = 0;
    int64_t m_secondBytes = 0;
};

} // namespace zd::live
