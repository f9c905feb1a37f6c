// Recording, pictures, GIFs, filters and picture controls of the open
// test-pattern camera through the engine's C calls, with the files read back
// as a player reads them.
#include "../engine/enginetestsupport.h"
#include "mediaprobe.h"
#include "zdtestmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace
{

// Luma of a picture file, decoded, rows top to bottom.
struct Picture {
    int width = 0, height = 0;
    QByteArray luma;
    uint8_t at(int x, int y) const { return uint8_t(luma[y * width + x]); }
    int64_t frameCode(bool upsideDown) const
    {
        QByteArray rows(luma.size(), '\0');
        for (int y = 0; y < height; ++y)
            std::memcpy(rows.data() + y * width,
                        luma.constData() + (upsideDown ? height - 1 - y : y) * width, width);
        return zd::devices::TestPattern::readFrameCode(
            reinterpret_cast<const uint8_t*>(rows.constData()), width, width, height);
    }
};

Picture decodePicture(const QString& path)
{
    using namespace zd::media;
    Picture p;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return p;
    AVFormatInputPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0 || fmt->nb_streams < 1)
        return p;
    const AVCodecParameters* par = fmt->streams[0]->codecpar;
    const AVCodec* dec = avcodec_find_decoder(par->codec_id);
    AVCodecContextPtr ctx(avcodec_alloc_context3(dec));
    avcodec_parameters_to_context(ctx.get(), par);
    if (avcodec_open2(ctx.get(), dec, nullptr) < 0)
        return p;
    AVPacketPtr pkt = makePacket();
    AVFramePtr frame = makeFrame();
    if (av_read_frame(fmt.get(), pkt.get()) < 0 || avcodec_send_packet(ctx.get(), pkt.get()) < 0)
        return p;
    avcodec_send_packet(ctx.get(), nullptr);
    if (avcodec_receive_frame(ctx.get(), frame.get()) < 0)
        return p;
    AVFramePtr gray = makeFrame();
    gray->width = frame->width;
    gray->height = frame->height;
    gray->format = AV_PIX_FMT_GRAY8;
    av_frame_get_buffer(gray.get(), 0);
    SwsContextPtr sws(sws_getContext(
        frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
        frame->height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr));
    sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, gray->data,
              gray->linesize);
    p.width = frame->width;
    p.height = frame->height;
    p.luma.resize(p.width * p.height);
    for (int y = 0; y < p.height; ++y)
        std::memcpy(p.luma.data() + y * p.width, gray->data[0] + y * gray->linesize[0], p.width);
    return p;
}

} // namespace

class TestEngineRecord : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void refusesWithoutDeviceOrEncoder();
    void recordsPausesAndSplits();
    void picturesAreWrittenAndReported();
    void gifIsWrittenAndReported();
    void filterTurnsThePictureUpsideDown();
    void procAmpOfTheOpenCamera();
    void frameRateVolumeAndEncoders();
    void releaseFinishesTheRecording();
    void fullDiskIsReportedToTheMainWindow();
    void closingTheDeviceLeavesAPlayableFile();

private:
    void openCamera(int width = 320, int height = 240, int fps = 30);

    QTemporaryDir m_dir;
    ReportSink m_sink;
    void* m_handle = nullptr;
    int m_target = 0; // the receiver the device reports go to
};

void TestEngineRecord::init()
{
    m_handle = initEngine("record");
    QVERIFY(m_handle);
    ZD_SetMainMessageCallBack(&ReportSink::callback, &m_sink);
    m_sink.reset();
}

void TestEngineRecord::cleanup()
{
    ZD_Release(&m_handle);
    QCOMPARE(ZDT_EngineThreadCount(), 0);
}

