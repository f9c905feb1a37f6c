// What another local user can do, for the tests of the programs that run as
// root or read what others leave in shared places: the probe runs as nobody
// through setpriv, with nobody's own group only. Only root can switch users;
// a test without root skips with the reason otherUser() gives.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

namespace zdtest
{

struct OtherUser {
    uid_t uid = 0;
    gid_t gid = 0;
};

// nobody, when the test runs as root; else false and why.
inline bool otherUser(OtherUser& user, QString& why)
{
    if (geteuid() != 0) {
        why = "acting as another user needs root";
        return false;
    }
    if (QStandardPaths::findExecutable("setpriv").isEmpty()) {
        why = "setpriv (util-linux) is not installed";
        return false;
    }
    const passwd* pw = getpwnam("nobody");
    if (!pw) {
        why = "there is no user nobody";
        return false;
    }
    user.uid = pw->pw_uid;
    user.gid = pw->pw_gid;
    return true;
}

// Starts program as the user (for one that keeps running; the process's id
// is the program's, setpriv becomes it).
inline void startAs(QProcess& process, const OtherUser& user, const QString& program,
                    const QStringList& args)
{
    process.start("setpriv", QStringList{"--reuid=" + QString::number(user.uid),
                                         "--regid=" + QString::number(user.gid), "--clear-groups",
                                         "--", program} +
                                 args);
}

// Runs program as the user to its end: its exit code, -1 when it did not
// end normally within 15 s. output gets standard output and error.
inline int runAs(const OtherUser& user, const QString& program, const QStringList& args,
                 QByteArray* output = nullptr,
                 const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    startAs(p, user, program, args);
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished(5000);
        return -1;
    }
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace zdtest
