// What a recording is asked to be, and how the engine's record call arguments
// (format, encoder id, speed index) map onto it.
#pragma once

#include <cstdint>
#include <string>

namespace zd::media
{

// Failure codes of a running recording, as the record-failed report carries
// them.
enum RecordFailure {
    RecordEncoderTooSlow = 1,
    RecordCopyFrameError = 2,
    RecordOutOfMemory = 3,
    RecordQueueFull = 4,
    RecordDiskFull = 5,
    RecordEncodeError = 6,
    // A write failed for another reason than a full disk (a removed drive,
    // an I/O error): shown to the user as an unknown error with this number.
    RecordWriteError = 7,
};

// Results of starting a recording, besides 1.
enum RecordStartError {
    RecordStartBadArguments = -1,
    RecordStartNoSource = -1, // no device open, nothing to record
    RecordStartCannotCreateFile = -2,
    RecordStartEncoderUnavailable = -3,
    RecordStartBusy = -5,
};

enum class Container { Mp4, MpegTs };
enum class VideoCodec { H264, Hevc, Hevc10 };
enum class AudioCodec { None, Aac, Ac3, Mp3 };

struct RecordSettings {
    std::string path; // UTF-8
    Container container = Container::Mp4;
    VideoCodec videoCodec = VideoCodec::H264;
    AudioCodec audioCodec = AudioCodec::Aac;
    bool constantFps = false;
    std::string preset = "veryfast";
    int width = 0;  // even, 0 = the source's
    int height = 0; // even, 0 = the source's
    int fps = 30;
    int64_t bitrate = 10485760; // bits per second

    // Builds the settings from the record call. format: 0 MP4 H.264+AAC
    // (variable rate), 1 the same at a constant rate, 2 MP4 with AC-3, 3 MP4
    // with MP3, 4 TS with AAC, 100 HDR (TS, 10-bit HEVC). Returns 1, or one of
    // RecordStartError.
    static int fromCall(const std::string& path, int format, int encoderId, int speedIndex,
                        int width, int height, int fps, int64_t bitrate, RecordSettings& out);
};

// The encoders the engine offers for recording, as the settings window lists
// them: id and name.
struct EncoderChoice {
    int id;
    const char* name;
};
// The software H.264 encoder's id, and that of the software HEVC encoder.
constexpr int kEncoderH264 = 0;
constexpr int kEncoderHevc = 4;
// Fills at most max entries with the encoders this machine has; returns how
// many.
int availableEncoders(EncoderChoice* out, int max);

} // namespace zd::media
