// The preview's sound keeps its delay while the capture clock runs off the
// sound card's: a scripted microphone that delivers 48048 samples a second
// labelled 48000 (a clock 0.1 % fast) is monitored for two minutes on a sound
// server of the test's own. A monitor that only queued what arrives would be
// some 120 ms later at the end.
#include "enginetestsupport.h"
#include "zdpulseserver.h"
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TstEngineSoundDrift : public QObject
{
    Q_OBJECT

private slots:
    void delayStaysPutWithAFastClock()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
            QSKIP("pulseaudio is not installed");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        zdtest::PulseServer pulse;
        QVERIFY(pulse.start(dir.filePath("pulse").toStdString()));
        ReportSink sink;
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        void* h = initEngine("sounddrift");
        QVERIFY(h);
        QCOMPARE(ZDT_AddDevice(h, R"({"name":"Fast Microphone","path":"usb-fast-microphone",
                                      "kind":2,"sound":"beep","soundClockHz":48048})"),
                 1);
        const DEV_NAME camera = testCamera();
        const DEV_NAME microphone =
            devName("Fast Microphone", "usb-fast-microphone", ZD_DEVICE_KIND_AUDIO);
        DEV_CAPACITY format{};
        format.width = 320;
        format.height = 240;
        format.fps = 30;
        QCOMPARE(ZD_OpenDevice(h, 0, &sink, 1, 0, &camera, &microphone, &format, 10000000), 1);

        // The delay once playing has settled (its first whole second).
        long long startServer = -1, startSample = -1;
        QVERIFY(zdtest::waitFor([&] { return ZDT_MonitorLatency(h, &startServer, &startSample); },
                                5000));
        QTest::qWait(1100);
        QCOMPARE(ZDT_MonitorLatency(h, &startServer, &startSample), 1);
        QElapsedTimer monitored;
        monitored.start();
        long long server = -1, sample = -1;
        while (monitored.elapsed() < 120000) {
            QTest::qWait(10000);
            QCOMPARE(ZDT_MonitorLatency(h, &server, &sample), 1);
            qInfo("%3llds: server %lld us, capture to playing %lld us",
                  (long long)monitored.elapsed() / 1000, server, sample);
            QVERIFY(server <= 60000);
        }
        QVERIFY2(qAbs(server - startServer) <= 20000,
                 qPrintable(QString("%1 -> %2").arg(startServer).arg(server)));
        QVERIFY2(qAbs(sample - startSample) <= 20000,
                 qPrintable(QString("%1 -> %2").arg(startSample).arg(sample)));
        ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }
};

ZD_TEST_MAIN(TstEngineSoundDrift, QCoreApplication)
#include "tst_enginesounddrift.moc"
