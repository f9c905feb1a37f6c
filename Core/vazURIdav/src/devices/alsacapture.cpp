#include "devices/alsacapture.h"

#include "core/errortext.h"
#include "core/log.h"
#include "devices/capturethread.h"
#include "vazURIdav.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <poll.h>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
}

namespace zd
{

namespace
{

constexpr int kPollMs = 200;
constexpr int kMaxPollFds = 16;
constexpr int kMaxBlocksPerWake = 8;

void logLibraryError(const char* file, int line, const char* function, int err, const char* fmt,
                     ...)
{
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    Log::write(2, "vazURIdav: ALSA %s:%d (%s): %s%s%s", file ? file : "", line,
               function ? function : "", text, err ? ": " : "", err ? snd_strerror(err) : "");
}

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

} // namespace

AlsaCapture::AlsaCapture(std::string pcmName, std::string deviceName)
    : m_pcmName(std::move(pcmName)), m_deviceName(std::move(deviceName))
{
    m_stopFd = makeStopFd();
}

AlsaCapture::~AlsaCapture()
{
    stop();
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

int AlsaCapture::openResultOf(int error)
{
    switch (-error) {
    case EACCES:
    case EPERM:
        return ZD_OPEN_MICROPHONE_DENIED;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return ZD_OPEN_NO_DEVICE;
    default:
        return ZD_OPEN_PREVIEW_FAILED;
    }
}

void AlsaCapture::routeLibraryErrors()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&logLibraryError); });
}

int AlsaCapture::open()
{
    routeLibraryErrors();
    if (m_stopFd < 0)
        return ZD_OPEN_PREVIEW_FAILED;
    int err = snd_pcm_open(&m_pcm, m_pcmName.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) {
        m_pcm = nullptr;
        Log::write(8, "vazURIdav: %s (%s) cannot be opened: %s", m_deviceName.c_str(),
                   m_pcmName.c_str(), snd_strerror(err));
        return openResultOf(err);
    }
    // 48 kHz stereo 16-bit, about 20 ms a period and four periods of room.
    err = snd_pcm_set_params(m_pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, kChannels,
                             kRate, 1, 80000);
    if (err < 0) {
        Log::write(8, "vazURIdav: %s refuses 48 kHz stereo: %s", m_deviceName.c_str(),
                   snd_strerror(err));
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
        return ZD_OPEN_PREVIEW_FAILED;
    }
    return 1;
}

void AlsaCapture::start(FrameReceiver& receiver)
{
    if (!m_pcm || m_thread.joinable())
        return;
    if (!startCaptureThread(m_thread, m_running, [this, &receiver] { run(&receiver); }))
        Log::write(8, "vazURIdav: %s: the sound capture thread did not start.",
                   m_deviceName.c_str());
}

void AlsaCapture::stop()
{
    stopCaptureThread(m_thread, m_running, m_stopFd);
    if (m_pcm) {
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
    }
}

void AlsaCapture::run(FrameReceiver* receiver)
{
    snd_pcm_start(m_pcm);
    const int count = snd_pcm_poll_descriptors_count(m_pcm);
    if (count <= 0 || count >= kMaxPollFds) {
        receiver->captureFailed(kErrorOpenFailed);
        return;
    }
    std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
    snd_pcm_poll_descriptors(m_pcm, fds.data(), static_cast<unsigned>(count));
    fds[static_cast<size_t>(count)] = {m_stopFd, POLLIN, 0};
    std::unique_ptr<AVFrame, FrameFree> frame;
    while (m_running) {
        const int n = ::poll(fds.data(), fds.size(), kPollMs);
        if (!m_running || (n > 0 && (fds.back().revents & POLLIN)))
            break;
        if (n <= 0)
            continue;
        unsigned short revents = 0;
        snd_pcm_poll_descriptors_revents(m_pcm, fds.data(), static_cast<unsigned>(count), &revents);
        if (revents & POLLERR) {
            // An overrun or a removed device: recover tells them apart.
        } else if (!(revents & POLLIN)) {
            continue;
        }
        // A bounded number of blocks per wake-up, so that a device that is
        // always ready cannot keep the thread from its stop.
        for (int block = 0; block < kMaxBlocksPerWake && m_running; ++block) {
            if (!frame) {
                frame.reset(av_frame_alloc());
                if (!frame)
                    break;
                frame->format = AV_SAMPLE_FMT_S16;
                frame->sample_rate = kRate;
                av_channel_layout_default(&frame->ch_layout, kChannels);
                frame->nb_samples = kBlockFrames;
                if (av_frame_get_buffer(frame.get(), 0) < 0) {
                    frame.reset();
                    break;
                }
            }
            const snd_pcm_sframes_t got =
                snd_pcm_readi(m_pcm, frame->data[0], static_cast<snd_pcm_uframes_t>(kBlockFrames));
            if (got == -EAGAIN)
                break;
            if (got < 0) {
                const int err = snd_pcm_recover(m_pcm, static_cast<int>(got), 1);
                if (err < 0) {
                    Log::write(2, "vazURIdav: %s stopped: %s", m_deviceName.c_str(),
                               snd_strerror(static_cast<int>(got)));
                    receiver->captureFailed(got == -ENODEV ? kErrorDeviceRemoved
                                                           : kErrorOpenFailed);
                    return;
                }
                snd_pcm_start(m_pcm);
                break;
            }
            if (got == 0)
                break;
            // The first sample was captured got samples (and what still waits
            // in the buffer) ago.
            snd_pcm_sframes_t delay = 0;
            if (snd_pcm_delay(m_pcm, &delay) < 0 || delay < 0)
                delay = 0;
            frame->nb_samples = static_cast<int>(got);
            frame->pts = av_gettime_relative() - (int64_t(got) + delay) * 1000000 / kRate;
            receiver->audioFrame(frame.get());
            frame.reset();
        }
    }
}

} // namespace zd
