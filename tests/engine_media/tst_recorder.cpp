// Recordings of the test-pattern camera and the tone microphone, read back
// the way a player reads them.
#include "mediaprobe.h"
#include "patternframes.h"
#include "virtualrig.h"
#include "zdtestmain.h"

#include "media/recorder.h"
#include "media/recordmuxer.h"
#include "media/videoencoder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zd::media;

namespace
{

RecordSettings settingsFor(const QString& path, int format, int width = 0, int height = 0,
                           int fps = 30, int encoderId = kEncoderH264)
{
    RecordSettings s;
    const int r = RecordSettings::fromCall(path.toStdString(), format, encoderId, 2, width, height,
                                           fps, 2000000, s);
    if (r != 1)
        qFatal("bad settings %d", r);
    return s;
}

// The top-level boxes of an MP4 file: offset and size of each.
struct Box {
    qint64 offset;
    qint64 size;
    QByteArray type;
};

QList<Box> topLevelBoxes(const QByteArray& bytes)
{
    QList<Box> boxes;
    qint64 at = 0;
    while (at + 8 <= bytes.size()) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
        const qint64 size = qFromBigEndian<quint32>(p);
        if (size < 8)
            break;
        boxes.push_back(Box{at, size, bytes.mid(at + 4, 4)});
        at += size;
    }
    return boxes;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes three seconds of the test pattern straight through the encoder and
// the muxer, the same bytes every time, on a disk that is full at
// limitBytes (0: never). Returns the first failure.
int writePatternFile(const QString& path, Container container, qint64 limitBytes)
{
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    if (limitBytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(limitBytes);
        setrlimit(RLIMIT_FSIZE, &small);
    }
    RecordSettings s = settingsFor(path, container == Container::Mp4 ? 0 : 4);
    VideoEncoder encoder;
    RecordMuxer muxer;
    FramePool pool;
    int failure = encoder.open(s, 320, 240, container == Container::Mp4);
    if (!failure)
        failure = muxer.open(path.toStdString(), container, encoder.context(), nullptr);
    const PacketHandler write = [&](AVPacket* p) {
        return muxer.writeVideo(p, encoder.context()->time_base);
    };
    for (int i = 0; i < 90 && !failure; ++i) {
        AVFramePtr frame = patternframes::make(pool, 320, 240, i);
        failure = encoder.encode(frame.get(), i, write);
    }
    if (!failure)
        failure = encoder.flush(write);
    const int end = muxer.finish();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    return failure ? failure : end;
}

// Checks the frame numbers of a recording: always increasing, and numbers
// missing only where the camera skipped them (its thread fell behind the rate
// on a loaded machine) or, when pauseAbove is set, in one jump of more than
// pauseAbove (a pause). Returns the missing numbers outside that jump, or -1
// when a number goes back.
qint64 missingFrames(const QVector<qint64>& codes, int count, qint64 pauseAbove = 0,
                     qint64* pauseJump = nullptr)
{
    qint64 missing = 0;
    for (int i = 1; i < count; ++i) {
        const qint64 step = codes[i] - codes[i - 1];
        if (step < 1)
            return -1;
        if (pauseAbove && step > pauseAbove && pauseJump && *pauseJump == 0)
            *pauseJump = step;
        else
            missing += step - 1;
    }
    return missing;
}

struct Recording {
    std::atomic<int> failure{0};
    std::shared_ptr<Recorder> recorder =
        std::make_shared<Recorder>([this](int code) { failure = code; });
};

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT
private slots:
    void recordsAskedSizeRateAndLength_data();
    void recordsAskedSizeRateAndLength();
    void pauseLeavesNoGap();
    void splitLosesNoFrame();
    void refusesWhatItCannotRecord_data();
    void refusesWhatItCannotRecord();
    void fullDiskIsReported();
    void fileCutByAFullDiskStaysPlayable_data();
    void fileCutByAFullDiskStaysPlayable();
    void stuckWriteIsReported();
    void killedRecordingStaysPlayable_data();
    void killedRecordingStaysPlayable();

private:
    QTemporaryDir m_dir;
};

