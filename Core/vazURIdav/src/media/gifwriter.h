// An animated GIF (GIF89a, looping) of a source's pictures at a chosen size
// and rate, written on its own thread. Each frame gets its own palette. The
// file is written under a temporary name and appears under its own name when
// the GIF ends.
#pragma once

#include "media/avholders.h"
#include "media/boundedqueue.h"
#include "media/framesink.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zd::media
{

class RecordFile;

class GifWriter : public FrameSink
{
public:
    enum State { Started = 0, Ended = 1, Progress = 2, StopRequest = 5 };
    // state, and for Progress the milliseconds recorded; runs on the GIF
    // thread (Started: on the caller of start).
    using StateHandler = std::function<void(int state, int64_t ms)>;

    explicit GifWriter(StateHandler state);
    ~GifWriter() override;
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    // Starts a GIF of at most width x height (keepAspect: the source's shape
    // within that box) at fps. False when the arguments are unusable.
    bool start(const std::string& path, int width, int height, bool keepAspect, int fps);
    // Ends the GIF: the file is finished and Ended reported.
    void stop();
    bool running() const { return m_running.load(); }

    void pushVideo(const AVFrame* frame) override;
    void pushAudio(const AVFrame*) override {}

private:
    struct Job {
        AVFramePtr frame;
    };
    bool openOutput(const AVFrame* first);
    bool buildGraph(const AVFrame* in);
    bool encode(AVFrame* frame);
    bool writeFrame(const AVFrame* frame);
    void finish();
    void run();

    StateHandler m_state;
    std::string m_path, m_tempPath;
    int m_boxWidth = 0, m_boxHeight = 0, m_fps = 0;
    bool m_keepAspect = true;

    std::unique_ptr<BoundedQueue<Job>> m_queue;
    std::thread m_thread;
    std::atomic<bool> m_running{false};

    // Producer side (capture thread): which pictures the rate takes.
    std::mutex m_pickMutex;
    int64_t m_firstUs = -1;
    int64_t m_lastSlot = -1;
    bool m_accepting = false;

    // GIF thread.
    int m_outWidth = 0, m_outHeight = 0;
    int m_inWidth = 0, m_inHeight = 0, m_inFormat = -1;
    AVFilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    AVCodecContextPtr m_encoder;
    AVFormatContextPtr m_muxer;
    std::unique_ptr<RecordFile> m_file;
    bool m_failed = false;
    int64_t m_lastPts = -1;
    int64_t m_reportedSecond = -1;
};

} // namespace zd::media
