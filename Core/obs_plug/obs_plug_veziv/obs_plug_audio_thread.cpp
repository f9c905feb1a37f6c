#include "obs_plug_audio_thread.h"

#include "obs_common.h"

#include <pthread.h>
#include <unistd.h>

namespace veltranobox
{

namespace
{
constexpr int kWaitPauseMs = 10;
} // namespace

AudioSourceThread::AudioSourceThread(AudioSink& sink) : m_sink(sink) {}

AudioSourceThread::~AudioSourceThread()
{
    stop();
}

bool AudioSourceThread::start()
{
    if (m_thread.joinable())
        return true;
    m_running = true;
    try {
        m_thread = std::thread([this] { sinewave_thread(); });
    } catch (...) {
        m_running = false;
        return false;
    }
    return true;
}

void AudioSourceThread::stop()
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
}

bool AudioSourceThread::connect()
{
    m_fd = ConnectToServer(m_pipeName, zdrelay::kKindAudio, m_running);
    return m_fd >= 0;
}

void AudioSourceThread::stream()
{
    while (m_running) {
        zdrelay::FrameHeader header = {};
        const uint32_t got = ReadPipe(m_fd, &header, sizeof header, m_running, kSilenceMs);
        if (!m_running)
            return;
        if (got < sizeof header) {
            PlugLog(kLogError, "audio rcv error: %d", int(got));
            break;
        }
        if (zdrelay::checkAudioHeader(header) != zdrelay::HeaderCheck::Frame) {
            if (header.payloadBytes != 0)
                PlugLog(kLogError, "[Veltrano Box Audio]bad audio header: %u bytes",
                        header.payloadBytes);
            break;
        }
        m_samples.resize(header.payloadBytes);
        const uint32_t read =
            ReadPipe(m_fd, m_samples.data(), header.payloadBytes, m_running, kSilenceMs);
        if (!m_running)
            return;
        if (read < header.payloadBytes) {
            PlugLog(kLogError, "audio rcv error: %d", int(got));
            break;
        }
        m_sink.outputAudio(m_samples.data(), header.payloadBytes / 4, AudioTimestampNs(m_bytes));
        m_bytes += header.payloadBytes;
    }
    PlugLog(kLogError, "[Veltrano Box Audio]server maybe exit,pipe broken\n");
}

void AudioSourceThread::sinewave_thread()
{
    pthread_setname_np(pthread_self(), "zd_box_audio");
    PlugLog(kLogInfo, "[Veltrano Box Audio]main thread started ...\n");
    uint64_t retryAtNs = 0;
    while (m_running) {
        if (!ServerRunning() || MonotonicNs() < retryAtNs) {
            SleepWhileRunning(kWaitPauseMs, m_running);
            continue;
        }
        if (!connect()) {
            if (!m_running)
                break;
            // Waiting again, not ended: the source would stay silent for good.
            PlugLog(kLogError, "[Veltrano Box Audio]Connect to server failed.\n");
            retryAtNs = MonotonicNs() + uint64_t(kRetryMs) * 1000000ull;
            continue;
        }
        PlugLog(kLogInfo, "[Veltrano Box Audio]server connected, start show audio..\n");
        stream();
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }
    m_samples.clear();
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    PlugLog(kLogInfo, "[Veltrano Box Audio]main audio thread exit");
}

} // namespace veltranobox
