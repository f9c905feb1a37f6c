// Sound against picture on every way out of the engine. The source flashes
// its picture white and beeps at the same instants once a second: in record
// mode the scripted sync camera and microphone of the device script, on the
// live canvas a movie of flashes and beeps that ffmpeg makes here. What the
// engine wrote or sent is read back as a player reads it (files, the RTMP
// stream, the share server's /preview) or as OBS is handed it (the plug-in's
// reading threads fed by the capture server), and for every flash the beep
// beside it must come within 20 ms; on the canvas a flash may show up to one
// canvas frame late, the tick on which the canvas takes the movie's picture.
// A microphone scripted to beep 40 ms late proves that the measurement sees
// what it is there to see.
#include "../engine/livecanvassupport.h"
#include "zdloopbackport.h"
#include "zdnginxrtmp.h"
#include "zdobstiming.h"
#include "zdsyncmeter.h"
#include "zdsyncsource.h"
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <semaphore.h>

using namespace livetest;
using zdtest::SyncFigures;
using zdtest::SyncMeter;

namespace
{

enum class Way { Record, Live, Preview, ObsSources };

constexpr int kWidth = 640, kHeight = 360, kFps = 30;
// The canvas ticks at twice the movie's rate: a flash shows at most a tick,
// 17 ms, late.
constexpr int kCanvasFps = 60;
constexpr double kGoalMs = 20;
constexpr double kCanvasTickMs = 1000.0 / kCanvasFps;

const DEV_NAME kCamera = devName(zdtest::kSyncCameraName, zdtest::kSyncCameraPath, 1);
const DEV_NAME kMicrophone = devName(zdtest::kSyncMicrophoneName, zdtest::kSyncMicrophonePath, 2);

QStringList qArguments(const std::vector<std::string>& arguments)
{
    QStringList out;
    for (const std::string& a : arguments)
        out.append(QString::fromStdString(a));
    return out;
}

RTMPSERVERPARAM server(const QString& url, void* owner)
{
    RTMPSERVERPARAM s{};
    std::strncpy(s.url, url.toUtf8().constData(), sizeof s.url - 1);
    std::strncpy(s.name, "Sync", sizeof s.name - 1);
    s.owner = reinterpret_cast<uintptr_t>(owner);
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Way)

class TstAvSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            QSKIP("ffmpeg is not installed: no movie of flashes and beeps");
        QVERIFY(dir.isValid());
        QVERIFY(makeMovie(movie(0), 0));
        QVERIFY(makeMovie(movie(40), 40));
    }
    void cleanup()
    {
        if (h)
            ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
        qunsetenv("VAZURIDAV_DEVICES");
    }

    // The measurement itself, on files whose sound is known to be on time
    // and 40 ms late.
    void meterReadsAKnownMovie_data()
    {
        QTest::addColumn<int>("soundLateMs");
        QTest::newRow("on time") << 0;
        QTest::newRow("sound 40 ms late") << 40;
    }
    void meterReadsAKnownMovie()
    {
        QFETCH(int, soundLateMs);
        SyncMeter meter;
        std::string error;
        QVERIFY2(zdtest::measureMedia(movie(soundLateMs).toStdString(), meter, error),
                 error.c_str());
        const SyncFigures f = meter.figures();
        QVERIFY2(f.pairs() >= 7, f.text().c_str());
        QVERIFY2(qAbs(f.minMs - soundLateMs) <= 1 && qAbs(f.maxMs - soundLateMs) <= 1,
                 f.text().c_str());
    }

    void soundMeetsPicture_data()
    {
        QTest::addColumn<Way>("way");
        QTest::addColumn<QString>("container");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("split");
        QTest::addColumn<int>("soundLateMs");
        QTest::newRow("record mp4") << Way::Record << "mp4" << false << false << 0;
        QTest::newRow("record ts") << Way::Record << "ts" << false << false << 0;
        QTest::newRow("record mp4 paused and resumed")
            << Way::Record << "mp4" << true << false << 0;
        QTest::newRow("record ts paused and resumed") << Way::Record << "ts" << true << false << 0;
        QTest::newRow("record split into parts") << Way::Record << "mp4" << false << true << 0;
        QTest::newRow("record of sound 40 ms late") << Way::Record << "mp4" << false << false << 40;
        // As a user streams: to a server with the FLV copy on, and the canvas
        // recorded at the same time.
        QTest::newRow("stream, FLV copy and recording of the canvas")
            << Way::Live << "mp4" << false << false << 0;
        QTest::newRow("share preview") << Way::Preview << "ts" << false << false << 0;
        QTest::newRow("OBS sources") << Way::ObsSources << "" << false << false << 0;
    }
    void soundMeetsPicture()
    {
        QFETCH(Way, way);
        QFETCH(QString, container);
        QFETCH(bool, paused);
        QFETCH(bool, split);
        QFETCH(int, soundLateMs);
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        sink.reset();
        const QString script = dir.filePath("devices.json");
        QFile scriptFile(script);
        const QByteArray text =
            QByteArray::fromStdString(zdtest::syncPairScript(kWidth, kHeight, kFps, soundLateMs));
        QVERIFY(scriptFile.open(QIODevice::WriteOnly) && scriptFile.write(text) == text.size());
        scriptFile.close();
        qputenv("VAZURIDAV_DEVICES", script.toUtf8());
        switch (way) {
        case Way::Record:
            recordDevice(container, paused, split, soundLateMs);
            break;
        case Way::Live:
            stream();
            break;
        case Way::Preview:
            preview();
            break;
        case Way::ObsSources:
            obsSources(script);
            break;
        }
    }

