// A real RTMP server for the live tests: nginx with Debian's RTMP module,
// started in the foreground on a free loopback port with a configuration the
// test writes into its own folder, and stopped (or killed) by its PID.
#pragma once

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include "zdloopbackport.h"
#include "zdloopbackserver.h"
#include "zdnginxconf.h"

#include <csignal>

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
        return m_server.start(nginx, {"-p", folder, "-e", folder + "/error.log", "-c", conf},
                              m_port);
    }

    int port() const { return m_port; }
    QString url(const QString& stream) const
    {
        return QStringLiteral("rtmp://127.0.0.1:%1/live/%2").arg(m_port).arg(stream);
    }

    // The server dies at once, as a crashed or unplugged one would.
    void kill() { m_server.kill(); }

    // The server stops reading, as one behind a congested link does.
    void pause() { m_server.signal(SIGSTOP); }
    void resume() { m_server.signal(SIGCONT); }

    void stop() { m_server.stop(); }

private:
    LoopbackServer m_server;
    int m_port = 0;
};

} // namespace zdtest
