// How far sound and picture are apart in what the engine wrote or sent, read
// from a source that flashes its picture white and beeps at the same instants
// once a period: flash onsets from the pictures' mean brightness, beep onsets
// from the sound's level, and for each flash the beep nearest to it. Files,
// RTMP and HTTP streams are decoded with FFmpeg's libraries as a player would;
// pictures and sound that arrive some other way (a pipe) are fed directly.
// Plain C++, so that the tests and the benchmarks measure alike.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace zdtest
{

struct SyncFigures {
    int flashes = 0, beeps = 0;
    // Per flash that has a beep near it: the flash's time (seconds of the
    // media) and sound minus picture (ms; above 0 the sound comes late).
    std::vector<std::pair<double, double>> offsets;
    double medianMs = 0, minMs = 0, maxMs = 0;

    int pairs() const { return static_cast<int>(offsets.size()); }
    double spreadMs() const { return maxMs - minMs; }
    // Median of the offsets of flashes in [fromSeconds, toSeconds); NAN for none.
    double medianBetween(double fromSeconds, double toSeconds) const
    {
        std::vector<double> v;
        for (const auto& o : offsets) {
            if (o.first >= fromSeconds && o.first < toSeconds)
                v.push_back(o.second);
        }
        return median(v);
    }
    double firstSeconds() const { return offsets.empty() ? 0 : offsets.front().first; }
    double lastSeconds() const { return offsets.empty() ? 0 : offsets.back().first; }
    std::string text() const
    {
        char line[160];
        std::snprintf(line, sizeof line,
                      "%d flashes, %d beeps, %d pairs: median %+.1f ms, from %+.1f to %+.1f ms",
                      flashes, beeps, pairs(), medianMs, minMs, maxMs);
        return line;
    }

    static double median(std::vector<double> v)
    {
        if (v.empty())
            return NAN;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
};

class SyncMeter
{
public:
    // The sound's level is kept per block of this length: the precision of
    // a beep's onset.
    static constexpr double kBlockSeconds = 0.0005;
    // A beep or flash begins only after this much darkness or quiet.
    static constexpr double kQuietSeconds = 0.2;

    // A picture shown from seconds on, of mean brightness (0..255).
    void picture(double seconds, double brightness) { m_pictures.push_back({seconds, brightness}); }

    // Sound starting at seconds: frames of channels interleaved samples in
    // -1..1 at rate.
    void sound(double seconds, const float* samples, int frames, int channels, int rate)
    {
        for (int i = 0; i < frames; ++i) {
            float peak = 0;
            for (int c = 0; c < channels; ++c)
                peak = std::max(peak, std::fabs(samples[size_t(i) * channels + c]));
            level(seconds + double(i) / rate, peak);
        }
    }
    // The same for interleaved signed 16-bit samples.
    void sound16(double seconds, const int16_t* samples, int frames, int channels, int rate)
    {
        for (int i = 0; i < frames; ++i) {
            int peak = 0;
            for (int c = 0; c < channels; ++c)
                peak = std::max(peak, std::abs(int(samples[size_t(i) * channels + c])));
            level(seconds + double(i) / rate, peak / 32768.0f);
        }
    }

    std::vector<double> flashOnsets() const
    {
        std::vector<std::pair<double, double>> p = m_pictures;
        std::sort(p.begin(), p.end());
        double lo = 255, hi = 0;
        for (const auto& x : p) {
            lo = std::min(lo, x.second);
            hi = std::max(hi, x.second);
        }
        std::vector<double> onsets;
        if (hi - lo < 40)
            return onsets; // no flash at all
        const double threshold = (lo + hi) / 2;
        double darkSince = -1;
        for (const auto& x : p) {
            if (x.second < threshold) {
                if (darkSince < 0)
                    darkSince = x.first;
                continue;
            }
            if (darkSince >= 0 && x.first - darkSince >= kQuietSeconds)
                onsets.push_back(x.first);
            darkSince = -1;
        }
        return onsets;
    }

    std::vector<double> beepOnsets() const
    {
        std::vector<double> onsets;
        float hi = 0;
        for (float v : m_levels)
            hi = std::max(hi, v);
        if (hi < 0.02f)
            return onsets; // silence
        const float threshold = hi / 2;
        const size_t quietBlocks = static_cast<size_t>(kQuietSeconds / kBlockSeconds);
        size_t quiet = 0;
        for (size_t i = 0; i < m_levels.size(); ++i) {
            if (m_levels[i] < threshold) {
                ++quiet;
                continue;
            }
            if (quiet >= quietBlocks)
                onsets.push_back(m_levelsStart + i * kBlockSeconds);
            quiet = 0;
        }
        return onsets;
    }

    // Each flash paired with the beep nearest to it, when one is nearer than
    // half the period.
    SyncFigures figures(double periodSeconds = 1.0) const
    {
        SyncFigures f;
        const std::vector<double> flashes = flashOnsets(), beeps = beepOnsets();
        f.flashes = static_cast<int>(flashes.size());
        f.beeps = static_cast<int>(beeps.size());
        std::vector<double> values;
        for (double flash : flashes) {
            auto it = std::lower_bound(beeps.begin(), beeps.end(), flash);
            double best = NAN;
            for (auto c : {it, it == beeps.begin() ? it : it - 1}) {
                if (c == beeps.end())
                    continue;
                if (std::isnan(best) || std::fabs(*c - flash) < std::fabs(best - flash))
                    best = *c;
            }
            if (std::isnan(best) || std::fabs(best - flash) >= periodSeconds / 2)
                continue;
            const double ms = (best - flash) * 1000;
            f.offsets.push_back({flash, ms});
            values.push_back(ms);
        }
        if (!values.empty()) {
            f.medianMs = SyncFigures::median(values);
            f.minMs = *std::min_element(values.begin(), values.end());
            f.maxMs = *std::max_element(values.begin(), values.end());
        }
        return f;
    }

private:
    void level(double seconds, float peak)
    {
        if (m_levels.empty())
            m_levelsStart = seconds;
        const double at = (seconds - m_levelsStart) / kBlockSeconds;
        if (at < 0)
            return; // before the first sound: not kept
        const size_t block = static_cast<size_t>(at);
        if (block >= m_levels.size())
            m_levels.resize(block + 1, 0.0f);
        m_levels[block] = std::max(m_levels[block], peak);
    }

    std::vector<std::pair<double, double>> m_pictures;
    std::vector<float> m_levels;
    double m_levelsStart = 0;
};

// Decodes the pictures and sound of url (a file, rtmp:// or http://) into
// meter, up to maxSeconds of media after the first frame (0: to the end) or
// until timeoutMs have passed. False, with error set, when it cannot be read.
inline bool measureMedia(const std::string& url, SyncMeter& meter, std::string& error,
                         double maxSeconds = 0, int timeoutMs = 60000)
{
    using Clock = std::chrono::steady_clock;
    struct Deadline {
        Clock::time_point at;
        static int passed(void* self)
        {
            return Clock::now() > static_cast<Deadline*>(self)->at ? 1 : 0;
        }
    } deadline{Clock::now() + std::chrono::milliseconds(timeoutMs)};

    AVFormatContext* fmt = avformat_alloc_context();
    if (!fmt) {
        error = "no memory";
        return false;
    }
    fmt->interrupt_callback = {&Deadline::passed, &deadline};
    if (avformat_open_input(&fmt, url.c_str(), nullptr, nullptr) < 0) {
        error = "cannot open " + url;
        return false;
    }
    struct Holder {
        AVFormatContext* fmt;
        AVCodecContext* dec[2] = {nullptr, nullptr};
        SwsContext* sws = nullptr;
        SwrContext* swr = nullptr;
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        ~Holder()
        {
            for (AVCodecContext*& c : dec)
                avcodec_free_context(&c);
            sws_freeContext(sws);
            swr_free(&swr);
            av_packet_free(&packet);
            av_frame_free(&frame);
            avformat_close_input(&fmt);
        }
    } h{fmt};
    if (!h.packet || !h.frame || avformat_find_stream_info(fmt, nullptr) < 0) {
        error = "cannot read the streams of " + url;
        return false;
    }
    int index[2] = {av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0),
                    av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)};
    for (int k = 0; k < 2; ++k) {
        if (index[k] < 0) {
            error = url + (k == 0 ? " has no pictures" : " has no sound");
            return false;
        }
        const AVCodecParameters* par = fmt->streams[index[k]]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        h.dec[k] = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (!h.dec[k] || avcodec_parameters_to_context(h.dec[k], par) < 0 ||
            avcodec_open2(h.dec[k], codec, nullptr) < 0) {
            error = "cannot decode " + url;
            return false;
        }
    }
    std::vector<uint8_t> gray;
    std::vector<float> mono;
    double firstSeconds = NAN;
    bool enough = false;

    auto seconds = [&](int k, int64_t ts) {
        return ts * av_q2d(fmt->streams[index[k]]->time_base);
    };
    auto takePicture = [&](const AVFrame* f, double at) {
        const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(f->format));
        const uint8_t* plane = f->data[0];
        int stride = f->linesize[0];
        // Planar luma of 8 bits is read as it is; anything else is made grey.
        if (!d || (d->flags & AV_PIX_FMT_FLAG_RGB) || d->comp[0].depth != 8 ||
            d->comp[0].step != 1 || d->comp[0].plane != 0) {
            h.sws = sws_getCachedContext(h.sws, f->width, f->height, AVPixelFormat(f->format),
                                         f->width, f->height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr,
                                         nullptr, nullptr);
            if (!h.sws)
                return;
            gray.resize(size_t(f->width) * f->height);
            uint8_t* dst[4] = {gray.data()};
            int dstStride[4] = {f->width};
            sws_scale(h.sws, f->data, f->linesize, 0, f->height, dst, dstStride);
            plane = gray.data();
            stride = f->width;
        }
        double sum = 0;
        int64_t n = 0;
        for (int y = 0; y < f->height; y += 2) {
            const uint8_t* row = plane + ptrdiff_t(y) * stride;
            for (int x = 0; x < f->width; x += 2, ++n)
                sum += row[x];
        }
        if (n > 0)
            meter.picture(at, sum / n);
    };
    auto takeSound = [&](const AVFrame* f, double at) {
        if (!h.swr) {
            AVChannelLayout monoLayout = AV_CHANNEL_LAYOUT_MONO, inLayout;
            if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
                av_channel_layout_copy(&inLayout, &f->ch_layout) < 0)
                av_channel_layout_default(&inLayout, std::max(f->ch_layout.nb_channels, 1));
            const int r = swr_alloc_set_opts2(&h.swr, &monoLayout, AV_SAMPLE_FMT_FLT,
                                              f->sample_rate, &inLayout, AVSampleFormat(f->format),
                                              f->sample_rate, 0, nullptr);
            av_channel_layout_uninit(&inLayout);
            if (r < 0 || swr_init(h.swr) < 0) {
                swr_free(&h.swr);
                return;
            }
        }
        mono.resize(size_t(f->nb_samples) + 64);
        uint8_t* out[1] = {reinterpret_cast<uint8_t*>(mono.data())};
        const int n = swr_convert(h.swr, out, f->nb_samples + 64,
                                  const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        if (n > 0)
            meter.sound(at, mono.data(), n, 1, f->sample_rate);
    };
    auto drain = [&](int k) {
        while (avcodec_receive_frame(h.dec[k], h.frame) == 0) {
            const int64_t ts = h.frame->best_effort_timestamp != AV_NOPTS_VALUE
                                   ? h.frame->best_effort_timestamp
                                   : h.frame->pts;
            if (ts != AV_NOPTS_VALUE) {
                const double at = seconds(k, ts);
                if (std::isnan(firstSeconds))
                    firstSeconds = at;
                if (maxSeconds > 0 && at - firstSeconds > maxSeconds)
                    enough = true;
                else if (k == 0)
                    takePicture(h.frame, at);
                else
                    takeSound(h.frame, at);
            }
            av_frame_unref(h.frame);
        }
    };
    while (!enough && av_read_frame(fmt, h.packet) >= 0) {
        for (int k = 0; k < 2; ++k) {
            if (h.packet->stream_index == index[k] && avcodec_send_packet(h.dec[k], h.packet) >= 0)
                drain(k);
        }
        av_packet_unref(h.packet);
    }
    for (int k = 0; k < 2; ++k) {
        avcodec_send_packet(h.dec[k], nullptr);
        drain(k);
    }
    if (std::isnan(firstSeconds)) {
        error = "no frame decoded from " + url;
        return false;
    }
    return true;
}

} // namespace zdtest
