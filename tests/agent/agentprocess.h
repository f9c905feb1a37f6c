// Starting the agent and the capture server for tests: a copy of the agent
// in a folder of its own beside a stand-in or the real server, a temporary
// request folder, and posts of the semaphores the way requesters make them.
#pragma once

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

namespace agenttest
{

using zdtest::waitFor;

// Posts the named semaphore once; false when it does not exist.
inline bool post(const char* name)
{
    sem_t* s = sem_open(name, 0);
    if (s == SEM_FAILED)
        return false;
    const bool ok = sem_post(s) == 0;
    sem_close(s);
    return ok;
}

inline bool semaphoreExists(const char* name)
{
    sem_t* s = sem_open(name, 0);
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

// Written whole, then renamed into place, as a careful requester does.
inline void writeRequest(const QString& path, const QByteArray& bytes)
{
    QFile f(path + ".new");
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
    f.close();
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