void TestRecorder::recordsAskedSizeRateAndLength_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("audio");
    QTest::addColumn<int>("encoderId");
    QTest::addColumn<QString>("video");
    const QString mp4 = "mov,mp4,m4a,3gp,3g2,mj2";
    QTest::newRow("mp4") << "a.mp4" << 0 << 0 << 0 << mp4 << "aac" << kEncoderH264 << "h264";
    QTest::newRow("ts, scaled down") << "b.ts" << 4 << 160 << 120 << "mpegts"
                                     << "aac" << kEncoderH264 << "h264";
    QTest::newRow("mp4 with AC-3")
        << "c.mp4" << 2 << 0 << 0 << mp4 << "ac3" << kEncoderH264 << "h264";
    QTest::newRow("mp4 HEVC") << "d.mp4" << 0 << 0 << 0 << mp4 << "aac" << kEncoderHevc << "hevc";
}

void TestRecorder::recordsAskedSizeRateAndLength()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, container);
    QFETCH(QString, audio);
    QFETCH(int, encoderId);
    QFETCH(QString, video);
    const QString path = m_dir.filePath(name);
    VirtualRig rig(320, 240, 30);
    Recording rec;
    QCOMPARE(rec.recorder->start(settingsFor(path, format, width, height, 30, encoderId), 320, 240,
                                 30, true),
             1);
    rig.pipeline.attach(rec.recorder);
    QThread::msleep(3000);
    QVERIFY(rec.recorder->fileSize() > 0);
    QCOMPARE(rec.recorder->stop(), 0);
    rig.pipeline.detach(rec.recorder.get());
    QCOMPARE(rec.failure.load(), 0);
    QCOMPARE(rec.recorder->droppedFrames(), int64_t(0));
    const qint64 skipped = rig.camera->skippedFrames();

    const mediaprobe::Info info = mediaprobe::probe(path, width == 0);
    QVERIFY(info.opened);
    QCOMPARE(info.container, container);
    QCOMPARE(info.videoCodec, video);
    QCOMPARE(info.width, width ? width : 320);
    QCOMPARE(info.height, height ? height : 240);
    QVERIFY2(std::abs(info.fps - 30) < 0.5, qPrintable(QString::number(info.fps)));
    QVERIFY2(std::abs(info.duration - 3.0) <= 0.3, qPrintable(QString::number(info.duration)));
    QVERIFY(info.hasAudio);
    QCOMPARE(info.audioCodec, audio);
    QVERIFY2(std::abs(info.audioDuration - info.duration) < 0.2,
             qPrintable(QString::number(info.audioDuration)));
    if (width == 0) {
        // Every picture the camera drew in those seconds, in order.
        const qint64 missing = missingFrames(info.codes, info.codes.size());
        QVERIFY2(missing >= 0 && missing <= skipped,
                 qPrintable(QString("%1 missing, %2 skipped").arg(missing).arg(skipped)));
    }
}

void TestRecorder::pauseLeavesNoGap()
{
    const QString path = m_dir.filePath("pause.mp4");
    VirtualRig rig(320, 240, 30);
    Recording rec;
    QCOMPARE(rec.recorder->start(settingsFor(path, 0), 320, 240, 30, true), 1);
    rig.pipeline.attach(rec.recorder);
    QThread::msleep(1000);
    QVERIFY(rec.recorder->pause(true));
    QVERIFY(rec.recorder->paused());
    QThread::msleep(2000);
    QVERIFY(rec.recorder->pause(false));
    QVERIFY(!rec.recorder->paused());
    QThread::msleep(1000);
    rec.recorder->stop();
    QCOMPARE(rec.failure.load(), 0);
    const qint64 skipped = rig.camera->skippedFrames();

    const mediaprobe::Info info = mediaprobe::probe(path);
    QVERIFY(info.opened);
    QVERIFY2(std::abs(info.duration - 2.0) <= 0.3, qPrintable(QString::number(info.duration)));
    QVERIFY2(std::abs(info.audioDuration - info.duration) < 0.2,
             qPrintable(QString::number(info.audioDuration)));
    // The pictures of the two seconds are missing, not frozen: one jump of
    // about 60 frame numbers, and no other gap but the camera's own skips.
    qint64 jump = 0;
    const qint64 missing = missingFrames(info.codes, info.codes.size(), 30, &jump);
    QVERIFY2(missing >= 0 && missing <= skipped,
             qPrintable(QString("%1 missing, %2 skipped").arg(missing).arg(skipped)));
    QVERIFY2(jump > 50 && jump < 70 + skipped, qPrintable(QString::number(jump)));
}

