// The preview renderer: where the picture goes in the preview rectangle, and
// real pixels drawn into a real X window (on a private Xvfb), with black bars
// when the picture keeps its shape; windows that are no windows or vanish
// never harm the process.
#include "render/previewlayout.h"
#include "render/previewrenderer.h"
#include "zdtestmain.h"
#include "zdxdisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern "C" {
#include <libavutil/frame.h>
}

#include <memory>

using namespace zd;

namespace
{

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// A picture whose left half is red and right half blue (limited-range YUV).
FramePtr redBlueFrame(int width, int height)
{
    FramePtr f(av_frame_alloc());
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    if (av_frame_get_buffer(f.get(), 0) < 0)
        return nullptr;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            f->data[0][y * f->linesize[0] + x] = x < width / 2 ? 81 : 41;
    }
    for (int y = 0; y < (height + 1) / 2; ++y) {
        for (int x = 0; x < (width + 1) / 2; ++x) {
            const bool left = x < width / 4;
            f->data[1][y * f->linesize[1] + x] = left ? 90 : 240;
            f->data[2][y * f->linesize[2] + x] = left ? 240 : 110;
        }
    }
    return f;
}

enum Colour { Black, Red, Blue, Other };

Colour classify(unsigned long pixel)
{
    const int r = (pixel >> 16) & 0xff, g = (pixel >> 8) & 0xff, b = pixel & 0xff;
    if (r < 20 && g < 20 && b < 20)
        return Black;
    if (r > 200 && g < 60 && b < 60)
        return Red;
    if (b > 200 && r < 60 && g < 60)
        return Blue;
    return Other;
}

} // namespace

