// What the preview sounds like: the open source's sound played on the
// desktop's sound server while it is captured. The capture threads only hand
// their blocks into a short queue (a full queue drops the block), so a slow,
// stuck or missing server never holds capture, recording or streaming; all
// the work with the server happens on the server connection's own thread.
//
// The capture clock and the sound card's clock never run at quite the same
// rate, so a monitor that only plays what arrives builds up delay over an
// hour. The delay at the server is measured as it plays and held at its
// target by stretching or squeezing the sound a little (libswresample's
// compensation), far below what a listener hears as a change of pitch.
#pragma once

#include "media/avholders.h"
#include "media/framesink.h"
#include "media/soundconverter.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct pa_mainloop_api;
struct pa_stream;
struct pa_time_event;
struct timeval;

namespace zd::sound
{

class PulseConnection;

class SoundMonitor : public media::FrameSink
{
public:
    static constexpr int kSampleRate = 48000;
    // Asked of the server for its buffer and the sink together; what it then
    // keeps settles near 40 ms, room enough for capture blocks of 20 ms
    // arriving a little late without a gap.
    static constexpr int64_t kRequestedLatencyUs = 60000;

    // sinkName: the server's output of that name, empty for its default.
    // gain: linear factor applied to what is heard.
    SoundMonitor(std::string sinkName, float gain);
    ~SoundMonitor() override;

    // Capture threads.
    void pushVideo(const AVFrame*) override {}
    void pushAudio(const AVFrame* frame) override;

    void setGain(float gain) { m_gain = gain; }

    // The delay of the server's buffer and from a sample's capture to its
    // playing, both averaged over the last second; false while nothing plays.
    bool latency(int64_t* serverUs, int64_t* sampleUs) const;

    // Volume 0-100 of the volume slider as a linear factor: the cube, which a
    // listener hears as even steps (the curve the sound server uses itself).
    static float gainOf(int volume);

private:
    void connected(bool ready);
    void openStream(const char* sink);
    // Both on the loop's thread, or with its lock held.
    void releaseStream(bool disconnect);
    void freeTimer();
    static void streamState(pa_stream* stream, void* self);
    static void tick(pa_mainloop_api* api, pa_time_event* event, const timeval* tv, void* self);
    void feed();
    void measure();
    void correct(int64_t meanUs);

    const std::string m_sinkName;
    std::atomic<float> m_gain;
    std::atomic<bool> m_noServer{false}; // nothing is queued for nobody
    std::unique_ptr<PulseConnection> m_connection;

    // Capture threads to the loop thread.
    std::mutex m_queueMutex;
    std::deque<media::AVFramePtr> m_queue;
    int64_t m_queuedSamples = 0;

    // The loop thread's own.
    pa_stream* m_stream = nullptr;
    pa_time_event* m_timer = nullptr;
    bool m_failedLogged = false;
    bool m_triedDefault = false;
    media::SoundConverter m_converter{true};
    std::vector<float> m_out;
    int64_t m_lastEndPts = INT64_MIN; // capture time just after the newest sample written
    int64_t m_sumServerUs = 0, m_sumSampleUs = 0;
    int m_measured = 0;
    int m_ticks = 0;
    int64_t m_windowStartUs = 0;
    double m_integral = 0.0;
    int64_t m_targetUs = -1;
    int m_unsettledWindows = 0;

    mutable std::mutex m_latencyMutex;
    int64_t m_serverUs = -1, m_sampleUs = -1;
};

} // namespace zd::sound
