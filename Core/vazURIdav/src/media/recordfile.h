// The file a recording streams into. Writes go straight to the descriptor so
// that a write error (a full disk above all) is known exactly, and the data
// is forced to the disk every few seconds, so a power loss costs at most the
// last seconds of a recording, as a crash does. A write that fails leaves
// part of a fragment behind, which a player may refuse (MP4 players read
// every fragment header at opening); so the muxer marks where each whole
// piece ends, and a file whose writing failed is cut back to that mark.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

extern "C" {
#include <libavformat/avio.h>
}

namespace zd::media
{

class RecordFile
{
public:
    // Creates (or empties) the file at path; null with errno kept in
    // errorNumber when it cannot be made.
    static std::unique_ptr<RecordFile> create(const std::string& path, int& errorNumber);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    AVIOContext* io() const { return m_io; }
    // errno of the first failed write, 0 while none failed.
    int writeError() const { return m_writeError; }
    // Everything written so far is whole (a header, a fragment, a packet):
    // the file may end here. Ignored while FFmpeg's buffer holds bytes.
    void markWhole();
    // Flushes FFmpeg's buffer and forces the data to the disk once syncEveryUs
    // has passed since the last time (always when syncEveryUs is 0).
    void sync(int64_t syncEveryUs);
    // Flushes, forces to disk and closes; the errno of a failure, else 0.
    // After a failed write the file is first cut back to the last mark.
    int close();

private:
    RecordFile() = default;
    static int writePacket(void* opaque, uint8_t* buf, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);

    int m_fd = -1;
    AVIOContext* m_io = nullptr;
    int m_writeError = 0;
    int64_t m_position = 0;   // of the descriptor
    int64_t m_wholeBytes = 0; // where the file may end
    int64_t m_lastSyncUs = 0;
};

} // namespace zd::media
