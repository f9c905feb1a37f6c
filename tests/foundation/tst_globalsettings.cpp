#include <QDir>
#include <QFile>
#include <QSettings>
#include <QThread>
#include <QtEndian>
#include <QtTest>
#include <atomic>

#include "cpublic.h"
#include "globalsettings.h"
#include "liveserveraddresshelper.h"
#include "qmyfileshelper.h"
#include "qmyfilterhelper.h"
#include "qmytimerhelper.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "zdloopbackport.h"
#include "zdtestmain.h"

namespace
{

QString dataPath(const QString& name)
{
    return CPublic::GetAppDatePath() + "/" + name;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray serverRecord(const QByteArray& name, const QByteArray& address)
{
    QByteArray r(4097, '\0');
    memcpy(r.data(), name.constData(), name.size());
    memcpy(r.data() + 1024, address.constData(), address.size());
    r[4096] = 1;
    return r;
}

QString lastLogLine()
{
    const QList<QByteArray> lines = readFile(dataPath("Log.txt")).trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromUtf8(lines.last());
}

} // namespace

class TestGlobalSettings : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QDir data(CPublic::GetAppDatePath());
        data.removeRecursively();
        QDir().mkpath(data.path());
    }

    void freshStartAndShutDownWriteEveryStore()
    {
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
        QVERIFY(g_pIni);
        QVERIFY(g_Global.pRecordTimers && g_Global.pLiveTimers && g_Global.pFilterStore &&
                g_Global.pFilesCatalog && g_Global.pServerList);
        QCOMPARE(g_Global.pRecordTimers->name, QString("RecordTimer"));
        QCOMPARE(g_Global.pLiveTimers->name, QString("LiveRecTimer"));
        QCOMPARE(g_Global.dudRunning, 0);
        QCOMPARE(readFile(dataPath("CacheData/RecordTimer.dat")), QByteArray(4, '\0'));
        QCOMPARE(readFile(dataPath("CacheData/LiveRecTimer.dat")), QByteArray(4, '\0'));

        ReleaseGlobalSettings();
        QVERIFY(!g_pIni);
        QVERIFY(!g_Global.hCore);
        QVERIFY(!g_Global.pRecordTimers && !g_Global.pLiveTimers && !g_Global.pFilterStore &&
                !g_Global.pFilesCatalog && !g_Global.pServerList);
        QCOMPARE(AfxGetProfileInt("RECORD", "width", 5), 5);

        QSettings ini(dataPath("setting.ini"), QSettings::IniFormat);
        QCOMPARE(ini.allKeys().size(), 49);
        QCOMPARE(ini.value("DUD/server-port").toInt(), 9875);
        QVERIFY(QFileInfo::exists(dataPath("files.dat")));
        QCOMPARE(readFile(dataPath("files.dat")).size(), 0);
        QCOMPARE(readFile(dataPath("rtmpserver")), QByteArray("\xF5\xFF\xFF\xFF", 4));
        QVERIFY(QFileInfo(dataPath("Thumbs")).isDir());
        QCOMPARE(lastLogLine().right(46),
                 QString("******************EXIT************************"));
    }

    void storesKeepTheUsersLists()
    {
        QDir().mkpath(dataPath("CacheData"));
        const QByteArray servers =
            QByteArray("\xF5\xFF\xFF\xFF", 4) + serverRecord("Home", "rtmp://127.0.0.1/live");
        writeFile(dataPath("rtmpserver"), servers);
        const QString clip = dataPath("clip.mp4");
        writeFile(clip, "x");
        QByteArray entry(464, '\0');
        memcpy(entry.data() + 192, clip.toUtf8().constData(), clip.toUtf8().size());
        writeFile(dataPath("files.dat"), entry);
        QByteArray schedule(4 + 264, '\0');
        qToLittleEndian<qint32>(1, schedule.data());
        qToLittleEndian<qint32>(1, schedule.data() + 4);
        memcpy(schedule.data() + 8, "Mine", 4);
        writeFile(dataPath("CacheData/RecordTimer.dat"), schedule);

        InitGlobalSettings();
        QCOMPARE(g_Global.pServerList->servers.size(), 1);
        QCOMPARE(g_Global.pFilesCatalog->files.size(), 1);
        QCOMPARE(g_Global.pRecordTimers->schedules.size(), 1);
        QCOMPARE(g_Global.pRecordTimers->schedules.first()->name, QString("Mine"));
        ReleaseGlobalSettings();

        QCOMPARE(readFile(dataPath("rtmpserver")), servers);
        QCOMPARE(readFile(dataPath("files.dat")), entry);
        QCOMPARE(readFile(dataPath("CacheData/RecordTimer.dat")), schedule);
    }

    void damagedListsSurviveARun()
    {
        QDir().mkpath(dataPath("CacheData"));
        const QByteArray damaged("\x01\x02\x03\x04garbage", 11);
        writeFile(dataPath("rtmpserver"), damaged);
        writeFile(dataPath("CacheData/LiveRecTimer.dat"), QByteArray("\x05\x00\x00\x00", 4));
        InitGlobalSettings();
        QCOMPARE(g_Global.pServerList->servers.size(), 0);
        ReleaseGlobalSettings();
        QCOMPARE(readFile(dataPath("rtmpserver")), damaged);
        QCOMPARE(readFile(dataPath("CacheData/LiveRecTimer.dat")),
                 QByteArray("\x05\x00\x00\x00", 4));
    }

    // The news thread reads one profile value while the program may be
    // closing; the read must see the settings object or none, never a freed
    // one.
    void profileReadsDuringShutDownAreSafe()
    {
        InitGlobalSettings();
        AfxWriteProfileInt("POPUPAD", "42", 1);
        std::atomic<bool> stop{false};
        std::atomic<int> reads{0};
        QThread* reader = QThread::create([&] {
            while (!stop) {
                const int v = AfxGetProfileInt("POPUPAD", "42", 0);
                if (v != 0 && v != 1)
                    qFatal("profile read gave %d", v);
                ++reads;
            }
        });
        reader->start();
        QTRY_VERIFY(reads > 100);
        ReleaseGlobalSettings();
        const int after = reads;
        QTRY_VERIFY(reads > after + 100);
        QCOMPARE(AfxGetProfileInt("POPUPAD", "42", 7), 7);
        stop = true;
        QVERIFY(reader->wait(5000));
        delete reader;
    }

    void sharePortDecidesDudRunning_data()
    {
        QTest::addColumn<bool>("taken");
        QTest::newRow("taken port") << true;
        QTest::newRow("free port") << false;
    }

    void sharePortDecidesDudRunning()
    {
        QFETCH(bool, taken);
        zdtest::LoopbackListener holder;
        QVERIFY(holder.port > 0);
        if (!taken)
            holder.release();
        {
            QSettings ini(dataPath("setting.ini"), QSettings::IniFormat);
            ini.setValue("DUD/enable-server", 1);
            ini.setValue("DUD/server-port", holder.port);
        }
        InitGlobalSettings();
        QCOMPARE(g_Global.dudRunning, taken ? 0 : 1);
        int running = -1;
        QVERIFY(ZD_IsDUDRunning(g_Global.hCore, &running) > 0);
        QCOMPARE(running, taken ? 0 : 1);
        ReleaseGlobalSettings();
        QCOMPARE(lastLogLine().right(46),
                 QString("******************EXIT************************"));
        g_Global.dudRunning = 0;
    }
};

ZD_TEST_MAIN(TestGlobalSettings, QApplication)
#include "tst_globalsettings.moc"
