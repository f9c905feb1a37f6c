// A capture server for the plug-in's tests, inside the test process: it
// creates the server's semaphore, keeps every request the sources send, and
// hands the test the writing end of each pipe it is asked for, so that the
// test writes whatever frames, lies and silences it wants.
#pragma once

#include "relayrequest.h"
#include "zdrelayprotocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <semaphore.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace obstest
{

class FakeRelay
{
public:
    explicit FakeRelay(std::string folder) : m_folder(std::move(folder)) {}
    ~FakeRelay() { stop(); }

    bool start()
    {
        sem_unlink(zdrelay::serverSemaphoreName().c_str());
        m_semaphore = sem_open(zdrelay::serverSemaphoreName().c_str(), O_CREAT | O_EXCL, 0600, 0);
        if (m_semaphore == SEM_FAILED)
            return false;
        m_running = true;
        m_thread = std::thread([this] { run(); });
        return true;
    }

    // The semaphore goes at once, as when the server ends; the pipes made stay
    // until the relay object goes.
    void stop()
    {
        m_running = false;
        if (m_thread.joinable())
            m_thread.join();
        if (m_semaphore != SEM_FAILED) {
            sem_close(m_semaphore);
            sem_unlink(zdrelay::serverSemaphoreName().c_str());
            m_semaphore = SEM_FAILED;
        }
        for (int fd : m_writers)
            ::close(fd);
        m_writers.clear();
        for (const std::string& pipe : m_pipes)
            ::unlink(pipe.c_str());
        m_pipes.clear();
    }

    std::vector<zdrelay::RequestRecord> requests()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

    // Waits up to timeoutMs for the next start request of that kind and
    // leaves it unanswered: the source gets no pipe.
    bool ignoreStream(int32_t kind, int timeoutMs = 15000)
    {
        zdrelay::RequestRecord start = {};
        return takeStart(kind, timeoutMs, start);
    }

    // Waits up to timeoutMs for the next start request of that kind, makes
    // its pipe, and returns the writing end once the source has opened the
    // reading one (writes block), or -1.
    int acceptStream(int32_t kind, int timeoutMs = 15000, std::string* pipeName = nullptr)
    {
        zdrelay::RequestRecord start = {};
        if (!takeStart(kind, timeoutMs, start))
            return -1;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 15000) {
            const std::string path = std::string(zdrelay::kPipePathPrefix) + start.pipeName;
            ::unlink(path.c_str());
            if (mkfifo(path.c_str(), 0600) != 0)
                return -1;
            m_pipes.push_back(path);
            // A source that found no pipe in time gives up and asks again
            // under a new name: a loaded machine can be that slow, so the
            // newest request is the one to answer.
            while (t.elapsed() < 15000) {
                const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
                    m_writers.push_back(fd);
                    if (pipeName)
                        *pipeName = start.pipeName;
                    return fd;
                }
                if (takeStart(kind, 0, start))
                    break;
                QThread::msleep(10);
            }
        }
        return -1;
    }

    // Waits up to timeoutMs for the next start request of that kind and
    // hands its pipe path to plant, which puts there whatever another user
    // would: the server itself makes no pipe.
    bool plantForStream(int32_t kind, const std::function<void(const std::string&)>& plant,
                        int timeoutMs = 15000)
    {
        zdrelay::RequestRecord start = {};
        if (!takeStart(kind, timeoutMs, start))
            return false;
        plant(std::string(zdrelay::kPipePathPrefix) + start.pipeName);
        return true;
    }

    // Closes a writing end early: the source sees its stream end.
    void closeStream(int fd)
    {
        for (size_t i = 0; i < m_writers.size(); ++i) {
            if (m_writers[i] == fd) {
                ::close(fd);
                m_writers.erase(m_writers.begin() + long(i));
                return;
            }
        }
    }

private:
    bool takeStart(int32_t kind, int timeoutMs, zdrelay::RequestRecord& start)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
            for (size_t i = m_taken; i < m_requests.size(); ++i) {
                if (m_requests[i].command == zdrelay::kCommandStart && m_requests[i].kind == kind) {
                    start = m_requests[i];
                    m_taken = i + 1;
                    return true;
                }
            }
            return false;
        });
    }

    void run()
    {
        while (m_running) {
            timespec until = {};
            clock_gettime(CLOCK_REALTIME, &until);
            until.tv_nsec += 50 * 1000000;
            if (until.tv_nsec >= 1000000000) {
                until.tv_sec += 1;
                until.tv_nsec -= 1000000000;
            }
            if (sem_timedwait(m_semaphore, &until) != 0)
                continue;
            for (const char* name :
                 {zdrelay::kVideoSourceRequestFile, zdrelay::kAudioSourceRequestFile}) {
                zdrelay::RequestRecord r = {};
                uid_t owner = 0;
                std::string why;
                if (readRequestFile(m_folder + "/" + name, r, owner, why) != RequestFile::Read)
                    continue;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_requests.push_back(r);
                }
                m_arrived.notify_all();
            }
        }
    }

    const std::string m_folder;
    sem_t* m_semaphore = SEM_FAILED;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<zdrelay::RequestRecord> m_requests;
    size_t m_taken = 0;
    std::vector<int> m_writers;
    std::vector<std::string> m_pipes;
};

// Writes a header and its payload; false when the reader went.
inline bool writeFrame(int fd, uint32_t payloadBytes, uint32_t width, uint32_t height,
                       const QByteArray& payload)
{
    zdrelay::FrameHeader h = {};
    h.payloadBytes = payloadBytes;
    h.width = width;
    h.height = height;
    QByteArray bytes(reinterpret_cast<const char*>(&h), sizeof h);
    bytes += payload;
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// A picture of one colour (BGRX).
inline QByteArray picture(uint32_t width, uint32_t height, uint8_t blue, uint8_t green, uint8_t red)
{
    QByteArray pixels(int(width * height * 4), '\0');
    for (int i = 0; i < pixels.size(); i += 4) {
        pixels[i] = char(blue);
        pixels[i + 1] = char(green);
        pixels[i + 2] = char(red);
    }
    return pixels;
}

} // namespace obstest