void TestRecorder::splitLosesNoFrame()
{
    const QString first = m_dir.filePath("part1.mp4");
    const QString second = m_dir.filePath("part2.mp4");
    VirtualRig rig(320, 240, 30);
    Recording rec;
    QCOMPARE(rec.recorder->start(settingsFor(first, 0), 320, 240, 30, true), 1);
    rig.pipeline.attach(rec.recorder);
    QThread::msleep(1500);
    QVERIFY(rec.recorder->restart(second.toStdString()));
    QCOMPARE(QString::fromStdString(rec.recorder->currentPath()), second);
    QThread::msleep(1500);
    rec.recorder->stop();
    QCOMPARE(rec.failure.load(), 0);
    const qint64 skipped = rig.camera->skippedFrames();

    const mediaprobe::Info a = mediaprobe::probe(first);
    const mediaprobe::Info b = mediaprobe::probe(second);
    QVERIFY(a.opened && b.opened);
    QVERIFY(!a.codes.isEmpty() && !b.codes.isEmpty());
    // The second file goes on with the very next picture the camera drew.
    const qint64 gap = b.codes.first() - a.codes.last() - 1;
    QVERIFY2(gap >= 0 && gap <= skipped,
             qPrintable(QString("%1 missing, %2 skipped").arg(gap).arg(skipped)));
    const double whole = (b.codes.last() - a.codes.first() + 1) / 30.0;
    QVERIFY2(std::abs(a.duration + b.duration - whole) <= 1.0 / 30 + 1e-6,
             qPrintable(QString("%1 + %2 vs %3").arg(a.duration).arg(b.duration).arg(whole)));
    QVERIFY(b.hasAudio);
}

void TestRecorder::refusesWhatItCannotRecord_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("encoderId");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("expected");
    QTest::newRow("hardware encoder id") << 0 << 1 << "x.mp4" << int(RecordStartEncoderUnavailable);
    QTest::newRow("unknown format") << 7 << 0 << "x.mp4" << int(RecordStartBadArguments);
    QTest::newRow("folder missing")
        << 0 << 0 << "missing/x.mp4" << int(RecordStartCannotCreateFile);
}

void TestRecorder::refusesWhatItCannotRecord()
{
    QFETCH(int, format);
    QFETCH(int, encoderId);
    QFETCH(QString, path);
    QFETCH(int, expected);
    RecordSettings s;
    int r = RecordSettings::fromCall(m_dir.filePath(path).toStdString(), format, encoderId, 2, 0, 0,
                                     30, 2000000, s);
    if (r == 1) {
        Recorder recorder(nullptr);
        r = recorder.start(s, 320, 240, 30, true);
        QVERIFY(!recorder.running());
    }
    QCOMPARE(r, expected);
}

void TestRecorder::fullDiskIsReported()
{
    // The file may not grow past 120 kB, as on a disk that is full: a few
    // fragments, reached in a second or two even when frames are dropped.
    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 120 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    const QString path = m_dir.filePath("full.mp4");
    VirtualRig rig(320, 240, 30);
    Recording rec;
    RecordSettings s = settingsFor(path, 0);
    s.bitrate = 8000000;
    s.preset = "ultrafast";
    QCOMPARE(rec.recorder->start(s, 320, 240, 30, true), 1);
    rig.pipeline.attach(rec.recorder);
    QTRY_COMPARE_WITH_TIMEOUT(rec.failure.load(), int(RecordDiskFull), 30000);
    rec.recorder->stop();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    // What was written before the disk filled still plays.
    const mediaprobe::Info info = mediaprobe::probe(path, false);
    QVERIFY(info.opened);
    QVERIFY(info.videoFrames > 0);
}

void TestRecorder::fileCutByAFullDiskStaysPlayable_data()
{
    // Where the disk fills, within the layout of the same file written whole:
    // fragment (moof, mdat) 3's header or pictures, or a TS packet.
    QTest::addColumn<bool>("mp4");
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<int>("permille"); // of the box, or of the whole TS file
    QTest::newRow("mp4, fragment header, start") << true << QByteArray("moof") << 100;
    QTest::newRow("mp4, fragment header, middle") << true << QByteArray("moof") << 500;
    QTest::newRow("mp4, fragment header, end") << true << QByteArray("moof") << 990;
    QTest::newRow("mp4, fragment pictures") << true << QByteArray("mdat") << 500;
    QTest::newRow("ts, inside a packet") << false << QByteArray() << 600;
}

