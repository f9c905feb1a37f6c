// A server program the tests start themselves in the foreground: ready once
// it accepts connections on its loopback port, stopped (or killed) by its
// PID. nginx-rtmp and the TLS terminator in front of it are run this way.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include "zdloopbackport.h"

#include <csignal>
#include <unistd.h>

namespace zdtest
{

class LoopbackServer
{
public:
    ~LoopbackServer() { stop(); }

    // False when the program does not start, or exits or does not listen on
    // port within the time.
    bool start(const QString& program, const QStringList& arguments, int port)
    {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return false;
        for (int i = 0; i < 1500; ++i) {
            if (loopbackAccepts(port))
                return true;
            if (m_process.state() != QProcess::Running)
                return false;
            QThread::msleep(10);
        }
        return false;
    }

    void signal(int sig)
    {
        if (m_process.state() != QProcess::NotRunning)
            ::kill(static_cast<pid_t>(m_process.processId()), sig);
    }

    // The server dies at once, as a crashed or unplugged one would.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        signal(SIGKILL);
        m_process.waitForFinished(10000);
    }

    void stop()
    {
        signal(SIGCONT);
        if (m_process.state() == QProcess::NotRunning)
            return;
        signal(SIGTERM);
        if (!m_process.waitForFinished(10000))
            kill();
    }

private:
    QProcess m_process;
};

} // namespace zdtest
