// The preview through the C surface, on a private Xvfb: the test-pattern
// camera opened into a native X window shows its real pixels inside the
// ZD_UpdateVideoSize rectangle (given in the parent's coordinates), with
// black bars beside the picture when it keeps its shape; the pump draws
// nothing while the preview is off, and a window id that is no window (as
// under Qt's offscreen platform) harms nothing. ZD_GetFrameDataFps counts the
// frames that really came.
#include "enginetestsupport.h"
#include "zdtestmain.h"
#include "zdxdisplay.h"

#include <QElapsedTimer>
#include <QSet>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>

namespace
{

DEV_CAPACITY format(int w, int h, int fps)
{
    DEV_CAPACITY f{};
    f.width = w;
    f.height = h;
    f.fps = fps;
    std::memcpy(&f.fourcc, "YUY2", 4);
    std::strcpy(f.codecName, "YUY2");
    return f;
}

bool isBlack(unsigned long p)
{
    return ((p >> 16) & 0xff) < 16 && ((p >> 8) & 0xff) < 16 && (p & 0xff) < 16;
}

// Red, green and blue alike, as in the pattern's grey ramp (not its bars).
bool isGrey(unsigned long p)
{
    const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
    return std::abs(r - g) < 12 && std::abs(g - b) < 12 && std::abs(r - b) < 12;
}

bool isWhite(unsigned long p)
{
    return (p & 0xffffff) == 0xffffff;
}

} // namespace

