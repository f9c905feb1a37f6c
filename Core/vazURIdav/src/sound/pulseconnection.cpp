#include "sound/pulseconnection.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/thread-mainloop.h>

namespace zd::sound
{

PulseConnection::PulseConnection(std::string clientName) : m_clientName(std::move(clientName)) {}

PulseConnection::~PulseConnection()
{
    if (m_running) {
        pa_threaded_mainloop_lock(m_loop);
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_threaded_mainloop_unlock(m_loop);
        pa_threaded_mainloop_stop(m_loop);
    }
    if (m_context)
        pa_context_unref(m_context);
    if (m_loop)
        pa_threaded_mainloop_free(m_loop);
}

bool PulseConnection::start(StateHandler handler)
{
    m_handler = std::move(handler);
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), m_clientName.c_str());
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, &PulseConnection::contextState, this);
    // Connecting to a local socket does not wait for the server: the answer
    // comes through the state callback on the loop's thread.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        if (m_handler)
            m_handler(false);
        return true;
    }
    if (pa_threaded_mainloop_start(m_loop) < 0)
        return false;
    m_running = true;
    return true;
}

void PulseConnection::lock()
{
    pa_threaded_mainloop_lock(m_loop);
}

void PulseConnection::unlock()
{
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseConnection::contextState(pa_context* context, void* self)
{
    auto* connection = static_cast<PulseConnection*>(self);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        if (connection->m_handler)
            connection->m_handler(true);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        if (connection->m_handler)
            connection->m_handler(false);
        break;
    default:
        break;
    }
}

} // namespace zd::sound
