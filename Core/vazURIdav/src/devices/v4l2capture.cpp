#include "devices/v4l2capture.h"

#include "core/errortext.h"
#include "core/log.h"
#include "devices/capturethread.h"
#include "devices/v4l2query.h"
#include "vazURIdav.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

extern "C" {
#include <libavutil/time.h>
}

namespace zd
{

namespace
{

constexpr unsigned kBufferCount = 4;
constexpr int kPollMs = 200;
constexpr int kBackOffMs = 20;

int64_t bufferTime(const v4l2_buffer& buf)
{
    const int64_t now = av_gettime_relative();
    if ((buf.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
        return now;
    const int64_t t = int64_t(buf.timestamp.tv_sec) * 1000000 + buf.timestamp.tv_usec;
    // A driver clock that is far off is not trusted.
    return (t > now || now - t > 1000000) ? now : t;
}

} // namespace

V4l2Capture::V4l2Capture(int fd, std::string name, const V4l2PixelFormat& format,
                         const V4l2FrameLayout& layout)
    : m_fd(fd), m_name(std::move(name)), m_pictures(format, layout)
{
    m_stopFd = makeStopFd();
}

V4l2Capture::~V4l2Capture()
{
    stop();
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

int V4l2Capture::prepare()
{
    if (m_fd < 0 || m_stopFd < 0)
        return ZD_OPEN_PREVIEW_FAILED;
    if (!m_pictures.open()) {
        Log::write(8, "vazURIdav: %s: pictures of its format cannot be made.", m_name.c_str());
        return ZD_OPEN_PREVIEW_FAILED;
    }
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (V4l2FdQuery::xioctl(m_fd, VIDIOC_REQBUFS, &req) < 0 || req.count < 2) {
        Log::write(8, "vazURIdav: %s: no capture buffers (%s).", m_name.c_str(),
                   std::strerror(errno));
        return ZD_OPEN_PREVIEW_FAILED;
    }
    for (unsigned i = 0; i < req.count && i < 32; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (V4l2FdQuery::xioctl(m_fd, VIDIOC_QUERYBUF, &buf) < 0)
            return ZD_OPEN_PREVIEW_FAILED;
        void* p =
            ::mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, buf.m.offset);
        if (p == MAP_FAILED)
            return ZD_OPEN_PREVIEW_FAILED;
        m_buffers.push_back({p, buf.length});
        if (V4l2FdQuery::xioctl(m_fd, VIDIOC_QBUF, &buf) < 0)
            return ZD_OPEN_PREVIEW_FAILED;
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (V4l2FdQuery::xioctl(m_fd, VIDIOC_STREAMON, &type) < 0) {
        Log::write(8, "vazURIdav: %s: streaming refused (%s).", m_name.c_str(),
                   std::strerror(errno));
        return ZD_OPEN_PREVIEW_FAILED;
    }
    m_streaming = true;
    return 1;
}

void V4l2Capture::start(FrameReceiver& receiver)
{
    if (!m_streaming || m_thread.joinable())
        return;
    if (!startCaptureThread(m_thread, m_running, [this, &receiver] { run(&receiver); }))
        Log::write(8, "vazURIdav: %s: the capture thread did not start.", m_name.c_str());
}

void V4l2Capture::stop()
{
    stopCaptureThread(m_thread, m_running, m_stopFd);
    releaseBuffers();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void V4l2Capture::releaseBuffers()
{
    if (m_streaming) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        V4l2FdQuery::xioctl(m_fd, VIDIOC_STREAMOFF, &type);
        m_streaming = false;
    }
    for (const Buffer& b : m_buffers)
        ::munmap(b.start, b.length);
    m_buffers.clear();
    if (m_fd >= 0) {
        v4l2_requestbuffers req{};
        req.count = 0;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        V4l2FdQuery::xioctl(m_fd, VIDIOC_REQBUFS, &req);
    }
}

void V4l2Capture::run(FrameReceiver* receiver)
{
    int64_t lastPicture = av_gettime_relative();
    bool toldNoPicture = false;
    int decodeFailures = 0;
    bool toldDecoder = false;
    bool backOff = false;
    while (m_running) {
        if (!toldNoPicture && av_gettime_relative() - lastPicture > kNoPictureSeconds * 1000000LL) {
            Log::write(8, "vazURIdav: %s delivers no picture.", m_name.c_str());
            receiver->captureFailed(kErrorNoPicture);
            toldNoPicture = true;
        }
        // After a failed dequeue the device is not asked again at once, so a
        // driver stuck in an error state cannot make this thread spin.
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        const int n = backOff ? ::poll(fds + 1, 1, kBackOffMs) : ::poll(fds, 2, kPollMs);
        if (!m_running || (n > 0 && (fds[1].revents & POLLIN)))
            break;
        if (n < 0 && errno != EINTR) {
            receiver->captureFailed(kErrorNoPicture);
            break;
        }
        if (!backOff && (n <= 0 || !(fds[0].revents & (POLLIN | POLLERR | POLLHUP))))
            continue;
        backOff = false;
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        if (V4l2FdQuery::xioctl(m_fd, VIDIOC_DQBUF, &buf) < 0) {
            if (errno == EAGAIN || errno == EIO) {
                backOff = true;
                continue;
            }
            if (errno == ENODEV) {
                Log::write(2, "vazURIdav: %s was removed.", m_name.c_str());
                receiver->captureFailed(kErrorDeviceRemoved);
            } else {
                Log::write(8, "vazURIdav: %s: capture stopped (%s).", m_name.c_str(),
                           std::strerror(errno));
                receiver->captureFailed(kErrorNoPicture);
            }
            break;
        }
        if (buf.index < m_buffers.size() && !(buf.flags & V4L2_BUF_FLAG_ERROR)) {
            const Buffer& b = m_buffers[buf.index];
            const size_t used = std::min<size_t>(buf.bytesused, b.length);
            const int r = m_pictures.deliver(static_cast<const uint8_t*>(b.start), used,
                                             bufferTime(buf), *receiver);
            if (r > 0) {
                lastPicture = av_gettime_relative();
                decodeFailures = 0;
            } else if (r < 0 && ++decodeFailures >= kMaxDecodeFailures && !toldDecoder) {
                Log::write(8, "vazURIdav: %s: pictures cannot be decoded.", m_name.c_str());
                receiver->captureFailed(kErrorDecoder);
                toldDecoder = true;
            }
        }
        if (V4l2FdQuery::xioctl(m_fd, VIDIOC_QBUF, &buf) < 0 && errno == ENODEV) {
            receiver->captureFailed(kErrorDeviceRemoved);
            break;
        }
    }
}

} // namespace zd
