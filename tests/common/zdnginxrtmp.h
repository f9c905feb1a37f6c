// A real RTMP server for the live tests: nginx with Debian's RTMP module,
// started in the foreground on a free loopback port with a configuration the
// test writes into its own folder, and stopped (or killed) by its PID.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include "zdloopbackport.h"
#include "zdnginxconf.h"

#include <csignal>
#include <unistd.h>

namespace zdtest
{

class NginxRtmp
{
public:
    static bool available()
    {
        return !QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"}).isEmpty() &&
               QFile::exists(kNginxRtmpModule);
    }

    ~NginxRtmp() { stop(); }

    // Starts the server in folder (made when missing), on port or on a free
    // one; false when it does not listen within the time. A server stopped
    // or killed starts again on its port with start(folder, port()).
    bool start(const QString& folder, int port = 0)
    {
        QDir().mkpath(folder);
        m_port = port > 0 ? port : freeLoopbackPort();
        const QString conf = folder + "/nginx.conf";
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QByteArray::fromStdString(nginxRtmpConfig(folder.toStdString(), m_port)));
        f.close();
        const QString nginx = QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"});
        m_process.setProgram(nginx);
        m_process.setArguments({"-p", folder, "-e", folder + "/error.log", "-c", conf});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return false;
        for (int i = 0; i < 1500; ++i) {
            if (loopbackAccepts(m_port))
                return true;
            if (m_process.state() != QProcess::Running)
                return false;
            QThread::msleep(10);
        }
        return false;
    }

    int port() const { return m_port; }
    QString url(const QString& stream) const
    {
        return QStringLiteral("rtmp://127.0.0.1:%1/live/%2").arg(m_port).arg(stream);
    }

    // The server dies at once, as a crashed or unplugged one would.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        m_process.waitForFinished(10000);
    }

    // The server stops reading, as one behind a congested link does.
    void pause() { signal(SIGSTOP); }
    void resume() { signal(SIGCONT); }

    void stop()
    {
        resume();
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(10000))
            kill();
    }

private:
    void signal(int sig)
    {
        if (m_process.state() != QProcess::NotRunning)
            ::kill(static_cast<pid_t>(m_process.processId()), sig);
    }

    QProcess m_process;
    int m_port = 0;
};

} // namespace zdtest
