// The reading threads of the video and audio sources against a capture server
// in the test: idle picture, frames, size changes, broken and lying streams,
// reconnection, failed connections, and ending while the server is silent.
#include "fakerelay.h"
#include "plugintestsupport.h"

#include <QtTest>

#include <sys/ioctl.h>

using namespace obstest;
using veltranobox::AudioSourceThread;
using veltranobox::VideoSourceThread;

namespace
{

const std::string kIdlePath = std::string(VELTRANOBOX_STAGE_DIR) + "/data/vm_bk.bmp";

int countOf(const QStringList& lines, const QString& text)
{
    int n = 0;
    for (const QString& line : lines)
        n += line.contains(text) ? 1 : 0;
    return n;
}

std::vector<zdrelay::RequestRecord> ofCommand(const std::vector<zdrelay::RequestRecord>& all,
                                              int32_t command)
{
    std::vector<zdrelay::RequestRecord> out;
    for (const auto& r : all)
        if (r.command == command)
            out.push_back(r);
    return out;
}

} // namespace

class TstSourceThreads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { folder = enterRequestFolder().toStdString(); }
    void init()
    {
        clearLog();
        sem_unlink(zdrelay::kServerSemaphore);
    }

    void idlePictureWithoutServer()
    {
        KeepVideo sink;
        VideoSourceThread thread(sink, kIdlePath);
        QVERIFY(thread.start());
        QVERIFY(waitFor([&] { return sink.count() >= 3; }));
        thread.stop();
        const auto shots = sink.shots();
        for (const auto& s : shots) {
            QCOMPARE(s.width, 1920u);
            QCOMPARE(s.height, 1080u);
            QCOMPARE(int(s.firstX), 0);
        }
        // Refreshed about every 100 ms, stamped on the monotonic clock.
        QVERIFY(shots[1].timestampNs - shots[0].timestampNs >= 90000000ull);
        QVERIFY(shots.back().timestampNs <= veltranobox::MonotonicNs());
        QVERIFY(logged().contains("[Veltrano Box Video] video thread exit"));
    }

    void framesSizeChangeAndReconnection()
    {
        FakeRelay relay(folder);
        QVERIFY(relay.start());
        KeepVideo sink;
        VideoSourceThread thread(sink, kIdlePath);
        QVERIFY(thread.start());
        std::string firstPipe;
        const int fd = relay.acceptStream(zdrelay::kKindVideo, 15000, &firstPipe);
        QVERIFY(fd >= 0);
        QVERIFY(writeFrame(fd, 1280 * 720 * 4, 1280, 720, picture(1280, 720, 1, 2, 3)));
        QVERIFY(writeFrame(fd, 1280 * 720 * 4, 1280, 720, picture(1280, 720, 4, 5, 6)));
        QVERIFY(writeFrame(fd, 1920 * 1080 * 4, 1920, 1080, picture(1920, 1080, 7, 8, 9)));
        QVERIFY(writeFrame(fd, 1920 * 1080 * 4, 1920, 1080, picture(1920, 1080, 10, 11, 12)));
        QVERIFY(waitFor([&] {
            const auto s = sink.shots();
            return !s.empty() && s.back().firstBlue == 10;
        }));
        const QStringList lines = logged();
        QCOMPARE(countOf(lines, "[Veltrano Box Video] vframe changed: (1280x720)"), 1);
        QCOMPARE(countOf(lines, "[Veltrano Box Video] vframe changed: (1920x1080)"), 1);
        QVERIFY(lines.contains("[Veltrano Box Video] server connected, start show frame.."));

        // The end header: a pause, then a new request under a new name.
        QVERIFY(writeFrame(fd, 0, 0, 0, QByteArray()));
        std::string secondPipe;
        QElapsedTimer t;
        t.start();
        const int again = relay.acceptStream(zdrelay::kKindVideo, 15000, &secondPipe);
        QVERIFY(again >= 0);
        QVERIFY(t.elapsed() >= 900);
        QVERIFY(logged().contains("[Veltrano Box Video] server maybe exit,pipe broken"));
        QVERIFY(writeFrame(again, 640 * 360 * 4, 640, 360, picture(640, 360, 20, 21, 22)));
        QVERIFY(waitFor([&] { return sink.shots().back().firstBlue == 20; }));
        thread.stop();

        // One stop request on the way out: kind 0, the last pipe's name.
        QVERIFY(
            waitFor([&] { return !ofCommand(relay.requests(), zdrelay::kCommandStop).empty(); }));
        const auto stops = ofCommand(relay.requests(), zdrelay::kCommandStop);
        QCOMPARE(int(stops.size()), 1);
        QCOMPARE(stops[0].kind, zdrelay::kKindVideo);
        QCOMPARE(std::string(stops[0].pipeName), secondPipe);
    }

    void lyingHeadersBreakTheStream_data()
    {
        QTest::addColumn<uint>("payload");
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::newRow("payload larger than the picture") << 640u * 360 * 4 * 2 << 640u << 360u;
        QTest::newRow("payload smaller than the picture") << 16u << 640u << 360u;
        QTest::newRow("picture too wide") << 9000u * 4 << 9000u << 1u;
    }
    void lyingHeadersBreakTheStream()
    {
        QFETCH(uint, payload);
        QFETCH(uint, width);
        QFETCH(uint, height);
        FakeRelay relay(folder);
        QVERIFY(relay.start());
        KeepVideo sink;
        VideoSourceThread thread(sink, kIdlePath);
        QVERIFY(thread.start());
        const int fd = relay.acceptStream(zdrelay::kKindVideo);
        QVERIFY(fd >= 0);
        // The source may close its end before all of it is written.
        (void)writeFrame(fd, payload, width, height, QByteArray(int(payload), 'x'));
        // Nothing of it is shown; the source asks again.
        QVERIFY(relay.acceptStream(zdrelay::kKindVideo) >= 0);
        QVERIFY(logged().join('\n').contains("[Veltrano Box Video] bad vframe header"));
        for (const auto& s : sink.shots())
            QVERIFY(s.width == 1920 && s.height == 1080); // the idle picture only
        thread.stop();
    }

    void stopWhileTheServerIsSilent()
    {
        FakeRelay relay(folder);
        QVERIFY(relay.start());
        KeepVideo sink;
        auto* thread = new VideoSourceThread(sink, kIdlePath);
        QVERIFY(thread->start());
        const int fd = relay.acceptStream(zdrelay::kKindVideo);
        QVERIFY(fd >= 0);
        // Half a header, then nothing: the source has taken it and waits
        // for the rest.
        QCOMPARE(::write(fd, "0123456789", 10), ssize_t(10));
        QVERIFY(waitFor([&] {
            int unread = -1;
            return ::ioctl(fd, FIONREAD, &unread) == 0 && unread == 0;
        }));
        QElapsedTimer t;
        t.start();
        delete thread;
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed()) + " ms"));
        QVERIFY(waitFor(
            [&] { return ofCommand(relay.requests(), zdrelay::kCommandStop).size() == 1; }));
    }

    void failedConnectionTriesAgain()
    {
        FakeRelay relay(folder);
        QVERIFY(relay.start());
        KeepVideo sink;
        VideoSourceThread thread(sink, kIdlePath);
        QVERIFY(thread.start());
        // The first request gets no pipe: ten tries, then the idle picture.
        QVERIFY(relay.ignoreStream(zdrelay::kKindVideo));
        QVERIFY(waitFor(
            [&] { return logged().contains("[Veltrano Box Video] Connect to server failed."); }));
        const size_t shown = sink.count();
        QVERIFY(waitFor([&] { return sink.count() > shown; }));
        QCOMPARE(sink.shots().back().width, 1920u);
        // The stop for the request that got no pipe, then a new request,
        // which is served.
        QVERIFY(
            waitFor([&] { return !ofCommand(relay.requests(), zdrelay::kCommandStop).empty(); }));
        const int fd = relay.acceptStream(zdrelay::kKindVideo);
        QVERIFY(fd >= 0);
        QVERIFY(waitFor([&] {
            return logged().contains("[Veltrano Box Video] server connected, start show frame..");
        }));
        QVERIFY(writeFrame(fd, 320 * 240 * 4, 320, 240, picture(320, 240, 50, 51, 52)));
        QVERIFY(waitFor([&] { return sink.shots().back().firstBlue == 50; }));
        thread.stop();
    }

    void audioStampsByStreamPosition()
    {
        FakeRelay relay(folder);
        QVERIFY(relay.start());
        KeepAudio sink;
        auto* thread = new AudioSourceThread(sink);
        QVERIFY(thread->start());
        const int fd = relay.acceptStream(zdrelay::kKindAudio);
        QVERIFY(fd >= 0);
        for (int i = 0; i < 3; ++i) {
            QByteArray samples(1920, '\0');
            samples[0] = char(i + 1);
            QVERIFY(writeFrame(fd, 1920, 0, 0, samples));
        }
        QVERIFY(waitFor([&] { return sink.shots().size() >= 3; }));
        const auto shots = sink.shots();
        const uint64_t expected[] = {0, 10000000, 20000000};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(shots[size_t(i)].frames, 480u);
            QCOMPARE(quint64(shots[size_t(i)].timestampNs), quint64(expected[i]));
            QCOMPARE(int(shots[size_t(i)].first), i + 1);
        }
        // A lying header: the stream breaks and the source asks again at once;
        // the count goes on where it was.
        (void)writeFrame(fd, 1922, 0, 0, QByteArray(1922, 'x'));
        const int again = relay.acceptStream(zdrelay::kKindAudio);
        QVERIFY(again >= 0);
        QVERIFY(writeFrame(again, 1920, 0, 0, QByteArray(1920, '\0')));
        QVERIFY(waitFor([&] { return sink.shots().size() >= 4; }));
        QCOMPARE(quint64(sink.shots()[3].timestampNs), quint64(30000000));

        QElapsedTimer t;
        t.start();
        delete thread;
        QVERIFY(t.elapsed() < 1000);
        // The audio source asks for no stop.
        QCOMPARE(int(ofCommand(relay.requests(), zdrelay::kCommandStop).size()), 0);
        QVERIFY(logged().contains("[Veltrano Box Audio]main audio thread exit"));
    }

    void audioWaitsForAServer()
    {
        KeepAudio sink;
        AudioSourceThread thread(sink);
        QVERIFY(thread.start());
        QThread::msleep(200);
        QVERIFY(sink.shots().empty());
        QVERIFY(!logged().join('\n').contains("Connect to server"));
        // A server that comes later is asked.
        FakeRelay relay(folder);
        QVERIFY(relay.start());
        const int fd = relay.acceptStream(zdrelay::kKindAudio);
        QVERIFY(fd >= 0);
        QVERIFY(writeFrame(fd, 4, 0, 0, QByteArray(4, '\1')));
        QVERIFY(waitFor([&] { return !sink.shots().empty(); }));
        thread.stop();
    }

private:
    std::string folder;
};

QTEST_GUILESS_MAIN(TstSourceThreads)
#include "tst_sourcethreads.moc"
