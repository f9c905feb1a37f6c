// What the OBS plug-in's reading threads hand to OBS, placed on OBS's clock
// as OBS places it, into a sync meter (zdsyncmeter.h): a picture of the
// unbuffered video source at the time stamp the thread gives it (the moment
// it came out of the pipe); sound of the audio source, whose time stamps
// count from 0 and so lie far from OBS's clock, as OBS places such a source:
// its first piece at the moment it is handed over, every later one after it
// by its place in the stream (libobs resets a source's audio timing to its
// first time stamp when that is more than 2 s from the clock, then follows
// the stamps). Plain C++ on the plug-in's core.
#pragma once

#include "obs-vnc-source-thread.h"
#include "obs_common.h"
#include "obs_plug_audio_thread.h"
#include "zdsyncmeter.h"

#include <mutex>

namespace zdtest
{

class ObsTiming : public veltranobox::VideoSink, public veltranobox::AudioSink
{
public:
    // Pictures of another size (the idle picture) are not the source's.
    ObsTiming(uint32_t width, uint32_t height) : m_width(width), m_height(height) {}

    void outputVideo(const uint8_t* pixels, uint32_t width, uint32_t height,
                     uint64_t timestampNs) override
    {
        if (width != m_width || height != m_height)
            return;
        double sum = 0;
        int64_t n = 0;
        for (uint32_t y = 0; y < height; y += 4) {
            for (uint32_t x = 0; x < width; x += 4, ++n)
                sum += pixels[(size_t(y) * width + x) * 4 + 1]; // green
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_meter.picture(timestampNs / 1e9, sum / double(n));
    }

    void outputAudio(const uint8_t* samples, uint32_t frames, uint64_t timestampNs) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_anchored) {
            m_anchored = true;
            m_anchorNs = int64_t(veltranobox::MonotonicNs()) - int64_t(timestampNs);
        }
        m_meter.sound16((int64_t(timestampNs) + m_anchorNs) / 1e9,
                        reinterpret_cast<const int16_t*>(samples), int(frames), 2, 48000);
    }

    SyncFigures figures()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_meter.figures();
    }

private:
    const uint32_t m_width, m_height;
    std::mutex m_mutex;
    SyncMeter m_meter;
    bool m_anchored = false;
    int64_t m_anchorNs = 0;
};

} // namespace zdtest
