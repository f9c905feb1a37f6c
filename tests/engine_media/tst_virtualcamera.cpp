// The test-pattern camera: its picture, its rate, and its picture controls.
#include "patternframes.h"
#include "zdtestmain.h"

#include "devices/ampcontrols.h"
#include "devices/virtualcameracapture.h"
#include "devices/virtualmicrophonecapture.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <mutex>
#include <vector>

using namespace zd::devices;
using namespace zd::media;
using patternframes::chroma;
using patternframes::luma;

class TestVirtualCamera : public QObject
{
    Q_OBJECT
private slots:
    void frameNumberReadsBack_data();
    void frameNumberReadsBack();
    void patternMovesAndClockRuns();
    void deliversAskedSizeAndRate_data();
    void deliversAskedSizeAndRate();
    void procAmpValuesBecomePictureAdjust();
    void procAmpChangesThePicture_data();
    void procAmpChangesThePicture();
    void microphoneGivesToneInRealTime();
};

void TestVirtualCamera::frameNumberReadsBack_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<qint64>("index");
    QTest::newRow("320x240 first") << 320 << 240 << qint64(0);
    QTest::newRow("1920x1080") << 1920 << 1080 << qint64(123456);
    QTest::newRow("odd size, large number") << 333 << 201 << qint64((1 << 24) - 1);
}

void TestVirtualCamera::frameNumberReadsBack()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(qint64, index);
    FramePool pool;
    AVFramePtr f = patternframes::make(pool, width, height, index);
    QCOMPARE(TestPattern::readFrameCode(f->data[0], f->linesize[0], width, height), index);
}

void TestVirtualCamera::patternMovesAndClockRuns()
{
    FramePool pool;
    AVFramePtr a = patternframes::make(pool, 320, 240, 0);
    AVFramePtr b = patternframes::make(pool, 320, 240, 15);
    // Below the frame-number strip, half a second later, the picture differs:
    // the bars scroll, the square moves, the clock runs.
    int differing = 0;
    for (int y = 40; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            differing += luma(a.get(), x, y) != luma(b.get(), x, y);
    QVERIFY2(differing > 320 * 20, qPrintable(QString::number(differing)));
}

void TestVirtualCamera::deliversAskedSizeAndRate_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("fps");
    QTest::newRow("320x240 at 30") << 320 << 240 << 30;
    QTest::newRow("640x360 at 60") << 640 << 360 << 60;
    QTest::newRow("176x144 at 5") << 176 << 144 << 5;
}

void TestVirtualCamera::deliversAskedSizeAndRate()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, fps);
    std::mutex mutex;
    std::vector<int64_t> pts;
    std::vector<int64_t> codes;
    int wrongSize = 0;
    VirtualCameraCapture camera(width, height, fps, nullptr, [&](AVFramePtr f) {
        std::lock_guard<std::mutex> lock(mutex);
        if (f->width != width || f->height != height || f->format != AV_PIX_FMT_YUV420P)
            ++wrongSize;
        pts.push_back(f->pts);
        codes.push_back(
            TestPattern::readFrameCode(f->data[0], f->linesize[0], f->width, f->height));
    });
    QElapsedTimer clock;
    clock.start();
    camera.start();
    QThread::msleep(1000);
    camera.stop();
    const int64_t due = clock.nsecsElapsed() / 1000 * fps / 1000000 + 1;
    std::lock_guard<std::mutex> lock(mutex);
    QCOMPARE(wrongSize, 0);
    QVERIFY(!codes.empty());
    // The ticks of the time it ran, never more: each one drawn, or skipped
    // when the thread fell behind the rate (a loaded machine), as a real
    // camera drops frames nobody took.
    const int64_t skipped = camera.skippedFrames();
    const int64_t ticks = codes.back() - codes.front() + 1;
    QVERIFY2(ticks <= due && ticks * 2 >= due,
             qPrintable(QString("%1 ticks of %2").arg(ticks).arg(due)));
    // Every picture on the frame clock, numbered by its tick, in order.
    int64_t missing = 0;
    for (size_t i = 1; i < pts.size(); ++i) {
        const int64_t ticks = codes[i] - codes[i - 1];
        QVERIFY(ticks >= 1);
        QVERIFY(std::abs(pts[i] - pts[i - 1] - ticks * 1000000 / fps) <= 1);
        missing += ticks - 1;
    }
    QVERIFY2(missing <= skipped,
             qPrintable(QString("%1 missing, %2 skipped").arg(missing).arg(skipped)));
}

