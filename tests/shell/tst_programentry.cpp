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
        QDir().mkpath(share);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", share);
        env.insert("QT_QPA_PLATFORM", "offscreen");

        QProcess program;
        program.setProcessEnvironment(env);
        program.setProgram(QStringLiteral(ZD_TEST_BIN_DIR) + "/ZDHelper");
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start();
        QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
        // The schedule stores are the last files start-up writes.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "/CacheData/LiveRecTimer.dat"), 30000);
        QTest::qWait(200);
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        QSettings ini(data + "/setting.ini", QSettings::IniFormat);
        QCOMPARE(ini.allKeys().size(), 49);
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
        QDir().mkpath(share);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", share);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProgram(QStringLiteral(ZD_TEST_BIN_DIR) + "/ZDHelper");
        program.start();
        QVERIFY(program.waitForStarted(10000));
        // As soon as the data folder appears, start-up is under way.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(share + "/Veltrano Helper"), 30000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(share + "/Veltrano Helper/files.dat"));
    }
};

ZD_TEST_MAIN(TestProgramEntry, QCoreApplication)
#include "tst_programentry.moc"
