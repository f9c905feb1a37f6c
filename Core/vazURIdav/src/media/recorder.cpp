#include "media/recorder.h"

#include "media/enginethread.h"

#include "media/audioencoder.h"
#include "media/medialog.h"
#include "media/recordmuxer.h"
#include "media/videoencoder.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <pthread.h>
#include <sys/stat.h>

extern "C" {
#include <libavutil/time.h>
}

namespace zd::media
{

namespace
{
// Frames lost for this long in a row end the recording with a failure; a
// shorter rush of work elsewhere on the machine only costs frames.
constexpr int64_t kOverflowLimitUs = 5000000;
// Without progress of the writing thread for this long, the queue is full
// because the thread is stuck, not merely slow.
constexpr int64_t kStuckUs = 1000000;
// Audio waiting for the first picture of a file.
constexpr size_t kMaxWaitingAudio = 200;
// The longest run of repeated pictures a constant rate fills in.
constexpr int kMaxRepeatSeconds = 10;
} // namespace

Recorder::Part::Part() = default;
Recorder::Part::~Part() = default;
Recorder::Part::Part(Part&&) noexcept = default;
Recorder::Part& Recorder::Part::operator=(Part&&) noexcept = default;

Recorder::Recorder(FailureHandler failure) : m_failure(std::move(failure)) {}

Recorder::~Recorder()
{
    stop();
}

int Recorder::openPart(const std::string& path, Part& part) const
{
    const bool globalHeader = m_settings.container == Container::Mp4;
    part = Part{};
    part.video = std::make_unique<VideoEncoder>();
    int r = part.video->open(m_settings, m_settings.width, m_settings.height, globalHeader);
    if (r)
        return r;
    if (m_withAudio) {
        part.audio = std::make_unique<AudioEncoder>();
        r = part.audio->open(m_settings.audioCodec, globalHeader);
        if (r)
            return r;
    }
    part.muxer = std::make_unique<RecordMuxer>();
    return part.muxer->open(path, m_settings.container, part.video->context(),
                            part.audio ? part.audio->context() : nullptr);
}

int Recorder::start(const RecordSettings& settings, int sourceWidth, int sourceHeight,
                    int sourceFps, bool withAudio)
{
    if (m_running)
        return RecordStartBusy;
    m_settings = settings;
    if (m_settings.width <= 0)
        m_settings.width = sourceWidth & ~1;
    if (m_settings.height <= 0)
        m_settings.height = sourceHeight & ~1;
    if (m_settings.fps <= 0)
        m_settings.fps = sourceFps > 0 ? std::min(sourceFps, 240) : 30;
    if (m_settings.width < 2 || m_settings.height < 2)
        return RecordStartNoSource;
    m_withAudio = withAudio;

    Part first;
    const int r = openPart(m_settings.path, first);
    if (r) {
        if (first.muxer)
            first.muxer->finish();
        return r < 0 ? r : RecordStartCannotCreateFile;
    }
    m_firstPart = std::move(first);
    // About a second of pictures and sound.
    m_queue = std::make_unique<BoundedQueue<Item>>(static_cast<size_t>(m_settings.fps) + 60);
    m_failed = false;
    m_dropped = 0;
    m_lastStopFailure = 0;
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_startUs = av_gettime_relative();
        m_paused = false;
        m_pausedTotalUs = 0;
        m_pausedFrames = 0;
        m_soundResumed = false;
        m_overflowSinceUs = -1;
        m_sizePath = m_settings.path;
        m_accepting = true;
    }
    m_lastProgressUs = av_gettime_relative();
    m_running = true;
    m_thread = startEngineThread([this] { run(); });
    return 1;
}

bool Recorder::running() const
{
    return m_running;
}

int Recorder::stop()
{
    if (!m_running)
        return 0;
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_accepting = false;
    }
    m_queue->pushForced(Item{Item::Stop, nullptr, 0, {}});
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
    // The queue stays: a source still attached finds it closed.
    m_queue->close();
    return m_lastStopFailure;
}

void Recorder::fail(int code)
{
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_accepting = false;
    }
    if (m_failed.exchange(true))
        return;
    log(LogError, "Recording failed with code " + std::to_string(code));
    if (m_failure)
        m_failure(code);
}

