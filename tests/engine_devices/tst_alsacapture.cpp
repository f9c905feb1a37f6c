// The ALSA capture thread, on ALSA's own "null" device (silence, on every
// machine with alsa-lib): 48 kHz stereo 16-bit frames with rising times;
// opening errors map to the application's results.
#include "devices/alsacapture.h"
#include "vazURIdav.h"
#include "zdtestmain.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <vector>

extern "C" {
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
}

using namespace zd;

namespace
{

class Collector : public FrameReceiver
{
public:
    void videoFrame(const AVFrame*) override { pictures++; }
    void audioFrame(const AVFrame* f) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (f->format != AV_SAMPLE_FMT_S16 || f->sample_rate != 48000 ||
            f->ch_layout.nb_channels != 2 || f->nb_samples <= 0)
            bad++;
        pts.push_back(f->pts);
    }
    void captureFailed(int code) override { failures.push_back(code); }

    size_t count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return pts.size();
    }

    std::mutex mutex;
    std::vector<int64_t> pts;
    std::vector<int> failures;
    std::atomic<int> pictures{0};
    int bad = 0;
};

} // namespace

class TstAlsaCapture : public QObject
{
    Q_OBJECT

private slots:
    void capturesFromTheNullDevice()
    {
        AlsaCapture capture("null", "ALSA null");
        if (capture.open() != 1)
            QSKIP("ALSA has no null device here");
        Collector c;
        const int64_t started = av_gettime_relative();
        capture.start(c);
        QTRY_VERIFY_WITH_TIMEOUT(c.count() >= 3, 3000);
        capture.stop();
        std::lock_guard<std::mutex> lock(c.mutex);
        const size_t n = c.pts.size();
        QCOMPARE(c.bad, 0);
        QVERIFY(c.failures.empty());
        QCOMPARE(c.pictures.load(), 0);
        for (size_t i = 1; i < n; ++i)
            QVERIFY(c.pts[i] >= c.pts[i - 1]);
        QVERIFY(c.pts.front() > started - 1000000);
        // Nothing after the stop.
        QTest::qWait(100);
        QCOMPARE(c.pts.size(), n); // the lock is held: nothing could add, nothing did before
    }

    void openResults()
    {
        QCOMPARE(AlsaCapture::openResultOf(-EACCES), ZD_OPEN_MICROPHONE_DENIED);
        QCOMPARE(AlsaCapture::openResultOf(-EPERM), ZD_OPEN_MICROPHONE_DENIED);
        QCOMPARE(AlsaCapture::openResultOf(-ENOENT), ZD_OPEN_NO_DEVICE);
        QCOMPARE(AlsaCapture::openResultOf(-ENODEV), ZD_OPEN_NO_DEVICE);
        QCOMPARE(AlsaCapture::openResultOf(-EBUSY), ZD_OPEN_PREVIEW_FAILED);
        AlsaCapture missing("plughw:CARD=NoSuchCard,DEV=0", "Missing");
        const int r = missing.open();
        QVERIFY2(r == ZD_OPEN_NO_DEVICE || r == ZD_OPEN_PREVIEW_FAILED,
                 qPrintable(QString::number(r)));
        Collector c;
        missing.start(c); // nothing to start
        missing.stop();
    }
};

ZD_TEST_MAIN(TstAlsaCapture, QCoreApplication)
#include "tst_alsacapture.moc"
