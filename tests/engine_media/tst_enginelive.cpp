// The live stream against real RTMP servers: the composed canvas encoded once
// and sent to two nginx-rtmp servers on loopback, read back from both with
// libavformat; one server killed while the other keeps receiving; the FLV
// copy beside; the start calls that are refused; rtmps through a TLS
// terminator, with the server's certificate verified.
#include "../engine/livecanvassupport.h"
#include "live/serversender.h"
#include "mediaprobe.h"
#include "zdfilesizelimit.h"
#include "zdnginxrtmp.h"
#include "zdstallingrelay.h"
#include "zdtestcertificates.h"
#include "zdtestmain.h"
#include "zdtlsterminator.h"
#include "zdwaitfor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <memory>

extern "C" {
#include <libavutil/time.h>
}

using namespace livetest;

namespace
{

constexpr int kConnectMs = zd::live::ServerSender::kConnectTimeoutMs;
constexpr int kStallMs = zd::live::ServerSender::kStallTimeoutMs;

struct StreamRead {
    bool opened = false;
    int width = 0, height = 0;
    double fps = 0;
    bool audio = false;
    int videoPackets = 0;
    bool advancing = true;
};

struct Deadline {
    int64_t atUs = 0;
    static int expired(void* self)
    {
        return av_gettime_relative() > static_cast<Deadline*>(self)->atUs ? 1 : 0;
    }
};

// Plays url as a viewer would, until packets video packets came.
StreamRead readStream(const QString& url, int packets)
{
    using namespace zd::media;
    StreamRead r;
    Deadline deadline{av_gettime_relative() + 30000000};
    AVFormatContext* raw = avformat_alloc_context();
    raw->interrupt_callback.callback = &Deadline::expired;
    raw->interrupt_callback.opaque = &deadline;
    if (avformat_open_input(&raw, url.toUtf8().constData(), nullptr, nullptr) < 0)
        return r;
    AVFormatInputPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return r;
    r.opened = true;
    const int v = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    r.audio = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    if (v < 0)
        return r;
    AVStream* vs = fmt->streams[v];
    r.width = vs->codecpar->width;
    r.height = vs->codecpar->height;
    r.fps = vs->avg_frame_rate.den ? av_q2d(vs->avg_frame_rate)
                                   : (vs->r_frame_rate.den ? av_q2d(vs->r_frame_rate) : 0);
    AVPacketPtr pkt = makePacket();
    int64_t last = AV_NOPTS_VALUE;
    while (r.videoPackets < packets && av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == v) {
            ++r.videoPackets;
            if (last != AV_NOPTS_VALUE && pkt->dts <= last)
                r.advancing = false;
            last = pkt->dts;
        }
        av_packet_unref(pkt.get());
    }
    return r;
}

RTMPSERVERPARAM server(const QString& url, const char* name, void* owner)
{
    RTMPSERVERPARAM s{};
    std::strncpy(s.url, url.toUtf8().constData(), sizeof s.url - 1);
    std::strncpy(s.name, name, sizeof s.name - 1);
    s.owner = reinterpret_cast<uintptr_t>(owner);
    return s;
}

} // namespace

