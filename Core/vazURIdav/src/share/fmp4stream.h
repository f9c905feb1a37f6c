// An MPEG-TS byte stream of H.264 and AAC remuxed, as it comes, into
// fragmented MP4 (packets copied, never re-encoded): browsers play
// fragmented MP4 from a plain <video> element, while MPEG-TS over HTTP plays
// in none of them. Each reader has its own remuxer, so a slow one holds up
// only itself.
#pragma once

#include "media/avholders.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zd
{

class Fmp4Stream
{
public:
    // Fills the buffer with TS bytes: their count, 0 at the end of the input,
    // negative when it failed or the reader gives up.
    using Source = std::function<long(uint8_t* buffer, size_t bytes)>;

    explicit Fmp4Stream(Source source);
    ~Fmp4Stream();
    Fmp4Stream(const Fmp4Stream&) = delete;
    Fmp4Stream& operator=(const Fmp4Stream&) = delete;

    // Up to bytes of the MP4 stream: their count, 0 once it has all been
    // read, -1 when the input failed or holds nothing to remux.
    long read(uint8_t* out, size_t bytes);

private:
    bool open();
    // One more input packet into the output; false at the input's end.
    bool remuxOne();
    bool write(AVPacket* packet, AVRational tb, int out);
    static int readInput(void* opaque, uint8_t* buffer, int bytes);
    static int writeOutput(void* opaque, uint8_t* buffer, int bytes);

    Source m_source;
    media::AVFormatInputPtr m_in;
    AVIOContext* m_inIo = nullptr;
    media::AVFormatContextPtr m_out;
    AVIOContext* m_outIo = nullptr;
    media::AVPacketPtr m_packet;
    std::vector<int> m_streamMap; // input stream -> output stream, or -1
    int m_videoIn = -1;
    int m_audioIn = -1;
    // ADTS headers off the sound, its parameters into the MP4's header: the
    // MP4 muxer adds no such filter itself when it writes fragments.
    media::AVBSFContextPtr m_adts;
    int64_t m_startUs = AV_NOPTS_VALUE; // the first key frame's time
    std::string m_pending;              // MP4 bytes not yet read
    size_t m_pendingAt = 0;
    bool m_opened = false;
    bool m_ended = false;
    bool m_failed = false;
};

} // namespace zd
