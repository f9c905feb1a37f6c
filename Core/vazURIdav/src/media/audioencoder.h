// The audio encoder of a recording: AAC, AC-3 or MP3 at 48 kHz stereo.
// Captured audio of any format is converted, gathered into the encoder's
// frame size, and placed on the file's timeline by its position: a short gap
// is filled with silence, audio that comes too late is dropped, so sound and
// picture stay together.
#pragma once

#include "media/avholders.h"
#include "media/recordsettings.h"
#include "media/videoencoder.h"

namespace zd::media
{

class AudioEncoder
{
public:
    static constexpr int kSampleRate = 48000;

    AudioEncoder() = default;
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    // 0, or a RecordStartError.
    int open(AudioCodec codec, bool globalHeader);
    AVCodecContext* context() const { return m_ctx.get(); }

    // Adds captured audio whose first sample belongs at sample position
    // position (48 kHz) of the file. Sound that starts again after a break
    // (the file's first sound, the first after a pause) is placed exactly:
    // its samples before the file's start or over sound already written are
    // cut off, a gap before it is filled. 0 or a RecordFailure.
    int push(const AVFrame* audio, int64_t position, const PacketHandler& out,
             bool afterBreak = false);
    int flush(const PacketHandler& out);

private:
    // Converts audio into the queue, leaving out its first skip samples (in
    // the encoder's rate).
    int convert(const AVFrame* audio, int64_t skip);
    int queue(uint8_t* const* data, int samples, int64_t skip);
    int queueSilence(int64_t samples);
    // A frame of samples in the encoder's format, its buffer made; null
    // when memory ran out.
    AVFramePtr encoderFrame(int samples) const;
    int drain(bool last, const PacketHandler& out);
    int send(AVFrame* frame, const PacketHandler& out);

    AVCodecContextPtr m_ctx;
    SwrContextPtr m_swr;
    AVAudioFifoPtr m_fifo;
    int m_inFormat = -1, m_inRate = 0;
    AVChannelLayout m_inLayout{};
    int64_t m_nextPosition = -1; // where the next captured sample goes
    int64_t m_encodedPosition = 0;
};

} // namespace zd::media
