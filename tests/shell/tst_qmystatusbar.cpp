// The status bar: its state from the forwarded messages, the once-a-second
// texts, and the slow-preview warning colour.
#include "zdtestmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>

#include "globalsettings.h"
#include "myevent.h"
#include "qmystatusbar.h"
#include "shelltestsupport.h"
#include "stdafx.h"

#include <unistd.h>

using namespace shelltest;

namespace
{
const QString kGrey = QStringLiteral("QLabel{color:rgba(200,200,200,150); }");
const QString kYellow = QStringLiteral("QLabel{color:rgba(255,255,0,150); }");

void deliver(QMyStatusBar& bar, unsigned long msg, long wParam, long long lParam = 0)
{
    SendMessage(&bar, msg, wParam, lParam, nullptr);
}
} // namespace

class TestQMyStatusBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
    }

    void cleanupTestCase()
    {
        ZDT_SetProcRoot(nullptr);
        ReleaseGlobalSettings();
    }

    void init()
    {
        ZDT_ClearScript(nullptr);
        ZDT_ClearTrace();
        g_Global.noDevicePicture = 0;
        g_Global.devWidth = 1920;
        g_Global.devHeight = 1080;
        g_Global.devFps = 30;
        g_Global.recWidth = g_Global.recHeight = g_Global.recFps = 0;
        g_Global.liveRunning = false;
    }

    void cleanup() { ZDT_ClearScript(nullptr); }

    void states()
    {
        QMyStatusBar bar;
        bar.timer_normal();
        QCOMPARE(bar.recordLabel()->text(), QString("Ready"));
        deliver(bar, MSG_DEVICE_OPENED, 5, 0);
        QCOMPARE(bar.state(), 0);
        deliver(bar, MSG_DEVICE_OPENED, 0);
        QCOMPARE(bar.state(), 1);
        bar.timer_normal();
        QCOMPARE(bar.recordLabel()->text(), QString("Rec: Stoped"));
        // The recording shows from its first clock tick, not from its start.
        deliver(bar, MSG_RECORD_STATE, 0);
        QCOMPARE(bar.state(), 1);
        deliver(bar, MSG_RECORD_STATE, 2, 1);
        QCOMPARE(bar.state(), 2);
        bar.timer_normal();
        QCOMPARE(bar.recordLabel()->text(), QString("Rec:1920x1080@30fps"));
        g_Global.recWidth = 1280;
        g_Global.recHeight = 720;
        bar.timer_normal();
        QCOMPARE(bar.recordLabel()->text(), QString("Rec:1280x720@30fps"));
        deliver(bar, MSG_RECORD_STATE, 1);
        QCOMPARE(bar.state(), 1);
        deliver(bar, MSG_DEVICE_CLOSED, 3);
        QCOMPARE(bar.state(), 1);
        deliver(bar, MSG_DEVICE_CLOSED, 0);
        QCOMPARE(bar.state(), 0);
        deliver(bar, MSG_DEVICE_OPENED, 0);
        deliver(bar, MSG_DEVICE_LOST, 0);
        QCOMPARE(bar.state(), 0);
    }

    void previewAndLiveTexts()
    {
        QMyStatusBar bar;
        bar.show();
        ZDT_ScriptResult("ZD_GetFrameDataFps", 30);
        deliver(bar, MSG_DEVICE_OPENED, 0);
        bar.timer_normal();
        QCOMPARE(bar.previewLabel()->text(), QString("Pre: 1920x1080@30fps"));
        g_Global.devWidth = 0;
        bar.timer_normal();
        QCOMPARE(bar.previewLabel()->text(), QString("Pre: ready"));

        QCOMPARE(bar.liveLabel()->text(), QString("Live: stoped"));
        g_Global.liveRunning = true;
        g_Global.liveWidth = 1280;
        g_Global.liveHeight = 720;
        g_Global.liveFps = 25;
        bar.timer_normal();
        QCOMPARE(bar.liveLabel()->text(), QString("Live: 1280x720@25fps"));
        // Shown only in the live interface.
        deliver(bar, MSG_MODE_SWITCHED, 0);
        QVERIFY(!bar.liveLabel()->isVisible());
        deliver(bar, MSG_MODE_SWITCHED, 1);
        QVERIFY(bar.liveLabel()->isVisible());
    }

    void previewEndsWithItsDevice_data()
    {
        QTest::addColumn<quint64>("msg");
        QTest::newRow("device closed") << quint64(MSG_DEVICE_CLOSED);
        QTest::newRow("device lost") << quint64(MSG_DEVICE_LOST);
    }

    // The size of a device that has gone stays in the settings record (the
    // live panel closes the record panel's device); the bar shows it only
    // while the preview runs.
    void previewEndsWithItsDevice()
    {
        QFETCH(quint64, msg);
        QMyStatusBar bar;
        bar.timer_normal();
        QCOMPARE(bar.previewLabel()->text(), QString("Pre: ready"));
        g_Global.devWidth = 1280;
        g_Global.devHeight = 720;
        g_Global.devFps = 25;
        deliver(bar, MSG_DEVICE_OPENED, 0);
        bar.timer_normal();
        QCOMPARE(bar.previewLabel()->text(), QString("Pre: 1280x720@25fps"));
        deliver(bar, msg, 0);
        bar.timer_normal();
        QCOMPARE(bar.previewLabel()->text(), QString("Pre: ready"));
        QCOMPARE(bar.recordLabel()->text(), QString("Ready"));
    }

    void slowPreview_data()
    {
        QTest::addColumn<int>("measured");
        QTest::addColumn<int>("noDevicePicture");
        QTest::addColumn<int>("yellowFrom");
        QTest::newRow("29 on a 30 fps device") << 29 << 0 << 11;
        QTest::newRow("30 on a 30 fps device") << 30 << 0 << 0;
        QTest::newRow("nothing measured") << 0 << 0 << 0;
        QTest::newRow("no-device picture shown") << 29 << 1 << 0;
    }

    // Yellow in the eleventh slow second in a row, grey again at the first
    // second that is not slow.
    void slowPreview()
    {
        QFETCH(int, measured);
        QFETCH(int, noDevicePicture);
        QFETCH(int, yellowFrom);
        g_Global.noDevicePicture = noDevicePicture;
        ZDT_ScriptResult("ZD_GetFrameDataFps", measured);
        QMyStatusBar bar;
        for (int second = 1; second <= 14; ++second) {
            bar.timer_normal();
            const bool yellow = yellowFrom > 0 && second >= yellowFrom;
            QCOMPARE(bar.previewLabel()->styleSheet() == kYellow, yellow);
        }
        // With the no-device picture the engine is not asked at all.
        QCOMPARE(traceLines("ZD_GetFrameDataFps").isEmpty(), noDevicePicture != 0);
        ZDT_ScriptResult("ZD_GetFrameDataFps", 30);
        bar.timer_normal();
        QCOMPARE(bar.previewLabel()->styleSheet(), kGrey);
        QCOMPARE(bar.slowPreviewSeconds(), 0);
    }

    void oneFastSecondStartsTheCountAgain()
    {
        ZDT_ScriptResult("ZD_GetFrameDataFps", 29);
        QMyStatusBar bar;
        for (int i = 0; i < 10; ++i)
            bar.timer_normal();
        ZDT_ScriptResult("ZD_GetFrameDataFps", 30);
        bar.timer_normal();
        ZDT_ScriptResult("ZD_GetFrameDataFps", 29);
        for (int i = 0; i < 10; ++i) {
            bar.timer_normal();
            QCOMPARE(bar.previewLabel()->styleSheet(), kGrey);
            QCOMPARE(bar.slowPreviewSeconds(), i + 1);
        }
        bar.timer_normal();
        QCOMPARE(bar.previewLabel()->styleSheet(), kYellow);
    }

    // The bar shows the program's own share of the machine as the engine
    // measures it: ticks the process used against all processors' ticks,
    // and its resident memory against the machine's.
    void cpuAndMemory_data()
    {
        QTest::addColumn<int>("processTicks");
        QTest::addColumn<int>("livedTicks");
        QTest::addColumn<int>("residentKb");
        QTest::addColumn<QString>("cpu");
        QTest::addColumn<QString>("mem");
        QTest::newRow("12.34 %") << 1234 << 10000 << 750 << "CPU: 12%"
                                 << "MEM: 75%";
        QTest::newRow("all busy") << 5000 << 5000 << 1 << "CPU: 1e+02%"
                                  << "MEM: 0%";
        QTest::newRow("idle") << 0 << 5000 << 999 << "CPU: 0%"
                              << "MEM: 99%";
        QTest::newRow("unreadable") << -1 << 0 << 0 << "CPU: 0%"
                                    << "MEM: 0%";
    }

    void cpuAndMemory()
    {
        QFETCH(int, processTicks);
        QFETCH(int, livedTicks);
        QFETCH(int, residentKb);
        QFETCH(QString, cpu);
        QFETCH(QString, mem);
        QTemporaryDir proc;
        auto write = [&](const QString& name, const QString& text) {
            QDir().mkpath(QFileInfo(proc.filePath(name)).path());
            QFile f(proc.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        };
        if (processTicks >= 0) {
            // One processor; the program started at tick 1000 after boot and
            // has lived livedTicks since. The machine's own load is high.
            const double hz = double(sysconf(_SC_CLK_TCK));
            write("stat", "cpu  900000 0 90000 10 0 0 0 0\ncpu0 900000 0 90000 10\n");
            write("uptime", QString::number((1000 + livedTicks) / hz, 'f', 6) + " 1.0\n");
            write("self/stat", QString("77 (ZDHelper) S 1 1 1 0 -1 0 0 0 0 0 %1 0 0 0 20 0 12 0 "
                                       "1000 0 0\n")
                                   .arg(processTicks));
            write("self/status", QString("Name:\tZDHelper\nVmRSS:\t%1 kB\n").arg(residentKb));
            write("meminfo", "MemTotal: 1000 kB\nMemAvailable: 1 kB\n");
        }
        ZDT_SetProcRoot(proc.path().toUtf8().constData());
        QMyStatusBar bar;
        bar.timer_normal();
        QCOMPARE(bar.cpuLabel()->text(), cpu);
        QCOMPARE(bar.memoryLabel()->text(), mem);
        ZDT_SetProcRoot(nullptr);
    }
};

ZD_TEST_MAIN(TestQMyStatusBar, QApplication)
#include "tst_qmystatusbar.moc"