void TestRecorder::fileCutByAFullDiskStaysPlayable()
{
    QFETCH(bool, mp4);
    QFETCH(QByteArray, box);
    QFETCH(int, permille);
    const Container container = mp4 ? Container::Mp4 : Container::MpegTs;
    const QString whole = m_dir.filePath(mp4 ? "whole.mp4" : "whole.ts");
    QCOMPARE(writePatternFile(whole, container, 0), 0);
    const QByteArray wholeBytes = readAll(whole);
    qint64 limit = wholeBytes.size() * permille / 1000 + 100;
    if (mp4) {
        const QList<Box> boxes = topLevelBoxes(wholeBytes);
        int seen = 0;
        for (const Box& b : boxes) {
            if (b.type == box && ++seen == 3) {
                limit = b.offset + b.size * permille / 1000;
                break;
            }
        }
        QCOMPARE(seen, 3);
    }

    const QString path = m_dir.filePath(mp4 ? "cut.mp4" : "cut.ts");
    QCOMPARE(writePatternFile(path, container, limit), int(RecordDiskFull));
    const QByteArray bytes = readAll(path);
    QVERIFY2(bytes.size() <= limit, qPrintable(QString::number(bytes.size())));
    if (mp4) {
        // The file ends with its last whole fragment.
        const QList<Box> boxes = topLevelBoxes(bytes);
        QVERIFY(!boxes.isEmpty());
        QCOMPARE(boxes.last().offset + boxes.last().size, qint64(bytes.size()));
        QCOMPARE(boxes.last().type, QByteArray("mdat"));
    } else {
        QCOMPARE(bytes.size() % 188, 0);
    }
    const mediaprobe::Info info = mediaprobe::probe(path, false);
    QVERIFY(info.opened);
    QVERIFY(info.videoFrames > 0);
}

void TestRecorder::stuckWriteIsReported()
{
    // The "file" is a pipe nobody reads: once it is full, every write waits.
    const QString path = m_dir.filePath("stuck.mp4");
    QCOMPARE(mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    const int reader = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    VirtualRig rig(320, 240, 30);
    Recording rec;
    QCOMPARE(rec.recorder->start(settingsFor(path, 0), 320, 240, 30, true), 1);
    rig.pipeline.attach(rec.recorder);
    // A second of frames fills the queue, five more of lost frames fail it.
    QTRY_COMPARE_WITH_TIMEOUT(rec.failure.load(), int(RecordQueueFull), 10000);
    QVERIFY(rec.recorder->droppedFrames() > 100);
    rig.pipeline.detach(rec.recorder.get());
    ::close(reader); // the waiting write fails now, and the stop can end
    rec.recorder->stop();
    QVERIFY(!rec.recorder->running());
}

void TestRecorder::killedRecordingStaysPlayable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::newRow("mp4") << "killed.mp4" << 0;
    QTest::newRow("ts") << "killed.ts" << 4;
}

void TestRecorder::killedRecordingStaysPlayable()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    const QString path = m_dir.filePath(name);
    QProcess helper;
    helper.setProgram(QStringLiteral(ZD_TEST_BIN_DIR "/engine_media_recordhelper"));
    helper.setArguments({path, QString::number(format)});
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start();
    QVERIFY(helper.waitForStarted());
    QVERIFY(helper.waitForReadyRead(10000)); // "recording" once the file is open
    QThread::msleep(4000);
    helper.kill(); // SIGKILL: no chance to finish the file
    QVERIFY(helper.waitForFinished(5000));
    QCOMPARE(helper.exitStatus(), QProcess::CrashExit);

    // The helper reports each time its camera skipped frames; skips after its
    // last report fall in the last moments, which the file no longer holds.
    qint64 skipped = 0;
    for (const QByteArray& line : helper.readAllStandardOutput().split('\n')) {
        if (line.startsWith("skipped "))
            skipped = line.mid(8).toLongLong();
    }

    const mediaprobe::Info info = mediaprobe::probe(path);
    QVERIFY(info.opened);
    QCOMPARE(info.width, 320);
    QCOMPARE(info.height, 240);
    // At most the last two seconds are lost.
    QVERIFY2(info.duration >= 2.0, qPrintable(QString::number(info.duration)));
    QVERIFY(info.codes.size() >= 60);
    // Whole up to where the cut may have damaged the last pictures.
    const qint64 missing = missingFrames(info.codes, info.codes.size() - 30);
    QVERIFY2(missing >= 0 && missing <= skipped,
             qPrintable(QString("%1 missing, %2 skipped").arg(missing).arg(skipped)));
}

ZD_TEST_MAIN(TestRecorder, QCoreApplication)
#include "tst_recorder.moc"

#if defined(__SANITIZE_ADDRESS__)
// libx265 keeps one small block to the end of the process; the leak is the
// library's, not the recorder's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}
#endif
