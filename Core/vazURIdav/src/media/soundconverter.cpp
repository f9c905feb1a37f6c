#include "media/soundconverter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace zd::media
{

SoundConverter::SoundConverter(bool compensated) : m_compensated(compensated) {}

SoundConverter::~SoundConverter()
{
    av_channel_layout_uninit(&m_inLayout);
}

bool SoundConverter::prepare(const AVFrame* frame)
{
    const bool same = m_swr && frame->format == m_inFormat && frame->sample_rate == m_inRate &&
                      av_channel_layout_compare(&frame->ch_layout, &m_inLayout) == 0;
    if (same)
        return true;
    m_swr.reset();
    av_channel_layout_uninit(&m_inLayout);
    if (av_channel_layout_copy(&m_inLayout, &frame->ch_layout) < 0)
        return false;
    m_inFormat = frame->format;
    m_inRate = frame->sample_rate;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, kSampleRate, &m_inLayout,
                            static_cast<AVSampleFormat>(m_inFormat), m_inRate, 0, nullptr) < 0)
        return false;
    m_swr.reset(swr);
    if (m_compensated)
        av_opt_set_int(swr, "flags", SWR_FLAG_RESAMPLE, 0);
    if (swr_init(swr) < 0) {
        m_swr.reset();
        return false;
    }
    if (m_compensation != 0)
        swr_set_compensation(swr, m_compensation, kSampleRate);
    return true;
}

int SoundConverter::convert(const AVFrame* frame, std::vector<float>& out)
{
    if (!frame || frame->nb_samples <= 0 || frame->sample_rate <= 0 ||
        frame->ch_layout.nb_channels <= 0 || !prepare(frame))
        return 0;
    const int room = swr_get_out_samples(m_swr.get(), frame->nb_samples);
    if (room <= 0)
        return 0;
    out.resize(static_cast<size_t>(room) * 2);
    uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const int n = swr_convert(m_swr.get(), dst, room,
                              const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    return n > 0 ? n : 0;
}

void SoundConverter::setCompensation(int samplesPerSecond)
{
    if (!m_compensated)
        return;
    m_compensation = samplesPerSecond;
    if (m_swr)
        swr_set_compensation(m_swr.get(), m_compensation, kSampleRate);
}

} // namespace zd::media
