#include "sound/soundmonitor.h"

#include "core/log.h"
#include "sound/pulseconnection.h"

#include <algorithm>
#include <cmath>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop-api.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

extern "C" {
#include <libavutil/time.h>
}

namespace zd::sound
{

namespace
{
constexpr int kBytesPerSampleFrame = 2 * sizeof(float);
// The queue between the capture threads and the server's thread; a block
// that finds it full is not heard (the server's thread is stuck).
constexpr int64_t kMaxQueuedSamples = SoundMonitor::kSampleRate / 2;
constexpr pa_usec_t kTickUs = 10000;
constexpr int kTimingTicks = 5;
// The delay is judged over this long, so that the ups and downs of blocks
// arriving whole cancel out.
constexpr int64_t kWindowUs = 1000000;
// How strongly one window's error, and the errors so far, correct the next
// second: enough to take out a clock 0.5 % off within a minute, too little to
// be heard.
constexpr double kProportional = 0.2;
constexpr double kIntegral = 0.05;
constexpr double kMaxCompensation = SoundMonitor::kSampleRate / 200.0; // 0.5 %
// The delay a server's buffer settles at is held, within these bounds.
constexpr int64_t kMinTargetUs = 20000;
constexpr int64_t kMaxTargetUs = 60000;
constexpr int kMaxUnsettledWindows = 5;
// Further off than this (the machine stalled) the buffer is dropped rather
// than played out slowly.
constexpr int64_t kFlushErrorUs = 150000;

uint32_t bytesOf(int64_t us)
{
    return static_cast<uint32_t>(us * SoundMonitor::kSampleRate / 1000000 * kBytesPerSampleFrame);
}
} // namespace

float SoundMonitor::gainOf(int volume)
{
    const float linear = std::clamp(volume, 0, 100) / 100.0f;
    return linear * linear * linear;
}

SoundMonitor::SoundMonitor(std::string sinkName, float gain)
    : m_sinkName(std::move(sinkName)), m_gain(gain),
      m_connection(std::make_unique<PulseConnection>("vazURIdav preview"))
{
    if (!m_connection->start([this](bool ready) { connected(ready); })) {
        Log::write(2, "vazURIdav: libpulse cannot start; the preview is silent.");
        m_connection.reset();
    }
}

SoundMonitor::~SoundMonitor()
{
    if (m_connection && m_connection->loop()) {
        m_connection->lock();
        freeTimer();
        releaseStream(true);
        m_connection->unlock();
    }
    m_connection.reset();
}

void SoundMonitor::pushAudio(const AVFrame* frame)
{
    if (!frame || frame->nb_samples <= 0 || frame->sample_rate <= 0 || !m_connection || m_noServer)
        return;
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (m_queuedSamples + frame->nb_samples > kMaxQueuedSamples)
        return;
    media::AVFramePtr copy(av_frame_clone(frame));
    if (!copy)
        return;
    m_queuedSamples += frame->nb_samples;
    m_queue.push_back(std::move(copy));
}

bool SoundMonitor::latency(int64_t* serverUs, int64_t* sampleUs) const
{
    std::lock_guard<std::mutex> lock(m_latencyMutex);
    if (serverUs)
        *serverUs = m_serverUs;
    if (sampleUs)
        *sampleUs = m_sampleUs;
    return m_serverUs >= 0;
}

void SoundMonitor::connected(bool ready)
{
    pa_context* context = m_connection->context();
    if (!ready) {
        m_noServer = true;
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            m_queue.clear();
            m_queuedSamples = 0;
        }
        freeTimer();
        releaseStream(false);
        if (!m_failedLogged)
            Log::write(2, "vazURIdav: no sound server (%s); the preview is silent.",
                       pa_strerror(pa_context_errno(context)));
        m_failedLogged = true;
        return;
    }
    openStream(m_sinkName.empty() ? nullptr : m_sinkName.c_str());
    m_timer = pa_context_rttime_new(context, pa_rtclock_now() + kTickUs, &SoundMonitor::tick, this);
}

void SoundMonitor::openStream(const char* sink)
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, kSampleRate, 2};
    m_stream = pa_stream_new(m_connection->context(), "Preview", &spec, nullptr);
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream, &SoundMonitor::streamState, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = bytesOf(kRequestedLatencyUs);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(m_stream, sink, &attr, flags, nullptr, nullptr) < 0)
        releaseStream(false);
}

