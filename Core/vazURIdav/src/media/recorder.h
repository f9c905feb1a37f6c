// One recording: a thread that encodes and writes the frames it is given,
// behind a bounded queue. Pauses leave no gap in the file's timeline; a
// restart finishes the file and goes on in a new one at the next frame, whose
// first picture is a key frame, so no frame is lost between the two.
// Failures while recording are handed to the failure handler once, with a
// RecordFailure code.
#pragma once

#include "media/avholders.h"
#include "media/boundedqueue.h"
#include "media/framesink.h"
#include "media/recordsettings.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zd::media
{

class AudioEncoder;
class RecordMuxer;
class VideoEncoder;

class Recorder : public FrameSink
{
public:
    using FailureHandler = std::function<void(int code)>;

    // failure runs on an engine thread, at most once per recording.
    explicit Recorder(FailureHandler failure);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Opens the first file and starts the thread. A width, height or rate of
    // 0 in settings takes the source's. withAudio adds a sound track. Frames
    // captured before this call are not recorded. Returns 1 or a
    // RecordStartError (or RecordDiskFull).
    int start(const RecordSettings& settings, int sourceWidth, int sourceHeight, int sourceFps,
              bool withAudio);
    // Finishes the file and ends the thread; 0 or the RecordFailure met while
    // finishing (not reported through the handler: the stop was asked for).
    int stop();
    bool running() const;

    void pushVideo(const AVFrame* frame) override;
    void pushAudio(const AVFrame* frame) override;

    // True when the state was changed or was already as asked.
    bool pause(bool on);
    bool paused() const;
    // Continues in a new file at newPath; false when not recording.
    bool restart(const std::string& newPath);

    std::string currentPath() const;
    // Bytes of the file being written, as the disk holds them now.
    int64_t fileSize() const;
    // Frames lost because the queue was full.
    int64_t droppedFrames() const { return m_dropped.load(); }
    const RecordSettings& settings() const { return m_settings; }

private:
    struct Item {
        enum Kind { Video, Audio, Split, Stop } kind = Video;
        AVFramePtr frame;
        int64_t recUs = 0;
        std::string path;
        bool afterBreak = false; // the first sound after a pause
    };

    struct Part {
        std::unique_ptr<VideoEncoder> video;
        std::unique_ptr<AudioEncoder> audio;
        std::unique_ptr<RecordMuxer> muxer;
        bool originSet = false;
        int64_t originUs = 0;
        int64_t lastPts = -1;
        std::deque<Item> waitingAudio;
        Part();
        ~Part();
        Part(Part&&) noexcept;
        Part& operator=(Part&&) noexcept;
    };

    int openPart(const std::string& path, Part& part) const;
    int finishPart(Part& part);
    int handleVideo(Part& part, const AVFrame* frame, int64_t recUs);
    int handleAudio(Part& part, const AVFrame* frame, int64_t recUs, bool afterBreak);
    void run();
    void fail(int code);
    void noteOverflow(int64_t recUs);

    FailureHandler m_failure;
    RecordSettings m_settings;
    bool m_withAudio = false;
    std::unique_ptr<BoundedQueue<Item>> m_queue;
    std::thread m_thread;
    Part m_firstPart;

    mutable std::mutex m_stateMutex;
    bool m_accepting = false;
    bool m_paused = false;
    int64_t m_startUs = 0;
    int64_t m_pauseStartUs = 0;
    int64_t m_pausedTotalUs = 0;
    int64_t m_pausedFrames = 0;
    bool m_soundResumed = false;
    int64_t m_overflowSinceUs = -1;
    std::string m_sizePath;

    int m_lastStopFailure = 0; // written by the thread before it ends
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_failed{false};
    std::atomic<int64_t> m_dropped{0};
    std::atomic<int64_t> m_lastProgressUs{0};
};

} // namespace zd::media
