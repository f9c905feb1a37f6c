// Certificates for the TLS tests, made by the openssl program in the test's
// own folder: a certificate authority of the test's own, and server
// certificates it signs for a name or loopback address. Small elliptic-curve
// keys, so that making them takes milliseconds.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace zdtest
{

class TestCertificates
{
public:
    static bool available() { return !QStandardPaths::findExecutable("openssl").isEmpty(); }

    // A new authority in folder/<name>.pem and its key beside it.
    static bool makeAuthority(const QString& folder, const QString& name)
    {
        return openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-keyout", folder + "/" + name + ".key", "-out",
                        folder + "/" + name + ".pem", "-days", "2", "-subj", "/CN=" + name,
                        "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                        "keyUsage=critical,keyCertSign,cRLSign"});
    }

    // A server certificate folder/<name>.pem with key folder/<name>.key,
    // signed by the authority, for subjectAltName (as "IP:127.0.0.1" or
    // "DNS:host").
    static bool makeServer(const QString& folder, const QString& name, const QString& authority,
                           const QString& subjectAltName)
    {
        const QString base = folder + "/" + name;
        QFile ext(base + ".ext");
        if (!ext.open(QIODevice::WriteOnly))
            return false;
        ext.write(("basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=" +
                   subjectAltName + "\n")
                      .toUtf8());
        ext.close();
        const QString ca = folder + "/" + authority;
        return openssl({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-keyout", base + ".key", "-out", base + ".csr", "-subj",
                        "/CN=" + name}) &&
               openssl({"x509", "-req", "-in", base + ".csr", "-CA", ca + ".pem", "-CAkey",
                        ca + ".key", "-CAcreateserial", "-out", base + ".pem", "-days", "2",
                        "-extfile", base + ".ext"});
    }

private:
    static bool openssl(const QStringList& arguments)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStandardPaths::findExecutable("openssl"), arguments);
        const bool made =
            p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        // openssl chats on success; its words matter only when it failed.
        if (!made)
            qWarning("openssl %s: %s", qPrintable(arguments.value(0)), p.readAll().constData());
        return made;
    }
};

} // namespace zdtest
