#include "media/recordcomponent.h"

#include "core/engine.h"
#include "devices/devicesession.h"
#include "media/medialog.h"
#include "media/sourcepipeline.h"
#include "vazURIdav.h"
#include "vazURIdav_reports.h"

#include <cstring>
#include <unistd.h>

namespace zd::media
{

int startOnSource(Engine& engine, const std::string& path, int format, int encoderId,
                  int speedIndex, int width, int height, int fps, int64_t bitrate,
                  unsigned int failureReport, std::shared_ptr<Recorder>& recorder,
                  std::shared_ptr<SourcePipeline>& source)
{
    std::shared_ptr<SourcePipeline> pipeline = engine.session().pipeline();
    DEV_CAPACITY inUse{};
    if (!pipeline || !engine.session().currentFormat(&inUse, nullptr))
        return RecordStartNoSource;
    RecordSettings settings;
    const int r = RecordSettings::fromCall(path, format, encoderId, speedIndex, width, height, fps,
                                           bitrate, settings);
    if (r != 1)
        return r;
    // The source's size is that of its pictures after the filters.
    const int sourceWidth = pipeline->width() > 0 ? pipeline->width() : inUse.width;
    const int sourceHeight = pipeline->height() > 0 ? pipeline->height() : inUse.height;
    auto made = std::make_shared<Recorder>(
        [&engine, failureReport](int code) { engine.post(nullptr, failureReport, 0, code); });
    const int started =
        made->start(settings, sourceWidth, sourceHeight, inUse.fps, engine.session().hasAudio());
    if (started != 1)
        return started;
    pipeline->attach(made);
    recorder = std::move(made);
    source = std::move(pipeline);
    return 1;
}

std::string nextPartPath(const std::string& firstPath, int& number)
{
    const size_t slash = firstPath.find_last_of('/');
    size_t dot = firstPath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        dot = firstPath.size();
    const std::string stem = firstPath.substr(0, dot);
    const std::string ext = firstPath.substr(dot);
    for (;;) {
        ++number;
        const std::string candidate = stem + "_" + std::to_string(number) + ext;
        if (::access(candidate.c_str(), F_OK) != 0)
            return candidate;
    }
}

RecordComponent::RecordComponent(Engine& engine) : m_engine(engine)
{
    routeFfmpegLog();
}

RecordComponent::~RecordComponent()
{
    stop();
}

void RecordComponent::stop()
{
    std::shared_ptr<Recorder> recorder;
    std::shared_ptr<GifWriter> gif;
    std::shared_ptr<SourcePipeline> recordSource, gifSource;
    std::unique_ptr<PictureWriter> pictures;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        recorder = std::move(m_recorder);
        gif = std::move(m_gif);
        recordSource = m_recordSource.lock();
        gifSource = m_gifSource.lock();
        pictures = std::move(m_pictures);
    }
    // Files are finished; the reports they would make are dropped by the
    // stopping engine.
    if (recorder) {
        if (recordSource)
            recordSource->detach(recorder.get());
        recorder->stop();
    }
    if (gif) {
        if (gifSource)
            gifSource->detach(gif.get());
        gif->stop();
    }
    pictures.reset();
}

void RecordComponent::addFlags(EngineFlags& flags) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_recorder && m_recorder->running())
        flags.recording = 1;
    if (m_gif && m_gif->running())
        flags.gif = 1;
}

int RecordComponent::startRecord(const std::string& path, int format, int encoderId, int speedIndex,
                                 int width, int height, int fps, int bitrate)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped)
        return RecordStartBadArguments;
    if (m_recorder && m_recorder->running())
        return RecordStartBusy;
    std::shared_ptr<Recorder> recorder;
    std::shared_ptr<SourcePipeline> source;
    const int started = startOnSource(m_engine, path, format, encoderId, speedIndex, width, height,
                                      fps, bitrate, ZD_MSG_RECORD_FAILED, recorder, source);
    if (started != 1)
        return started;
    m_recorder = recorder;
    m_recordSource = source;
    m_firstPartPath = path;
    m_partNumber = 0;
    log(LogNormal, "Recording to " + path);
    return 1;
}

int RecordComponent::stopRecord()
{
    std::shared_ptr<Recorder> recorder;
    std::shared_ptr<SourcePipeline> source;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        recorder = std::move(m_recorder);
        source = m_recordSource.lock();
        m_recordSource.reset();
    }
    if (!recorder)
        return 0;
    if (source)
        source->detach(recorder.get());
    recorder->stop();
    log(LogNormal, "Recording stopped: " + recorder->currentPath());
    return 1;
}

int RecordComponent::pauseRecord(bool pause)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_recorder && m_recorder->pause(pause) ? 1 : 0;
}

int RecordComponent::isPaused() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_recorder && m_recorder->paused() ? 1 : 0;
}

int RecordComponent::restartRecord(char* newPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_recorder || !m_recorder->running() || !newPath)
        return 0;
    int number = m_partNumber;
    const std::string next = nextPartPath(m_firstPartPath, number);
    // A path cut to fit the caller's buffer would name another file: refused.
    if (next.size() >= ZD_TEXT_BUFFER_BYTES) {
        log(LogError, "The next part's path is too long: " + next);
        return 0;
    }
    if (!m_recorder->restart(next))
        return 0;
    m_partNumber = number;
    std::memcpy(newPath, next.c_str(), next.size() + 1);
    return 1;
}

int64_t RecordComponent::recordFileSize() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_recorder ? m_recorder->fileSize() : 0;
}

int RecordComponent::screenshot(const std::string& path, int mode)
{
    if (path.empty())
        return 0;
    std::shared_ptr<SourcePipeline> source = m_engine.session().pipeline();
    AVFramePtr frame = source ? source->latest().get() : AVFramePtr{};
    if (!frame) {
        log(LogError, "No picture to save as " + path);
        return 0;
    }
    if (mode != 1)
        return PictureWriter::write(frame.get(), path) ? 1 : 0;
    void* target = m_engine.session().target();
    Engine* engine = &m_engine;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped)
        return 0;
    if (!m_pictures)
        m_pictures = std::make_unique<PictureWriter>();
    const bool queued = m_pictures->writeLater(
        std::move(frame), path, [engine, target](const std::string& written, bool ok) {
            if (ok)
                engine->postText(target, ZD_MSG_PICTURE_SAVED, 0, written, Engine::TextInBoth);
        });
    return queued ? 1 : 0;
}

int RecordComponent::startGif(int width, int height, int keepAspect, int fps,
                              const std::string& path)
{
    std::shared_ptr<SourcePipeline> source = m_engine.session().pipeline();
    if (!source)
        return 0;
    void* target = m_engine.session().target();
    Engine* engine = &m_engine;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped || (m_gif && m_gif->running()))
        return 0;
    auto gif = std::make_shared<GifWriter>([engine, target](int state, int64_t ms) {
        engine->post(target, ZD_MSG_GIF_STATE, static_cast<unsigned long>(state),
                     state == GifWriter::Progress ? ms : 0);
    });
    if (!gif->start(path, width, height, keepAspect != 0, fps))
        return 0;
    source->attach(gif);
    m_gif = gif;
    m_gifSource = source;
    return 1;
}

int RecordComponent::stopGif()
{
    std::shared_ptr<GifWriter> gif;
    std::shared_ptr<SourcePipeline> source;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        gif = std::move(m_gif);
        source = m_gifSource.lock();
        m_gifSource.reset();
    }
    if (!gif)
        return 0;
    if (source)
        source->detach(gif.get());
    gif->stop();
    return 1;
}

} // namespace zd::media
