#include "share/dudlive.h"

#include "core/engine.h"
#include "core/log.h"
#include "devices/devicesession.h"
#include "media/enginethread.h"
#include "media/recordcomponent.h"
#include "media/recorder.h"
#include "media/sourcepipeline.h"
#include "share/tsbroadcast.h"
#include "vazURIdav.h"
#include "vazURIdav_reports.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zd
{

namespace
{
// The TS container with AAC sound, the software H.264 encoder, "veryfast".
constexpr int kFormatTs = 4;
constexpr int kEncoderH264 = 0;
constexpr int kSpeedVeryFast = 2;
} // namespace

DudLive::DudLive(Engine& engine) : m_engine(engine) {}

DudLive::~DudLive()
{
    stop();
}

void DudLive::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
    }
    stopLive(false);
}

std::shared_ptr<TsBroadcast> DudLive::broadcast() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_broadcast;
}

int DudLive::start(int width, int height, int fps, int kbps)
{
    if (width < 0 || height < 0 || fps < 0 || kbps <= 0)
        return 0;
    stopLive(false);
    if (!m_engine.session().pipeline())
        return 0;

    // The recorder writes its TS file into a pipe: the same encoders, time
    // line and failure handling as a recording, and bytes this component
    // hands on as they come.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        Log::write(8, "Share live picture: no pipe (%s)", strerror(errno));
        return 0;
    }
    auto broadcast = std::make_shared<TsBroadcast>();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped) {
        ::close(fds[0]);
        ::close(fds[1]);
        return 0;
    }
    // The pump drains the pipe from before the recorder's first write, so
    // the recorder never waits on a full pipe.
    const int readFd = fds[0];
    m_pump = media::startEngineThread([this, readFd, broadcast] { pump(readFd, broadcast); });
    std::shared_ptr<media::Recorder> recorder;
    std::shared_ptr<media::SourcePipeline> source;
    const int r = media::startOnSource(m_engine, "/proc/self/fd/" + std::to_string(fds[1]),
                                       kFormatTs, kEncoderH264, kSpeedVeryFast, width, height, fps,
                                       int64_t(kbps) * 1024, ZD_MSG_DUD_FAILED, recorder, source);
    // The recorder holds its own descriptor of the pipe now: closing this
    // one lets the pump see the end when the recorder closes its file (and
    // at once when it did not start).
    ::close(fds[1]);
    if (r != 1) {
        m_pump.join();
        Log::write(8, "Share live picture: the encoder did not start (%d)", r);
        return r;
    }
    m_recorder = recorder;
    m_source = source;
    m_broadcast = broadcast;
    const media::RecordSettings& settings = recorder->settings();
    Log::write(2, "Share live picture started: %dx%d at %d fps, %d kbit/s", settings.width,
               settings.height, settings.fps, kbps);
    return 1;
}

int DudLive::stopLive(bool logged)
{
    std::shared_ptr<media::Recorder> recorder;
    std::shared_ptr<media::SourcePipeline> source;
    std::shared_ptr<TsBroadcast> broadcast;
    std::thread pump;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        recorder = std::move(m_recorder);
        source = m_source.lock();
        m_source.reset();
        broadcast = std::move(m_broadcast);
        pump = std::move(m_pump);
    }
    if (!recorder)
        return 0;
    if (source)
        source->detach(recorder.get());
    recorder->stop(); // closes the pipe's writing end: the pump ends
    if (pump.joinable())
        pump.join();
    if (broadcast)
        broadcast->close();
    if (logged)
        Log::write(2, "Share live picture stopped");
    return 1;
}

void DudLive::pump(int readFd, std::shared_ptr<TsBroadcast> broadcast)
{
    std::vector<uint8_t> buffer(TsBroadcast::kPacketBytes * 512);
    size_t kept = 0;
    for (;;) {
        const ssize_t n = ::read(readFd, buffer.data() + kept, buffer.size() - kept);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        kept += static_cast<size_t>(n);
        const size_t whole = kept - kept % TsBroadcast::kPacketBytes;
        broadcast->append(buffer.data(), whole);
        std::memmove(buffer.data(), buffer.data() + whole, kept - whole);
        kept -= whole;
    }
    ::close(readFd);
    broadcast->close();
}

} // namespace zd
