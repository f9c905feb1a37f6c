#include "media/recordsettings.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zd::media
{

namespace
{
const char* const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                "medium",    "slow",      "slower",   "veryslow", "placebo"};
}

int availableEncoders(EncoderChoice* out, int max)
{
    int n = 0;
    if (n < max && avcodec_find_encoder_by_name("libx264"))
        out[n++] = {kEncoderH264, "H264(software)"};
    if (n < max && avcodec_find_encoder_by_name("libx265"))
        out[n++] = {kEncoderHevc, "HEVC(software)"};
    return n;
}

int RecordSettings::fromCall(const std::string& path, int format, int encoderId, int speedIndex,
                             int width, int height, int fps, int64_t bitrate, RecordSettings& out)
{
    if (path.empty() || width < 0 || height < 0 || fps < 0 || bitrate < 0)
        return RecordStartBadArguments;
    RecordSettings s;
    s.path = path;
    switch (format) {
    case 0:
        break;
    case 1:
        s.constantFps = true;
        break;
    case 2:
        s.audioCodec = AudioCodec::Ac3;
        break;
    case 3:
        s.audioCodec = AudioCodec::Mp3;
        break;
    case 4:
        s.container = Container::MpegTs;
        break;
    case 100:
        s.container = Container::MpegTs;
        s.videoCodec = VideoCodec::Hevc10;
        break;
    default:
        return RecordStartBadArguments;
    }
    if (s.videoCodec != VideoCodec::Hevc10) {
        if (encoderId == kEncoderHevc)
            s.videoCodec = VideoCodec::Hevc;
        else if (encoderId != kEncoderH264)
            return RecordStartEncoderUnavailable; // a hardware encoder this engine lacks
    }
    const char* encoder = s.videoCodec == VideoCodec::H264 ? "libx264" : "libx265";
    if (!avcodec_find_encoder_by_name(encoder))
        return RecordStartEncoderUnavailable;
    const char* audio = s.audioCodec == AudioCodec::Ac3   ? "ac3"
                        : s.audioCodec == AudioCodec::Mp3 ? "libmp3lame"
                                                          : "aac";
    if (!avcodec_find_encoder_by_name(audio))
        return RecordStartEncoderUnavailable;
    s.preset = speedIndex >= 0 && speedIndex < 10 ? kPresets[speedIndex] : "veryfast";
    s.width = std::min(width, 8192) & ~1;
    s.height = std::min(height, 8192) & ~1;
    s.fps = fps > 0 ? std::min(fps, 240) : 0;
    s.bitrate = bitrate > 0 ? std::clamp<int64_t>(bitrate, 100000, 400000000) : 10485760;
    out = std::move(s);
    return 1;
}

} // namespace zd::media