void TestEngineRecord::openCamera(int width, int height, int fps)
{
    const DEV_NAME camera = testCamera();
    const DEV_NAME automaticSound = devName("", "", ZD_DEVICE_KIND_AUDIO);
    DEV_CAPACITY format{};
    format.width = width;
    format.height = height;
    format.fps = fps;
    QCOMPARE(
        ZD_OpenDevice(m_handle, 0, &m_target, 1, 0, &camera, &automaticSound, &format, 10000000),
        1);
    // The first picture is there at once.
    QTRY_VERIFY_WITH_TIMEOUT(ZD_GetFrameDataFps(m_handle, nullptr) > 0, 2000);
}

void TestEngineRecord::refusesWithoutDeviceOrEncoder()
{
    const QByteArray path = m_dir.filePath("refused.mp4").toUtf8();
    QCOMPARE(ZD_StartRecord(m_handle, path, 0, 0, 2, 0, 0, 0, 2000000), -1);
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, m_dir.filePath("none.png").toUtf8(), 0), 0);
    QCOMPARE(ZD_ScreenShot_gif(m_handle, 160, 120, 1, 10, m_dir.filePath("none.gif").toUtf8()), 0);
    openCamera();
    // Encoder ids 1, 2, 3 and 5 are hardware encoders this engine has not.
    QCOMPARE(ZD_StartRecord(m_handle, path, 0, 1, 2, 0, 0, 0, 2000000), -3);
    QCOMPARE(ZD_StartRecord(m_handle, m_dir.filePath("missing/x.mp4").toUtf8(), 0, 0, 2, 0, 0, 0,
                            2000000),
             -2);
    QCOMPARE(ZD_StartRecord(m_handle, path, 0, 0, 2, 0, 0, 0, 2000000), 1);
    QCOMPARE(ZD_StartRecord(m_handle, path, 0, 0, 2, 0, 0, 0, 2000000), -5);
    QCOMPARE(ZD_StopRecord(m_handle), 1);
    QCOMPARE(ZD_StopRecord(m_handle), 0);
    QVERIFY(m_sink.ofMessage(99663).isEmpty());
}

void TestEngineRecord::recordsPausesAndSplits()
{
    openCamera();
    const QString first = m_dir.filePath("Vid20250101120000.mp4");
    int recording = 0;
    QCOMPARE(ZD_StartRecord(m_handle, first.toUtf8(), 0, 0, 2, 0, 0, 0, 2000000), 1);
    QCOMPARE(ZD_CheckState(m_handle, nullptr, nullptr, &recording, nullptr, nullptr), 1);
    QCOMPARE(recording, 1);
    QThread::msleep(1200);
    QVERIFY(ZD_GetRecordFileSize(m_handle) > 0);
    QCOMPARE(ZD_IsPauseRecord(m_handle), 0);
    QVERIFY(ZD_PauseRecord(m_handle, 1) > 0);
    QCOMPARE(ZD_IsPauseRecord(m_handle), 1);
    QThread::msleep(1000);
    QVERIFY(ZD_PauseRecord(m_handle, 0) > 0);
    QCOMPARE(ZD_IsPauseRecord(m_handle), 0);
    QThread::msleep(800);

    char next[ZD_TEXT_BUFFER_BYTES];
    std::memset(next, 'x', sizeof next);
    QVERIFY(ZD_RestartRecord(m_handle, first.toUtf8(), next) > 0);
    const QString second = QString::fromUtf8(next);
    QCOMPARE(second, m_dir.filePath("Vid20250101120000_1.mp4"));
    // The size is that of the new file from now on.
    QVERIFY(ZD_GetRecordFileSize(m_handle) < QFile(first).size());
    QThread::msleep(1000);
    QCOMPARE(ZD_StopRecord(m_handle), 1);
    QCOMPARE(ZD_CheckState(m_handle, nullptr, nullptr, &recording, nullptr, nullptr), 1);
    QCOMPARE(recording, 0);
    QCOMPARE(ZD_GetRecordFileSize(m_handle), int64_t(0));

    const mediaprobe::Info a = mediaprobe::probe(first);
    const mediaprobe::Info b = mediaprobe::probe(second);
    QVERIFY(a.opened && b.opened);
    QCOMPARE(a.width, 320);
    QCOMPARE(a.height, 240);
    QVERIFY(a.hasAudio && b.hasAudio);
    // 1.2 s + 0.8 s before the split, 1 s after; the paused second is not there.
    QVERIFY2(std::abs(a.duration - 2.0) <= 0.3, qPrintable(QString::number(a.duration)));
    QVERIFY2(std::abs(b.duration - 1.0) <= 0.3, qPrintable(QString::number(b.duration)));
    QCOMPARE(b.codes.first(), a.codes.last() + 1);
    QVERIFY(m_sink.ofMessage(99663).isEmpty());
}

