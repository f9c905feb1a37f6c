// What the engine says about the machine (processor, memory, language), its
// error texts, and the call trace of the test controls.
#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <QFile>

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

    void cpuSincePreviousCallAndMemory()
    {
        const QString root = QDir::homePath() + "/proc";
        QDir().mkpath(root);
        writeFile(root + "/stat", "cpu  100 0 100 800 0 0 0 0 0 0\ncpu0 1 2 3 4\n");
        writeFile(root + "/meminfo",
                  "MemTotal:       1000 kB\nMemFree:  10 kB\nMemAvailable:    250 kB\n");
        ZDT_SetProcRoot(root.toUtf8().constData());
        double cpu = -1, mem = -1;
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, &mem), 1);
        QCOMPARE(cpu, 20.0); // since boot at the first call
        QCOMPARE(mem, 0.75);
        // 800 more ticks, 600 of them idle or waiting.
        writeFile(root + "/stat", "cpu  200 0 200 1300 100 0 0 0 0 0\n");
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, nullptr), 1);
        QCOMPARE(cpu, 25.0);
        // No tick since: nothing busy.
        QCOMPARE(ZD_GetCpuUsageAndMemory(&cpu, nullptr), 1);
        QCOMPARE(cpu, 0.0);
        // Older kernels: no MemAvailable.
        writeFile(root + "/meminfo",
                  "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 100 kB\nCached: 200 kB\n");
        QCOMPARE(ZD_GetCpuUsageAndMemory(nullptr, &mem), 1);
        QCOMPARE(mem, 0.6);
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
};

ZD_TEST_MAIN(TstEngineSystem, QCoreApplication)
#include "tst_enginesystem.moc"
