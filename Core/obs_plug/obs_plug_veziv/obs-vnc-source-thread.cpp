#include "obs-vnc-source-thread.h"

#include "idlepicture.h"
#include "obs_common.h"

#include <new>
#include <pthread.h>
#include <unistd.h>

namespace veltranobox
{

namespace
{
constexpr int kIdlePauseMs = 100;
constexpr int kBrokenPauseMs = 1000;
} // namespace

VideoSourceThread::VideoSourceThread(VideoSink& sink, std::string idlePicturePath)
    : m_sink(sink), m_idlePath(std::move(idlePicturePath))
{
}

VideoSourceThread::~VideoSourceThread()
{
    stop();
}

bool VideoSourceThread::start()
{
    if (m_thread.joinable())
        return true;
    m_running = true;
    try {
        m_thread = std::thread([this] { thread_main(); });
    } catch (...) {
        m_running = false;
        return false;
    }
    return true;
}

void VideoSourceThread::stop()
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
}

void VideoSourceThread::closePipe()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

bool VideoSourceThread::connect()
{
    m_fd = ConnectToServer(m_pipeName, zdrelay::kKindVideo, m_running);
    return m_fd >= 0;
}

void VideoSourceThread::stream()
{
    while (m_running) {
        zdrelay::FrameHeader header = {};
        const uint32_t got = ReadPipe(m_fd, &header, sizeof header, m_running, kSilenceMs);
        if (!m_running)
            return;
        bool broken = got < sizeof header || header.payloadBytes == 0;
        if (!broken && zdrelay::checkVideoHeader(header) == zdrelay::HeaderCheck::Broken) {
            // Never read into a buffer of another size than the picture's.
            PlugLog(kLogError, "[Veltrano Box Video] bad vframe header: (%ux%u), %u bytes",
                    header.width, header.height, header.payloadBytes);
            broken = true;
        }
        if (!broken) {
            if (header.width != m_width || header.height != m_height) {
                PlugLog(kLogInfo, "[Veltrano Box Video] vframe changed: (%dx%d)", int(header.width),
                        int(header.height));
                broken = !resizeFrame(header.payloadBytes);
                m_width = broken ? 0 : header.width;
                m_height = broken ? 0 : header.height;
            }
        }
        if (!broken) {
            const uint32_t read =
                ReadPipe(m_fd, m_frame.data(), header.payloadBytes, m_running, kSilenceMs);
            if (!m_running)
                return;
            if (read < header.payloadBytes) {
                PlugLog(kLogError, "[Veltrano Box Video] read vframe error: want %d, real %d",
                        int(header.payloadBytes), int(read));
                broken = true;
            }
        }
        if (broken) {
            PlugLog(kLogError, "[Veltrano Box Video] read video frame error %d,(%dx%d),%d",
                    int(got), int(header.width), int(header.height), int(header.payloadBytes));
            PlugLog(kLogError, "[Veltrano Box Video] server maybe exit,pipe broken\n");
            return;
        }
        m_sink.outputVideo(m_frame.data(), m_width, m_height, MonotonicNs());
    }
}

bool VideoSourceThread::resizeFrame(uint32_t bytes)
{
    // The old buffer goes first: a smaller picture gives its memory back, and
    // two large buffers are never held at once. OBS lives on when the memory
    // is not there; the stream counts as broken.
    std::vector<uint8_t>().swap(m_frame);
    try {
        m_frame.resize(bytes);
    } catch (const std::bad_alloc&) {
        PlugLog(kLogError, "[Veltrano Box Video] no memory for a frame of %u bytes", bytes);
        return false;
    }
    return true;
}

void VideoSourceThread::showIdle()
{
    // A picture that failed to load is tried again on the next pass.
    if (m_idle.empty())
        LoadIdlePicture(m_idlePath, m_idle);
    if (!m_idle.empty()) {
        // Shown as it is: OBS copies what it is given. The server's next
        // picture then counts as a change of size.
        m_width = m_height = 0;
        m_sink.outputVideo(m_idle.data(), kIdleWidth, kIdleHeight, MonotonicNs());
    } else if (!m_frame.empty()) {
        m_sink.outputVideo(m_frame.data(), m_width, m_height, MonotonicNs());
    }
}

void VideoSourceThread::thread_main()
{
    pthread_setname_np(pthread_self(), "zd_box_video");
    uint64_t retryAtNs = 0;
    while (m_running) {
        if (ServerRunning() && MonotonicNs() >= retryAtNs) {
            if (!connect()) {
                if (!m_running)
                    break;
                PlugLog(kLogError, "[Veltrano Box Video] Connect to server failed.\n");
                // Back to the idle picture; another try later, with a stop for
                // the request that got no pipe.
                send_server_cmd(m_pipeName, zdrelay::kCommandStop, zdrelay::kKindVideo);
                retryAtNs = MonotonicNs() + uint64_t(kRetryMs) * 1000000ull;
                continue;
            }
            PlugLog(kLogInfo, "[Veltrano Box Video] server connected, start show frame..\n");
            stream();
            closePipe();
            SleepWhileRunning(kBrokenPauseMs, m_running);
            continue;
        }
        showIdle();
        SleepWhileRunning(kIdlePauseMs, m_running);
    }
    send_server_cmd(m_pipeName, zdrelay::kCommandStop, zdrelay::kKindVideo);
    m_frame.clear();
    closePipe();
    PlugLog(kLogInfo, "[Veltrano Box Video] video thread exit");
}

} // namespace veltranobox