void TestEngineRecord::picturesAreWrittenAndReported()
{
    openCamera(352, 288, 30);
    // Written before the call returns, without a report.
    const QString now = m_dir.filePath("now.png");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, now.toUtf8(), 0), 1);
    const Picture p = decodePicture(now);
    QCOMPARE(p.width, 352);
    QCOMPARE(p.height, 288);
    QVERIFY(p.frameCode(false) >= 0);
    const QString frozen = m_dir.filePath("frozen.jpg");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, frozen.toUtf8(), -1), 1);
    QCOMPARE(decodePicture(frozen).width, 352);

    // Written on the engine's thread, then reported with the path in lParam
    // and ptr.
    const QString later = m_dir.filePath("Pic20250101120000.bmp");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, later.toUtf8(), 1), 1);
    QTRY_VERIFY_WITH_TIMEOUT((m_sink.drain(m_handle), !m_sink.ofMessage(9800).isEmpty()), 5000);
    const ReceivedReport r = m_sink.ofMessage(9800).first();
    QCOMPARE(r.sync, 0);
    QCOMPARE(r.target, static_cast<void*>(&m_target));
    QCOMPARE(reinterpret_cast<void*>(r.lParam), r.ptr);
    QCOMPARE(QString::fromUtf8(r.ptrText), later);
    const Picture bmp = decodePicture(later);
    QCOMPARE(bmp.width, 352);
    QCOMPARE(bmp.height, 288);
    QVERIFY(m_sink.ofMessage(9800).size() == 1);
}

void TestEngineRecord::gifIsWrittenAndReported()
{
    openCamera();
    const QString path = m_dir.filePath("Pic20250101120000.gif");
    QCOMPARE(ZD_ScreenShot_gif(m_handle, 160, 160, 1, 10, path.toLocal8Bit()), 1);
    int gif = 0;
    QCOMPARE(ZD_CheckState(m_handle, nullptr, nullptr, nullptr, &gif, nullptr), 1);
    QCOMPARE(gif, 1);
    QCOMPARE(ZD_ScreenShot_gif(m_handle, 160, 160, 1, 10, path.toLocal8Bit()), 0);
    QThread::msleep(1300);
    QCOMPARE(ZD_ScreenShot_gif_stop(m_handle), 1);
    QCOMPARE(ZD_CheckState(m_handle, nullptr, nullptr, nullptr, &gif, nullptr), 1);
    QCOMPARE(gif, 0);
    m_sink.drain(m_handle);

    const QList<ReceivedReport> states = m_sink.ofMessage(9150);
    QVERIFY(states.size() >= 3);
    QCOMPARE(states.first().wParam, 0ul);
    QCOMPARE(states.last().wParam, 1ul);
    QCOMPARE(states.last().target, static_cast<void*>(&m_target));
    bool secondReported = false;
    for (const ReceivedReport& r : states)
        secondReported |= r.wParam == 2 && r.lParam >= 1000 && r.lParam < 2000;
    QVERIFY(secondReported);

    const mediaprobe::Info info = mediaprobe::probe(path, false);
    QVERIFY(info.opened);
    QCOMPARE(info.width, 160);
    QCOMPARE(info.height, 120);
    QVERIFY(info.videoFrames > 1);
}

