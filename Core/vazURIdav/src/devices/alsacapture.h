// The capture thread of an ALSA device: 48 kHz stereo 16-bit (ALSA's plug
// layer converts whatever the hardware has), read in blocks of about 20 ms
// and handed on as frames whose pts is the media clock of their first sample.
#pragma once

#include "devices/framereceiver.h"

#include <atomic>
#include <string>
#include <thread>

typedef struct _snd_pcm snd_pcm_t;

namespace zd
{

class AlsaCapture
{
public:
    static constexpr unsigned kRate = 48000;
    static constexpr unsigned kChannels = 2;
    static constexpr unsigned kBlockFrames = 960;

    AlsaCapture(std::string pcmName, std::string deviceName);
    ~AlsaCapture();
    AlsaCapture(const AlsaCapture&) = delete;
    AlsaCapture& operator=(const AlsaCapture&) = delete;

    // Opens and sets up the device: 1, or a ZD_OPEN_* result.
    int open();
    void start(FrameReceiver& receiver);
    void stop();

    // The ZD_OPEN_* result of a failed snd_pcm_open (a negative errno).
    static int openResultOf(int error);
    // alsa-lib's own complaints go to the engine's log, not to stderr.
    static void routeLibraryErrors();

private:
    void run(FrameReceiver* receiver);

    const std::string m_pcmName;
    const std::string m_deviceName;
    snd_pcm_t* m_pcm = nullptr;
    int m_stopFd = -1;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};

} // namespace zd
