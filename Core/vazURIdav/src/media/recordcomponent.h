// The engine's recording, pictures, GIF and sound volume, behind the record
// and picture calls of the C surface. Recording is one engine-wide state: it
// takes the frames of the open device's pipeline.
#pragma once

#include "core/enginecomponent.h"
#include "media/gifwriter.h"
#include "media/picturewriter.h"
#include "media/recorder.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace zd
{
class Engine;
}

namespace zd::media
{

class SourcePipeline;

class RecordComponent : public EngineComponent
{
public:
    explicit RecordComponent(Engine& engine);
    ~RecordComponent() override;

    void stop() override;
    void addFlags(EngineFlags& flags) const override;

    // 1, or a negative code: -1 nothing to record or bad arguments, -2 the
    // file cannot be made, -3 the encoder is not available, -5 already
    // recording.
    int startRecord(const std::string& path, int format, int encoderId, int speedIndex, int width,
                    int height, int fps, int bitrate);
    // 1 when a recording was stopped.
    int stopRecord();
    int pauseRecord(bool pause);
    int isPaused() const;
    // Finishes the current file and goes on in the next, whose path (UTF-8)
    // goes into newPath (ZD_TEXT_BUFFER_BYTES). 1 or 0.
    int restartRecord(char* newPath);
    int64_t recordFileSize() const;

    // mode 1: written on the picture thread, 9800 reported once the file is
    // complete; 0 and -1: written before returning.
    int screenshot(const std::string& path, int mode);
    int startGif(int width, int height, int keepAspect, int fps, const std::string& path);
    int stopGif();

private:
    Engine& m_engine;
    mutable std::mutex m_mutex;
    bool m_stopped = false;
    std::shared_ptr<Recorder> m_recorder;
    std::weak_ptr<SourcePipeline> m_recordSource;
    std::string m_firstPartPath;
    int m_partNumber = 0;
    std::shared_ptr<GifWriter> m_gif;
    std::weak_ptr<SourcePipeline> m_gifSource;
    std::unique_ptr<PictureWriter> m_pictures;
};

// Starts a recorder on the open device's pipeline, the way every recording
// starts: RecordSettings::fromCall's arguments, at the size of the source's
// pictures after its filters, with sound when the device gives it, and the
// recorder's failures reported as failureReport. 1 with the recorder attached
// to source, or a RecordStartError (RecordStartNoSource: no device open).
int startOnSource(Engine& engine, const std::string& path, int format, int encoderId,
                  int speedIndex, int width, int height, int fps, int64_t bitrate,
                  unsigned int failureReport, std::shared_ptr<Recorder>& recorder,
                  std::shared_ptr<SourcePipeline>& source);

// The file name of part number of a recording that began as firstPath:
// "name_<number>.ext" beside it, the first such name no file has.
std::string nextPartPath(const std::string& firstPath, int& number);

} // namespace zd::media