void TestEngineRecord::filterTurnsThePictureUpsideDown()
{
    openCamera();
    const QString plain = m_dir.filePath("plain.png");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, plain.toUtf8(), 0), 1);
    const int64_t before = decodePicture(plain).frameCode(false);
    QVERIFY(before >= 0);

    // A vertical flip added to the main source's chain, as the filter list does.
    QCOMPARE(ZD_AddFilter(m_handle, nullptr, 5, 1, "vflip", 1), 1);
    QThread::msleep(200);
    const QString flipped = m_dir.filePath("flipped.png");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, flipped.toUtf8(), 0), 1);
    // The frame-number strip is now along the bottom edge, upside down.
    const Picture p = decodePicture(flipped);
    const int64_t after = p.frameCode(true);
    QVERIFY2(after > before && after < before + 60,
             qPrintable(QString("%1 then %2").arg(before).arg(after)));

    // The recording gets the filtered pictures as well.
    const QString video = m_dir.filePath("flipped.mp4");
    QCOMPARE(ZD_StartRecord(m_handle, video.toUtf8(), 0, 0, 2, 0, 0, 0, 2000000), 1);
    QThread::msleep(700);
    QCOMPARE(ZD_StopRecord(m_handle), 1);
    const mediaprobe::Info info = mediaprobe::probe(video);
    QVERIFY(info.videoFrames > 0);
    // Read the right way up, no frame number is where the camera draws it.
    int readable = 0;
    for (qint64 code : info.codes)
        readable += code > before && code < before + 200;
    QVERIFY2(readable < info.codes.size() / 2, qPrintable(QString::number(readable)));

    // Switched off, the picture is the right way up again.
    QCOMPARE(ZD_EditFilter(m_handle, nullptr, 1, "enabled=0"), 1);
    QThread::msleep(200);
    const QString upright = m_dir.filePath("upright.png");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, upright.toUtf8(), 0), 1);
    const int64_t again = decodePicture(upright).frameCode(false);
    QVERIFY2(again > after && again < after + 60,
             qPrintable(QString("%1 then %2").arg(after).arg(again)));
    QCOMPARE(ZD_DeleteFilter(m_handle, nullptr, ZD_ALL_FILTERS), 1);
}

void TestEngineRecord::procAmpOfTheOpenCamera()
{
    openCamera();
    VIDEOAMPVALUE v{};
    // No name: the open device.
    QCOMPARE(ZD_GetCaptureAmpValue(m_handle, nullptr, &v), 1);
    const int32_t brightnessMax = v.items[0].maximum;
    const QString before = m_dir.filePath("before.png");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, before.toUtf8(), 0), 1);

    v.items[0].value = brightnessMax;
    QCOMPARE(ZD_SetCaptureAmpValue(m_handle, nullptr, &v), 1);
    QThread::msleep(200);
    const QString after = m_dir.filePath("after.png");
    QCOMPARE(ZD_ScreenShot_bmp(m_handle, after.toUtf8(), 0), 1);
    // The grey ramp at the bottom stands still; in its middle the picture is
    // clearly brighter now.
    const Picture a = decodePicture(before), b = decodePicture(after);
    QVERIFY2(b.at(160, 230) > a.at(160, 230) + 40,
             qPrintable(QString("%1 then %2").arg(a.at(160, 230)).arg(b.at(160, 230))));
    VIDEOAMPVALUE back{};
    QCOMPARE(ZD_GetCaptureAmpValue(m_handle, "Test Pattern Camera", &back), 1);
    QCOMPARE(int(back.items[0].value), int(brightnessMax));
}

