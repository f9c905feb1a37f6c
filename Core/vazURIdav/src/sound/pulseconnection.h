// One connection to the desktop's sound server (PulseAudio, or PipeWire's
// pulse server) on libpulse's threaded main loop. Everything the server does
// happens on the loop's own thread; other threads take the loop's lock only
// for as long as a call takes, never to wait for the server. A server is
// never started on our behalf: without one the connection just fails.
#pragma once

#include <functional>
#include <string>

struct pa_context;
struct pa_threaded_mainloop;

namespace zd::sound
{

class PulseConnection
{
public:
    // Called on the loop thread with the lock held: true once the server
    // answered, false when it cannot be reached or went away.
    using StateHandler = std::function<void(bool ready)>;

    explicit PulseConnection(std::string clientName);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Starts the loop and the connection; false when libpulse could not even
    // set them up.
    bool start(StateHandler handler);

    pa_threaded_mainloop* loop() const { return m_loop; }
    pa_context* context() const { return m_context; }
    // The loop's lock, for calls from other threads.
    void lock();
    void unlock();

private:
    static void contextState(pa_context* context, void* self);

    std::string m_clientName;
    StateHandler m_handler;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_running = false;
};

} // namespace zd::sound
