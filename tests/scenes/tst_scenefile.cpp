// The scene file byte for byte: its header, its 4660-byte layer records with
// every field of the device, movie, picture and text blocks at its offset,
// the per-mille and preview mappings, and what the readers refuse: damaged
// headers, damaged records, names that would leave the scene folder, and
// saves that could not reach the disk.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstring>

#include "cpublic.h"
#include "scenefile.h"
#include "sceneitemdata.h"
#include "scenelistfile.h"
#include "stdafx.h"
#include "zdtestmain.h"

namespace
{

int32_t intAt(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<int32_t>(bytes.constData() + offset);
}

QByteArray textAt(const QByteArray& bytes, int offset, int size)
{
    const QByteArray field = bytes.mid(offset, size);
    const int nul = int(field.indexOf('\0'));
    return nul < 0 ? field : field.left(nul);
}

SceneItemData_Save validRecord(int kind = SCENE_KIND_TEXT)
{
    SceneItemData_Save r;
    std::memset(&r, 0, sizeof r);
    r.type = kind;
    r.enabled = 1;
    r.w = 500;
    r.h = 500;
    std::strcpy(r.uuid, "123");
    std::strcpy(r.name, "Layer");
    return r;
}

QByteArray headerBytes(int32_t magic, int32_t w, int32_t h, int32_t fps, int32_t count)
{
    QByteArray b(20, '\0');
    qToLittleEndian(magic, b.data());
    qToLittleEndian(w, b.data() + 4);
    qToLittleEndian(h, b.data() + 8);
    qToLittleEndian(fps, b.data() + 12);
    qToLittleEndian(count, b.data() + 16);
    return b;
}

} // namespace

class TestSceneFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        g_Global.liveWidth = 1920;
        g_Global.liveHeight = 1080;
        g_Global.liveFps = 30;
    }

    // Every field of the header and of a record, and of each kind block, at
    // its offset in the bytes of the file.
    void bytesOfEveryKind()
    {
        SceneItemData device, movie, picture, text;
        device.InitDefaultData(SCENE_KIND_CAMERA);
        SCENE_DEVICE_PARAMS* d = device.deviceParams();
        std::strcpy(d->device.name, "Cam A");
        std::strcpy(d->device.path, "VID_1234&PID_5678");
        d->device.kind = 1;
        d->format.width = 1280;
        d->format.height = 720;
        d->format.fps = 60;
        d->format.fourcc = 0x32595559;
        std::strcpy(d->format.codecName, "YUY2");
        d->format.fpsChoices[0] = 7;
        d->format.fpsChoices[1] = 8;
        d->autoAudio = 1;
        device.rect = QRect(QPoint(0, 0), QPoint(959, 539));
        device.alpha = 77;
        device.volume = 55;
        device.locked = true;
        device.zOrder = 0;
        device.sourceWidth = 1280;
        device.sourceHeight = 720;

        movie.InitDefaultData(SCENE_KIND_MOVIE);
        SCENE_MOVIE_PARAMS* m = movie.movieParams();
        m->command = 16;
        std::strcpy(m->listPath, "/cache/1.movie-list");
        m->fileError[3] = 1;
        std::strcpy(m->currentPath, "/v/a.mp4");
        m->currentIndex = 2;
        m->positionMs = 1000;
        m->durationMs = 5000;
        m->playState = 2;
        m->loopMode = 1;

        picture.InitDefaultData(SCENE_KIND_PICTURES);
        SCENE_PICTURE_PARAMS* p = picture.pictureParams();
        p->order = 1;

        text.InitDefaultData(SCENE_KIND_TEXT);
        SCENE_TEXT_PARAMS* t = text.textParams();
        std::strcpy(t->text, "Hello");
        t->bold = 1;
        t->italic = 1;
        t->colour = 0x00112233;
        text.enabled = false;
        text.keepAspect = false;

        QList<SceneItemData_Save> records;
        for (SceneItemData* layer : {&device, &movie, &picture, &text}) {
            SceneItemData_Save r;
            layer->GetSaveData(&r, 1920, 1080);
            records << r;
        }
        const SCENE_FILE_HEADER header = {SceneFile::kMagic, 1280, 720, 25, 0};
        const QByteArray bytes = SceneFile::Serialize(header, records);

        QCOMPARE(bytes.size(), 20 + 4 * 4660);
        QCOMPARE(bytes.left(4), QByteArray("\x01\x00\xFF\xFF", 4));
        QCOMPARE(intAt(bytes, 4), 1280);
        QCOMPARE(intAt(bytes, 8), 720);
        QCOMPARE(intAt(bytes, 12), 25);
        QCOMPARE(intAt(bytes, 16), 4);

        const int r0 = 20, r1 = 20 + 4660, r2 = 20 + 2 * 4660, r3 = 20 + 3 * 4660;
        // The record's own fields.
        QCOMPARE(intAt(bytes, r0 + 0), SCENE_KIND_CAMERA);
        QCOMPARE(intAt(bytes, r0 + 4), 1);
        QCOMPARE(intAt(bytes, r0 + 8), 1);
        QCOMPARE(intAt(bytes, r0 + 12), 77);
        QCOMPARE(intAt(bytes, r0 + 16), 0);
        QCOMPARE(intAt(bytes, r0 + 20), 55);
        QCOMPARE(intAt(bytes, r0 + 24), 0);
        QCOMPARE(intAt(bytes, r0 + 28), 0);
        QCOMPARE(intAt(bytes, r0 + 32), 500);
        QCOMPARE(intAt(bytes, r0 + 36), 500);
        QCOMPARE(intAt(bytes, r0 + 40), 1);
        QCOMPARE(intAt(bytes, r0 + 44), 1280);
        QCOMPARE(intAt(bytes, r0 + 48), 720);
        QCOMPARE(textAt(bytes, r0 + 52, 256), device.uuid.toLatin1());
        QCOMPARE(textAt(bytes, r0 + 308, 256), device.name.toLatin1());
        // Device block.
        const int k0 = r0 + 564;
        QCOMPARE(textAt(bytes, k0 + 0, 256), QByteArray("Cam A"));
        QCOMPARE(textAt(bytes, k0 + 256, 1024), QByteArray("VID_1234&PID_5678"));
        QCOMPARE(intAt(bytes, k0 + 1280), 1);
        QCOMPARE(intAt(bytes, k0 + 1284), 1280);
        QCOMPARE(intAt(bytes, k0 + 1288), 720);
        QCOMPARE(intAt(bytes, k0 + 1292), 60);
        QCOMPARE(quint32(intAt(bytes, k0 + 1296)), 0x32595559u);
        QCOMPARE(textAt(bytes, k0 + 1300, 64), QByteArray("YUY2"));
        QCOMPARE(intAt(bytes, k0 + 1364), 7);
        QCOMPARE(intAt(bytes, k0 + 1368), 8);
        QCOMPARE(intAt(bytes, k0 + 1372), 1);
        // Movie block.
        const int k1 = r1 + 564;
        QCOMPARE(intAt(bytes, r1), SCENE_KIND_MOVIE);
        QCOMPARE(intAt(bytes, k1 + 0), 16);
        QCOMPARE(textAt(bytes, k1 + 4, 256), QByteArray("/cache/1.movie-list"));
        QCOMPARE(intAt(bytes, k1 + 260 + 3 * 4), 1);
        QCOMPARE(intAt(bytes, k1 + 260 + 2 * 4), 0);
        QCOMPARE(textAt(bytes, k1 + 1284, 256), QByteArray("/v/a.mp4"));
        QCOMPARE(intAt(bytes, k1 + 1540), 2);
        QCOMPARE(intAt(bytes, k1 + 1544), 1000);
        QCOMPARE(intAt(bytes, k1 + 1548), 5000);
        QCOMPARE(intAt(bytes, k1 + 1552), 2);
        QCOMPARE(intAt(bytes, k1 + 1556), 1);
        // Pictures block: the default delay and the order.
        const int k2 = r2 + 564;
        QCOMPARE(intAt(bytes, k2 + 1544), 1);
        QCOMPARE(intAt(bytes, k2 + 1548), 3);
        // Text block and a disabled layer without keep aspect.
        const int k3 = r3 + 564;
        QCOMPARE(intAt(bytes, r3 + 4), 0);
        QCOMPARE(intAt(bytes, r3 + 40), 0);
        QCOMPARE(textAt(bytes, k3 + 0, 256), QByteArray("Hello"));
        QCOMPARE(textAt(bytes, k3 + 256, 64), QByteArray("Tahoma"));
        QCOMPARE(intAt(bytes, k3 + 320), 96);
        QCOMPARE(intAt(bytes, k3 + 324), 1);
        QCOMPARE(intAt(bytes, k3 + 328), 1);
        QCOMPARE(quint32(intAt(bytes, k3 + 332)), 0x00112233u);

        // And back: the same header, the same record bytes.
        SCENE_FILE_HEADER back;
        QList<SceneItemData_Save> parsed;
        int skipped = -1;
        // The movie's list path lies outside CacheData: that record alone is
        // left out.
        QVERIFY(SceneFile::Parse(bytes, back, parsed, &skipped));
        QCOMPARE(skipped, 1);
        QCOMPARE(parsed.size(), 3);
        records[1] = validRecord(SCENE_KIND_MOVIE);
        const QByteArray clean = SceneFile::Serialize(header, records);
        QVERIFY(SceneFile::Parse(clean, back, parsed, &skipped));
        QCOMPARE(skipped, 0);
        QCOMPARE(parsed.size(), 4);
        QCOMPARE(back.width, 1280);
        QCOMPARE(back.fps, 25);
        QCOMPARE(SceneFile::Serialize(back, parsed), clean);
    }

    // A layer rebuilt from its record lands where it was, on this canvas or
    // a smaller one; an audio layer's null rectangle stays null.
    void recordToLayer_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("canvasW");
        QTest::addColumn<int>("canvasH");
        QTest::addColumn<QRect>("loaded");
        const QRect half(QPoint(0, 0), QPoint(959, 539));
        QTest::newRow("same canvas") << half << 1920 << 1080 << half;
        QTest::newRow("smaller canvas")
            << half << 1280 << 720 << QRect(QPoint(0, 0), QPoint(639, 359));
        QTest::newRow("audio null rect") << QRect() << 1920 << 1080 << QRect();
    }
    void recordToLayer()
    {
        QFETCH(QRect, rect);
        QFETCH(int, canvasW);
        QFETCH(int, canvasH);
        QFETCH(QRect, loaded);
        SceneItemData layer;
        layer.rect = rect;
        layer.uuid = "42";
        SceneItemData_Save record;
        layer.GetSaveData(&record, 1920, 1080);
        g_Global.liveBaseWidth = canvasW;
        g_Global.liveBaseHeight = canvasH;
        SceneItemData back(nullptr, record);
        g_Global.liveBaseWidth = 0;
        g_Global.liveBaseHeight = 0;
        QCOMPARE(back.rect, loaded);
        QCOMPARE(back.uuid, QString("42"));
    }

    void coordinateMaps_data()
    {
        QTest::addColumn<QRect>("canvas");
        QTest::addColumn<QSize>("canvasSize");
        QTest::addColumn<QSize>("view");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("backToCanvas");
        auto R = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); };
        QTest::newRow("quarter, half-size view")
            << R(0, 0, 959, 539) << QSize(1920, 1080) << QSize(960, 540) << R(0, 0, 479, 269)
            << R(0, 0, 959, 539);
        QTest::newRow("offset, odd view")
            << R(100, 50, 299, 149) << QSize(1920, 1080) << QSize(641, 361) << R(33, 16, 99, 49)
            << R(98, 47, 297, 147);
        QTest::newRow("whole canvas") << R(0, 0, 1919, 1079) << QSize(1920, 1080) << QSize(800, 450)
                                      << R(0, 0, 799, 449) << R(0, 0, 1919, 1079);
        QTest::newRow("no view: nothing to map")
            << R(0, 0, 959, 539) << QSize(1920, 1080) << QSize(0, 0) << QRect() << QRect();
        QTest::newRow("no canvas: nothing to map")
            << R(0, 0, 959, 539) << QSize(0, 0) << QSize(800, 450) << QRect() << QRect();
    }
    void coordinateMaps()
    {
        QFETCH(QRect, canvas);
        QFETCH(QSize, canvasSize);
        QFETCH(QSize, view);
        QFETCH(QRect, window);
        QFETCH(QRect, backToCanvas);
        const QRect w = SceneCoords::CanvasToWindow(canvas, canvasSize.width(), canvasSize.height(),
                                                    view.width(), view.height());
        QCOMPARE(w, window);
        QCOMPARE(SceneCoords::WindowToCanvas(w, canvasSize.width(), canvasSize.height(),
                                             view.width(), view.height()),
                 backToCanvas);
    }

    void perMille_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("quarter") << QRect(QPoint(0, 0), QPoint(959, 539))
                                 << QList<int>{0, 0, 500, 500};
        QTest::newRow("rounds up")
            << QRect(QPoint(1, 1), QPoint(10, 10)) << QList<int>{1, 1, 6, 10};
        QTest::newRow("null rect") << QRect() << QList<int>{0, 0, 0, 0};
    }
    void perMille()
    {
        QFETCH(QRect, rect);
        QFETCH(QList<int>, expected);
        int32_t x, y, w, h;
        SceneCoords::CanvasToPerMille(rect, 1920, 1080, x, y, w, h);
        QCOMPARE((QList<int>{x, y, w, h}), expected);
    }

    // Every exit saves the working scene and every start loads it: a layer
    // loaded from per mille values must save back to the same values, or it
    // creeps up and left and shrinks a little with each start.
    void perMilleSurvivesReload_data()
    {
        QTest::addColumn<int>("base");
        for (int base : {1920, 1080, 1280, 3840, 2160, 720, 640, 320})
            QTest::newRow(qPrintable(QString::number(base))) << base;
    }
    void perMilleSurvivesReload()
    {
        QFETCH(int, base);
        for (int p = 0; p <= 1000; ++p) {
            const QRect loaded =
                SceneCoords::PerMilleToCanvas(p, p, 1000 - p, 1000 - p, base, base);
            int32_t x, y, w, h;
            SceneCoords::CanvasToPerMille(loaded, base, base, x, y, w, h);
            const QRect again = SceneCoords::PerMilleToCanvas(x, y, w, h, base, base);
            QCOMPARE(again, loaded);
            // Where a per mille is at least one pixel, the numbers themselves
            // come back.
            if (base >= 1000)
                QCOMPARE((QList<int>{x, y, w, h}), (QList<int>{p, p, 1000 - p, 1000 - p}));
        }
    }

    // A damaged header refuses the whole file.
    void badHeader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wrong magic") << headerBytes(-65534, 0, 0, 0, 0);
        QTest::newRow("width 319") << headerBytes(-65535, 319, 240, 30, 0);
        QTest::newRow("width 3841") << headerBytes(-65535, 3841, 2160, 30, 0);
        QTest::newRow("height 2161") << headerBytes(-65535, 3840, 2161, 30, 0);
        QTest::newRow("width without height") << headerBytes(-65535, 1280, 0, 30, 0);
        QTest::newRow("fps 14") << headerBytes(-65535, 0, 0, 14, 0);
        QTest::newRow("fps 61") << headerBytes(-65535, 0, 0, 61, 0);
        QTest::newRow("negative count") << headerBytes(-65535, 0, 0, 0, -1);
        QTest::newRow("huge count") << headerBytes(-65535, 0, 0, 0, 0x7FFFFFFF);
        QTest::newRow("short") << headerBytes(-65535, 0, 0, 0, 0).left(19);
    }
    void badHeader()
    {
        QFETCH(QByteArray, bytes);
        SCENE_FILE_HEADER h = {1, 2, 3, 4, 5};
        QList<SceneItemData_Save> records;
        QVERIFY(!SceneFile::Parse(bytes, h, records));
        QCOMPARE(h.magic, 1); // nothing taken over
        QCOMPARE(h.width, 2);
    }

    void goodHeader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("settings kept") << headerBytes(-65535, 0, 0, 0, 0);
        QTest::newRow("smallest") << headerBytes(-65535, 320, 240, 15, 0);
        QTest::newRow("largest") << headerBytes(-65535, 3840, 2160, 60, 0);
    }
    void goodHeader()
    {
        QFETCH(QByteArray, bytes);
        SCENE_FILE_HEADER h;
        QList<SceneItemData_Save> records;
        QVERIFY(SceneFile::Parse(bytes, h, records));
    }

    // A damaged record is left out; the records around it load.
    void badRecord_data()
    {
        QTest::addColumn<int>("field"); // which change to make
        QTest::addColumn<bool>("kept");
        QTest::newRow("valid") << 0 << true;
        QTest::newRow("kind 5") << 1 << false;
        QTest::newRow("kind -1") << 2 << false;
        QTest::newRow("empty key") << 3 << false;
        QTest::newRow("key with a letter") << 4 << false;
        QTest::newRow("key of six digits") << 5 << false;
        QTest::newRow("x 1001") << 6 << false;
        QTest::newRow("width -1") << 7 << false;
        QTest::newRow("list outside CacheData") << 8 << false;
        QTest::newRow("list climbing out of CacheData") << 9 << false;
        QTest::newRow("list inside CacheData") << 10 << true;
        QTest::newRow("key of a full field") << 11 << false;
        QTest::newRow("text layer with any block") << 12 << true;
    }
    void badRecord()
    {
        QFETCH(int, field);
        QFETCH(bool, kept);
        SceneItemData_Save r = validRecord(SCENE_KIND_MOVIE);
        char* list = reinterpret_cast<char*>(r.params) + 4;
        const QByteArray cache = CPublic::GetCacheDataPath().toLocal8Bit();
        switch (field) {
        case 1:
            r.type = 5;
            break;
        case 2:
            r.type = -1;
            break;
        case 3:
            r.uuid[0] = 0;
            break;
        case 4:
            std::strcpy(r.uuid, "12a");
            break;
        case 5:
            std::strcpy(r.uuid, "123456");
            break;
        case 6:
            r.x = 1001;
            break;
        case 7:
            r.w = -1;
            break;
        case 8:
            std::strcpy(list, "/etc/passwd");
            break;
        case 9:
            std::strcpy(list, (cache + "/../x.movie-list").constData());
            break;
        case 10:
            std::strcpy(list, (cache + "/1.movie-list").constData());
            break;
        case 11:
            std::memset(r.uuid, '1', sizeof r.uuid);
            break;
        case 12:
            r.type = SCENE_KIND_TEXT;
            std::strcpy(list, "/etc/passwd");
            break;
        default:
            break;
        }
        const QByteArray bytes = SceneFile::Serialize({SceneFile::kMagic, 0, 0, 0, 0},
                                                      {validRecord(), r, validRecord()});
        SCENE_FILE_HEADER h;
        QList<SceneItemData_Save> records;
        int skipped = -1;
        QVERIFY(SceneFile::Parse(bytes, h, records, &skipped));
        QCOMPARE(records.size(), kept ? 3 : 2);
        QCOMPARE(skipped, kept ? 0 : 1);
        QCOMPARE(h.count, 3);
    }

    void shortFile()
    {
        QByteArray bytes = SceneFile::Serialize({SceneFile::kMagic, 0, 0, 0, 0},
                                                {validRecord(), validRecord(), validRecord()});
        bytes.chop(1);
        SCENE_FILE_HEADER h;
        QList<SceneItemData_Save> records;
        QVERIFY(SceneFile::Parse(bytes, h, records));
        QCOMPARE(records.size(), 2);
        QCOMPARE(h.count, 3);
    }

    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "A" << true;
        QTest::newRow("blanks") << " my scene " << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("nul") << QString("a") + QChar(0) + "b" << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("dot dot") << ".." << false;
        QTest::newRow("hidden") << ".scene" << false;
    }
    void names()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(SceneFile::IsValidName(name), valid);
        QCOMPARE(SceneFile::PathOf(name).isEmpty(), !valid && !name.isEmpty());
    }

    void defaultPath()
    {
        QCOMPARE(SceneFile::PathOf(QString()), CPublic::GetSceneDataPath() + "/default");
    }

    // A save reaches the disk whole or reports failure; a folder at the path,
    // or a link out of the application's folder, is never written through.
    void writeWhole()
    {
        const QString folder = CPublic::GetSceneDataPath();
        const QString path = folder + "/whole";
        QVERIFY(SceneFile::WriteWhole(path, "abc"));
        QVERIFY(SceneFile::WriteWhole(path, "de"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("de"));
        f.close();
        QCOMPARE(QDir(folder).entryList({"whole*"}, QDir::Files | QDir::Hidden).size(), 1);

        const QString dirPath = folder + "/a-folder";
        QDir().mkpath(dirPath);
        QVERIFY(!SceneFile::WriteWhole(dirPath, "x"));

        // A scene linked to a file outside the application's folder.
        QTemporaryDir outside;
        QVERIFY(outside.isValid());
        const QString target = outside.filePath("target");
        {
            QFile out(target);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("keep");
        }
        const QString link = folder + "/link";
        QFile::remove(link);
        QVERIFY(QFile::link(target, link));
        QVERIFY(!SceneFile::WriteWhole(link, "over"));
        QFile t(target);
        QVERIFY(t.open(QIODevice::ReadOnly));
        QCOMPARE(t.readAll(), QByteArray("keep"));
        SCENE_FILE_HEADER h;
        QList<SceneItemData_Save> records;
        QVERIFY(!SceneFile::Read(link, h, records));
    }

    void listFileRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("two lines")
            << QByteArray("/a.mp4\n/b.mp4\n") << QStringList{"/a.mp4", "/b.mp4"}
            << QByteArray("/a.mp4\n/b.mp4\n");
        QTest::newRow("no last line end")
            << QByteArray("/a\n/b") << QStringList{"/a", "/b"} << QByteArray("/a\n/b\n");
        QTest::newRow("empty middle line")
            << QByteArray("/a\n\n/b\n") << QStringList{"/a", "", "/b"} << QByteArray("/a\n\n/b\n");
        QTest::newRow("stops at NUL")
            << QByteArray("/a\n/b\0/c\n", 9) << QStringList{"/a", "/b"} << QByteArray("/a\n/b\n");
        QTest::newRow("empty") << QByteArray() << QStringList{} << QByteArray();
    }
    void listFileRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, written);
        const QString path = SceneListFile::NewPath(".movie-list");
        QVERIFY(SceneFile::WriteWhole(path, bytes));
        QStringList read;
        QVERIFY(SceneListFile::ReadLines(path, read));
        QCOMPARE(read, lines);
        QVERIFY(SceneListFile::WriteLines(path, read));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), written);
    }

    void keysAreDrawnAgain()
    {
        QSet<QString> used;
        for (int i = 0; i < 300; ++i) {
            const QString key = SceneItemData::NewKey(used);
            QVERIFY(key != "0");
            QVERIFY(!used.contains(key));
            const int v = key.toInt();
            QVERIFY(v >= 1 && v <= 32767);
            used.insert(key);
        }
    }

    void defaultNamesCountPerKind()
    {
        SceneItemData a, b, c;
        a.InitDefaultData(SCENE_KIND_AUDIO);
        b.InitDefaultData(SCENE_KIND_AUDIO);
        c.InitDefaultData(SCENE_KIND_AUDIO);
        const int n = a.name.mid(6).toInt();
        QCOMPARE(b.name, QString("Audio-%1").arg(n + 1));
        QCOMPARE(c.name, QString("Audio-%1").arg(n + 2));
        QCOMPARE(a.rect, QRect());
    }
};

ZD_TEST_MAIN(TestSceneFile, QApplication)
#include "tst_scenefile.moc"
