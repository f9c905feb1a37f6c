// Opening media files for the layers: only regular files, through
// libavformat, with a decoder per stream.
#pragma once

#include "media/avholders.h"

#include <string>

namespace zd::live
{

// Largest picture side a layer takes from a file.
constexpr int kMaxPictureSide = 16384;

bool isRegularFile(const std::string& path);

struct DecoderStream {
    int index = -1;
    media::AVCodecContextPtr codec;
    AVRational timeBase{1, 1};
};

// Opens path (a regular file) and finds its streams; false when it cannot
// be read as media.
bool openMediaFile(const std::string& path, media::AVFormatInputPtr& format);
// Opens the decoder of the best stream of that type; false when there is none.
bool openDecoder(AVFormatContext* format, AVMediaType type, DecoderStream& out);

// The first picture of a picture file (BMP, PNG, JPEG, GIF or whatever
// libavformat reads), or null.
media::AVFramePtr decodePicture(const std::string& path);

} // namespace zd::live