class TstEngineLive : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!zdtest::NginxRtmp::available())
            QSKIP("nginx with the RTMP module is not installed (nginx, libnginx-mod-rtmp)");
        sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        h = initEngine("live");
        QVERIFY(h);
        QCOMPARE(openCanvas(h, &sink, 640, 360, 30), 1);
        addLayers();
    }
    void cleanup()
    {
        ZD_Release(&h);
        qunsetenv("VAZURIDAV_CA_FILE");
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }

    void streamsToTwoServersAndSurvivesLosingOne()
    {
        zdtest::NginxRtmp first, second;
        QVERIFY(first.start(dir.filePath("nginx1")));
        QVERIFY(second.start(dir.filePath("nginx2")));
        RTMPSERVERPARAM servers[2] = {server(first.url("one"), "First", &sink),
                                      server(second.url("two"), "Second", &sink)};
        const QString flv = dir.filePath("copy.flv");
        QCOMPARE(ZD_StartLive(h, servers, 2, 640, 360, 30, 800000, flv.toUtf8().constData()), 2);
        int living = 0;
        QCOMPARE(ZD_CheckState(h, nullptr, nullptr, nullptr, nullptr, &living), 1);
        QCOMPARE(living, 1);

        for (const QString& url : {first.url("one"), second.url("two")}) {
            const StreamRead r = readStream(url, 45);
            QVERIFY2(r.opened, qPrintable(url));
            QCOMPARE(r.width, 640);
            QCOMPARE(r.height, 360);
            QVERIFY2(qAbs(r.fps - 30) < 1, qPrintable(QString::number(r.fps)));
            QVERIFY(r.audio);
            QCOMPARE(r.videoPackets, 45);
            QVERIFY(r.advancing);
        }

        int n = 0;
        QCOMPARE(ZD_GetLiveInfo(h, nullptr, &n), 1);
        QCOMPARE(n, 2);
        RTMPSERVERPARAM info[2] = {};
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(QByteArray(info[0].name), QByteArray("First"));
        QCOMPARE(QByteArray(info[1].url), second.url("two").toUtf8());
        QVERIFY(info[0].serverId != info[1].serverId);
        for (const RTMPSERVERPARAM& s : info) {
            QCOMPARE(s.connected, 1);
            QVERIFY(s.bytes > 0 && s.frames > 0);
            QCOMPARE(s.owner, uint64_t(reinterpret_cast<uintptr_t>(&sink)));
        }

        // The first server dies: it is reported, the second goes on.
        sink.reset();
        first.kill();
        QVERIFY(waitServerReport(info[0].serverId, 30000));
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 0);
        QCOMPARE(info[1].connected, 1);
        const long long before = ZDT_LiveServerPackets(h, 1);
        QVERIFY(QTest::qWaitFor([&] { return ZDT_LiveServerPackets(h, 1) > before + 60; }, 15000));
        const StreamRead still = readStream(second.url("two"), 30);
        QVERIFY(still.opened && still.videoPackets == 30);

        // The copy plays while it grows: a stream cut at any moment (a
        // crash) leaves a file that reads up to its last whole packet.
        const mediaprobe::Info growing = mediaprobe::probe(flv, false);
        QVERIFY(growing.opened);
        QCOMPARE(growing.width, 640);
        QVERIFY(growing.videoFrames > 0);

        // The stop returns once every connection is closed; the copy plays.
        QCOMPARE(ZD_StopLive(h), 1);
        QCOMPARE(ZD_CheckState(h, nullptr, nullptr, nullptr, nullptr, &living), 1);
        QCOMPARE(living, 0);
        QCOMPARE(ZD_GetLiveInfo(h, nullptr, &n), 1);
        QCOMPARE(n, 0);
        const mediaprobe::Info copy = mediaprobe::probe(flv, false);
        QVERIFY(copy.opened);
        QCOMPARE(copy.width, 640);
        QCOMPARE(copy.height, 360);
        QVERIFY(copy.hasAudio);
        QVERIFY(copy.videoFrames > 60);
    }

    void aServerThatIsNotThereIsNamed()
    {
        zdtest::NginxRtmp good;
        QVERIFY(good.start(dir.filePath("nginx3")));
        const int nobody = zdtest::freeLoopbackPort();
        RTMPSERVERPARAM servers[2] = {
            server(QStringLiteral("rtmp://127.0.0.1:%1/live/x").arg(nobody), "Nobody", &sink),
            server(good.url("y"), "Good", &sink)};
        QCOMPARE(ZD_StartLive(h, servers, 2, 320, 180, 25, 400000, nullptr), 2);
        int n = 2;
        RTMPSERVERPARAM info[2] = {};
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(n, 2);
        QVERIFY(waitServerReport(info[0].serverId, 5000));
        QVERIFY(waitServerReport(info[1].serverId, 5000));
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 0);
        QCOMPARE(info[1].connected, 1);
        QCOMPARE(ZD_StopLive(h), 1);
    }

    // A server that takes the connection and never answers holds nobody up:
    // the start returns at once, the others stream, and the stop does not
    // wait for it. A server refused at once is reported only once the one
    // that does not answer has settled too (after its connect time), so that
    // a receiver counting the servers not connected never takes one still
    // connecting for a failed one.
    void aServerThatNeverAnswersHoldsNobodyUp()
    {
        zdtest::NginxRtmp good;
        QVERIFY(good.start(dir.filePath("nginx6")));
        zdtest::LoopbackListener mute(4);
        QVERIFY(mute.port > 0);
        const int nobody = zdtest::freeLoopbackPort();
        RTMPSERVERPARAM servers[3] = {
            server(QStringLiteral("rtmp://127.0.0.1:%1/live/x").arg(mute.port), "Mute", &sink),
            server(good.url("z"), "Good", &sink),
            server(QStringLiteral("rtmp://127.0.0.1:%1/live/x").arg(nobody), "Nobody", &sink)};
        QElapsedTimer starting;
        starting.start();
        QCOMPARE(ZD_StartLive(h, servers, 3, 320, 180, 25, 400000, nullptr), 3);
        const qint64 took = starting.elapsed();
        QVERIFY2(took <= 300, qPrintable(QString::number(took)));
        const StreamRead read = readStream(good.url("z"), 10);
        QVERIFY(read.opened && read.videoPackets == 10);
        int n = 3;
        RTMPSERVERPARAM info[3] = {};
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 0);
        QCOMPARE(info[1].connected, 1);
        QCOMPARE(info[2].connected, 0);
        sink.drain(h);
        QVERIFY(sink.ofMessage(83675).isEmpty());
        QVERIFY(waitServerReport(info[0].serverId, kConnectMs + 5000));
        QVERIFY2(starting.elapsed() >= kConnectMs - 500,
                 qPrintable(QString::number(starting.elapsed())));
        for (const RTMPSERVERPARAM& s : info)
            QVERIFY(waitServerReport(s.serverId, 1000));
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 0);
        QCOMPARE(info[1].connected, 1);
        QCOMPARE(info[2].connected, 0);
        // The mute one is being tried again: the stop does not wait for it.
        QElapsedTimer stopping;
        stopping.start();
        QCOMPARE(ZD_StopLive(h), 1);
        QVERIFY2(stopping.elapsed() < 2000, qPrintable(QString::number(stopping.elapsed())));
        mute.release();
    }

    // A server lost mid-stream is tried again and fed once it is back; the
    // figures stay true meanwhile: not connected, no speed, and every picture
    // it did not get counted, so that it got or lost as many as the server
    // that stayed.
    void aLostServerComesBack()
    {
        zdtest::NginxRtmp lost, stays;
        QVERIFY(lost.start(dir.filePath("nginx-lost")));
        QVERIFY(stays.start(dir.filePath("nginx-stays")));
        RTMPSERVERPARAM servers[2] = {server(lost.url("l"), "Lost", &sink),
                                      server(stays.url("s"), "Stays", &sink)};
        QCOMPARE(ZD_StartLive(h, servers, 2, 320, 180, 25, 400000, nullptr), 2);
        RTMPSERVERPARAM info[2] = {};
        int n = 2;
        const auto read = [&] {
            n = 2;
            return ZD_GetLiveInfo(h, info, &n) == 1 && n == 2;
        };
        QVERIFY(read());
        QVERIFY(waitServerReport(info[0].serverId, 10000));
        QVERIFY(waitServerReport(info[1].serverId, 1000));
        QVERIFY(QTest::qWaitFor([&] { return read() && info[0].frames > 25; }, 10000));
        // From here on both are fed the same pictures.
        const int lostBefore = info[0].frames + info[0].dropped, staysBefore = info[1].frames;
        sink.reset();
        lost.kill();
        QVERIFY(waitServerReport(info[0].serverId, 5000));
        QVERIFY(read());
        QCOMPARE(info[0].connected, 0);
        QVERIFY(QTest::qWaitFor([&] { return read() && info[0].speed == 0; }, 2500));
        QVERIFY(info[1].speed > 0);
        QTest::qWait(3000);
        // Told once, however often it is tried meanwhile.
        sink.drain(h);
        QCOMPARE(sink.ofMessage(83675).size(), 1);

        sink.reset();
        QVERIFY(lost.start(dir.filePath("nginx-lost"), lost.port()));
        QElapsedTimer back;
        back.start();
        QVERIFY(waitServerReport(info[0].serverId, 35000));
        QVERIFY(read());
        QCOMPARE(info[0].connected, 1);
        const StreamRead r = readStream(lost.url("l"), 20);
        QVERIFY(r.opened && r.videoPackets == 20);
        QVERIFY(read());
        QCOMPARE(info[1].dropped, 0);
        const int lostSince = info[0].frames + info[0].dropped - lostBefore,
                  staysSince = info[1].frames - staysBefore;
        QVERIFY2(std::abs(lostSince - staysSince) <= 5,
                 qPrintable(QStringLiteral("%1 + %2 against %3")
                                .arg(info[0].frames)
                                .arg(info[0].dropped)
                                .arg(info[1].frames)));
        QVERIFY(info[0].dropped >= 25 * 3);
        QCOMPARE(ZD_StopLive(h), 1);
    }

    // The FLV copy that can no longer be written is reported once, and the
    // stream goes on without it.
    void aFailingCopyIsReportedOnce_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("disk full") << true;
        QTest::newRow("folder removed") << false;
    }
    void aFailingCopyIsReportedOnce()
    {
        QFETCH(bool, diskFull);
        zdtest::NginxRtmp good;
        QVERIFY(good.start(dir.filePath("nginx-copy")));
        const QString folder = dir.filePath(diskFull ? "full" : "removed");
        QVERIFY(QDir().mkpath(folder));
        const QString flv = folder + "/copy.flv";
        RTMPSERVERPARAM servers[1] = {server(good.url("c"), "Good", &sink)};
        QCOMPARE(ZD_StartLive(h, servers, 1, 320, 180, 25, 400000, flv.toUtf8().constData()), 1);
        // Written in pieces of the muxer's buffer: the first is on disk.
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo(flv).size() > 0; }, 15000));
        sink.reset();
        std::unique_ptr<zdtest::FileSizeLimit> full;
        if (diskFull) {
            full = std::make_unique<zdtest::FileSizeLimit>();
            QVERIFY(full->active());
        } else {
            QVERIFY(QDir(folder).removeRecursively());
        }
        const auto failures = [&] {
            sink.drain(h);
            return sink.ofMessage(83676);
        };
        QVERIFY(QTest::qWaitFor([&] { return !failures().isEmpty(); }, 15000));
        const long long before = ZDT_LiveServerPackets(h, 0);
        QVERIFY(QTest::qWaitFor([&] { return ZDT_LiveServerPackets(h, 0) > before + 60; }, 15000));
        full.reset();
        const QList<ReceivedReport> told = failures();
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].target, static_cast<void*>(&sink));
        QCOMPARE(told[0].lParam, diskFull ? (long long)EFBIG : (long long)ENOENT);
        int n = 1;
        RTMPSERVERPARAM info[1] = {};
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 1);
        QCOMPARE(ZD_StopLive(h), 1);
    }

    void aStalledServerLosesOnlyItsOwnPackets()
    {
        zdtest::NginxRtmp stalled, healthy;
        QVERIFY(stalled.start(dir.filePath("nginx4")));
        QVERIFY(healthy.start(dir.filePath("nginx5")));
        // The stalled server is reached through a relay that takes in only a
        // few kilobytes once it stops reading, so the sender's queue fills
        // within seconds.
        zdtest::StallingRelay relay;
        QVERIFY(relay.start(stalled.port()));
        const QString stalledUrl = QStringLiteral("rtmp://127.0.0.1:%1/live/s").arg(relay.port());
        RTMPSERVERPARAM servers[2] = {server(stalledUrl, "Stalled", &sink),
                                      server(healthy.url("h"), "Healthy", &sink)};
        QCOMPARE(ZD_StartLive(h, servers, 2, 1280, 720, 30, 20000000, nullptr), 2);
        RTMPSERVERPARAM info[2] = {};
        int n = 2;
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QVERIFY(waitServerReport(info[0].serverId, 15000));
        QVERIFY(waitServerReport(info[1].serverId, 1000));
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 1);
        sink.reset();
        relay.stall();
        // Its queue fills and it drops, while the other gets every packet.
        QVERIFY(QTest::qWaitFor(
            [&] {
                n = 2;
                return ZD_GetLiveInfo(h, info, &n) == 1 && info[0].dropped > 0;
            },
            60000));
        QCOMPARE(info[1].dropped, 0);
        // Nothing moves, so it has no speed; once a packet has waited longer
        // than the stall time, it is lost, though its connection stands.
        QVERIFY(QTest::qWaitFor(
            [&] {
                n = 2;
                return ZD_GetLiveInfo(h, info, &n) == 1 && info[0].speed == 0;
            },
            3000));
        QVERIFY(waitServerReport(info[0].serverId, kStallMs + 5000));
        n = 2;
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 0);
        QCOMPARE(info[1].connected, 1);
        QCOMPARE(info[1].dropped, 0);
        const long long before = ZDT_LiveServerPackets(h, 1);
        QVERIFY(QTest::qWaitFor([&] { return ZDT_LiveServerPackets(h, 1) > before + 60; }, 15000));
        // The stop is not held up by the server that does not read.
        QElapsedTimer stopping;
        stopping.start();
        QCOMPARE(ZD_StopLive(h), 1);
        QVERIFY2(stopping.elapsed() < 20000, qPrintable(QString::number(stopping.elapsed())));
    }

    void recordingInLiveModeRecordsTheCanvas()
    {
        const QString path = dir.filePath("canvas.mp4");
        QCOMPARE(ZD_StartRecord(h, path.toUtf8().constData(), 0, 0, 0, 640, 360, 30, 2000000), 1);
        QVERIFY(QTest::qWaitFor([&] { return ZD_GetRecordFileSize(h) > 50000; }, 15000));
        QCOMPARE(ZD_StopRecord(h), 1);
        const mediaprobe::Info info = mediaprobe::probe(path, false);
        QVERIFY(info.opened);
        QCOMPARE(info.width, 640);
        QCOMPARE(info.height, 360);
        QVERIFY(info.hasAudio);
        QVERIFY(info.videoFrames > 10);
    }

    void refusedStarts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("url");
        QTest::newRow("no server") << 0 << "rtmp://127.0.0.1:1/live/a";
        QTest::newRow("negative count") << -1 << "rtmp://127.0.0.1:1/live/a";
        QTest::newRow("more than the engine takes") << 33 << "rtmp://127.0.0.1:1/live/a";
        QTest::newRow("http") << 1 << "http://127.0.0.1:1/live/a";
        QTest::newRow("file") << 1 << "file:///tmp/x.flv";
        QTest::newRow("no host") << 1 << "rtmp:///live/a";
        QTest::newRow("a space") << 1 << "rtmp://127.0.0.1:1/live/a live=1";
    }
    void refusedStarts()
    {
        QFETCH(int, count);
        QFETCH(QString, url);
        std::vector<RTMPSERVERPARAM> servers(64, server(url, "S", &sink));
        QCOMPARE(ZD_StartLive(h, servers.data(), count, 320, 180, 25, 400000, nullptr), 0);
        int living = 1;
        QCOMPARE(ZD_CheckState(h, nullptr, nullptr, nullptr, nullptr, &living), 1);
        QCOMPARE(living, 0);
    }

    // rtmps: the stream reaches nginx through a TLS terminator whose
    // certificate an authority of the test signed, that authority being the
    // one the engine is told to trust.
    void rtmpsStreamsToAServerThatVerifies()
    {
        if (!tlsAvailable())
            QSKIP("stunnel4 or openssl is not installed");
        QVERIFY(makeCertificates());
        zdtest::NginxRtmp nginx;
        QVERIFY(nginx.start(dir.filePath("nginx7")));
        zdtest::TlsTerminator tls;
        QVERIFY(tls.start(dir.filePath("tls1"), nginx.port(), certificate("loopback"),
                          certificate("loopback", ".key")));
        qputenv("VAZURIDAV_CA_FILE", certificate("trusted").toUtf8());
        RTMPSERVERPARAM servers[1] = {server(
            QStringLiteral("rtmps://127.0.0.1:%1/live/secure").arg(tls.port()), "Secure", &sink)};
        QCOMPARE(ZD_StartLive(h, servers, 1, 320, 180, 25, 400000, nullptr), 1);
        const StreamRead r = readStream(nginx.url("secure"), 20);
        QVERIFY(r.opened);
        QCOMPARE(r.width, 320);
        QCOMPARE(r.videoPackets, 20);
        QCOMPARE(ZD_StopLive(h), 1);
    }

    void rtmpsRefusesAServerThatDoesNotVerify_data()
    {
        QTest::addColumn<QString>("authority");
        QTest::addColumn<QString>("serverCertificate");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, const char* authority, const char* certificate,
                            const char* reason) {
            QTest::newRow(name) << QString(authority) << QString(certificate) << QString(reason);
        };
        // None: the system's store, which knows nothing of the test's
        // authority. A file of authorities that cannot be read trusts nobody.
        row("system store", "", "loopback", "failed verification");
        row("another authority", "other", "loopback", "failed verification");
        row("authorities missing", "missing", "loopback", "failed verification");
        row("certificate of another host", "trusted", "otherhost", "does not match hostname");
    }
    void rtmpsRefusesAServerThatDoesNotVerify()
    {
        QFETCH(QString, authority);
        QFETCH(QString, serverCertificate);
        QFETCH(QString, reason);
        if (!tlsAvailable())
            QSKIP("stunnel4 or openssl is not installed");
        QVERIFY(makeCertificates());
        zdtest::NginxRtmp secured, plain;
        QVERIFY(secured.start(dir.filePath("nginx8")));
        QVERIFY(plain.start(dir.filePath("nginx9")));
        zdtest::TlsTerminator tls;
        QVERIFY(tls.start(dir.filePath("tls2"), secured.port(), certificate(serverCertificate),
                          certificate(serverCertificate, ".key")));
        if (authority.isEmpty())
            qunsetenv("VAZURIDAV_CA_FILE");
        else
            qputenv("VAZURIDAV_CA_FILE", certificate(authority).toUtf8());
        QFile::remove(QString::fromUtf8(engineDataDir("live")) + "/Log.txt");
        RTMPSERVERPARAM servers[2] = {
            server(QStringLiteral("rtmps://127.0.0.1:%1/live/forged").arg(tls.port()), "Forged",
                   &sink),
            server(plain.url("plain"), "Plain", &sink)};
        // Refused as a server that cannot be reached is: reported to its
        // owner, which the live panel shows as text 19028, while the other
        // server streams.
        QCOMPARE(ZD_StartLive(h, servers, 2, 320, 180, 25, 400000, nullptr), 2);
        int n = 2;
        RTMPSERVERPARAM info[2] = {};
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QVERIFY(waitServerReport(info[0].serverId, 5000));
        QVERIFY(waitServerReport(info[1].serverId, 1000));
        QCOMPARE(ZD_GetLiveInfo(h, info, &n), 1);
        QCOMPARE(info[0].connected, 0);
        QCOMPARE(info[1].connected, 1);
        QCOMPARE(static_cast<long long>(info[0].bytes), 0LL); // a copy: the record is packed
        QCOMPARE(ZD_StopLive(h), 1);
        QFile log(QString::fromUtf8(engineDataDir("live")) + "/Log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray lines = log.readAll();
        QVERIFY2(lines.contains(reason.toUtf8()), lines.constData());
    }

private:
    // A connection change of that server, reported to its owner.
    bool waitServerReport(int serverId, int timeoutMs)
    {
        return QTest::qWaitFor(
            [&] {
                sink.drain(h);
                for (const ReceivedReport& r : sink.ofMessage(83675))
                    if (r.wParam == unsigned(serverId) && r.lParam == 1 && r.target == &sink)
                        return true;
                return false;
            },
            timeoutMs);
    }

    static bool tlsAvailable()
    {
        return zdtest::TlsTerminator::available() && zdtest::TestCertificates::available();
    }
    // The test's two authorities, and two certificates the trusted one
    // signed: one for the loopback address, one for another host.
    bool makeCertificates()
    {
        if (certificatesMade)
            return true;
        const QString folder = dir.filePath("certificates");
        certificatesMade =
            QDir().mkpath(folder) && zdtest::TestCertificates::makeAuthority(folder, "trusted") &&
            zdtest::TestCertificates::makeAuthority(folder, "other") &&
            zdtest::TestCertificates::makeServer(folder, "loopback", "trusted", "IP:127.0.0.1") &&
            zdtest::TestCertificates::makeServer(folder, "otherhost", "trusted",
                                                 "DNS:other.invalid");
        return certificatesMade;
    }
    QString certificate(const QString& name, const char* suffix = ".pem") const
    {
        return dir.filePath("certificates/" + name + suffix);
    }

    void addLayers()
    {
        const DEV_NAME camera = testCamera();
        const DEV_NAME mic = testMicrophone();
        LIVEPIP_PARAMTERS cam = record(0, 0, 640, 360, 100, 1, 0);
        setDevice(cam, camera);
        QCOMPARE(ZD_AddOverlayDevice(h, "1", 0, &cam), 1);
        LIVEPIP_PARAMTERS sound = record(0, 0, 0, 0, 100, 1, 1);
        setDevice(sound, mic);
        QCOMPARE(ZD_AddOverlayDevice(h, "2", 3, &sound), 1);
        const QString picture = dir.filePath("red.bmp"), list = dir.filePath("red.picture-list");
        QVERIFY(writeBmp(picture, 64, 48, 255, 0, 0) && writeList(list, {picture}));
        LIVEPIP_PARAMTERS pic = record(480, 20, 128, 96, 100, 1, 2);
        setPictures(pic, list);
        QCOMPARE(ZD_AddOverlayDevice(h, "3", 1, &pic), 1);
        LIVEPIP_PARAMTERS text = record(20, 280, 300, 60, 100, 1, 3);
        setText(text, "Live", 48, 0xFFFFFF);
        QCOMPARE(ZD_AddOverlayDevice(h, "4", 4, &text), 1);
    }

    QTemporaryDir dir;
    bool certificatesMade = false;
    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstEngineLive, QCoreApplication)
#include "tst_enginelive.moc"
