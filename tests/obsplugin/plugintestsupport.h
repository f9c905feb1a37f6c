// What the plug-in's tests share: a request folder of their own, the plug-in's
// log lines, and sinks that keep what the reading threads output.
#pragma once

#include "zdwaitfor.h"

#include "obs-vnc-source-thread.h"
#include "obs_common.h"
#include "obs_plug_audio_thread.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace obstest
{

// The plug-in's log lines, kept for the test to read.
inline std::mutex& logMutex()
{
    static std::mutex m;
    return m;
}
inline QStringList& logLines()
{
    static QStringList lines;
    return lines;
}
inline void keepLog(int, const char* format, va_list args)
{
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    std::lock_guard<std::mutex> lock(logMutex());
    logLines().append(QString::fromUtf8(line).trimmed());
}
inline QStringList logged()
{
    std::lock_guard<std::mutex> lock(logMutex());
    return logLines();
}
inline void clearLog()
{
    std::lock_guard<std::mutex> lock(logMutex());
    logLines().clear();
}

// A request folder and a server semaphore of the test's own, the log kept,
// and a writer whose reader went does not end the test.
inline QString enterRequestFolder()
{
    static QTemporaryDir folder;
    qputenv("ZD_REQUEST_DIR", folder.path().toUtf8());
    // The server's semaphore of this test's own: a capture server of the
    // machine keeps its own.
    qputenv(ZD_INSTANCE_TAG_ENV, "t" + QByteArray::number(qint64(getpid())));
    veltranobox::SetLogHook(keepLog);
    std::signal(SIGPIPE, SIG_IGN);
    return folder.path();
}

using zdtest::waitFor;

// The server's semaphore as the plug-in in this process names it.
inline std::string serverSemaphore()
{
    return zdrelay::serverSemaphoreName();
}

struct VideoShot {
    uint32_t width, height;
    uint64_t timestampNs;
    uint8_t firstBlue, firstGreen, firstRed, firstX;
};

class KeepVideo : public veltranobox::VideoSink
{
public:
    void outputVideo(const uint8_t* p, uint32_t width, uint32_t height, uint64_t ts) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shots.push_back({width, height, ts, p[0], p[1], p[2], p[3]});
    }
    std::vector<VideoShot> shots()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_shots;
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_shots.size();
    }

private:
    std::mutex m_mutex;
    std::vector<VideoShot> m_shots;
};

struct AudioShot {
    uint32_t frames;
    uint64_t timestampNs;
    int16_t first;
};

class KeepAudio : public veltranobox::AudioSink
{
public:
    void outputAudio(const uint8_t* s, uint32_t frames, uint64_t ts) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shots.push_back({frames, ts, int16_t(s[0] | s[1] << 8)});
    }
    std::vector<AudioShot> shots()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_shots;
    }

private:
    std::mutex m_mutex;
    std::vector<AudioShot> m_shots;
};

} // namespace obstest
