// What the engine says about the machine (processor, memory, language), its
// error texts, and the call trace of the test controls.
#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <atomic>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace
{

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

} // namespace

class TstEngineSystem : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ZDT_SetProcRoot(nullptr); }

    // The figures are this process's share of the machine, not the
    // machine's own use: a busy machine with an idle program shows little.
    void processShareSincePreviousCall()
    {
        const QString root = QDir::homePath() + "/proc";
        QDir().mkpath(root + "/self");
        const long hz = sysconf(_SC_CLK_TCK);
        // Four processors; the program started at tick 1000 after boot and
        // has used 300 ticks; the machine has been up for 1000 / hz + 50 s.
        auto selfStat = [&](int user, int system) {
            writeFile(root + "/self/stat",
                      QString("4242 (zd (odd) name) S 1 2 3 4 5 6 7 8 9 10 %1 %2 0 0 20 0 9 0 "
                              "1000 123456 789 18446744073709551615\n")
                          .arg(user)
                          .arg(system)
                          .toUtf8());
        };
        selfStat(200, 100);
        writeFile(root + "/uptime", QString("%1.00 100.00\n").arg(1000 / hz + 50).toUtf8());
        writeFile(root + "/stat", "cpu  100000 0 100000 800000 0 0 0 0 0 0\ncpu0 1 2 3 4\n"
                                  "cpu1 1 2 3 4\ncpu2 1 2 3 4\ncpu3 1 2 3 4\nintr 1 2 3\n");
        writeFile(root + "/meminfo", "MemTotal:       1000 kB\nMemFree:  10 kB\n"
                                     "MemAvailable:    250 kB\n");
        writeFile(root + "/self/status", "Name:\tzd\nVmPeak:\t  900 kB\nVmRSS:\t  125 kB\n");
        ZDT_SetProcRoot(root.toUtf8().constData());
        double cpu = -1, mem = -1;
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, &mem), 1);
        // 300 ticks over 50 s of four processors, whatever the machine did.
        QCOMPARE(cpu, 100.0 * 300 / (50.0 * hz * 4));
        QCOMPARE(mem, 0.125);
        // 800 more machine ticks, 40 of them the program's.
        selfStat(230, 110);
        writeFile(root + "/stat", "cpu  100200 0 100200 800400 0 0 0 0 0 0\n");
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, nullptr), 1);
        QCOMPARE(cpu, 5.0);
        // No tick of the program since, however busy the machine.
        writeFile(root + "/stat", "cpu  100900 0 100900 800500 0 0 0 0 0 0\n");
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, nullptr), 1);
        QCOMPARE(cpu, 0.0);
        // No resident line: no figure rather than a made-up one.
        writeFile(root + "/self/status", "Name:\tzd\n");
        QCOMPARE(ZD_GetCpuUsageAndMemory(nullptr, &mem), 0);
    }

    void unreadableFiguresFail()
    {
        ZDT_SetProcRoot((QDir::homePath() + "/no-proc").toUtf8().constData());
        double cpu = 0, mem = 0;
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, &mem), 0);
        QCOMPARE(ZD_GetCpuUsageAndMemory(nullptr, nullptr), 0);
    }

    void realFiguresAreInRange()
    {
        double cpu = -1, mem = -1;
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, &mem), 1);
        QVERIFY(cpu >= 0.0 && cpu <= 100.0);
        QVERIFY(mem > 0.0 && mem <= 1.0);
    }

    // The real figures follow this process: a thread that keeps one
    // processor busy shows up, however the rest of the machine is loaded,
    // and the memory share is the program's resident size.
    void realFiguresAreThisProcesses()
    {
        double cpu = -1, mem = -1;
        ZD_GetCpuUsageAndMemory(&cpu, &mem); // starts the interval
        std::atomic<bool> stop{false};
        std::thread busy([&] {
            volatile unsigned long long n = 0;
            while (!stop)
                n = n + 1;
        });
        QElapsedTimer spent;
        spent.start();
        struct rusage before;
        getrusage(RUSAGE_SELF, &before);
        // Long enough for a few hundred ticks of the busy thread, even when
        // other programs hold most processors.
        QTest::qWait(1500);
        stop = true;
        busy.join();
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, &mem), 1);
        struct rusage after;
        getrusage(RUSAGE_SELF, &after);
        auto seconds = [](const struct rusage& u) {
            return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
                   u.ru_stime.tv_usec / 1e6;
        };
        const double used = seconds(after) - seconds(before);
        const long processors = sysconf(_SC_NPROCESSORS_ONLN);
        // What the process used, as a share of every processor over the time
        // spent, within generous bounds for tick rounding.
        const double expected = 100.0 * used / (spent.elapsed() / 1000.0 * processors);
        QVERIFY2(cpu > expected * 0.5 && cpu < expected * 2.0 + 1.0,
                 qPrintable(QString("reported %1 %, used %2 s on %3 processors (%4 %)")
                                .arg(cpu)
                                .arg(used)
                                .arg(processors)
                                .arg(expected)));
        auto kilobytes = [](const QString& file, const QByteArray& key) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly))
                return 0.0;
            const QByteArray text = f.readAll();
            const qsizetype at = text.indexOf(key);
            return at < 0 ? 0.0 : text.mid(at + key.size()).trimmed().split(' ').first().toDouble();
        };
        const double share =
            kilobytes("/proc/self/status", "VmRSS:") / kilobytes("/proc/meminfo", "MemTotal:");
        QVERIFY(share > 0.0);
        QVERIFY2(mem > share * 0.5 && mem < share * 2.0,
                 qPrintable(QString("reported %1, resident share %2").arg(mem).arg(share)));
    }

    void language_data()
    {
        QTest::addColumn<QByteArray>("lcAll");
        QTest::addColumn<QByteArray>("lcMessages");
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QByteArray>("word");
        QTest::newRow("chinese") << QByteArray() << QByteArray() << QByteArray("zh_CN.UTF-8")
                                 << QByteArray("chinese");
        QTest::newRow("taiwan") << QByteArray() << QByteArray() << QByteArray("zh_TW")
                                << QByteArray("chinese");
        QTest::newRow("english") << QByteArray() << QByteArray() << QByteArray("en_GB.UTF-8")
                                 << QByteArray("english");
        QTest::newRow("C") << QByteArray() << QByteArray() << QByteArray("C")
                           << QByteArray("english");
        QTest::newRow("POSIX") << QByteArray() << QByteArray() << QByteArray("POSIX")
                               << QByteArray("english");
        QTest::newRow("nothing set")
            << QByteArray() << QByteArray() << QByteArray() << QByteArray("english");
        QTest::newRow("german") << QByteArray() << QByteArray() << QByteArray("de_DE.UTF-8")
                                << QByteArray("german");
        QTest::newRow("japanese") << QByteArray() << QByteArray() << QByteArray("ja_JP.UTF-8")
                                  << QByteArray("japanese");
        QTest::newRow("unknown") << QByteArray() << QByteArray() << QByteArray("xx_YY")
                                 << QByteArray("english");
        QTest::newRow("LC_ALL first") << QByteArray("zh_CN.UTF-8") << QByteArray("fr_FR")
                                      << QByteArray("en_US") << QByteArray("chinese");
        QTest::newRow("LC_MESSAGES next")
            << QByteArray() << QByteArray("fr_FR") << QByteArray("zh_CN") << QByteArray("french");
    }
    void language()
    {
        QFETCH(QByteArray, lcAll);
        QFETCH(QByteArray, lcMessages);
        QFETCH(QByteArray, lang);
        QFETCH(QByteArray, word);
        const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
        const QByteArray values[] = {lcAll, lcMessages, lang};
        QByteArray saved[3];
        for (int i = 0; i < 3; ++i) {
            saved[i] = qgetenv(names[i]);
            if (values[i].isEmpty())
                qunsetenv(names[i]);
            else
                qputenv(names[i], values[i]);
        }
        char buffer[ZD_LOCALE_BUFFER_BYTES];
        const int r = ZD_GetCurrentLocaLang(buffer, sizeof buffer);
        // A word that does not fit is not cut into another.
        char small[4] = "abc";
        const int rs = ZD_GetCurrentLocaLang(small, sizeof small);
        for (int i = 0; i < 3; ++i) {
            if (saved[i].isNull())
                qunsetenv(names[i]);
            else
                qputenv(names[i], saved[i]);
        }
        QCOMPARE(r, 1);
        QCOMPARE(QByteArray(buffer), word);
        QCOMPARE(rs, 0);
        QCOMPARE(small[0], '\0');
    }

    void errorTexts()
    {
        for (int code = 1; code <= 8; ++code) {
            const char* text = ZD_GetUERRString(code);
            QVERIFY(text && text[0]);
        }
        QVERIFY(!ZD_GetUERRString(0));
        QVERIFY(!ZD_GetUERRString(-5));
        QVERIFY(!ZD_GetUERRString(1000));
    }

    void localString()
    {
        QCOMPARE(ZD_SetLocalString(23, "\xe4\xb8\xad\xe6\x96\x87"), 1);
        QCOMPARE(ZD_SetLocalString(23, nullptr), 0);
    }

    // Statistics are traced and go nowhere; the trace keeps one line per call.
    void traceLines()
    {
        ZDT_ClearTrace();
        GA_TrackClick("setup");
        GA_TrackLogging("opendev", "Cam\nwith break");
        ZD_HideWindowTitleBar(0, 1, 1, 1);
        const QString trace = engineTrace();
        QCOMPARE(trace, QString("GA_TrackClick(key=setup)\n"
                                "GA_TrackLogging(key=opendev,value=Cam with break)\n"
                                "ZD_HideWindowTitleBar(1,1,1)\n"));
        char small[10];
        QCOMPARE(ZDT_ReadTrace(small, sizeof small), trace.size());
        QCOMPARE(QByteArray(small), QByteArray("GA_TrackC"));
        ZDT_ClearTrace();
        QCOMPARE(ZDT_ReadTrace(nullptr, 0), 0);
    }

    // The trace is a test control: off, calls leave no line.
    void traceOffKeepsNothing()
    {
        ZDT_ClearTrace();
        ZDT_EnableTrace(0);
        GA_TrackClick("setup");
        ZD_HideWindowTitleBar(0, 1, 1, 1);
        ZDT_EnableTrace(1);
        GA_TrackClick("about");
        QCOMPARE(engineTrace(), QString("GA_TrackClick(key=about)\n"));
    }

    // A program that never asks for the trace keeps none; reading it turns
    // it on.
    void programKeepsNoTrace()
    {
        QProcess helper;
        helper.start(QStringLiteral(ZD_TEST_BIN_DIR "/engine_tracedefault"), {});
        QVERIFY(helper.waitForFinished(60000));
        QCOMPARE(helper.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(helper.readAllStandardOutput()),
                 QString("0\nGA_TrackClick(key=after)\n"));
    }

    // Scripted results are off until a test scripts one, and then only for
    // the call named.
    void scriptsOnlyWhenAsked()
    {
        ZDT_ClearScript(nullptr);
        QVERIFY(ZD_GetUERRString(1) != nullptr);
        int open = -1;
        QCOMPARE(ZD_CheckState(nullptr, &open, nullptr, nullptr, nullptr, nullptr), 0);
        ZDT_ScriptResult("ZD_CheckState", 7);
        QCOMPARE(ZD_CheckState(nullptr, &open, nullptr, nullptr, nullptr, nullptr), 7);
        QVERIFY(ZD_GetUERRString(1) != nullptr);
        ZDT_ClearScript(nullptr);
        QCOMPARE(ZD_CheckState(nullptr, &open, nullptr, nullptr, nullptr, nullptr), 0);
    }
};

ZD_TEST_MAIN(TstEngineSystem, QCoreApplication)
#include "tst_enginesystem.moc"