void Recorder::noteOverflow(int64_t recUs)
{
    ++m_dropped;
    bool give_up = false;
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        if (m_overflowSinceUs < 0) {
            m_overflowSinceUs = recUs;
            log(LogError, "The recording falls behind: pictures are dropped");
        } else if (recUs - m_overflowSinceUs >= kOverflowLimitUs)
            give_up = true;
    }
    if (give_up) {
        const bool stuck = av_gettime_relative() - m_lastProgressUs.load() > kStuckUs;
        fail(stuck ? RecordQueueFull : RecordEncoderTooSlow);
    }
}

void Recorder::pushVideo(const AVFrame* frame)
{
    if (!frame || frame->pts == AV_NOPTS_VALUE)
        return;
    AVFramePtr ref = refFrame(frame);
    const bool haveRef = ref != nullptr;
    bool overflow = false;
    int64_t recUs = 0;
    {
        // Queued under the state lock, so that no frame slips in once a stop
        // has begun.
        std::lock_guard<std::mutex> lock(m_stateMutex);
        if (!m_accepting || m_paused || frame->pts < m_startUs)
            return;
        recUs = frame->pts - m_startUs - m_pausedTotalUs;
        if (haveRef) {
            overflow = !m_queue->push(Item{Item::Video, std::move(ref), recUs, {}});
            if (!overflow)
                m_overflowSinceUs = -1;
        }
    }
    if (!haveRef) {
        fail(RecordOutOfMemory);
        return;
    }
    if (overflow)
        noteOverflow(recUs);
}

void Recorder::pushAudio(const AVFrame* frame)
{
    if (!frame || frame->pts == AV_NOPTS_VALUE || !m_withAudio)
        return;
    AVFramePtr ref = refFrame(frame);
    if (!ref) {
        fail(RecordOutOfMemory);
        return;
    }
    std::lock_guard<std::mutex> lock(m_stateMutex);
    if (!m_accepting || m_paused)
        return;
    const int64_t recUs = frame->pts - m_startUs - m_pausedTotalUs;
    // The first sound after a pause is placed by its time, not counted on
    // from the sound before the pause: the two sides of a pause end and
    // begin at different points of their frames.
    const bool afterBreak = m_soundResumed;
    // Sound lost to a full queue is not worth a failure of its own: the
    // pictures, which fill the queue, report it.
    if (m_queue->push(Item{Item::Audio, std::move(ref), recUs, {}, afterBreak}))
        m_soundResumed = false;
}

bool Recorder::pause(bool on)
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    if (!m_accepting)
        return false;
    if (on == m_paused)
        return true;
    const int64_t now = av_gettime_relative();
    if (on) {
        m_pauseStartUs = now;
    } else {
        // Whole frames: pictures after the pause stay on the file's frame
        // grid, instead of being rounded to a neighbouring frame while their
        // sound keeps its exact time.
        const int fps = m_settings.fps;
        m_pausedFrames += std::llround(double(now - m_pauseStartUs) * fps / 1000000.0);
        m_pausedTotalUs = m_pausedFrames * 1000000 / fps;
        m_soundResumed = true;
    }
    m_paused = on;
    return true;
}

bool Recorder::paused() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_accepting && m_paused;
}

bool Recorder::restart(const std::string& newPath)
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    if (!m_accepting || newPath.empty())
        return false;
    if (!m_queue->pushForced(Item{Item::Split, nullptr, 0, newPath}))
        return false;
    m_sizePath = newPath;
    return true;
}

std::string Recorder::currentPath() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_sizePath;
}

int64_t Recorder::fileSize() const
{
    const std::string path = currentPath();
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return 0;
    return static_cast<int64_t>(st.st_size);
}