void SoundMonitor::releaseStream(bool disconnect)
{
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    if (disconnect)
        pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void SoundMonitor::freeTimer()
{
    if (m_timer)
        pa_threaded_mainloop_get_api(m_connection->loop())->time_free(m_timer);
    m_timer = nullptr;
}

void SoundMonitor::streamState(pa_stream* stream, void* self)
{
    auto* monitor = static_cast<SoundMonitor*>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        monitor->m_windowStartUs = av_gettime_relative();
        return;
    }
    if (state != PA_STREAM_FAILED)
        return;
    const int error = pa_context_errno(monitor->m_connection->context());
    monitor->releaseStream(false);
    // An output that is gone (unplugged, renamed) leaves the default.
    if (!monitor->m_sinkName.empty() && !monitor->m_triedDefault) {
        monitor->m_triedDefault = true;
        Log::write(2, "vazURIdav: sound output %s: %s; the default output plays the preview.",
                   monitor->m_sinkName.c_str(), pa_strerror(error));
        monitor->openStream(nullptr);
        return;
    }
    Log::write(2, "vazURIdav: the sound server refused the preview's sound: %s.",
               pa_strerror(error));
}

void SoundMonitor::tick(pa_mainloop_api*, pa_time_event* event, const timeval*, void* self)
{
    auto* monitor = static_cast<SoundMonitor*>(self);
    monitor->feed();
    monitor->measure();
    pa_context_rttime_restart(monitor->m_connection->context(), event, pa_rtclock_now() + kTickUs);
}

void SoundMonitor::feed()
{
    std::deque<media::AVFramePtr> frames;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        frames.swap(m_queue);
        m_queuedSamples = 0;
    }
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    const float gain = m_gain;
    for (const media::AVFramePtr& frame : frames) {
        const int n = m_converter.convert(frame.get(), m_out);
        if (n <= 0)
            continue;
        for (size_t i = 0; i < static_cast<size_t>(n) * 2; ++i)
            m_out[i] *= gain;
        if (pa_stream_write(m_stream, m_out.data(), static_cast<size_t>(n) * kBytesPerSampleFrame,
                            nullptr, 0, PA_SEEK_RELATIVE) < 0)
            continue;
        if (frame->pts != AV_NOPTS_VALUE)
            m_lastEndPts = frame->pts + int64_t(frame->nb_samples) * 1000000 / frame->sample_rate;
    }
}

void SoundMonitor::measure()
{
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY || m_lastEndPts == INT64_MIN)
        return;
    // Fresh timing from the server every few ticks: between its own reports
    // (up to seconds apart once a stream runs) the delay is only guessed.
    if (++m_ticks % kTimingTicks == 0) {
        pa_operation* update = pa_stream_update_timing_info(m_stream, nullptr, nullptr);
        if (update)
            pa_operation_unref(update);
    }
    pa_usec_t serverUs = 0;
    int negative = 0;
    if (pa_stream_get_latency(m_stream, &serverUs, &negative) < 0)
        return;
    const int64_t now = av_gettime_relative();
    const int64_t server = negative ? -int64_t(serverUs) : int64_t(serverUs);
    m_sumServerUs += server;
    m_sumSampleUs += now + server - m_lastEndPts;
    ++m_measured;
    if (now - m_windowStartUs < kWindowUs)
        return;
    const int64_t meanServer = m_sumServerUs / m_measured;
    const int64_t meanSample = m_sumSampleUs / m_measured;
    m_sumServerUs = m_sumSampleUs = 0;
    m_measured = 0;
    m_windowStartUs = now;
    correct(meanServer);
    // Told only once it is held.
    if (m_targetUs >= 0) {
        std::lock_guard<std::mutex> lock(m_latencyMutex);
        m_serverUs = meanServer;
        m_sampleUs = meanSample;
    }
}

void SoundMonitor::correct(int64_t meanUs)
{
    // Far too much in the server's buffer (the machine stalled, or a sink
    // that woke from idle took long to start): dropped, not played out.
    const int64_t errorUs = meanUs - (m_targetUs >= 0 ? m_targetUs : kMaxTargetUs);
    if (errorUs > kFlushErrorUs) {
        pa_operation* flush = pa_stream_flush(m_stream, nullptr, nullptr);
        if (flush)
            pa_operation_unref(flush);
        m_integral = 0.0;
        return;
    }
    // The first second in which the buffer played within bounds sets the
    // delay that is held: servers and sinks differ in what they keep, and
    // squeezing below that would empty the buffer again and again.
    // A server that keeps more is held to the most the preview allows.
    if (m_targetUs < 0) {
        if (meanUs >= kMinTargetUs && meanUs <= kMaxTargetUs)
            m_targetUs = meanUs;
        else if (++m_unsettledWindows >= kMaxUnsettledWindows)
            m_targetUs = kMaxTargetUs;
        return;
    }
    const double errorSamples = double(errorUs) * kSampleRate / 1000000.0;
    m_integral =
        std::clamp(m_integral + kIntegral * errorSamples, -kMaxCompensation, kMaxCompensation);
    const double delta = std::clamp(-(kProportional * errorSamples + m_integral), -kMaxCompensation,
                                    kMaxCompensation);
    m_converter.setCompensation(static_cast<int>(std::lround(delta)));
}

} // namespace zd::sound
