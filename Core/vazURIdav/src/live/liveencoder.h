// The one encode of a live stream: the canvas's pictures and sound, as they
// leave its pipeline, encoded once to H.264 and AAC on a thread of its own
// behind a bounded queue, every packet handed to each destination.
#pragma once

#include "live/serversender.h"
#include "media/audioencoder.h"
#include "media/boundedqueue.h"
#include "media/framesink.h"
#include "media/videoencoder.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace zd::live
{

class LiveEncoder : public media::FrameSink
{
public:
    using FailureHandler = std::function<void(int code)>;
    static constexpr size_t kQueueFrames = 256;

    explicit LiveEncoder(FailureHandler onFailure);
    ~LiveEncoder() override;

    // Returns at once: the encoders are opened on the encoder's thread (an
    // H.264 encoder of a large picture takes a while), which then starts
    // every destination with their parameters. Pictures pushed meanwhile
    // wait in the queue. An encoder that cannot be opened is reported as a
    // failure (a RecordStartError).
    void start(int width, int height, int fps, int64_t bitrate,
               std::vector<std::shared_ptr<ServerSender>> destinations);
    // Encodes what is queued, drains the encoders and ends the thread.
    void stop();

    void pushVideo(const AVFrame* frame) override;
    void pushAudio(const AVFrame* frame) override;
    int64_t droppedFrames() const { return m_dropped.load(); }

private:
    struct Item {
        bool video = true;
        media::AVFramePtr frame;
    };
    int open(int width, int height, int fps, int64_t bitrate);
    void run(int width, int height, int fps, int64_t bitrate);
    int deliver(AVPacket* packet, int stream);
    void fail(int code);

    FailureHandler m_onFailure;
    media::VideoEncoder m_video;
    media::AudioEncoder m_audio;
    int m_fps = 30;
    std::vector<std::shared_ptr<ServerSender>> m_destinations;
    media::BoundedQueue<Item> m_queue{kQueueFrames};
    std::thread m_thread;
    std::atomic<bool> m_accepting{false};
    std::atomic<bool> m_failed{false};
    std::atomic<int64_t> m_dropped{0};
};

} // namespace zd::live
