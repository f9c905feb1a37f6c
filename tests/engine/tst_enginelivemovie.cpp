// Movie layers of the live canvas: a play list played file after file, with
// pause, seek and a jump to a list position through the kind block, and a
// file that cannot be played flagged and skipped.
#include "livecanvassupport.h"
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace livetest;

class TstEngineLiveMovie : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            QSKIP("ffmpeg is not installed: no movies to play");
        QVERIFY(dir.isValid());
        QVERIFY(makeMovie("a.mp4", 160, 120, 2));
        QVERIFY(makeMovie("b.mp4", 320, 240, 3));
        QFile broken(dir.filePath("broken.mp4"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(20000, '\x17'));
    }
    void init()
    {
        sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        h = initEngine("livemovie");
        QVERIFY(h);
        QCOMPARE(openCanvas(h, &sink, 640, 360, 30), 1);
    }
    void cleanup()
    {
        ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }

    void commandsPlayPauseSeekAndSkip()
    {
        const QString list = dir.filePath("movies.movie-list");
        QVERIFY(writeList(
            list, {dir.filePath("a.mp4"), dir.filePath("broken.mp4"), dir.filePath("b.mp4")}));
        LIVEPIP_PARAMTERS p = record(0, 0, 320, 180);
        setMovie(p, list);
        QCOMPARE(ZD_AddOverlayDevice(h, "500", 2, &p), 1);
        QVERIFY(waitReport(12352, 0));
        QVERIFY(zdtest::waitFor([&] { return block().positionMs > 200; }));
        SCENE_MOVIE_PARAMS b = block();
        QCOMPARE(b.currentIndex, 0);
        QCOMPARE(QString::fromUtf8(b.currentPath), dir.filePath("a.mp4"));
        QVERIFY(qAbs(b.durationMs - 2000) < 100);
        QCOMPARE(b.playState, 1);

        // Pause holds the picture where it is.
        command(p, ZD_MOVIE_CMD_PAUSE, [](SCENE_MOVIE_PARAMS& m) { m.playState = 2; });
        QVERIFY(zdtest::waitFor([&] { return block().playState == 2; }));
        const int held = block().positionMs;
        int rect[4] = {};
        QCOMPARE(ZDT_LayerComposedRect(h, "500", rect), 1);
        Canvas before;
        QVERIFY(before.read(h));
        QTest::qWait(800);
        QCOMPARE(block().positionMs, held);
        Canvas after;
        QVERIFY(after.read(h));
        QCOMPARE(after.pixels, before.pixels);

        // Resumed and sought: the position moves to the asked place.
        command(p, ZD_MOVIE_CMD_PAUSE, [](SCENE_MOVIE_PARAMS& m) { m.playState = 1; });
        command(p, ZD_MOVIE_CMD_SEEK, [](SCENE_MOVIE_PARAMS& m) { m.positionMs = 1500; });
        QVERIFY(zdtest::waitFor([&] {
            const SCENE_MOVIE_PARAMS m = block();
            return m.playState == 1 && m.currentIndex == 0 && m.positionMs >= 1500;
        }));

        // After the end the broken file is flagged and skipped, the next plays.
        QVERIFY(waitReport(12351, 1));
        QVERIFY(waitReport(12352, 2));
        b = block();
        QCOMPARE(b.fileError[1], 1u);
        QCOMPARE(b.fileError[0], 0u);
        QVERIFY(waitReport(6666, (320LL << 16) | 240));

        // A jump back to the first file.
        sink.reset();
        command(p, ZD_MOVIE_CMD_PLAY_AT, [](SCENE_MOVIE_PARAMS& m) { m.currentIndex = 0; });
        QVERIFY(waitReport(12352, 0));
    }

    void loopOneRepeatsTheFile()
    {
        const QString list = dir.filePath("one.movie-list");
        QVERIFY(writeList(list, {dir.filePath("a.mp4"), dir.filePath("b.mp4")}));
        LIVEPIP_PARAMTERS p = record(0, 0, 320, 180);
        setMovie(p, list, 0, 1);
        QCOMPARE(ZD_AddOverlayDevice(h, "501", 2, &p), 1);
        QVERIFY(waitReport(12352, 0));
        sink.reset();
        // The 2 s file starts again; the second one never comes.
        QVERIFY(waitReport(12352, 0));
        for (const ReceivedReport& r : sink.ofMessage(12352))
            QCOMPARE(r.lParam, 0LL);
    }

private:
    bool makeMovie(const QString& name, int w, int h, int secs)
    {
        const QStringList args = {"-v",
                                  "error",
                                  "-y",
                                  "-f",
                                  "lavfi",
                                  "-i",
                                  QStringLiteral("testsrc=size=%1x%2:rate=25").arg(w).arg(h),
                                  "-f",
                                  "lavfi",
                                  "-i",
                                  "sine=frequency=440:sample_rate=48000",
                                  "-t",
                                  QString::number(secs),
                                  "-c:v",
                                  "mpeg4",
                                  "-c:a",
                                  "aac",
                                  "-shortest",
                                  dir.filePath(name)};
        return QProcess::execute("ffmpeg", args) == 0;
    }

    SCENE_MOVIE_PARAMS block()
    {
        SCENE_MOVIE_PARAMS m{};
        int size = sizeof m;
        if (ZD_GetOverlayPrivateData(h, "500", &m, &size) != 1)
            ZD_GetOverlayPrivateData(h, "501", &m, &size);
        return m;
    }

    template <typename Change> void command(LIVEPIP_PARAMTERS& p, int cmd, Change change)
    {
        SCENE_MOVIE_PARAMS m;
        std::memcpy(&m, p.kindBlock, sizeof m);
        m.command = cmd;
        change(m);
        std::memcpy(p.kindBlock, &m, sizeof m);
        QCOMPARE(ZD_EditOverlayDeviceCfg(h, "500", 4, &p), 1);
    }

    bool waitReport(unsigned int msg, long long lParam)
    {
        return QTest::qWaitFor(
            [&] {
                sink.drain(h);
                for (const ReceivedReport& r : sink.ofMessage(msg))
                    if (r.lParam == lParam)
                        return true;
                return false;
            },
            20000);
    }

    QTemporaryDir dir;
    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstEngineLiveMovie, QCoreApplication)
#include "tst_enginelivemovie.moc"
