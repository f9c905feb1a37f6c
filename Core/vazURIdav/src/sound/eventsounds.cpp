#include "sound/eventsounds.h"

#include "core/log.h"
#include "sound/pulseconnection.h"

#include <cmath>
#include <cstdint>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

namespace zd::sound
{

namespace
{
// A few sounds at once at most (a held key): the rest are not heard.
constexpr size_t kMaxPending = 4;
constexpr size_t kMaxPlaying = 8;
constexpr float kLevel = 0.3f;

void addTone(std::vector<float>& out, double hz, int ms)
{
    const int n = EventSounds::kSampleRate * ms / 1000;
    const int fade = EventSounds::kSampleRate / 200; // 5 ms, so that no edge clicks
    for (int i = 0; i < n; ++i) {
        const float edge = std::min({1.0f, float(i) / fade, float(n - 1 - i) / fade});
        out.push_back(kLevel * edge *
                      static_cast<float>(std::sin(2.0 * M_PI * hz * i / EventSounds::kSampleRate)));
    }
}

// A shutter: a burst of noise that dies away fast.
void addClick(std::vector<float>& out, int ms)
{
    const int n = EventSounds::kSampleRate * ms / 1000;
    uint32_t seed = 0x2545F491u;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(seed >> 8) / float(1 << 24) * 2.0f - 1.0f;
        out.push_back(kLevel * noise * std::exp(-8.0f * i / n));
    }
}

void addSilence(std::vector<float>& out, int ms)
{
    out.insert(out.end(), static_cast<size_t>(EventSounds::kSampleRate * ms / 1000), 0.0f);
}
} // namespace

struct EventSounds::Playing {
    EventSounds* owner;
    int kind;
    pa_stream* stream;
    pa_operation* drain;
};

std::vector<float> EventSounds::draw(Kind kind)
{
    std::vector<float> out;
    switch (kind) {
    case Record: // rising: something begins
        addTone(out, 880.0, 90);
        addTone(out, 1320.0, 110);
        break;
    case Pause: // falling: something holds
        addTone(out, 1320.0, 90);
        addTone(out, 880.0, 110);
        break;
    case Picture:
        addClick(out, 40);
        addSilence(out, 50);
        addClick(out, 60);
        break;
    case KindCount:
        break;
    }
    return out;
}

EventSounds& EventSounds::instance()
{
    static EventSounds sounds;
    return sounds;
}

EventSounds::EventSounds()
{
    for (int kind = 0; kind < KindCount; ++kind)
        m_sounds.push_back(draw(static_cast<Kind>(kind)));
}

EventSounds::~EventSounds()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_connection)
        return;
    m_connection->lock();
    while (!m_playing.empty())
        finish(*m_playing.begin());
    m_connection->unlock();
    m_connection.reset();
}

bool EventSounds::play(int kind)
{
    if (kind < 0 || kind >= KindCount)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_connection) {
        m_connection->lock();
        const bool failed = m_failed;
        m_connection->unlock();
        // A server that went away may be back: the next sound asks again.
        if (failed)
            m_connection.reset();
    }
    if (!m_connection) {
        m_ready = m_failed = false;
        m_pending.clear();
        m_connection = std::make_unique<PulseConnection>("vazURIdav event sounds");
        if (!m_connection->start([this](bool ready) { connected(ready); })) {
            m_connection.reset();
            return true;
        }
    }
    m_connection->lock();
    if (m_ready)
        start(kind);
    else if (!m_failed && m_pending.size() < kMaxPending)
        m_pending.push_back(kind);
    m_connection->unlock();
    return true;
}

void EventSounds::connected(bool ready)
{
    m_ready = ready;
    m_failed = !ready;
    if (!ready) {
        m_pending.clear();
        while (!m_playing.empty())
            finish(*m_playing.begin());
        if (!m_failureLogged)
            Log::write(2, "vazURIdav: no sound server for the event sounds (%s).",
                       pa_strerror(pa_context_errno(m_connection->context())));
        m_failureLogged = true;
        return;
    }
    for (int kind : m_pending)
        start(kind);
    m_pending.clear();
}

void EventSounds::start(int kind)
{
    if (m_playing.size() >= kMaxPlaying)
        return;
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, kSampleRate, 1};
    pa_stream* stream = pa_stream_new(m_connection->context(), "Event sound", &spec, nullptr);
    if (!stream)
        return;
    auto* playing = new Playing{this, kind, stream, nullptr};
    m_playing.insert(playing);
    pa_stream_set_state_callback(stream, &EventSounds::streamState, playing);
    if (pa_stream_connect_playback(stream, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr, nullptr) <
        0)
        finish(playing);
}

// After this no callback of the sound comes.
void EventSounds::finish(Playing* playing)
{
    if (!m_playing.erase(playing))
        return;
    if (playing->drain) {
        pa_operation_cancel(playing->drain);
        pa_operation_unref(playing->drain);
    }
    pa_stream_set_state_callback(playing->stream, nullptr, nullptr);
    if (pa_stream_get_state(playing->stream) == PA_STREAM_READY)
        pa_stream_disconnect(playing->stream);
    pa_stream_unref(playing->stream);
    delete playing;
}

void EventSounds::streamState(pa_stream* stream, void* data)
{
    auto* playing = static_cast<Playing*>(data);
    EventSounds* owner = playing->owner;
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY: {
        const std::vector<float>& sound = owner->m_sounds[playing->kind];
        pa_stream_write(stream, sound.data(), sound.size() * sizeof(float), nullptr, 0,
                        PA_SEEK_RELATIVE);
        playing->drain = pa_stream_drain(stream, &EventSounds::drained, playing);
        break;
    }
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        owner->finish(playing);
        break;
    default:
        break;
    }
}

void EventSounds::drained(pa_stream*, int, void* data)
{
    auto* playing = static_cast<Playing*>(data);
    // Done: nothing to cancel.
    pa_operation_unref(playing->drain);
    playing->drain = nullptr;
    playing->owner->finish(playing);
}

} // namespace zd::sound
