// A TLS terminator in front of a loopback server, as rtmps:// ingests are
// run: Debian's stunnel4 takes TLS connections on a free loopback port with
// the certificate it is given and relays the plain bytes to the target
// port. Started in the foreground with a configuration in the test's folder
// and stopped by its PID.
#pragma once

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include "zdloopbackport.h"
#include "zdloopbackserver.h"

namespace zdtest
{

class TlsTerminator
{
public:
    static QString program()
    {
        for (const char* name : {"stunnel4", "stunnel"}) {
            const QString path = QStandardPaths::findExecutable(name, {"/usr/bin", "/usr/sbin"});
            if (!path.isEmpty())
                return path;
        }
        return {};
    }
    static bool available() { return !program().isEmpty(); }

    // certificate and key: PEM files; false when it does not listen in time.
    bool start(const QString& folder, int targetPort, const QString& certificate,
               const QString& key)
    {
        QDir().mkpath(folder);
        m_port = freeLoopbackPort();
        const QString conf = folder + "/stunnel.conf";
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QStringLiteral("foreground = quiet\n"
                               "pid =\n"
                               "debug = 4\n"
                               "output = %1/stunnel.log\n"
                               "[rtmps]\n"
                               "accept = 127.0.0.1:%2\n"
                               "connect = 127.0.0.1:%3\n"
                               "cert = %4\n"
                               "key = %5\n")
                    .arg(folder)
                    .arg(m_port)
                    .arg(targetPort)
                    .arg(certificate, key)
                    .toUtf8());
        f.close();
        return m_server.start(program(), {conf}, m_port);
    }

    int port() const { return m_port; }

    void stop() { m_server.stop(); }

private:
    LoopbackServer m_server;
    int m_port = 0;
};

} // namespace zdtest
