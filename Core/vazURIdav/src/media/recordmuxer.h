// Writes the encoded streams of one file of a recording: fragmented MP4 (a
// fragment per key frame and per quarter second, so a file cut by a crash
// plays up to its last fragment) or MPEG-TS. A file whose writing failed (a
// full disk) ends with its last whole fragment or packet.
#pragma once

#include "media/avholders.h"
#include "media/recordfile.h"
#include "media/recordsettings.h"

#include <memory>
#include <string>

namespace zd::media
{

class RecordMuxer
{
public:
    RecordMuxer() = default;
    ~RecordMuxer();
    RecordMuxer(const RecordMuxer&) = delete;
    RecordMuxer& operator=(const RecordMuxer&) = delete;

    // 0, or a RecordStartError (cannot create the file), or RecordDiskFull /
    // RecordWriteError when the header cannot be written. audio may be null.
    int open(const std::string& path, Container container, AVCodecContext* video,
             AVCodecContext* audio);
    // Writes a packet in the encoder's time base; 0 or a RecordFailure.
    int writeVideo(AVPacket* packet, AVRational encoderTimeBase);
    int writeAudio(AVPacket* packet, AVRational encoderTimeBase);
    // Forces what was written to the disk every few seconds.
    void keepSafe();
    // Ends the file; 0 or a RecordFailure.
    int finish();

private:
    int write(AVPacket* packet, int stream, AVRational encoderTimeBase);
    int failureFromWrite(int averror) const;

    std::unique_ptr<RecordFile> m_file;
    AVFormatContextPtr m_ctx;
    int m_videoStream = -1;
    int m_audioStream = -1;
    bool m_headerWritten = false;
};

} // namespace zd::media
