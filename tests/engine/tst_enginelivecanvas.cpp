// The live canvas: layers of pictures, text, capture devices and movies
// composed in z order into the base device "NULL", edited while it runs, and
// the records it refuses.
#include "livecanvassupport.h"
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace livetest;

class TstEngineLiveCanvas : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        h = initEngine("livecanvas");
        QVERIFY(h);
        QVERIFY(dir.isValid());
        QCOMPARE(openCanvas(h, &sink, 640, 360, 30), 1);
    }
    void cleanup()
    {
        ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }

    void pictureLayerIsDrawnInItsRectangle()
    {
        const QString list = pictureList("red", 255, 0, 0);
        LIVEPIP_PARAMTERS p = record(100, 60, 200, 120);
        setPictures(p, list);
        QCOMPARE(ZD_AddOverlayDevice(h, "101", 1, &p), 1);
        QVERIFY(waitCanvas([](const Canvas& c) { return isRed(c.at(200, 120)); }));
        Canvas c;
        QVERIFY(c.read(h));
        QCOMPARE(c.width, 640);
        QCOMPARE(c.height, 360);
        // Inside the rectangle's edges red, just outside black.
        QVERIFY(isRed(c.at(102, 62)));
        QVERIFY(isRed(c.at(297, 177)));
        QVERIFY(isBlack(c.at(96, 120)));
        QVERIFY(isBlack(c.at(304, 120)));
        QVERIFY(isBlack(c.at(200, 184)));
        int rect[4] = {};
        QCOMPARE(ZDT_LayerComposedRect(h, "101", rect), 1);
        QCOMPARE(QVector<int>(rect, rect + 4), QVector<int>({100, 60, 200, 120}));
        // The source's size is reported for the layer, and its open result.
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                return !reportsFor(6666, 101).isEmpty() && !reportsFor(67853, 101).isEmpty();
            },
            5000));
        QCOMPARE(reportsFor(6666, 101).first().lParam, (64LL << 16) | 48);
        QCOMPARE(reportsFor(67853, 101).first().lParam, 0LL);
        QCOMPARE(reportsFor(67853, 101).first().target, static_cast<void*>(&sink));
    }

    void zOrderAndAlphaDecideWhatShows_data()
    {
        QTest::addColumn<int>("redZ");
        QTest::addColumn<int>("blueZ");
        QTest::addColumn<int>("blueAlpha");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blue on top") << 0 << 1 << 100 << "blue";
        QTest::newRow("red on top") << 2 << 1 << 100 << "red";
        QTest::newRow("half blue over red") << 0 << 1 << 50 << "purple";
        QTest::newRow("invisible blue") << 0 << 1 << 0 << "red";
    }
    void zOrderAndAlphaDecideWhatShows()
    {
        QFETCH(int, redZ);
        QFETCH(int, blueZ);
        QFETCH(int, blueAlpha);
        QFETCH(QString, expected);
        LIVEPIP_PARAMTERS red = record(0, 0, 320, 180, 100, 1, redZ);
        setPictures(red, pictureList("red", 255, 0, 0));
        LIVEPIP_PARAMTERS blue = record(160, 90, 320, 180, blueAlpha, 1, blueZ);
        setPictures(blue, pictureList("blue", 0, 0, 255));
        QCOMPARE(ZD_AddOverlayDevice(h, "1", 1, &red), 1);
        QCOMPARE(ZD_AddOverlayDevice(h, "2", 1, &blue), 1);
        // Where only one layer lies it shows alone; where both lie, the
        // expected one.
        QVERIFY(waitCanvas([&](const Canvas& c) {
            const Bgrx o = c.at(240, 135);
            const bool overlap = expected == "red" ? isRed(o)
                                 : expected == "blue"
                                     ? isBlue(o)
                                     : (o.r > 90 && o.r < 170 && o.b > 90 && o.b < 170 && o.g < 40);
            // Half of blue over black elsewhere is a dark blue.
            const Bgrx alone = c.at(440, 250);
            const bool blueAlone = blueAlpha == 100 ? isBlue(alone)
                                   : blueAlpha == 0 ? isBlack(alone)
                                                    : alone.b > 90 && alone.b < 170 && alone.r < 40;
            return overlap && isRed(c.at(40, 40)) && blueAlone;
        }));
    }

    // The GUI thread moves layers up and down while the canvas composes;
    // each frame is drawn in one order, whatever the edits do meanwhile,
    // and in the end the one on top shows.
    void layersMovedWhileComposing()
    {
        constexpr int kLayers = 14;
        const QString red = pictureList("red", 255, 0, 0), blue = pictureList("blue", 0, 0, 255);
        for (int i = 0; i < kLayers; ++i) {
            LIVEPIP_PARAMTERS p = record(i * 8, i * 4, 320, 180, 100, 1, i);
            setPictures(p, i == 0 ? blue : red);
            QCOMPARE(ZD_AddOverlayDevice(h, QByteArray::number(500 + i).constData(), 1, &p), 1);
        }
        QVERIFY(waitCanvas([](const Canvas& c) { return isRed(c.at(200, 120)); }));
        QElapsedTimer moving;
        moving.start();
        for (int round = 0; moving.elapsed() < 3000; ++round) {
            for (int i = 0; i < kLayers; ++i) {
                LIVEPIP_PARAMTERS e = record(0, 0, 0, 0, 100, 1, round % 2 ? kLayers - i : i);
                QCOMPARE(ZD_EditOverlayDeviceCfg(h, QByteArray::number(500 + i).constData(), 8, &e),
                         1);
            }
        }
        LIVEPIP_PARAMTERS top = record(0, 0, 0, 0, 100, 1, 100);
        QCOMPARE(ZD_EditOverlayDeviceCfg(h, "500", 8, &top), 1);
        QVERIFY(waitCanvas([](const Canvas& c) { return isBlue(c.at(200, 120)); }));
    }

    void editMasksChangeOnlyWhatTheyName_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("enabled");
        QTest::addColumn<bool>("moved");
        QTest::addColumn<int>("alpha");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("delay");
        QTest::newRow("rectangle") << 1 << 1 << true << 100 << true << 3;
        QTest::newRow("alpha") << 2 << 1 << false << 40 << true << 3;
        QTest::newRow("kind block") << 4 << 1 << false << 100 << true << 7;
        QTest::newRow("z order alone") << 8 << 0 << false << 100 << true << 3;
        QTest::newRow("enable") << 16 << 0 << false << 100 << false << 3;
        QTest::newRow("volume") << 32 << 0 << false << 100 << true << 3;
        QTest::newRow("rectangle and alpha") << 3 << 1 << true << 40 << true << 3;
    }
    void editMasksChangeOnlyWhatTheyName()
    {
        QFETCH(int, mask);
        QFETCH(int, enabled);
        QFETCH(bool, moved);
        QFETCH(int, alpha);
        QFETCH(bool, shown);
        QFETCH(int, delay);
        const QString list = pictureList("red", 255, 0, 0);
        LIVEPIP_PARAMTERS p = record(0, 0, 200, 120);
        setPictures(p, list, 3);
        QCOMPARE(ZD_AddOverlayDevice(h, "300", 1, &p), 1);
        QVERIFY(waitCanvas([](const Canvas& c) { return isRed(c.at(100, 60)); }));

        // Everything differs in the edit; the mask says what counts.
        LIVEPIP_PARAMTERS e = record(400, 200, 200, 120, 40, enabled, 5, 30);
        setPictures(e, list, 7, 0, ZD_PICTURE_CMD_APPLY);
        QCOMPARE(ZD_EditOverlayDeviceCfg(h, "300", mask, &e), 1);

        const int cx = moved ? 500 : 100, cy = moved ? 260 : 60;
        const int ox = moved ? 100 : 500, oy = moved ? 60 : 260;
        QVERIFY(waitCanvas([&](const Canvas& c) {
            const Bgrx in = c.at(cx, cy);
            const bool look = !shown         ? isBlack(in)
                              : alpha == 100 ? isRed(in)
                                             : (in.r > 80 && in.r < 130 && in.g < 30);
            return look && isBlack(c.at(ox, oy));
        }));
        SCENE_PICTURE_PARAMS back{};
        int size = sizeof back;
        QCOMPARE(ZD_GetOverlayPrivateData(h, "300", &back, &size), 1);
        QCOMPARE(size, int(sizeof back));
        QCOMPARE(back.delaySecs, delay);
        QCOMPARE(QString::fromUtf8(back.listPath), list);
    }

    void refusedRecords_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("value");
        // field: 0 none, 1 width, 2 alpha, 3 delay, 4 order, 5 text size,
        // 6 volume, 7 x
        QTest::newRow("empty key") << QByteArray("") << 1 << 0 << 0;
        QTest::newRow("key 0") << QByteArray("0") << 1 << 0 << 0;
        QTest::newRow("key with a leading zero") << QByteArray("07") << 1 << 0 << 0;
        QTest::newRow("key not a number") << QByteArray("cam") << 1 << 0 << 0;
        QTest::newRow("key beyond 32 bits") << QByteArray("99999999999") << 1 << 0 << 0;
        QTest::newRow("key already used") << QByteArray("5") << 1 << 0 << 0;
        QTest::newRow("unknown kind") << QByteArray("6") << 5 << 0 << 0;
        QTest::newRow("negative width") << QByteArray("6") << 1 << 1 << -2;
        QTest::newRow("alpha above 100") << QByteArray("6") << 1 << 2 << 101;
        QTest::newRow("volume above 100") << QByteArray("6") << 1 << 6 << 250;
        QTest::newRow("far outside the canvas") << QByteArray("6") << 1 << 7 << 1000000;
        QTest::newRow("delay of 100 s") << QByteArray("6") << 1 << 3 << 100;
        QTest::newRow("order 2") << QByteArray("6") << 1 << 4 << 2;
        QTest::newRow("text size 5000") << QByteArray("6") << 4 << 5 << 5000;
    }
    void refusedRecords()
    {
        QFETCH(QByteArray, key);
        QFETCH(int, kind);
        QFETCH(int, field);
        QFETCH(int, value);
        LIVEPIP_PARAMTERS first = record(0, 0, 100, 100);
        setText(first, "A", 32, 0xFFFFFF);
        QCOMPARE(ZD_AddOverlayDevice(h, "5", 4, &first), 1);

        LIVEPIP_PARAMTERS p = record(0, 0, 100, 100);
        if (kind == 4) {
            setText(p, "B", field == 5 ? value : 32, 0xFFFFFF);
        } else {
            setPictures(p, pictureList("red", 255, 0, 0), field == 3 ? value : 3,
                        field == 4 ? value : 0);
        }
        if (field == 1)
            p.width = value;
        if (field == 2)
            p.alpha = value;
        if (field == 6)
            p.volume = value;
        if (field == 7)
            p.x = value;
        QCOMPARE(ZD_AddOverlayDevice(h, key.constData(), kind, &p), 0);
        // An edit of a known layer is held to the same ranges, for the
        // fields its mask names.
        if (field == 1 || field == 2 || field == 7) {
            QCOMPARE(ZD_EditOverlayDeviceCfg(h, "5", field == 2 ? 2 : 1, &p), 0);
            QCOMPARE(ZD_EditOverlayDeviceCfg(h, "5", 16, &p), 1);
        }
        QCOMPARE(ZD_DeleteOverlayDevice(h, "5"), 1);
        QCOMPARE(ZD_DeleteOverlayDevice(h, "5"), 0);
    }

    void listFilesAreReadOnlyWhenRegular()
    {
        // A list that is a folder or a pipe gives no source; the canvas goes on.
        const QString fifo = dir.filePath("list.fifo");
        QCOMPARE(QProcess::execute("mkfifo", {fifo}), 0);
        LIVEPIP_PARAMTERS p = record(0, 0, 100, 100);
        setPictures(p, fifo);
        QCOMPARE(ZD_AddOverlayDevice(h, "40", 1, &p), 1);
        setPictures(p, dir.path());
        QCOMPARE(ZD_AddOverlayDevice(h, "41", 1, &p), 1);
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                return reportsFor(67853, 40).size() == 1 && reportsFor(67853, 41).size() == 1;
            },
            5000));
        QCOMPARE(reportsFor(67853, 40).first().lParam, 1LL);
        QCOMPARE(reportsFor(67853, 41).first().lParam, 1LL);
        Canvas c;
        QVERIFY(c.read(h));
        QVERIFY(c.read(h));
    }

    void brokenPicturesAreFlaggedAndSkipped()
    {
        const QString missing = dir.filePath("missing.png");
        const QString garbage = dir.filePath("garbage.png");
        QFile g(garbage);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write(QByteArray(5000, 'x'));
        g.close();
        const QString red = dir.filePath("red.bmp");
        QVERIFY(writeBmp(red, 64, 48, 255, 0, 0));
        const QString list = dir.filePath("broken.picture-list");
        QVERIFY(writeList(list, {missing, garbage, "", red}));
        LIVEPIP_PARAMTERS p = record(0, 0, 320, 180);
        setPictures(p, list, 1);
        QCOMPARE(ZD_AddOverlayDevice(h, "77", 1, &p), 1);
        QVERIFY(waitCanvas([](const Canvas& c) { return isRed(c.at(100, 100)); }));
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                return reportsFor(12351, 77).size() >= 2;
            },
            5000));
        QList<long long> flagged;
        for (const ReceivedReport& r : reportsFor(12351, 77))
            flagged.append(r.lParam);
        QCOMPARE(flagged.mid(0, 2), QList<long long>({0, 1}));
        SCENE_PICTURE_PARAMS back{};
        int size = sizeof back;
        QCOMPARE(ZD_GetOverlayPrivateData(h, "77", &back, &size), 1);
        QCOMPARE(back.fileError[0], 1u);
        QCOMPARE(back.fileError[1], 1u);
        QCOMPARE(back.fileError[3], 0u);
        QCOMPARE(QString::fromUtf8(back.currentPath), red);
    }

    void textLayerDrawsItsText()
    {
        LIVEPIP_PARAMTERS p = record(0, 0, 640, 360);
        setText(p, "HH", 120, 0x0000FF00); // green
        QCOMPARE(ZD_AddOverlayDevice(h, "90", 4, &p), 1);
        QVERIFY(waitCanvas([](const Canvas& c) {
            int green = 0;
            for (int y = 0; y < 360; y += 4)
                for (int x = 0; x < 640; x += 4) {
                    const Bgrx v = c.at(x, y);
                    green += v.g > 150 && v.r < 80 && v.b < 80;
                }
            return green > 50;
        }));
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                return !reportsFor(6666, 90).isEmpty();
            },
            5000));
        const long long size = reportsFor(6666, 90).first().lParam;
        QVERIFY((size >> 16) > 100 && (size & 0xFFFF) > 60);
        // An empty text draws nothing.
        setText(p, "", 120, 0x0000FF00);
        QCOMPARE(ZD_EditOverlayDeviceCfg(h, "90", 6, &p), 1);
        QVERIFY(waitCanvas(
            [](const Canvas& c) { return isBlack(c.at(100, 100)) && isBlack(c.at(30, 60)); }));
    }

    void cameraLayerOpensItsDevice()
    {
        const DEV_NAME camera = testCamera();
        LIVEPIP_PARAMTERS p = record(320, 180, 320, 180);
        setDevice(p, camera);
        QCOMPARE(ZD_AddOverlayDevice(h, "11", 0, &p), 1);
        // The same camera cannot be opened by a second layer; an unknown one
        // is not found. Both are reported, and the canvas goes on.
        QCOMPARE(ZD_AddOverlayDevice(h, "12", 0, &p), 1);
        setDevice(p, devName("No Such Camera", "USB#VID_0000&PID_0000#x#", 1));
        QCOMPARE(ZD_AddOverlayDevice(h, "13", 0, &p), 1);
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                return !reportsFor(67853, 11).isEmpty() && !reportsFor(67853, 12).isEmpty() &&
                       !reportsFor(67853, 13).isEmpty() && !reportsFor(6666, 11).isEmpty();
            },
            5000));
        QCOMPARE(reportsFor(67853, 11).first().lParam, 0LL);
        QCOMPARE(reportsFor(67853, 12).first().lParam, 3LL);
        QCOMPARE(reportsFor(67853, 13).first().lParam, 1LL);
        QVERIFY(reportsFor(6666, 11).first().lParam > 0);
        // The pattern fills the lower right quarter; the rest stays black.
        QVERIFY(waitCanvas(
            [](const Canvas& c) { return !isBlack(c.at(330, 190)) && isBlack(c.at(100, 100)); }));
        QVERIFY(QTest::qWaitFor([&] { return ZD_GetFrameDataFps(h, "11") > 5; }, 5000));
    }

    void aRemovedCameraIsLostForItsLayerOnly()
    {
        QCOMPARE(ZD_StartUSBDeviceListen(h, &sink), 1);
        QCOMPARE(ZDT_AddDevice(h, R"({"name":"Desk Cam","path":"usb-desk","kind":1,)"
                                  R"("pictures":"testsrc2","formats":[{"width":320,"height":240,)"
                                  R"("fps":30,"fourcc":"I420","codec":"I420"}]})"),
                 1);
        LIVEPIP_PARAMTERS p = record(0, 0, 320, 180);
        setDevice(p, devName("Desk Cam", "usb-desk", 1));
        QCOMPARE(ZD_AddOverlayDevice(h, "31", 0, &p), 1);
        setDevice(p, testCamera());
        QCOMPARE(ZD_AddOverlayDevice(h, "32", 0, &p), 1);
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                return !reportsFor(67853, 31).isEmpty() && !reportsFor(67853, 32).isEmpty();
            },
            5000));
        QCOMPARE(reportsFor(67853, 31).first().lParam, 0LL);
        sink.reset();
        QCOMPARE(ZDT_RemoveDevice(h, "usb-desk"), 1);
        sink.drain(h);
        const QList<ReceivedReport> removal = sink.ofMessage(8965);
        QCOMPARE(removal.size(), 1);
        int lost = -1;
        QCOMPARE(ZD_QueryDeviceLost(h, "31", removal.first().ptr, &lost), 1);
        QCOMPARE(lost, 1);
        QCOMPARE(ZD_QueryDeviceLost(h, "32", removal.first().ptr, &lost), 1);
        QCOMPARE(lost, 0);
        // The canvas itself lost nothing.
        QCOMPARE(ZD_QueryDeviceLost(h, nullptr, removal.first().ptr, &lost), 1);
        QCOMPARE(lost, 0);
        QCOMPARE(ZD_QueryDeviceLost(h, "99", removal.first().ptr, &lost), 0);
    }

    void cameraLayerRunsTheFiltersOfItsKey()
    {
        LIVEPIP_PARAMTERS p = record(0, 0, 640, 360);
        setDevice(p, testCamera());
        QCOMPARE(ZD_AddOverlayDevice(h, "14", 0, &p), 1);
        // The pattern's grey ramp along the bottom runs from dark to light;
        // mirrored by the layer's filter, from light to dark.
        auto ramp = [](const Canvas& c, bool mirrored) {
            const Bgrx left = c.at(4, 357), right = c.at(635, 357);
            return mirrored ? (left.g > 200 && right.g < 50) : (left.g < 50 && right.g > 200);
        };
        QVERIFY(waitCanvas([&](const Canvas& c) { return ramp(c, false); }));
        QCOMPARE(ZD_AddFilter(h, "14", 1, 1, "hflip", 7), 1);
        QVERIFY(waitCanvas([&](const Canvas& c) { return ramp(c, true); }));
        // The canvas's own chain (no key) is another one.
        QCOMPARE(ZD_DeleteFilter(h, nullptr, ZD_ALL_FILTERS), 1);
        QVERIFY(waitCanvas([&](const Canvas& c) { return ramp(c, true); }));
        QCOMPARE(ZD_DeleteFilter(h, "14", 7), 1);
        QVERIFY(waitCanvas([&](const Canvas& c) { return ramp(c, false); }));
    }

    void soundLayersAreMixedWithTheirVolume()
    {
        const DEV_NAME mic = testMicrophone();
        LIVEPIP_PARAMTERS p = record(0, 0, 0, 0);
        setDevice(p, mic);
        QCOMPARE(ZD_AddOverlayDevice(h, "21", 3, &p), 1);
        // Levels of the tone come in; at volume 0 they fall to 0.
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                for (const ReceivedReport& r : reportsFor(98640, 21))
                    if (r.lParam > 10)
                        return true;
                return false;
            },
            10000));
        p.volume = 0;
        QCOMPARE(ZD_EditOverlayDeviceCfg(h, "21", 32, &p), 1);
        sink.reset();
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.drain(h);
                const QList<ReceivedReport> levels = reportsFor(98640, 21);
                return levels.size() >= 3 && levels.last().lParam == 0;
            },
            10000));
    }

private:
    QString pictureList(const QString& name, uint8_t r, uint8_t g, uint8_t b)
    {
        const QString picture = dir.filePath(name + ".bmp");
        const QString list = dir.filePath(name + ".picture-list");
        if (!writeBmp(picture, 64, 48, r, g, b) || !writeList(list, {picture}))
            return QString();
        return list;
    }

    QList<ReceivedReport> reportsFor(unsigned int msg, unsigned long key) const
    {
        QList<ReceivedReport> found;
        for (const ReceivedReport& r : sink.ofMessage(msg))
            if (r.wParam == key)
                found.append(r);
        return found;
    }

    template <typename Cond> bool waitCanvas(Cond cond)
    {
        Canvas c;
        return zdtest::waitFor([&] { return c.read(h) && cond(c); }, 15000, 1);
    }

    QTemporaryDir dir;
    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstEngineLiveCanvas, QCoreApplication)
#include "tst_enginelivecanvas.moc"
