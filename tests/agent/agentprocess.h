// Starting the agent and the capture server for tests: a copy of the agent
// in a folder of its own beside a stand-in or the real server, a temporary
// request folder, and posts of the semaphores the way requesters make them.
#pragma once

#include "zdrequestfolder.h"
#include "zdwaitfor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <semaphore.h>
#include <sys/stat.h>

namespace agenttest
{

using zdtest::waitFor;

// Semaphores and agents of this test process's own, so that the tests run
// beside an agent and a server of the machine: every program the test starts
// inherits the tag.
inline void useOwnNames()
{
    qputenv(ZD_INSTANCE_TAG_ENV, "t" + QByteArray::number(qint64(getpid())));
}

// A semaphore's name as this process's programs use it.
inline QByteArray ipcName(const char* base)
{
    char name[128];
    return zd_ipc_name(base, name, sizeof name);
}

// The owner of a named semaphore; -1 when it does not exist.
inline qint64 semaphoreOwner(const QByteArray& name)
{
    char path[256];
    zd_semaphore_path(name.constData(), path, sizeof path);
    struct stat st = {};
    return ::stat(path, &st) == 0 ? qint64(st.st_uid) : -1;
}

// Posts the named semaphore once; false when it does not exist.
inline bool post(const QByteArray& name)
{
    sem_t* s = sem_open(name.constData(), 0);
    if (s == SEM_FAILED)
        return false;
    const bool ok = sem_post(s) == 0;
    sem_close(s);
    return ok;
}

inline bool semaphoreExists(const QByteArray& name)
{
    sem_t* s = sem_open(name.constData(), 0);
    if (s == SEM_FAILED)
        return false;
    sem_close(s);
    return true;
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Written whole, then renamed into place, as a careful requester does; only
// its owner may write it.
inline void writeRequest(const QString& path, const QByteArray& bytes)
{
    QFile f(path + ".new");
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
    f.close();
    QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                             QFile::ReadOther));
    QVERIFY(QFile::rename(path + ".new", path) ||
            (QFile::remove(path) && QFile::rename(path + ".new", path)));
}

inline QProcessEnvironment environmentWith(const QString& requestFolder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZD_REQUEST_DIR", requestFolder);
    return env;
}

} // namespace agenttest