void TestEngineRecord::frameRateVolumeAndEncoders()
{
    QCOMPARE(ZD_GetFrameDataFps(m_handle, nullptr), 0);
    openCamera(320, 240, 25);
    QThread::msleep(1100);
    const int fps = ZD_GetFrameDataFps(m_handle, nullptr);
    QVERIFY2(fps >= 23 && fps <= 26, qPrintable(QString::number(fps)));
    QCOMPARE(ZD_GetFrameDataFps(m_handle, "12345"), 0);

    QCOMPARE(ZD_AdjustVolume(m_handle, -255), 1);
    QCOMPARE(ZD_AdjustVolume(m_handle, 255), 1);
    QCOMPARE(ZD_AdjustVolume(m_handle, 40), 1);
    QCOMPARE(ZD_AdjustVolume(m_handle, 101), 0);

    char buffers[ZD_ENCODER_LIST_SLOTS][ZD_ENCODER_NAME_BYTES] = {};
    char* names[ZD_ENCODER_LIST_SLOTS];
    int ids[ZD_ENCODER_LIST_SLOTS] = {};
    for (int i = 0; i < ZD_ENCODER_LIST_SLOTS; ++i)
        names[i] = buffers[i];
    const int n = ZD_GetEncodeH264EngineList(m_handle, names, ids);
    QVERIFY(n >= 1);
    QCOMPARE(ids[0], 0);
    QCOMPARE(QByteArray(names[0]), QByteArray("H264(software)"));
}

void TestEngineRecord::releaseFinishesTheRecording()
{
    openCamera();
    const QString path = m_dir.filePath("released.ts");
    QCOMPARE(ZD_StartRecord(m_handle, path.toUtf8(), 4, 0, 2, 160, 120, 15, 1000000), 1);
    QThread::msleep(1500);
    ZD_Release(&m_handle);
    QCOMPARE(ZDT_EngineThreadCount(), 0);
    const mediaprobe::Info info = mediaprobe::probe(path, false);
    QVERIFY(info.opened);
    QCOMPARE(info.width, 160);
    QCOMPARE(info.height, 120);
    QVERIFY2(std::abs(info.fps - 15) < 0.5, qPrintable(QString::number(info.fps)));
    QVERIFY2(std::abs(info.duration - 1.5) <= 0.3, qPrintable(QString::number(info.duration)));
}

void TestEngineRecord::fullDiskIsReportedToTheMainWindow()
{
    openCamera();
    // Files may not grow past 300 kB, as on a full disk.
    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 300 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString path = m_dir.filePath("full.mp4");
    QCOMPARE(ZD_StartRecord(m_handle, path.toUtf8(), 0, 0, 0, 0, 0, 0, 20000000), 1);
    QTRY_VERIFY_WITH_TIMEOUT((m_sink.drain(m_handle), !m_sink.ofMessage(99663).isEmpty()), 10000);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    const ReceivedReport r = m_sink.ofMessage(99663).first();
    QCOMPARE(r.target, nullptr);
    QCOMPARE(r.wParam, 0ul);
    QCOMPARE(r.lParam, 5ll);
    // The application stops the recording on it; the state says so after.
    int recording = 0;
    QCOMPARE(ZD_CheckState(m_handle, nullptr, nullptr, &recording, nullptr, nullptr), 1);
    QCOMPARE(recording, 1);
    QCOMPARE(ZD_StopRecord(m_handle), 1);
    QCOMPARE(ZD_CheckState(m_handle, nullptr, nullptr, &recording, nullptr, nullptr), 1);
    QCOMPARE(recording, 0);
    m_sink.drain(m_handle);
    QCOMPARE(m_sink.ofMessage(99663).size(), 1);
}

void TestEngineRecord::closingTheDeviceLeavesAPlayableFile()
{
    openCamera();
    const QString path = m_dir.filePath("closed.mp4");
    QCOMPARE(ZD_StartRecord(m_handle, path.toUtf8(), 1, 0, 0, 0, 0, 0, 2000000), 1);
    QThread::msleep(1000);
    QCOMPARE(ZD_CloseDevice(m_handle), 1);
    QCOMPARE(ZD_StopRecord(m_handle), 1);
    const mediaprobe::Info info = mediaprobe::probe(path);
    QVERIFY(info.opened);
    QVERIFY2(std::abs(info.duration - 1.0) <= 0.3, qPrintable(QString::number(info.duration)));
}

ZD_TEST_MAIN(TestEngineRecord, QCoreApplication)
#include "tst_enginerecord.moc"
