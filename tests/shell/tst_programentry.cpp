#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "zdtestmain.h"

// Runs the real program on an empty data folder and ends it the way a
// session manager or a terminal does.
class TestProgramEntry : public QObject
{
    Q_OBJECT

    // Starts the program offscreen with its data below share.
    static void start(QProcess& program, const QString& home, const QString& share)
    {
        QDir().mkpath(share);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home);
        env.insert("XDG_DATA_HOME", share);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setProgram(QStringLiteral(ZD_TEST_BIN_DIR) + "/ZDHelper");
        program.start();
        QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    }

private slots:
    void signalEndsTheProgramCleanly_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void signalEndsTheProgramCleanly()
    {
        QFETCH(int, signal);
        QTemporaryDir home;
        const QString share = home.path() + "/share";
        const QString data = share + "/Veltrano Helper";
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        start(program, home.path(), share);
        // The schedule stores are the last files start-up writes.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "/CacheData/LiveRecTimer.dat"), 30000);
        QTest::qWait(200);
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        QSettings ini(data + "/setting.ini", QSettings::IniFormat);
        // The 49 settings; the record panel adds the device it opened when
        // the signal came after the opening, which is a matter of timing.
        QStringList keys = ini.allKeys();
        keys.removeAll("Record/default-video-device-name");
        keys.removeAll("Record/default-video-device-path");
        QCOMPARE(keys.size(), 49);
        QVERIFY(QFile::exists(data + "/files.dat"));
        QCOMPARE(QFileInfo(data + "/rtmpserver").size(), 4);
        QCOMPARE(QFileInfo(data + "/CacheData/RecordTimer.dat").size(), 4);
        QCOMPARE(QFileInfo(data + "/CacheData/LiveRecTimer.dat").size(), 4);
        QFile log(data + "/Log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
        QVERIFY(lines.last().endsWith("******************EXIT************************"));
    }

    void signalDuringStartUpStillEndsCleanly()
    {
        QTemporaryDir home;
        const QString share = home.path() + "/share";
        QProcess program;
        start(program, home.path(), share);
        // As soon as the data folder appears, start-up is under way.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(share + "/Veltrano Helper"), 30000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(share + "/Veltrano Helper/files.dat"));
    }

    // The program's first second needs none of the media, web and archive
    // libraries, whose loading took most of its start-up: they are not in the
    // process once the window is up and the record panel has opened its
    // device; they come with their first use.
    void firstSecondLoadsNoMediaLibraries()
    {
        QTemporaryDir home;
        const QString share = home.path() + "/share";
        QProcess program;
        start(program, home.path(), share);
        const QString data = share + "/Veltrano Helper";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "/CacheData/LiveRecTimer.dat"), 30000);
        // The window follows at once, and the panel opens its device 300 ms
        // later; a longer wait only gives the libraries more time to come.
        QTest::qWait(1500);
        QFile maps(QString("/proc/%1/maps").arg(program.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        // Read while the program runs: /proc files are read in one go.
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libvazURIdav.so"));
        for (const char* library :
             {"libavcodec.so", "libavformat.so", "libavfilter.so", "libcurl.so", "libarchive.so"})
            QVERIFY2(!mapped.contains(library), library);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
    }
};

ZD_TEST_MAIN(TestProgramEntry, QCoreApplication)
#include "tst_programentry.moc"