class TstPreviewRenderer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        if (!xvfb.start(&why))
            QSKIP(qPrintable("No private X server for the preview tests: " + why));
        display = xvfb.connection();
        QVERIFY(display);
    }
    void cleanupTestCase() { xvfb.stop(); }
    void init() { qputenv("DISPLAY", xvfb.display()); }
    void cleanup()
    {
        if (parent) {
            XDestroyWindow(display, parent);
            XSync(display, False);
        }
        parent = child = 0;
    }

    void layout_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("pixelShape");
        QTest::addColumn<bool>("keepAspect");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("same shape") << QRect(0, 0, 640, 360) << QSize(1920, 1080) << QSize(1, 1)
                                    << true << QRect(0, 0, 640, 360);
        QTest::newRow("bars left and right") << QRect(10, 20, 400, 150) << QSize(640, 480)
                                             << QSize(0, 1) << true << QRect(110, 20, 200, 150);
        QTest::newRow("bars above and below") << QRect(0, 0, 400, 400) << QSize(1280, 720)
                                              << QSize(1, 1) << true << QRect(0, 87, 400, 225);
        QTest::newRow("stretched") << QRect(5, 5, 400, 150) << QSize(640, 480) << QSize(1, 1)
                                   << false << QRect(5, 5, 400, 150);
        QTest::newRow("wide pixels") << QRect(0, 0, 800, 600) << QSize(720, 576) << QSize(16, 11)
                                     << true << QRect(0, 80, 800, 440);
        QTest::newRow("sliver") << QRect(0, 0, 1, 600) << QSize(1920, 1080) << QSize(1, 1) << true
                                << QRect(0, 299, 1, 1);
        QTest::newRow("absurd pixel shape")
            << QRect(0, 0, 800, 600) << QSize(1920, 1080) << QSize(2147483647, 1) << true
            << QRect(0, 299, 800, 1);
        QTest::newRow("empty area")
            << QRect(0, 0, 0, 600) << QSize(640, 480) << QSize(1, 1) << true << QRect(0, 0, 0, 0);
        QTest::newRow("too large") << QRect(0, 0, 20000, 600) << QSize(640, 480) << QSize(1, 1)
                                   << true << QRect(0, 0, 0, 0);
        QTest::newRow("no picture")
            << QRect(0, 0, 640, 480) << QSize(0, 480) << QSize(1, 1) << true << QRect(0, 0, 0, 0);
    }
    void layout()
    {
        QFETCH(QRect, area);
        QFETCH(QSize, picture);
        QFETCH(QSize, pixelShape);
        QFETCH(bool, keepAspect);
        QFETCH(QRect, expected);
        const PreviewRect r = PreviewLayout::fit(
            {area.x(), area.y(), area.width(), area.height()}, picture.width(), picture.height(),
            AVRational{pixelShape.width(), pixelShape.height()}, keepAspect);
        QCOMPARE(QRect(r.x, r.y, r.width, r.height), expected);
    }

    // The rectangle comes in the parent's coordinates; the picture keeps its
    // shape with black bars, or fills the rectangle.
    void drawsRealPixels_data()
    {
        QTest::addColumn<bool>("keepAspect");
        QTest::newRow("keep aspect") << true;
        QTest::newRow("stretch") << false;
    }
    void drawsRealPixels()
    {
        QFETCH(bool, keepAspect);
        makeWindows(320, 120);
        FramePtr frame = redBlueFrame(160, 120);
        QVERIFY(frame);
        PreviewRenderer renderer;
        renderer.setArea(20, 10, 320, 120);
        renderer.attach(child, keepAspect);
        QVERIFY(renderer.draw(frame.get(), 1));

        // Picture 4:3 in a 8:3 rectangle: 160 wide, centred at 80..240.
        const QList<Colour> row = sampleRow({5, 40, 100, 200, 300, 315}, 60);
        if (keepAspect)
            QCOMPARE(row, (QList<Colour>{Black, Black, Red, Blue, Black, Black}));
        else
            QCOMPARE(row, (QList<Colour>{Red, Red, Red, Blue, Blue, Blue}));
    }

    // A picture is drawn when it is new, when the rectangle changes or when
    // the preview is switched back on; not 60 times a second for nothing.
    void drawsOnlyWhatIsNew()
    {
        makeWindows(320, 240);
        FramePtr frame = redBlueFrame(320, 240);
        PreviewRenderer renderer;
        renderer.attach(child, true);
        QVERIFY(!renderer.draw(frame.get(), 1)); // no rectangle yet
        renderer.setArea(20, 10, 320, 240);
        QVERIFY(renderer.draw(frame.get(), 1));
        QVERIFY(!renderer.draw(frame.get(), 1));
        QVERIFY(renderer.draw(frame.get(), 2));
        renderer.setArea(20, 10, 160, 120);
        QVERIFY(renderer.draw(frame.get(), 2));
        renderer.setEnabled(false);
        QVERIFY(!renderer.draw(frame.get(), 3));
        renderer.setEnabled(true);
        QVERIFY(renderer.draw(frame.get(), 3));
        QVERIFY(!renderer.draw(nullptr, 4));
        renderer.detach();
        QVERIFY(!renderer.draw(frame.get(), 5));
    }

    // Ids that are no windows (as under Qt's offscreen platform), the root
    // window, no X display at all, and a window destroyed between two
    // pictures: nothing is drawn and the process lives on.
    void badWindowsAreHarmless()
    {
        FramePtr frame = redBlueFrame(64, 48);
        for (unsigned long id : {0x1ul, 0x7ffffffful, 0x3e00001ul,
                                 static_cast<unsigned long>(DefaultRootWindow(display))}) {
            PreviewRenderer renderer;
            renderer.setArea(0, 0, 64, 48);
            renderer.attach(id, true);
            QVERIFY(!renderer.draw(frame.get(), 1));
            QVERIFY(!renderer.draw(frame.get(), 2));
        }

        makeWindows(64, 48);
        {
            PreviewRenderer renderer;
            renderer.setArea(20, 10, 64, 48);
            renderer.attach(child, true);
            QVERIFY(renderer.draw(frame.get(), 1));
            XDestroyWindow(display, child);
            XSync(display, False);
            child = 0;
            QVERIFY(!renderer.draw(frame.get(), 2));
            QVERIFY(!renderer.draw(frame.get(), 3));
        }

        qunsetenv("DISPLAY");
        makeWindows(64, 48);
        PreviewRenderer renderer;
        renderer.setArea(20, 10, 64, 48);
        renderer.attach(child, true);
        QVERIFY(!renderer.draw(frame.get(), 1));
    }

private:
    void makeWindows(int width, int height)
    {
        cleanup();
        xvfb.makeWindows(width, height, &parent, &child);
    }

    QList<Colour> sampleRow(const QList<int>& xs, int y)
    {
        QList<Colour> colours;
        for (int x : xs) {
            XImage* image = XGetImage(display, child, x, y, 1, 1, AllPlanes, ZPixmap);
            colours << (image ? classify(XGetPixel(image, 0, 0)) : Other);
            if (image)
                XDestroyImage(image);
        }
        return colours;
    }

    zdtest::XvfbDisplay xvfb;
    Display* display = nullptr;
    Window parent = 0;
    Window child = 0;
};

ZD_TEST_MAIN(TstPreviewRenderer, QCoreApplication)
#include "tst_previewrenderer.moc"
