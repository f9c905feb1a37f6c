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

#include <algorithm>
#include <vector>

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

        // The delay once the monitor has settled, read each second; the start
        // and the end are the medians of a few readings, so that one late
        // block of a loaded machine does not count as drift.
        long long server = -1, sample = -1;
        QVERIFY(zdtest::waitFor([&] { return ZDT_MonitorLatency(h, &server, &sample); }, 8000));
        std::vector<long long> servers, samples;
        QElapsedTimer monitored;
        monitored.start();
        for (int second = 1; second <= 120; ++second) {
            QTest::qWait(int(qMax<qint64>(0, second * 1000 - monitored.elapsed())));
            QCOMPARE(ZDT_MonitorLatency(h, &server, &sample), 1);
            servers.push_back(server);
            samples.push_back(sample);
            if (second % 10 == 0)
                qInfo("%3ds: server %lld us, capture to playing %lld us", second, server, sample);
        }
        auto median = [](std::vector<long long> v, size_t from, size_t count) {
            std::vector<long long> part(v.begin() + long(from), v.begin() + long(from + count));
            std::sort(part.begin(), part.end());
            return part[part.size() / 2];
        };
        const long long startServer = median(servers, 0, 5), endServer = median(servers, 110, 10);
        const long long startSample = median(samples, 0, 5), endSample = median(samples, 110, 10);
        QVERIFY2(endServer <= 60000, qPrintable(QString::number(endServer)));
        QVERIFY2(qAbs(endServer - startServer) <= 20000,
                 qPrintable(QString("%1 -> %2").arg(startServer).arg(endServer)));
        QVERIFY2(qAbs(endSample - startSample) <= 20000,
                 qPrintable(QString("%1 -> %2").arg(startSample).arg(endSample)));
        ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }
};

ZD_TEST_MAIN(TstEngineSoundDrift, QCoreApplication)
#include "tst_enginesounddrift.moc"
