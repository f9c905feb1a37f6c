// The open device's pictures and sound for a program that hands them on (the
// capture server): pictures converted on request from the newest frame, sound
// converted as it comes into a ring of the last seconds that every reader
// follows at its own pace, so several readers never take from one another.
#pragma once

#include "core/enginecomponent.h"
#include "media/avholders.h"
#include "media/framesink.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zd
{
class Engine;
}

namespace zd::media
{

class SourcePipeline;

// Sound of one source as interleaved s16 stereo at 48 kHz, the last
// kRingBytes of it kept; positions count bytes since the ring began.
class AudioRing : public FrameSink
{
public:
    static constexpr int kSampleRate = 48000;
    static constexpr int kBytesPerSampleFrame = 4;
    static constexpr int64_t kRingBytes = int64_t(kSampleRate) * kBytesPerSampleFrame * 2;

    AudioRing();
    ~AudioRing() override;

    void pushVideo(const AVFrame*) override {}
    void pushAudio(const AVFrame* frame) override;

    // Appends converted bytes (whole sample frames).
    void append(const uint8_t* data, int64_t bytes);
    // Copies from *position (-1: from now on) up to bytes, waiting up to
    // timeoutMs for sound; moves *position past what was copied.
    int read(uint8_t* out, int bytes, int64_t* position, int timeoutMs);
    // Wakes every reader; reads return 0 from now on.
    void close();

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<uint8_t> m_ring;
    int64_t m_total = 0;
    bool m_closed = false;
    // Conversion, on the capture thread only.
    SwrContextPtr m_swr;
    int m_inFormat = -1;
    int m_inRate = 0;
    AVChannelLayout m_inLayout{};
    std::vector<uint8_t> m_converted;
};

class FrameTap : public EngineComponent
{
public:
    static constexpr int kMaxSide = 8192;

    explicit FrameTap(Engine& engine);
    ~FrameTap() override;

    void stop() override;

    // Bytes copied (width x height x 4), 0 when no new picture came in time,
    // -1 when bufferBytes is too small (width and height set).
    int readVideo(uint8_t* buffer, int bufferBytes, int* width, int* height, uint64_t* serial,
                  int timeoutMs);
    int readAudio(uint8_t* buffer, int bufferBytes, int64_t* position, int timeoutMs);

private:
    // The ring attached to the open device's pipeline, following reopenings.
    std::shared_ptr<AudioRing> ring();

    Engine& m_engine;
    std::mutex m_mutex;
    bool m_stopped = false;
    std::shared_ptr<AudioRing> m_ring;
    std::weak_ptr<SourcePipeline> m_ringSource;
    std::mutex m_scaleMutex;
    SwsContextPtr m_sws;
};

} // namespace zd::media
