// The short sounds of the hot keys (record, pause, picture), drawn by the
// engine itself and played on the desktop's sound server through a
// connection of their own, made at the first sound and made anew after the
// server went away. play() hands the sound to the server's thread and
// returns; without a server nothing is heard.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <vector>

struct pa_stream;

namespace zd::sound
{

class PulseConnection;

class EventSounds
{
public:
    enum Kind { Record = 0, Pause = 1, Picture = 2, KindCount };

    static EventSounds& instance();
    ~EventSounds();

    // False for an unknown kind.
    bool play(int kind);

    // Mono float samples at kSampleRate.
    static constexpr int kSampleRate = 48000;
    static std::vector<float> draw(Kind kind);

private:
    struct Playing;

    EventSounds();
    // The loop thread's, with its lock held.
    void connected(bool ready);
    void start(int kind);
    void finish(Playing* playing);
    static void streamState(pa_stream* stream, void* playing);
    static void drained(pa_stream* stream, int success, void* playing);

    std::mutex m_mutex; // the connection, for callers
    std::unique_ptr<PulseConnection> m_connection;
    std::vector<std::vector<float>> m_sounds;
    // The loop thread's, or a caller's with the loop's lock.
    bool m_ready = false;
    bool m_failed = false;
    bool m_failureLogged = false;
    std::vector<int> m_pending;
    std::set<Playing*> m_playing;
};

} // namespace zd::sound
