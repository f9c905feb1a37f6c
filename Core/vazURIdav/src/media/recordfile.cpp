#include "media/recordfile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
#include <libavutil/time.h>
}

namespace zd::media
{

namespace
{
constexpr int kBufferBytes = 256 * 1024;
}

std::unique_ptr<RecordFile> RecordFile::create(const std::string& path, int& errorNumber)
{
    errorNumber = 0;
    std::unique_ptr<RecordFile> f(new RecordFile);
    f->m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (f->m_fd < 0) {
        errorNumber = errno;
        return {};
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (!buffer) {
        errorNumber = ENOMEM;
        return {};
    }
    f->m_io = avio_alloc_context(buffer, kBufferBytes, 1, f.get(), nullptr,
                                 &RecordFile::writePacket, &RecordFile::seek);
    if (!f->m_io) {
        av_free(buffer);
        errorNumber = ENOMEM;
        return {};
    }
    f->m_lastSyncUs = av_gettime_relative();
    return f;
}

RecordFile::~RecordFile()
{
    close();
}

int RecordFile::writePacket(void* opaque, uint8_t* buf, int size)
{
    auto* self = static_cast<RecordFile*>(opaque);
    if (self->m_writeError)
        return AVERROR(self->m_writeError);
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(self->m_fd, buf + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            self->m_writeError = errno;
            return AVERROR(errno);
        }
        if (n == 0) {
            self->m_writeError = ENOSPC;
            return AVERROR(ENOSPC);
        }
        done += static_cast<int>(n);
    }
    self->m_position += size;
    return size;
}

int64_t RecordFile::seek(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<RecordFile*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat st;
        return fstat(self->m_fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : AVERROR(errno);
    }
    const off_t r = ::lseek(self->m_fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    if (r < 0)
        return AVERROR(errno);
    self->m_position = static_cast<int64_t>(r);
    return static_cast<int64_t>(r);
}

void RecordFile::markWhole()
{
    if (m_io && !m_writeError && !m_io->error && avio_tell(m_io) == m_position)
        m_wholeBytes = m_position;
}

void RecordFile::sync(int64_t syncEveryUs)
{
    if (!m_io || m_fd < 0)
        return;
    const int64_t now = av_gettime_relative();
    if (syncEveryUs > 0 && now - m_lastSyncUs < syncEveryUs)
        return;
    m_lastSyncUs = now;
    avio_flush(m_io);
    if (!m_writeError && ::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        m_writeError = errno;
}

int RecordFile::close()
{
    if (m_io) {
        avio_flush(m_io);
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    if (m_fd >= 0) {
        // A failed write may have left part of a piece at the end: players
        // refuse an MP4 whose last fragment header is cut, so the file goes
        // back to the end of the last whole one and keeps playing.
        // Should the cut fail, the failure is already known and reported.
        const int cut = m_writeError ? ::ftruncate(m_fd, static_cast<off_t>(m_wholeBytes)) : 0;
        (void)cut;
        if (!m_writeError && ::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            m_writeError = errno;
        if (::close(m_fd) != 0 && !m_writeError && errno != EINTR)
            m_writeError = errno;
        m_fd = -1;
    }
    return m_writeError;
}

} // namespace zd::media
