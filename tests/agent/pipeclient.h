// The reading end of a capture server's pipe for tests: the request written
// and the server's semaphore posted as a source does, the pipe opened and
// read with time limits, so that a silent server fails a test instead of
// hanging it.
#pragma once

#include "agentprocess.h"
#include "zdrelayprotocol.h"

#include <QElapsedTimer>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace agenttest
{

inline QByteArray requestBytes(const QByteArray& pipeName, int32_t command, int32_t kind)
{
    zdrelay::RequestRecord r = {};
    std::memcpy(r.pipeName, pipeName.constData(),
                std::min<size_t>(size_t(pipeName.size()), sizeof r.pipeName));
    r.command = command;
    r.kind = kind;
    return QByteArray(reinterpret_cast<const char*>(&r), sizeof r);
}

// Writes the request file of a source of that kind and posts the semaphore.
inline bool sendRequest(const QString& folder, const QByteArray& pipeName, int32_t command,
                        int32_t kind)
{
    const QString file = folder + "/" +
                         (kind == zdrelay::kKindVideo ? zdrelay::kVideoSourceRequestFile
                                                      : zdrelay::kAudioSourceRequestFile);
    writeRequest(file, requestBytes(pipeName, command, kind));
    return post(QByteArray::fromStdString(zdrelay::serverSemaphoreName()));
}

class PipeClient
{
public:
    ~PipeClient() { close(); }

    bool open(const QByteArray& pipeName, int timeoutMs = 15000)
    {
        path = zdrelay::kPipePathPrefix + pipeName;
        return waitFor(
            [&] {
                fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                return fd >= 0;
            },
            timeoutMs);
    }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    // Exactly n bytes, or fewer when the writer went or the time ran out.
    QByteArray read(int n, int timeoutMs = 15000)
    {
        QByteArray out;
        QElapsedTimer t;
        t.start();
        while (out.size() < n && t.elapsed() < timeoutMs) {
            pollfd p = {fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buffer[65536];
            const ssize_t got =
                ::read(fd, buffer, std::min<qsizetype>(sizeof buffer, n - out.size()));
            if (got > 0)
                out.append(buffer, int(got));
            else if (got == 0 || (errno != EAGAIN && errno != EINTR))
                break;
        }
        return out;
    }

    // The next header; false when none came whole.
    bool header(zdrelay::FrameHeader& h, int timeoutMs = 15000)
    {
        const QByteArray bytes = read(int(sizeof h), timeoutMs);
        if (bytes.size() != int(sizeof h))
            return false;
        std::memcpy(&h, bytes.constData(), sizeof h);
        return true;
    }

    QByteArray path;
    int fd = -1;
};

} // namespace agenttest