private:
    QString movie(int soundLateMs) const
    {
        return dir.filePath(QStringLiteral("flashes-%1.mp4").arg(soundLateMs));
    }

    bool makeMovie(const QString& path, int soundLateMs)
    {
        return QProcess::execute(
                   "ffmpeg", qArguments(zdtest::flashMovieArguments(
                                 path.toStdString(), kWidth, kHeight, kFps, 8, soundLateMs))) == 0;
    }

    void openSyncPair()
    {
        h = initEngine("sync");
        QVERIFY(h);
        DEV_CAPACITY format{};
        format.width = kWidth;
        format.height = kHeight;
        format.fps = kFps;
        QCOMPARE(ZD_OpenDevice(h, 0, &sink, 1, 0, &kCamera, &kMicrophone, &format, 10000000), 1);
    }

    void openCanvasWithMovie()
    {
        h = initEngine("sync-canvas");
        QVERIFY(h);
        QCOMPARE(openCanvas(h, &sink, kWidth, kHeight, kCanvasFps), 1);
        const QString list = dir.filePath("flashes.movie-list");
        QVERIFY(writeList(list, {movie(0)}));
        LIVEPIP_PARAMTERS p = record(0, 0, kWidth, kHeight);
        setMovie(p, list, 0, 1);
        QCOMPARE(ZD_AddOverlayDevice(h, "700", 2, &p), 1);
        // Playing once the layer reports a position.
        QVERIFY(zdtest::waitFor([&] {
            SCENE_MOVIE_PARAMS m{};
            int size = sizeof m;
            return ZD_GetOverlayPrivateData(h, "700", &m, &size) == 1 && m.positionMs > 300;
        }));
    }

    // Media of that many seconds goes by: the work under test is real time.
    static void letRun(int ms) { QTest::qWait(ms); }

    static SyncFigures measure(const QString& url, double maxSeconds = 0)
    {
        SyncMeter meter;
        std::string error;
        if (!zdtest::measureMedia(url.toStdString(), meter, error, maxSeconds, 60000))
            qWarning("%s", error.c_str());
        return meter.figures();
    }

    // Sound minus picture within the goal around expectedMs; on the canvas
    // the picture may come up to one canvas frame later still.
    static bool inSync(const QString& what, const SyncFigures& f, double expectedMs, bool canvas,
                       int leastPairs)
    {
        const QByteArray text = (what + ": ").toUtf8() + f.text().c_str();
        qInfo("%s", text.constData());
        auto within = [&](double centreMs) {
            return f.medianMs >= centreMs - kGoalMs - (canvas ? kCanvasTickMs : 0) &&
                   f.medianMs <= centreMs + kGoalMs;
        };
        // Sound scripted late must be seen as late: outside the goal.
        if (f.pairs() < leastPairs || !within(expectedMs) || (expectedMs != 0 && within(0))) {
            QTest::qFail(text.constData(), __FILE__, __LINE__);
            return false;
        }
        return true;
    }

    void recordDevice(const QString& container, bool paused, bool split, int soundLateMs)
    {
        openSyncPair();
        if (QTest::currentTestFailed())
            return;
        const QString first = dir.filePath("sync." + container);
        QFile::remove(first);
        QCOMPARE(ZD_StartRecord(h, first.toUtf8().constData(), container == "ts" ? 4 : 0, 0, 2, 0,
                                0, 0, 2000000),
                 1);
        QStringList parts = {first};
        // Each part holds at least two whole flashes with the dark before them.
        letRun(split ? 3100 : 2100);
        if (paused) {
            QCOMPARE(ZD_PauseRecord(h, 1), 1);
            letRun(1300);
            QCOMPARE(ZD_PauseRecord(h, 0), 1);
        }
        if (split) {
            char next[ZD_TEXT_BUFFER_BYTES] = {};
            QVERIFY(ZD_RestartRecord(h, first.toUtf8().constData(), next) > 0);
            parts.append(QString::fromUtf8(next));
        }
        letRun(split ? 3100 : 2100);
        QCOMPARE(ZD_StopRecord(h), 1);
        for (const QString& part : parts) {
            if (!inSync(part, measure(part), soundLateMs, false, 2))
                return;
        }
    }

    void stream()
    {
        if (!zdtest::NginxRtmp::available())
            QSKIP("nginx with the RTMP module is not installed (nginx, libnginx-mod-rtmp)");
        openCanvasWithMovie();
        if (QTest::currentTestFailed())
            return;
        zdtest::NginxRtmp nginx;
        QVERIFY(nginx.start(dir.filePath("nginx")));
        RTMPSERVERPARAM servers[1] = {server(nginx.url("sync"), &sink)};
        const QString flv = dir.filePath("copy.flv"), recording = dir.filePath("canvas.mp4");
        QFile::remove(flv);
        QFile::remove(recording);
        QCOMPARE(ZD_StartLive(h, servers, 1, kWidth, kHeight, kCanvasFps, 1000000,
                              flv.toUtf8().constData()),
                 1);
        QCOMPARE(ZD_StartRecord(h, recording.toUtf8().constData(), 0, 0, 2, 0, 0, 0, 2000000), 1);
        // A viewer of the stream, for five seconds of it.
        const SyncFigures viewed = measure(nginx.url("sync"), 5.2);
        QCOMPARE(ZD_StopRecord(h), 1);
        QCOMPARE(ZD_StopLive(h), 1);
        if (inSync("the stream", viewed, 0, true, 4) && inSync(flv, measure(flv), 0, true, 4))
            inSync(recording, measure(recording), 0, true, 4);
    }

    void preview()
    {
        openSyncPair();
        if (QTest::currentTestFailed())
            return;
        const int port = zdtest::freeLoopbackPort();
        QCOMPARE(ZD_StartDUD_Server(h, port), 1);
        QCOMPARE(ZD_StartDUD_live(h, kWidth, kHeight, kFps, 1000), 1);
        // A player that comes to the running stream.
        letRun(1000);
        const SyncFigures viewed =
            measure(QStringLiteral("http://127.0.0.1:%1/preview").arg(port), 5.2);
        QCOMPARE(ZD_StopDUD_live(h), 1);
        QCOMPARE(ZD_StopDUD_Server(h), 1);
        inSync("/preview", viewed, 0, false, 4);
    }

    void obsSources(const QString& script)
    {
        QTemporaryDir requests;
        QVERIFY(requests.isValid());
        qputenv("ZD_REQUEST_DIR", requests.path().toUtf8());
        std::signal(SIGPIPE, SIG_IGN);
        sem_unlink(zdrelay::kServerSemaphore);
        QProcess relay;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VAZURIDAV_DEVICES", script);
        env.insert("ZD_REQUEST_DIR", requests.path());
        relay.setProcessEnvironment(env);
        relay.setProcessChannelMode(QProcess::ForwardedChannels);
        relay.start(QString(ZD_TEST_BIN_DIR) + "/vidrelay",
                    {zdtest::kSyncCameraName, requests.filePath("vidrelay.log")});
        QVERIFY(relay.waitForStarted(10000));
        auto stopRelay = qScopeGuard([&] {
            relay.terminate();
            if (!relay.waitForFinished(15000)) {
                relay.kill();
                relay.waitForFinished(5000);
            }
            sem_unlink(zdrelay::kServerSemaphore);
        });
        QVERIFY(zdtest::waitFor([] { return veltranobox::ServerRunning(); }));
        zdtest::ObsTiming sinks(kWidth, kHeight);
        {
            veltranobox::VideoSourceThread video(sinks,
                                                 dir.filePath("no-idle-picture.bmp").toStdString());
            veltranobox::AudioSourceThread audio(sinks);
            QVERIFY(video.start());
            QVERIFY(audio.start());
            letRun(6000);
            video.stop();
            audio.stop();
        }
        inSync("the OBS sources", sinks.figures(), 0, false, 4);
    }

    QTemporaryDir dir;
    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstAvSync, QCoreApplication)
#include "tst_avsync.moc"
