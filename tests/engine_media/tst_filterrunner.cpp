// A source's filter chain on test-pattern pictures.
#include "patternframes.h"
#include "zdtestmain.h"

#include "media/filterrunner.h"
#include "media/sourcepipeline.h"

#include <QtTest>

using namespace zd::media;
using patternframes::luma;

namespace
{

bool isVerticalMirror(const AVFrame* out, const AVFrame* in)
{
    if (out->width != in->width || out->height != in->height)
        return false;
    for (int y = 0; y < in->height; ++y)
        for (int x = 0; x < in->width; ++x)
            if (luma(out, x, y) != luma(in, x, in->height - 1 - y))
                return false;
    return true;
}

bool isTurnedHalfRound(const AVFrame* out, const AVFrame* in)
{
    for (int y = 0; y < in->height; ++y)
        for (int x = 0; x < in->width; ++x)
            if (luma(out, x, y) != luma(in, in->width - 1 - x, in->height - 1 - y))
                return false;
    return true;
}

bool samePixels(const AVFrame* a, const AVFrame* b)
{
    if (a->width != b->width || a->height != b->height)
        return false;
    for (int y = 0; y < a->height; ++y)
        for (int x = 0; x < a->width; ++x)
            if (luma(a, x, y) != luma(b, x, y))
                return false;
    return true;
}

} // namespace

class TestFilterRunner : public QObject
{
    Q_OBJECT
private slots:
    void vflipTurnsPatternUpsideDown();
    void noFilterPassesFramesUntouched();
    void brokenFilterIsLeftOut_data();
    void brokenFilterIsLeftOut();
    void rebuiltWhenListOrFormatChanges();
    void pipelineFiltersNewestFrameAndSinks();
};

void TestFilterRunner::vflipTurnsPatternUpsideDown()
{
    FramePool pool;
    AVFramePtr in = patternframes::make(pool, 320, 240);
    FilterRunner runner;
    runner.setFilters({{1, true, "vflip"}});
    AVFramePtr out = runner.process(in.get());
    QVERIFY(out);
    QVERIFY(isVerticalMirror(out.get(), in.get()));
    QVERIFY(!samePixels(out.get(), in.get()));
    QCOMPARE(out->pts, in->pts);
    QVERIFY(runner.skippedIds().empty());
}

void TestFilterRunner::noFilterPassesFramesUntouched()
{
    FramePool pool;
    AVFramePtr in = patternframes::make(pool, 320, 240);
    FilterRunner runner;
    // Switched off, empty: nothing to run; the frame goes on as it is, not
    // copied.
    runner.setFilters({{1, false, "vflip"}, {2, true, ""}});
    AVFramePtr out = runner.process(in.get());
    QVERIFY(out);
    QCOMPARE(out->data[0], in->data[0]);
    QVERIFY(runner.skippedIds().empty());
}

void TestFilterRunner::brokenFilterIsLeftOut_data()
{
    QTest::addColumn<QString>("broken");
    QTest::addColumn<int>("framesHeld");
    QTest::newRow("unknown filter") << "nosuchfilter" << 0;
    QTest::newRow("unknown option") << "eq=nosuchoption=1" << 0;
    QTest::newRow("needs a second input") << "overlay" << 0;
    QTest::newRow("fails on the fifth frame")
        << "scale=w='if(gt(n,3),0-100000,iw)':h=ih:eval=frame" << 0;
    QTest::newRow("never gives a frame back") << "reverse" << 59;
}

void TestFilterRunner::brokenFilterIsLeftOut()
{
    QFETCH(QString, broken);
    QFETCH(int, framesHeld);
    FramePool pool;
    FilterRunner runner;
    runner.setFilters({{1, true, "vflip"}, {2, true, broken.toStdString()}, {3, true, "hflip"}});
    int held = 0;
    for (int i = 0; i < 80; ++i) {
        AVFramePtr in = patternframes::make(pool, 320, 240, i);
        AVFramePtr out = runner.process(in.get());
        if (!out) {
            ++held;
            continue;
        }
        // Whatever the broken one does, the two around it keep working.
        QVERIFY2(isTurnedHalfRound(out.get(), in.get()), qPrintable(QString::number(i)));
    }
    QCOMPARE(held, framesHeld);
    QCOMPARE(runner.skippedIds(), std::vector<uint32_t>{2});
}

void TestFilterRunner::rebuiltWhenListOrFormatChanges()
{
    FramePool small, large;
    FilterRunner runner;
    runner.setFilters({{1, true, "pad=iw+20:ih"}});
    AVFramePtr out = runner.process(patternframes::make(small, 320, 240).get());
    QCOMPARE(out->width, 340);
    out = runner.process(patternframes::make(large, 640, 480).get());
    QCOMPARE(out->width, 660);
    QCOMPARE(out->height, 480);

    AVFramePtr in = patternframes::make(large, 640, 480);
    runner.setFilters({{1, true, "vflip"}});
    out = runner.process(in.get());
    QVERIFY(isVerticalMirror(out.get(), in.get()));
    runner.setFilters({});
    out = runner.process(in.get());
    QVERIFY(samePixels(out.get(), in.get()));
}

void TestFilterRunner::pipelineFiltersNewestFrameAndSinks()
{
    struct Catcher : FrameSink {
        AVFramePtr last;
        void pushVideo(const AVFrame* f) override { last = refFrame(f); }
        void pushAudio(const AVFrame*) override {}
    };
    FramePool pool;
    SourcePipeline pipeline;
    auto catcher = std::make_shared<Catcher>();
    pipeline.attach(catcher);
    pipeline.filters().setFilters({{1, true, "vflip"}});
    AVFramePtr in = patternframes::make(pool, 320, 240);
    pipeline.pushVideo(in.get());
    AVFramePtr newest = pipeline.latest().get();
    QVERIFY(newest);
    QVERIFY(isVerticalMirror(newest.get(), in.get()));
    QVERIFY(catcher->last);
    QVERIFY(isVerticalMirror(catcher->last.get(), in.get()));
    QCOMPARE(pipeline.width(), 320);
    QCOMPARE(pipeline.measuredFps(), 1);
    pipeline.detach(catcher.get());
    pipeline.pushVideo(in.get());
    QCOMPARE(catcher.use_count(), 1);
}

ZD_TEST_MAIN(TestFilterRunner, QCoreApplication)
#include "tst_filterrunner.moc"