class TstEnginePreview : public QObject
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
    void init()
    {
        sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        makeWindows();
    }
    void cleanup()
    {
        if (h)
            ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
        if (parent)
            XDestroyWindow(display, parent);
        XSync(display, False);
        parent = child = 0;
    }

    void showsTheCamera_data()
    {
        QTest::addColumn<int>("keepAspect");
        QTest::newRow("keep aspect") << 1;
        QTest::newRow("stretch") << 0;
    }
    void showsTheCamera()
    {
        QFETCH(int, keepAspect);
        h = initEngine();
        QVERIFY(h);
        // The bar sits at (20, 10) of its parent; a 4:3 picture in 320x120
        // is 160 wide, between x 80 and 240 of the window.
        QCOMPARE(ZD_UpdateVideoSize(h, 20, 10, 320, 120), 1);
        DEV_NAME cam = testCamera();
        DEV_CAPACITY fmt = format(640, 480, 30);
        QCOMPARE(ZD_OpenDevice(h, child, nullptr, keepAspect, 0, &cam, nullptr, &fmt, 10000000), 1);
        QVERIFY(pumpUntil([&] { return picturePixels(100, 220, 60).size() >= 4; }));

        const QSet<unsigned long> picture = picturePixels(100, 220, 60);
        QVERIFY2(picture.size() >= 4, "the test pattern's colours are in the picture");
        for (unsigned long p : picture)
            QVERIFY(!isWhite(p));
        // Beside the picture: black bars, or the stretched picture itself.
        for (int from : {2, 242}) {
            bool picturePixel = false;
            for (int x = from; x < from + 76; x += 6) {
                for (int y : {5, 60, 115}) {
                    const unsigned long p = pixel(x, y);
                    if (keepAspect)
                        QVERIFY2(
                            isBlack(p),
                            qPrintable(QString("bar at %1,%2: %3").arg(x).arg(y).arg(p, 0, 16)));
                    picturePixel |= !isBlack(p) && !isWhite(p);
                }
            }
            QCOMPARE(picturePixel, !keepAspect);
        }

        // Real frames are counted: about 30 a second.
        QTest::qWait(1200);
        const int fps = ZD_GetFrameDataFps(h, nullptr);
        QVERIFY2(fps >= 20 && fps <= 32, qPrintable(QString::number(fps)));
        QCOMPARE(ZD_GetFrameDataFps(h, "3"), 0);
    }

    // The preview shows the frames after the source's filters: flipped
    // upside down, the grey ramp at the pattern's foot comes to the top.
    void showsFilteredFrames()
    {
        h = initEngine();
        ZD_UpdateVideoSize(h, 20, 10, 320, 120);
        DEV_NAME cam = testCamera();
        DEV_CAPACITY fmt = format(320, 120, 30);
        QCOMPARE(ZD_OpenDevice(h, child, nullptr, 1, 0, &cam, nullptr, &fmt, 10000000), 1);
        QVERIFY(pumpUntil([&] { return isGrey(pixel(160, 112)) && !isGrey(pixel(160, 30)); }));
        QCOMPARE(ZD_AddFilter(h, nullptr, 5, 1, "vflip", 100), 1);
        QVERIFY(pumpUntil([&] { return isGrey(pixel(160, 7)) && !isGrey(pixel(160, 90)); }));
    }

    void previewSwitch()
    {
        h = initEngine();
        ZD_UpdateVideoSize(h, 20, 10, 320, 120);
        DEV_NAME cam = testCamera();
        DEV_CAPACITY fmt = format(320, 120, 30);
        QCOMPARE(ZD_OpenDevice(h, child, nullptr, 1, 0, &cam, nullptr, &fmt, 10000000), 1);
        QVERIFY(pumpUntil([&] { return !isWhite(pixel(160, 60)); }));

        int off = 0;
        QCOMPARE(ZD_PreviewEnable(h, &off), 1);
        XClearWindow(display, child);
        XSync(display, False);
        pumpFor(500);
        QVERIFY(isWhite(pixel(160, 60)));
        QVERIFY(ZD_GetFrameDataFps(h, nullptr) > 0); // the source still runs

        int on = 1;
        QCOMPARE(ZD_PreviewEnable(h, &on), 1);
        QVERIFY(pumpUntil([&] { return !isWhite(pixel(160, 60)); }));

        // Closed: nothing more is drawn.
        ZD_CloseDevice(h);
        XClearWindow(display, child);
        XSync(display, False);
        pumpFor(300);
        QVERIFY(isWhite(pixel(160, 60)));
        QCOMPARE(ZD_GetFrameDataFps(h, nullptr), 0);
    }

    // Under Qt's offscreen platform the window id is no X window; without a
    // display there is nothing to draw on. The device opens all the same.
    void noWindowToDrawIn()
    {
        h = initEngine();
        ZD_UpdateVideoSize(h, 0, 0, 320, 240);
        DEV_NAME cam = testCamera();
        for (ZD_WINDOW_ID id : {ZD_WINDOW_ID(0), ZD_WINDOW_ID(3), ZD_WINDOW_ID(0x7fffffff)}) {
            QCOMPARE(ZD_OpenDevice(h, id, nullptr, 1, 0, &cam, nullptr, nullptr, 10000000), 1);
            pumpFor(200);
        }
        ZD_Release(&h);

        qunsetenv("DISPLAY");
        h = initEngine();
        ZD_UpdateVideoSize(h, 20, 10, 320, 120);
        QCOMPARE(ZD_OpenDevice(h, child, nullptr, 1, 0, &cam, nullptr, nullptr, 10000000), 1);
        pumpFor(300);
        QVERIFY(isWhite(pixel(160, 60)));
        qputenv("DISPLAY", xvfb.display());
    }

private:
    void makeWindows() { xvfb.makeWindows(320, 120, &parent, &child); }

    unsigned long pixel(int x, int y)
    {
        XImage* image = XGetImage(display, child, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0xffffffff;
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return p;
    }

    // Distinct colours (a few bits each) along a row of the window.
    QSet<unsigned long> picturePixels(int from, int to, int y)
    {
        QSet<unsigned long> colours;
        for (int x = from; x < to; x += 4)
            colours.insert(pixel(x, y) & 0xe0e0e0);
        return colours;
    }

    template <typename Done> bool pumpUntil(Done done, int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            ZD_SDL_loop(h);
            if (done())
                return true;
            QTest::qWait(16);
        }
        return false;
    }

    void pumpFor(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCOMPARE(ZD_SDL_loop(h), 1);
            QTest::qWait(16);
        }
    }

    zdtest::XvfbDisplay xvfb;
    Display* display = nullptr;
    Window parent = 0;
    Window child = 0;
    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstEnginePreview, QCoreApplication)
#include "tst_enginepreview.moc"