int Recorder::handleVideo(Part& part, const AVFrame* frame, int64_t recUs)
{
    const int fps = m_settings.fps;
    if (!part.originSet) {
        // The file's time starts with its first picture; sound that came
        // before it is placed now.
        part.originSet = true;
        part.originUs = recUs;
        std::deque<Item> waiting = std::move(part.waitingAudio);
        for (Item& a : waiting)
            if (const int failure = handleAudio(part, a.frame.get(), a.recUs, a.afterBreak))
                return failure;
    }
    const double slot = static_cast<double>(recUs - part.originUs) * fps / 1000000.0;
    // A picture that belongs to a slot already filled is one more than the
    // rate takes.
    if (part.lastPts >= 0 && slot < part.lastPts + 0.5)
        return 0;
    const int64_t pts = std::max<int64_t>(std::llround(slot), part.lastPts + 1);
    PacketHandler write = [&](AVPacket* p) {
        return part.muxer->writeVideo(p, part.video->context()->time_base);
    };
    if (m_settings.constantFps && part.lastPts >= 0) {
        const int64_t limit = part.lastPts + static_cast<int64_t>(fps) * kMaxRepeatSeconds;
        for (int64_t p = part.lastPts + 1; p < pts && p <= limit; ++p)
            if (const int failure = part.video->repeat(p, write))
                return failure;
    }
    part.lastPts = pts;
    return part.video->encode(frame, pts, write);
}

int Recorder::handleAudio(Part& part, const AVFrame* frame, int64_t recUs, bool afterBreak)
{
    if (!part.audio)
        return 0;
    if (!part.originSet) {
        if (part.waitingAudio.size() >= kMaxWaitingAudio)
            part.waitingAudio.pop_front();
        part.waitingAudio.push_back(Item{Item::Audio, refFrame(frame), recUs, {}, afterBreak});
        return 0;
    }
    const int64_t rate = frame->sample_rate > 0 ? frame->sample_rate : AudioEncoder::kSampleRate;
    const int64_t endUs = recUs + frame->nb_samples * 1000000 / rate;
    if (endUs <= part.originUs)
        return 0; // sound from before the file's first picture
    // Sound that began before the first picture is cut there by the encoder,
    // not moved to it: moved, it would come late for the whole file.
    const int64_t position = (recUs - part.originUs) * AudioEncoder::kSampleRate / 1000000;
    return part.audio->push(
        frame, position,
        [&](AVPacket* p) { return part.muxer->writeAudio(p, part.audio->context()->time_base); },
        afterBreak);
}

int Recorder::finishPart(Part& part)
{
    int failure = 0;
    if (part.muxer) {
        if (part.video)
            failure = part.video->flush([&](AVPacket* p) {
                return part.muxer->writeVideo(p, part.video->context()->time_base);
            });
        if (part.audio && !failure)
            failure = part.audio->flush([&](AVPacket* p) {
                return part.muxer->writeAudio(p, part.audio->context()->time_base);
            });
        const int end = part.muxer->finish();
        if (!failure)
            failure = end;
    }
    part = Part{};
    return failure;
}

void Recorder::run()
{
    // A file that turns out to be a pipe whose reader went away answers
    // writes with an error on this thread, instead of ending the program.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    Part part = std::move(m_firstPart);
    for (;;) {
        std::optional<Item> item = m_queue->pop(std::chrono::milliseconds(200));
        m_lastProgressUs = av_gettime_relative();
        if (!item) {
            if (!m_failed && part.muxer)
                part.muxer->keepSafe();
            continue;
        }
        if (item->kind == Item::Stop) {
            const int failure = finishPart(part);
            if (failure && !m_failed)
                log(LogError,
                    "Finishing the recording failed with code " + std::to_string(failure));
            m_lastStopFailure = m_failed ? 0 : failure;
            break;
        }
        if (m_failed)
            continue; // drained until the stop
        int failure = 0;
        switch (item->kind) {
        case Item::Video:
            failure = handleVideo(part, item->frame.get(), item->recUs);
            break;
        case Item::Audio:
            failure = handleAudio(part, item->frame.get(), item->recUs, item->afterBreak);
            break;
        case Item::Split: {
            failure = finishPart(part);
            if (!failure) {
                failure = openPart(item->path, part);
                if (failure < 0)
                    failure = RecordWriteError; // the next file cannot be made
                if (!failure)
                    log(LogNormal, "Recording goes on in " + item->path);
            }
            break;
        }
        case Item::Stop:
            break;
        }
        if (!failure && part.muxer)
            part.muxer->keepSafe();
        if (failure) {
            fail(failure);
            finishPart(part);
        }
    }
}

} // namespace zd::media
