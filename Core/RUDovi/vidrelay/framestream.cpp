#include "framestream.h"

#include "relaylog.h"
#include "vazURIdav.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kTapWaitMs = 200;
// A 640 x 360 picture; larger ones take a few rounds.
constexpr int kVideoPipeBytes = 1024 * 1024;
// Sound goes out in pieces of up to a tenth of a second.
constexpr int64_t kAudioBytesPerSecond = zdrelay::kAudioBytesPerSecond;
constexpr int kAudioPieceBytes = zdrelay::kAudioBytesPerSecond / 10;

} // namespace

FrameStream::FrameStream(void* engine, RelayLog& log, const std::string& pipeName, int32_t kind,
                         uid_t requester)
    : m_engine(engine), m_log(log), m_pipeName(pipeName),
      m_path(std::string(zdrelay::kPipePathPrefix) + pipeName), m_kind(kind), m_requester(requester)
{
}

FrameStream::~FrameStream()
{
    stop();
}

bool FrameStream::start()
{
    // /tmp is everyone's: whatever is at the path already belongs to somebody
    // else, maybe a file of another user or a pipe planted to catch the
    // pictures. It is neither removed nor used; the request goes unserved.
    if (::mkfifo(m_path.c_str(), 0600) != 0) {
        m_log.line(errno == EEXIST ? "the pipe path %s is taken: %s"
                                   : "cannot make the pipe %s: %s",
                   m_path.c_str(), std::strerror(errno));
        return false;
    }
    struct stat st = {};
    if (::lstat(m_path.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) {
        m_log.line("the pipe %s went at once", m_path.c_str());
        return false;
    }
    m_device = st.st_dev;
    m_inode = st.st_ino;
    // The pipe belongs to whoever asked: nobody else may read the pictures.
    if (::geteuid() == 0 && m_requester != 0 &&
        ::fchownat(AT_FDCWD, m_path.c_str(), m_requester, static_cast<gid_t>(-1),
                   AT_SYMLINK_NOFOLLOW) != 0) {
        m_log.line("cannot give the pipe %s to user %u: %s", m_path.c_str(),
                   static_cast<unsigned>(m_requester), std::strerror(errno));
        removePipe();
        return false;
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

bool FrameStream::stillOurs(const struct stat& st) const
{
    return S_ISFIFO(st.st_mode) && st.st_dev == m_device && st.st_ino == m_inode;
}

void FrameStream::removePipe()
{
    // The requester owns the pipe and may have put something else there.
    struct stat st = {};
    if (::lstat(m_path.c_str(), &st) == 0 && stillOurs(st))
        ::unlink(m_path.c_str());
}

bool FrameStream::readerGone(int waitMs) const
{
    // A pipe's writing end reports an error once no reader holds it.
    pollfd p = {m_fd, 0, 0};
    return ::poll(&p, 1, waitMs) == 1 && (p.revents & (POLLERR | POLLHUP)) != 0;
}

void FrameStream::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool FrameStream::openForReader()
{
    // Opened without blocking: the reader may never come.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
    while (!m_stop) {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (m_fd >= 0)
            break;
        if (errno != ENXIO && errno != EINTR) {
            m_log.line("cannot open the pipe %s: %s", m_path.c_str(), std::strerror(errno));
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_log.line("nobody opened the pipe %s", m_path.c_str());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    struct stat st = {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || !stillOurs(st)) {
        if (m_fd >= 0)
            m_log.line("the pipe %s was replaced", m_path.c_str());
        return false;
    }
    // A picture is stamped when it is out of the pipe: room for a whole one
    // lets the reader take it in one go, instead of waiting on this thread
    // at every 64 KiB, which on a busy machine made pictures late against
    // their sound. The system's limit for a pipe is as much as there is.
    if (m_kind == zdrelay::kKindVideo)
        ::fcntl(m_fd, F_SETPIPE_SZ, kVideoPipeBytes);
    return true;
}

void FrameStream::run()
{
    if (openForReader()) {
        m_log.line("%s stream on %s", m_kind == zdrelay::kKindVideo ? "video" : "audio",
                   m_pipeName.c_str());
        if (m_kind == zdrelay::kKindVideo)
            serveVideo();
        else
            serveAudio();
        // The end of the stream, when the reader still listens.
        const zdrelay::FrameHeader end = {};
        if (m_stop)
            send(end, nullptr);
        m_log.line("stream on %s ended", m_pipeName.c_str());
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    removePipe();
    m_finished = true;
}

void FrameStream::serveVideo()
{
    std::vector<uint8_t> pixels(1280 * 720 * 4);
    uint64_t serial = 0;
    bool toldTooLarge = false;
    while (!m_stop) {
        // The newest picture goes once the reader has taken the last: a
        // picture queued behind another would reach OBS, which stamps it
        // when it is read, a picture's time late.
        if (!waitUntilTaken("frames"))
            return;
        int width = 0, height = 0;
        const int n = ZD_TapVideoFrame(m_engine, pixels.data(), static_cast<int>(pixels.size()),
                                       &width, &height, &serial, kTapWaitMs);
        const bool fits = zdrelay::withinLargestPicture(uint32_t(std::max(width, 0)),
                                                        uint32_t(std::max(height, 0)));
        if (n < 0 && fits) {
            pixels.resize(size_t(width) * size_t(height) * 4);
            continue;
        }
        if (n < 0 && width > 0 && height > 0 && !toldTooLarge) {
            // A source would take the header for a broken stream.
            m_log.line("pictures of %dx%d are larger than %ux%u: none sent", width, height,
                       zdrelay::kLargestPicture.width, zdrelay::kLargestPicture.height);
            toldTooLarge = true;
        }
        if (n <= 0 || !fits) {
            // A device that sends nothing must not keep the streams of
            // readers that have gone. A picture too large comes back at once
            // from the tap: the wait is here then.
            if (readerGone(fits ? 0 : kTapWaitMs))
                return;
            continue;
        }
        zdrelay::FrameHeader header = {};
        header.payloadBytes = static_cast<uint32_t>(n);
        header.width = static_cast<uint32_t>(width);
        header.height = static_cast<uint32_t>(height);
        if (!send(header, pixels.data()))
            return;
    }
}

void FrameStream::serveAudio()
{
    std::vector<uint8_t> samples(kAudioPieceBytes);
    int64_t position = -1;
    int64_t skipBytes = 0;
    if (!sendSilentStart(samples, position, skipBytes))
        return;
    while (!m_stop) {
        const int n = ZD_TapAudio(m_engine, samples.data(), static_cast<int>(samples.size()),
                                  &position, kTapWaitMs);
        if (n <= 0) {
            if (readerGone(0))
                return;
            continue;
        }
        const int cut = static_cast<int>(std::min<int64_t>(skipBytes, n));
        skipBytes -= cut;
        if (cut == n)
            continue;
        zdrelay::FrameHeader header = {};
        header.payloadBytes = static_cast<uint32_t>(n - cut);
        if (!send(header, samples.data() + cut))
            return;
    }
}

bool FrameStream::sendSilentStart(std::vector<uint8_t>& scratch, int64_t& position,
                                  int64_t& skipBytes)
{
    // OBS places the first sound a source hands it at the moment it is handed
    // over, and all later sound after it by its place in the stream. The
    // source reads its pipe only a while after opening it, so sound written
    // before then would wait in the pipe and play that much late for the
    // whole stream. The stream begins with one silent sample frame instead;
    // sound follows from where the engine's sound stood when the reader took
    // it, less what had been captured since the newest sound came in.
    const uint8_t silence[4] = {};
    zdrelay::FrameHeader header = {};
    header.payloadBytes = sizeof silence;
    if (!send(header, silence))
        return false;
    auto arrived = Clock::now();
    // The sound that comes in meanwhile is followed, not sent: it was
    // captured before the moment the stream's sound begins.
    const bool taken = waitUntilTaken("sound", [&] {
        if (ZD_TapAudio(m_engine, scratch.data(), static_cast<int>(scratch.size()), &position, 0) >
            0)
            arrived = Clock::now();
    });
    if (!taken)
        return false;
    const int64_t sinceUs =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - arrived).count();
    skipBytes = std::clamp<int64_t>(sinceUs * kAudioBytesPerSecond / 1000000, 0, kAudioPieceBytes);
    skipBytes -= skipBytes % 4;
    return true;
}

int FrameStream::unread() const
{
    int waiting = 0;
    return ::ioctl(m_fd, FIONREAD, &waiting) == 0 ? waiting : -1;
}

bool FrameStream::waitUntilTaken(const char* what, const std::function<void()>& eachPass)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStallTimeoutMs);
    for (;;) {
        if (eachPass)
            eachPass();
        const int waiting = unread();
        if (waiting == 0)
            return true;
        // A reader that went leaves its unread bytes counted: without this
        // the stream would wait out the whole stall time for it.
        if (waiting > 0 && readerGone(0))
            return false;
        if (waiting < 0 || m_stop || Clock::now() > deadline) {
            if (waiting > 0 && !m_stop)
                m_log.line("%s takes no %s", m_pipeName.c_str(), what);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool FrameStream::send(const zdrelay::FrameHeader& header, const uint8_t* payload)
{
    return writeAll(reinterpret_cast<const uint8_t*>(&header), sizeof header) &&
           (header.payloadBytes == 0 || writeAll(payload, header.payloadBytes));
}

bool FrameStream::writeAll(const uint8_t* data, size_t size)
{
    auto lastProgress = std::chrono::steady_clock::now();
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            lastProgress = std::chrono::steady_clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            if (errno != EPIPE)
                m_log.line("writing to %s failed: %s", m_pipeName.c_str(), std::strerror(errno));
            return false; // the reader went
        }
        // A full pipe: wait for the reader, but not for ever, and only briefly
        // once the stream is asked to stop.
        const auto limit = std::chrono::milliseconds(m_stop ? 1000 : kStallTimeoutMs);
        if (std::chrono::steady_clock::now() - lastProgress > limit) {
            m_log.line("%s takes no frames", m_pipeName.c_str());
            return false;
        }
        pollfd p = {m_fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
        if (p.revents & (POLLERR | POLLHUP))
            return false;
    }
    return true;
}
