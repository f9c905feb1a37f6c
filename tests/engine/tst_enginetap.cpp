// The frame tap: the open device's pictures as BGRX and its sound as s16
// stereo 48 kHz, for any number of readers at their own pace.
#include "enginetestsupport.h"
#include "zdpatterncode.h"
#include "zdtestmain.h"

#include "zdwaitfor.h"

#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <cstring>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// The thread of this process is blocked (sleeping, not running or ready).
bool threadSleeps(pid_t tid)
{
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    // The state follows the command name, which is in parentheses.
    const int close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) == "S";
}

} // namespace

class TstEngineTap : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        h = initEngine("tap");
        QVERIFY(h);
    }
    void cleanup()
    {
        ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }

    void picturesFollowTheCamera()
    {
        openCamera(640, 360, 30);
        std::vector<uint8_t> pixels(640 * 360 * 4);
        int w = 0, hh = 0;
        uint64_t serial = 0;
        QCOMPARE(ZD_TapVideoFrame(h, pixels.data(), int(pixels.size()), &w, &hh, &serial, 5000),
                 640 * 360 * 4);
        QCOMPARE(w, 640);
        QCOMPARE(hh, 360);
        QVERIFY(serial != 0);
        const int64_t first = zdtest::patternFrameCode(pixels.data(), w, hh);
        QVERIFY(first >= 0);
        // The grey ramp at the bottom: BGRX with equal colour bytes, dark on
        // the left, light on the right.
        const uint8_t* left = pixels.data() + (359 * 640 + 2) * 4;
        const uint8_t* right = pixels.data() + (359 * 640 + 637) * 4;
        QVERIFY(left[0] < 40 && right[0] > 215);
        QVERIFY(qAbs(left[0] - left[2]) < 8 && qAbs(right[0] - right[1]) < 8);

        // The next read waits for a newer picture.
        const uint64_t before = serial;
        QCOMPARE(ZD_TapVideoFrame(h, pixels.data(), int(pixels.size()), &w, &hh, &serial, 5000),
                 640 * 360 * 4);
        QVERIFY(serial != before);
        QVERIFY(zdtest::patternFrameCode(pixels.data(), w, hh) > first);
    }

    void smallBufferTellsTheSize()
    {
        openCamera(320, 240, 30);
        std::vector<uint8_t> small(100);
        int w = 0, hh = 0;
        uint64_t serial = 0;
        QCOMPARE(ZD_TapVideoFrame(h, small.data(), int(small.size()), &w, &hh, &serial, 5000), -1);
        QCOMPARE(w, 320);
        QCOMPARE(hh, 240);
        QCOMPARE(serial, uint64_t(0));
        std::vector<uint8_t> room(size_t(w) * hh * 4);
        QCOMPARE(ZD_TapVideoFrame(h, room.data(), int(room.size()), &w, &hh, &serial, 5000),
                 320 * 240 * 4);
    }

    void twoReadersBothGetEveryPicture()
    {
        openCamera(320, 240, 30);
        auto reader = [this](std::vector<int64_t>* codes) {
            std::vector<uint8_t> pixels(320 * 240 * 4);
            uint64_t serial = 0;
            int w = 0, hh = 0;
            while (codes->size() < 5) {
                if (ZD_TapVideoFrame(h, pixels.data(), int(pixels.size()), &w, &hh, &serial,
                                     5000) <= 0)
                    return;
                codes->push_back(zdtest::patternFrameCode(pixels.data(), w, hh));
            }
        };
        std::vector<int64_t> a, b;
        std::thread ta(reader, &a), tb(reader, &b);
        ta.join();
        tb.join();
        QCOMPARE(int(a.size()), 5);
        QCOMPARE(int(b.size()), 5);
        for (size_t i = 1; i < 5; ++i) {
            QVERIFY(a[i] > a[i - 1]);
            QVERIFY(b[i] > b[i - 1]);
        }
    }

    void soundIsStereoS16()
    {
        openCamera(320, 240, 30);
        std::vector<uint8_t> samples(19200);
        int64_t position = -1;
        int64_t total = 0;
        QElapsedTimer t;
        t.start();
        bool loud = false;
        // Half a second of sound arrives, whole sample frames each time.
        while (total < 96000 && t.elapsed() < 10000) {
            const int64_t at = position;
            const int n = ZD_TapAudio(h, samples.data(), 19199, &position, 2000);
            QVERIFY(n >= 0);
            QCOMPARE(n % 4, 0);
            if (at >= 0 && n > 0)
                QCOMPARE(position, at + n);
            for (int i = 0; i + 1 < n; i += 2) {
                const int16_t v = int16_t(samples[i] | (samples[i + 1] << 8));
                loud = loud || qAbs(v) > 1000;
            }
            total += n;
        }
        QVERIFY(total >= 96000);
        QVERIFY2(loud, "the tone microphone gives a tone");

        // A reader more than the two seconds kept behind goes on from the
        // oldest sound kept.
        while (position < 2 * 192000 + 19200 && t.elapsed() < 20000)
            QVERIFY(ZD_TapAudio(h, samples.data(), int(samples.size()), &position, 2000) >= 0);
        int64_t stale = 0;
        QCOMPARE(ZD_TapAudio(h, samples.data(), 4, &stale, 2000), 4);
        QVERIFY(stale > position - 2 * 192000);
    }

    void nothingWithoutDevice()
    {
        std::vector<uint8_t> pixels(64);
        int w = 0, hh = 0;
        uint64_t serial = 0;
        QCOMPARE(ZD_TapVideoFrame(h, pixels.data(), 64, &w, &hh, &serial, 50), 0);
        int64_t position = -1;
        QCOMPARE(ZD_TapAudio(h, pixels.data(), 64, &position, 50), 0);
        QCOMPARE(ZD_TapVideoFrame(h, nullptr, 64, &w, &hh, &serial, 0), -1);
        QCOMPARE(ZD_TapAudio(h, pixels.data(), 64, nullptr, 0), -1);
    }

    void releaseEndsAWaitingReader()
    {
        int64_t position = -1;
        std::vector<uint8_t> samples(64);
        int result = -2;
        QElapsedTimer t;
        t.start();
        void* handle = h;
        std::atomic<pid_t> reader{0};
        std::thread waiting([&, handle] {
            reader = static_cast<pid_t>(::syscall(SYS_gettid));
            result = ZD_TapAudio(handle, samples.data(), 64, &position, 10000);
        });
        // Released only once the reader sleeps inside the call.
        const bool asleep = zdtest::waitFor([&] { return reader && threadSleeps(reader); });
        ZD_Release(&h);
        waiting.join();
        QVERIFY(asleep);
        QCOMPARE(result, 0);
        QVERIFY2(t.elapsed() < 8000, "the reader waited out its whole time");
    }

private:
    void openCamera(int width, int height, int fps)
    {
        QCOMPARE(openTestCamera(h, &sink, width, height, fps), 1);
    }

    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstEngineTap, QCoreApplication)
#include "tst_enginetap.moc"