void TestVirtualCamera::procAmpValuesBecomePictureAdjust()
{
    // The camera's usual ranges: brightness -64..64 (0), contrast 0..100
    // (50), hue -180..180 (0), saturation 0..100 (64).
    VIDEOAMPVALUE v = zd::AmpControls::cameraDefaults();
    QVERIFY(PictureAdjust::fromAmpValues(v).isIdentity());

    v.items[0].value = 64;
    v.items[1].value = 100;
    v.items[2].value = -30;
    v.items[3].value = 0;
    PictureAdjust a = PictureAdjust::fromAmpValues(v);
    QCOMPARE(a.brightness, 100);
    QCOMPARE(a.contrastPct, 200);
    QCOMPARE(a.hueDegrees, -30);
    QCOMPARE(a.saturationPct, 0);

    v.items[0].value = -32;
    v.items[1].value = 25;
    a = PictureAdjust::fromAmpValues(v);
    QCOMPARE(a.brightness, -50);
    QCOMPARE(a.contrastPct, 50);

    // Automatic: the camera's own choice, its default.
    v.items[0].automatic = 1;
    v.items[1].automatic = 1;
    a = PictureAdjust::fromAmpValues(v);
    QCOMPARE(a.brightness, 0);
    QCOMPARE(a.contrastPct, 100);
}

void TestVirtualCamera::procAmpChangesThePicture_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<int>("hue");
    QTest::newRow("brighter") << 50 << 100 << 100 << 0;
    QTest::newRow("darker") << -50 << 100 << 100 << 0;
    QTest::newRow("no contrast") << 0 << 0 << 100 << 0;
    QTest::newRow("no colour") << 0 << 100 << 0 << 0;
    QTest::newRow("hue half round") << 0 << 100 << 100 << 180;
}

void TestVirtualCamera::procAmpChangesThePicture()
{
    QFETCH(int, brightness);
    QFETCH(int, contrast);
    QFETCH(int, saturation);
    QFETCH(int, hue);
    FramePool pool;
    PictureAdjust adjust;
    adjust.brightness = brightness;
    adjust.contrastPct = contrast;
    adjust.saturationPct = saturation;
    adjust.hueDegrees = hue;
    AVFramePtr plain = patternframes::make(pool, 320, 240, 3);
    AVFramePtr changed = patternframes::make(pool, 320, 240, 3, adjust);
    // A pixel in the yellow bar (second of eight) and its chroma.
    const int x = 60, y = 100;
    const int y0 = luma(plain.get(), x, y), y1 = luma(changed.get(), x, y);
    const int u0 = chroma(plain.get(), 1, x / 2, y / 2) - 128;
    const int u1 = chroma(changed.get(), 1, x / 2, y / 2) - 128;
    if (brightness > 0)
        QVERIFY(y1 > y0 + 20);
    else if (brightness < 0)
        QVERIFY(y1 < y0 - 20);
    else if (contrast == 0)
        QCOMPARE(y1, 128);
    else
        QCOMPARE(y1, y0);
    if (saturation == 0)
        QCOMPARE(u1, 0);
    else if (hue == 180)
        QVERIFY(std::abs(u1 + u0) <= 1);
    else
        QCOMPARE(u1, u0);
}

void TestVirtualCamera::microphoneGivesToneInRealTime()
{
    std::mutex mutex;
    int64_t samples = 0;
    float peak = 0;
    int64_t firstPts = -1, lastPts = -1;
    int otherFormat = 0;
    VirtualMicrophoneCapture mic([&](AVFramePtr f) {
        std::lock_guard<std::mutex> lock(mutex);
        if (f->sample_rate != 48000 || f->format != AV_SAMPLE_FMT_FLTP ||
            f->ch_layout.nb_channels != 2)
            ++otherFormat;
        if (firstPts < 0)
            firstPts = f->pts;
        lastPts = f->pts;
        samples += f->nb_samples;
        const float* s = reinterpret_cast<const float*>(f->extended_data[0]);
        for (int i = 0; i < f->nb_samples; ++i)
            peak = std::max(peak, std::abs(s[i]));
    });
    mic.start();
    QThread::msleep(1000);
    mic.stop();
    std::lock_guard<std::mutex> lock(mutex);
    QCOMPARE(otherFormat, 0);
    QVERIFY2(std::abs(samples - 48000) <= 3 * 1024, qPrintable(QString::number(samples)));
    QVERIFY(peak > 0.05f && peak < 0.5f);
    QCOMPARE(lastPts - firstPts, (samples - 1024) * 1000000 / 48000);
}

ZD_TEST_MAIN(TestVirtualCamera, QCoreApplication)
#include "tst_virtualcamera.moc"
