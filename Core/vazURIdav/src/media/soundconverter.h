// Sound of whatever format a source gives, converted to interleaved stereo
// float at 48 kHz; the converter is made anew when the source's format
// changes. A converter made for compensation resamples even at 48 kHz, so
// that it can stretch or squeeze the sound a little (a clock that runs off).
#pragma once

#include "media/avholders.h"

#include <vector>

namespace zd::media
{

class SoundConverter
{
public:
    static constexpr int kSampleRate = 48000;

    explicit SoundConverter(bool compensated = false);
    ~SoundConverter();
    SoundConverter(const SoundConverter&) = delete;
    SoundConverter& operator=(const SoundConverter&) = delete;

    // Converts frame into out (left, right, ...); the stereo samples
    // written, 0 when there are none or the format cannot be converted.
    int convert(const AVFrame* frame, std::vector<float>& out);
    // Compensated only: samples added per second of output (taken when
    // negative), kept across changes of the source's format.
    void setCompensation(int samplesPerSecond);

private:
    bool prepare(const AVFrame* frame);

    const bool m_compensated;
    SwrContextPtr m_swr;
    int m_inFormat = -1, m_inRate = 0;
    AVChannelLayout m_inLayout{};
    int m_compensation = 0;
};

} // namespace zd::media
