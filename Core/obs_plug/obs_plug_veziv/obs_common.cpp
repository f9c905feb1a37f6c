#include "obs_common.h"

#include "zdrequestfolder.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <semaphore.h>
#include <sys/stat.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace veltranobox
{

namespace
{

std::atomic<LogHook> g_hook{nullptr};
// A foreign semaphore is reported once, not at every 10 ms poll.
std::atomic<bool> g_foreignSemaphoreLogged{false};

constexpr uint32_t kReadPieceBytes = 2048;
constexpr int kPollSliceMs = 100;
constexpr int kConnectTries = 10;
constexpr int kTryPauseMs = 100;

// The server's semaphore, when it exists and root or this user made it:
// anyone may create a semaphore of that name, and one of another user would
// have this source send requests and wait for pipes at that user's word.
sem_t* openServerSemaphore()
{
    const std::string name = zdrelay::serverSemaphoreName();
    char path[256];
    zd_semaphore_path(name.c_str(), path, sizeof path);
    const int fd = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        g_foreignSemaphoreLogged = false;
        return SEM_FAILED;
    }
    struct stat st = {};
    const char* why = "not a semaphore";
    const bool trusted =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && zd_trusted_owner_and_mode(&st, &why);
    close(fd);
    if (!trusted) {
        if (!g_foreignSemaphoreLogged.exchange(true))
            PlugLog(kLogError, "[Veltrano Box] semaphore %s refused: %s", name.c_str(), why);
        return SEM_FAILED;
    }
    g_foreignSemaphoreLogged = false;
    return sem_open(name.c_str(), O_RDWR);
}

} // namespace

void SetLogHook(LogHook hook)
{
    g_hook = hook;
}

void PlugLog(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    if (LogHook hook = g_hook.load()) {
        hook(level, format, args);
    } else {
        std::vfprintf(stderr, format, args);
        std::fputc('\n', stderr);
    }
    va_end(args);
}

uint64_t MonotonicNs()
{
    timespec ts = {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

std::string MakePipeName()
{
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    return std::string(zdrelay::kPipeNamePrefix) +
           std::to_string(static_cast<long long>(us % 100000));
}

std::string RequestFilePath(int32_t kind)
{
    return std::string(zd_request_folder()) + "/" +
           (kind == zdrelay::kKindVideo ? zdrelay::kVideoSourceRequestFile
                                        : zdrelay::kAudioSourceRequestFile);
}

bool ServerRunning()
{
    sem_t* s = openServerSemaphore();
    if (s == SEM_FAILED)
        return false;
    sem_close(s);
    return true;
}

void send_server_cmd(const std::string& pipeName, int32_t command, int32_t kind)
{
    zdrelay::RequestRecord record = {};
    std::strncpy(record.pipeName, pipeName.c_str(), sizeof record.pipeName - 1);
    record.command = command;
    record.kind = kind;

    const std::string path = RequestFilePath(kind);
    std::string temp = path + ".XXXXXX";
    bool written = false;
    const int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd >= 0) {
        // The server, maybe another user, reads it through the folder's
        // group; only this user writes it, so that what it asks stays this
        // user's word.
        written = fchmod(fd, 0640) == 0 &&
                  write(fd, &record, sizeof record) == static_cast<ssize_t>(sizeof record);
        written = close(fd) == 0 && written;
        written = written && rename(temp.c_str(), path.c_str()) == 0;
        if (!written)
            unlink(temp.c_str());
    }
    if (!written)
        PlugLog(kLogError, "write file %s failed.", path.c_str());

    sem_t* s = openServerSemaphore();
    if (s != SEM_FAILED) {
        sem_post(s);
        sem_close(s);
    }
}

int OpenPipeFile(const std::string& name, bool* refused)
{
    if (refused)
        *refused = false;
    const std::string path = zdrelay::kPipePathPrefix + name;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat st = {};
    const char* why = nullptr;
    if (fd >= 0 && fstat(fd, &st) == 0) {
        // /tmp is everyone's: only a pipe that the server gave this user (or
        // root's), that nobody else may open, carries the server's frames.
        if (!S_ISFIFO(st.st_mode))
            why = "not a pipe";
        else if (st.st_uid != geteuid() && st.st_uid != 0)
            why = "owned by another user";
        else if (st.st_mode & 077)
            why = "open to other users";
        else
            return fd;
    }
    const int error = fd >= 0 ? EPERM : errno;
    if (fd >= 0)
        close(fd);
    if (why || error == ELOOP) {
        if (refused)
            *refused = true;
        PlugLog(kLogError, "pipe %s refused: %s", path.c_str(), why ? why : "a link");
    }
    PlugLog(kLogError, "open pipe failed. %s error=%d\n", path.c_str(), error);
    errno = error;
    std::perror("open pipe");
    return -1;
}

int ConnectToServer(std::string& pipeName, int32_t kind, const std::atomic<bool>& running)
{
    pipeName = MakePipeName();
    send_server_cmd(pipeName, zdrelay::kCommandStart, kind);
    for (int attempt = 0; attempt < kConnectTries && running; ++attempt) {
        bool refused = false;
        const int fd = OpenPipeFile(pipeName, &refused);
        // What another user put there stays there: no server pipe will come.
        if (refused)
            return -1;
        SleepWhileRunning(kTryPauseMs, running);
        if (fd >= 0)
            return fd;
    }
    return -1;
}

uint32_t ReadPipe(int fd, void* buffer, uint32_t count, const std::atomic<bool>& running,
                  int silenceMs)
{
    if (fd <= 0)
        return 0;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    int silentMs = 0;
    bool failed = false;
    while (done < count && running) {
        // Read only what poll says is there: before the server has opened its
        // end, a read would see the end of the stream.
        pollfd p = {fd, POLLIN, 0};
        const int ready = poll(&p, 1, kPollSliceMs);
        if (ready < 0 && errno != EINTR) {
            failed = true;
            break;
        }
        if (ready <= 0) {
            silentMs += kPollSliceMs;
            if (silentMs >= silenceMs)
                break;
            continue;
        }
        const uint32_t piece = count - done < kReadPieceBytes ? count - done : kReadPieceBytes;
        const ssize_t n = read(fd, out + done, piece);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0) {
            failed = true;
            PlugLog(kLogError, "pipe read failed. errno=%d", n < 0 ? errno : 0);
            break;
        }
        done += static_cast<uint32_t>(n);
        silentMs = 0;
    }
    if (done < count && running) {
        if (!failed)
            PlugLog(kLogError, "pipe read failed. errno=%d", ETIMEDOUT);
        PlugLog(kLogError, "pipe read error. want=%u,but=%u", count, done);
    }
    return done;
}

void SleepWhileRunning(int ms, const std::atomic<bool>& running)
{
    for (int slept = 0; slept < ms && running; slept += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms - slept < 10 ? ms - slept : 10));
}

uint64_t AudioTimestampNs(uint64_t bytesBefore)
{
    // Whole seconds and the rest apart: the count times 10^9 would overflow
    // 64 bits after about 26.7 hours of sound; split, it never does.
    constexpr uint64_t perSecond = zdrelay::kAudioBytesPerSecond;
    return bytesBefore / perSecond * 1000000000ull +
           bytesBefore % perSecond * 1000000000ull / perSecond;
}

} // namespace veltranobox
