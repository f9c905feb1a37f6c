// What the engine makes of a V4L2 driver's answers, fed from a scripted
// driver: the format list the application sees (YUYV shown as "YUY2", MJPG
// listed, unusable formats left out, bounded against endless drivers), the
// format opened when none is asked, which nodes count as cameras, the
// picture controls, and the copy of a filled buffer into a frame.
#include "devices/v4l2controls.h"
#include "devices/v4l2device.h"
#include "devices/v4l2deviceprovider.h"
#include "devices/v4l2formatlist.h"
#include "devices/v4l2framecopy.h"
#include "devices/v4l2pictures.h"
#include "zdtestmain.h"

#include <cstring>
#include <map>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

using namespace zd;

namespace
{

struct Size {
    uint32_t w, h;
    std::vector<uint32_t> fps; // discrete rates; empty: none listed
};

struct Format {
    uint32_t fourcc;
    std::vector<Size> sizes;
};

struct Control {
    v4l2_queryctrl info;
    int32_t value;
};

v4l2_queryctrl controlInfo(uint32_t id, int32_t min, int32_t max, int32_t step, int32_t def,
                           uint32_t type = V4L2_CTRL_TYPE_INTEGER)
{
    v4l2_queryctrl q{};
    q.id = id;
    q.type = type;
    q.minimum = min;
    q.maximum = max;
    q.step = step;
    q.default_value = def;
    return q;
}

class FakeDriver : public V4l2Query
{
public:
    v4l2_capability cap{};
    std::vector<Format> formats;
    bool endless = false;
    bool stepwise = false;
    std::map<uint32_t, Control> controls;
    std::vector<std::pair<uint32_t, int32_t>> writes;
    std::vector<uint32_t> refuse;

    bool querycap(v4l2_capability& c) override
    {
        c = cap;
        return true;
    }
    bool enumFormat(v4l2_fmtdesc& d) override
    {
        if (endless) {
            d.pixelformat = d.index % 2 ? V4L2_PIX_FMT_MJPEG : V4L2_PIX_FMT_YUYV;
            return true;
        }
        if (d.index >= formats.size())
            return false;
        d.pixelformat = formats[d.index].fourcc;
        return true;
    }
    const Format* find(uint32_t fourcc) const
    {
        for (const Format& f : formats) {
            if (f.fourcc == fourcc)
                return &f;
        }
        return nullptr;
    }
    bool enumFrameSize(v4l2_frmsizeenum& s) override
    {
        if (endless) {
            s.type = V4L2_FRMSIZE_TYPE_DISCRETE;
            s.discrete.width = 16 + s.index;
            s.discrete.height = 16 + s.index;
            return true;
        }
        if (stepwise) {
            if (s.index > 0)
                return false;
            s.type = V4L2_FRMSIZE_TYPE_STEPWISE;
            s.stepwise = {16, 1920, 8, 16, 1080, 8};
            return true;
        }
        const Format* f = find(s.pixel_format);
        if (!f || s.index >= f->sizes.size())
            return false;
        s.type = V4L2_FRMSIZE_TYPE_DISCRETE;
        s.discrete.width = f->sizes[s.index].w;
        s.discrete.height = f->sizes[s.index].h;
        return true;
    }
    bool enumFrameInterval(v4l2_frmivalenum& i) override
    {
        if (endless) {
            i.type = V4L2_FRMIVAL_TYPE_DISCRETE;
            i.discrete = {1, 1 + i.index};
            return true;
        }
        if (stepwise) {
            if (i.index > 0)
                return false;
            i.type = V4L2_FRMIVAL_TYPE_CONTINUOUS;
            i.stepwise.min = {1, 60};
            i.stepwise.max = {1, 1};
            i.stepwise.step = {1, 1};
            return true;
        }
        const Format* f = find(i.pixel_format);
        if (!f)
            return false;
        for (const Size& s : f->sizes) {
            if (s.w == i.width && s.h == i.height) {
                if (i.index >= s.fps.size())
                    return false;
                i.type = V4L2_FRMIVAL_TYPE_DISCRETE;
                // NTSC rates come as 1001/30000.
                i.discrete =
                    s.fps[i.index] == 30 ? v4l2_fract{1001, 30000} : v4l2_fract{1, s.fps[i.index]};
                return true;
            }
        }
        return false;
    }
    bool queryControl(v4l2_queryctrl& q) override
    {
        auto it = controls.find(q.id);
        if (it == controls.end())
            return false;
        q = it->second.info;
        return true;
    }
    bool getControl(v4l2_control& c) override
    {
        auto it = controls.find(c.id);
        if (it == controls.end())
            return false;
        c.value = it->second.value;
        return true;
    }
    bool setControl(v4l2_control& c) override
    {
        writes.emplace_back(c.id, c.value);
        for (uint32_t r : refuse) {
            if (r == c.id)
                return false;
        }
        auto it = controls.find(c.id);
        if (it == controls.end())
            return false;
        it->second.value = c.value;
        return true;
    }
};

FakeDriver camera()
{
    FakeDriver d;
    std::strcpy(reinterpret_cast<char*>(d.cap.driver), "uvcvideo");
    std::strcpy(reinterpret_cast<char*>(d.cap.card), "HD Pro Webcam C920");
    std::strcpy(reinterpret_cast<char*>(d.cap.bus_info), "usb-0000:00:14.0-1");
    d.cap.capabilities =
        V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    d.cap.device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    d.formats = {{V4L2_PIX_FMT_YUYV,
                  {{1920, 1080, {5}}, {1280, 720, {10, 5}}, {640, 480, {30, 25, 20, 15}}}},
                 {V4L2_PIX_FMT_H264, {{1920, 1080, {30}}}},
                 {V4L2_PIX_FMT_MJPEG, {{1920, 1080, {30, 25, 20, 15}}, {640, 480, {30}}}}};
    return d;
}

QString line(const DEV_CAPACITY& c)
{
    return QString("%1 %2x%3@%4 %5 %6")
        .arg(QString::fromLatin1(c.codecName, int(strnlen(c.codecName, sizeof c.codecName))))
        .arg(c.width)
        .arg(c.height)
        .arg(c.fps)
        .arg(c.fpsChoices[0])
        .arg(c.fpsChoices[1]);
}

QStringList lines(const std::vector<DEV_CAPACITY>& list)
{
    QStringList out;
    for (const DEV_CAPACITY& c : list)
        out << line(c);
    return out;
}

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

class Pictures : public FrameReceiver
{
public:
    void videoFrame(const AVFrame* f) override
    {
        sizes << QSize(f->width, f->height);
        pts << f->pts;
        formats << f->format;
        if (f->format == AV_PIX_FMT_YUYV422)
            firstBytes = QByteArray(reinterpret_cast<const char*>(f->data[0]), 8);
    }
    void audioFrame(const AVFrame*) override {}
    void captureFailed(int) override {}
    QList<QSize> sizes;
    QList<qint64> pts;
    QList<int> formats;
    QByteArray firstBytes;
};

// A Motion-JPEG picture as a camera sends it.
QByteArray jpegPicture(int w, int h)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = w;
    ctx->height = h;
    ctx->pix_fmt = AV_PIX_FMT_YUVJ420P;
    ctx->time_base = {1, 30};
    QByteArray out;
    if (avcodec_open2(ctx, codec, nullptr) >= 0) {
        std::unique_ptr<AVFrame, FrameFree> f(av_frame_alloc());
        f->format = ctx->pix_fmt;
        f->width = w;
        f->height = h;
        av_frame_get_buffer(f.get(), 0);
        for (int p = 0; p < 3; ++p)
            std::memset(f->data[p], p ? 128 : 200, size_t(f->linesize[p]) * size_t(p ? h / 2 : h));
        AVPacket* pkt = av_packet_alloc();
        if (avcodec_send_frame(ctx, f.get()) >= 0 && avcodec_receive_packet(ctx, pkt) >= 0)
            out = QByteArray(reinterpret_cast<const char*>(pkt->data), pkt->size);
        av_packet_free(&pkt);
    }
    avcodec_free_context(&ctx);
    return out;
}

} // namespace

class TstV4l2 : public QObject
{
    Q_OBJECT

private slots:
    void formatList()
    {
        FakeDriver d = camera();
        const std::vector<DEV_CAPACITY> list = V4l2FormatList::build(d);
        QCOMPARE(lines(list), (QStringList{"YUY2 1920x1080@5 0 0", "YUY2 1280x720@10 5 0",
                                           "YUY2 640x480@30 25 20", "MJPG 1920x1080@30 25 20",
                                           "MJPG 640x480@30 0 0"}));
        QCOMPARE(list[0].fourcc, 0x32595559u); // "YUY2"
        QCOMPARE(list[3].fourcc, 0x47504A4Du); // "MJPG"

        // Nothing asked: the largest size that runs smoothly.
        DEV_CAPACITY chosen{};
        QVERIFY(V4l2FormatList::preferred(list, chosen));
        QCOMPARE(line(chosen), QString("MJPG 1920x1080@30 25 20"));
        QVERIFY(!V4l2FormatList::preferred({}, chosen));
    }

    void rangesOfSizesAndRates()
    {
        FakeDriver d = camera();
        d.stepwise = true;
        d.formats = {{V4L2_PIX_FMT_NV12, {}}};
        QStringList got = lines(V4l2FormatList::build(d));
        QCOMPARE(got.first(), QString("NV12 1920x1080@60 50 30"));
        QVERIFY(got.contains("NV12 1280x720@60 50 30"));
        QVERIFY(got.contains("NV12 320x240@60 50 30"));
        QVERIFY(!got.contains("NV12 1600x1200@60 50 30")); // taller than the range
        QCOMPARE(got.removeDuplicates(), 0);
    }

    // A driver that never says "no more" is asked a bounded number of times.
    void endlessDriver()
    {
        FakeDriver d = camera();
        d.endless = true;
        const std::vector<DEV_CAPACITY> list = V4l2FormatList::build(d);
        QCOMPARE(list.size(), size_t(ZD_MAX_CAPACITIES));
        for (const DEV_CAPACITY& c : list)
            QVERIFY(c.fps > 0 && c.fps <= 1000);
    }

    void fpsOfIntervals_data()
    {
        QTest::addColumn<uint>("numerator");
        QTest::addColumn<uint>("denominator");
        QTest::addColumn<int>("fps");
        QTest::newRow("30") << 1u << 30u << 30;
        QTest::newRow("29.97") << 1001u << 30000u << 30;
        QTest::newRow("0.5") << 2u << 1u << 1;
        QTest::newRow("zero numerator") << 0u << 30u << 0;
        QTest::newRow("zero denominator") << 1u << 0u << 0;
        QTest::newRow("absurd") << 1u << 4000000000u << 0;
        QTest::newRow("very slow") << 10u << 1u << 0;
    }
    void fpsOfIntervals()
    {
        QFETCH(uint, numerator);
        QFETCH(uint, denominator);
        QFETCH(int, fps);
        QCOMPARE(V4l2FormatList::fpsOf(numerator, denominator), fps);
    }

    void captureNodes_data()
    {
        QTest::addColumn<QByteArray>("driver");
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<uint>("caps");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("foreignVirtual");
        QTest::addColumn<QString>("name");
        const uint capture = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        QTest::newRow("camera") << QByteArray("uvcvideo") << QByteArray("HD Pro Webcam C920")
                                << capture << true << false << "HD Pro Webcam C920";
        QTest::newRow("metadata node")
            << QByteArray("uvcvideo") << QByteArray("C920")
            << uint(V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING) << false << false << "";
        QTest::newRow("no streaming")
            << QByteArray("old") << QByteArray("Old")
            << uint(V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE) << false << false << "";
        QTest::newRow("codec") << QByteArray("hantro-vpu") << QByteArray("codec")
                               << uint(capture | V4L2_CAP_VIDEO_M2M) << false << false << "";
        QTest::newRow("loopback") << QByteArray("v4l2 loopback") << QByteArray("OBS Virtual Camera")
                                  << capture << true << true << "OBS Virtual Camera";
        QTest::newRow("akvcam") << QByteArray("akvcam") << QByteArray("Virtual Camera") << capture
                                << true << true << "Virtual Camera";
        QTest::newRow("no card name")
            << QByteArray("vivid") << QByteArray() << capture << true << false << "vivid";
    }
    void captureNodes()
    {
        QFETCH(QByteArray, driver);
        QFETCH(QByteArray, card);
        QFETCH(uint, caps);
        QFETCH(bool, listed);
        QFETCH(bool, foreignVirtual);
        QFETCH(QString, name);
        FakeDriver d = camera();
        std::memset(d.cap.driver, 0, sizeof d.cap.driver);
        std::memset(d.cap.card, 0, sizeof d.cap.card);
        std::memcpy(d.cap.driver, driver.constData(), size_t(driver.size()));
        std::memcpy(d.cap.card, card.constData(), size_t(card.size()));
        d.cap.device_caps = caps;
        V4l2NodeInfo info;
        QCOMPARE(V4l2DeviceProvider::describe(d, info), listed);
        if (!listed)
            return;
        QCOMPARE(info.foreignVirtual, foreignVirtual);
        QCOMPARE(QString::fromUtf8(info.name.name), name);
        QCOMPARE(info.name.kind, uint32_t(ZD_DEVICE_KIND_VIDEO));
        QCOMPARE(info.formats.size(), size_t(5));
    }

    // A card name that fills its field without a terminator is read up to
    // the field's end.
    void unterminatedCardName()
    {
        FakeDriver d = camera();
        std::memset(d.cap.card, 'C', sizeof d.cap.card);
        V4l2NodeInfo info;
        QVERIFY(V4l2DeviceProvider::describe(d, info));
        QCOMPARE(QString::fromUtf8(info.name.name), QString(sizeof d.cap.card, 'C'));
    }

    void choosingTheFormat_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<QByteArray>("fourcc");
        QTest::addColumn<int>("fps");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("nothing asked") << 0 << 0 << QByteArray() << 0 << "MJPG 1920x1080@30 25 20";
        QTest::newRow("size and code")
            << 640 << 480 << QByteArray("YUY2") << 0 << "YUY2 640x480@30 25 20";
        QTest::newRow("size only, first listed")
            << 1920 << 1080 << QByteArray() << 0 << "YUY2 1920x1080@5 0 0";
        QTest::newRow("a typed rate")
            << 640 << 480 << QByteArray("YUY2") << 12 << "YUY2 640x480@12 25 20";
        QTest::newRow("size not offered")
            << 800 << 600 << QByteArray("YUY2") << 30 << "MJPG 1920x1080@30 25 20";
        QTest::newRow("code not offered")
            << 640 << 480 << QByteArray("NV12") << 30 << "MJPG 1920x1080@30 25 20";
    }
    void choosingTheFormat()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(QByteArray, fourcc);
        QFETCH(int, fps);
        QFETCH(QString, chosen);
        FakeDriver d = camera();
        const std::vector<DEV_CAPACITY> list = V4l2FormatList::build(d);
        DEV_CAPACITY asked{};
        asked.width = w;
        asked.height = h;
        asked.fps = fps;
        if (!fourcc.isEmpty())
            std::memcpy(&asked.fourcc, fourcc.constData(), 4);
        DEV_CAPACITY got{};
        QVERIFY(V4l2Device::choose(list, w ? &asked : nullptr, got));
        QCOMPARE(line(got), chosen);
    }

    void openResults()
    {
        QCOMPARE(V4l2Device::openResultOf(EACCES), ZD_OPEN_CAMERA_DENIED);
        QCOMPARE(V4l2Device::openResultOf(EPERM), ZD_OPEN_CAMERA_DENIED);
        QCOMPARE(V4l2Device::openResultOf(ENOENT), ZD_OPEN_NO_DEVICE);
        QCOMPARE(V4l2Device::openResultOf(ENODEV), ZD_OPEN_NO_DEVICE);
        QCOMPARE(V4l2Device::openResultOf(EBUSY), ZD_OPEN_PREVIEW_FAILED);
    }

    void pictureControlsRead()
    {
        FakeDriver d = camera();
        d.controls[V4L2_CID_BRIGHTNESS] = {controlInfo(V4L2_CID_BRIGHTNESS, -64, 64, 1, 0), 10};
        d.controls[V4L2_CID_CONTRAST] = {controlInfo(V4L2_CID_CONTRAST, 0, 95, 1, 32), 40};
        v4l2_queryctrl disabled = controlInfo(V4L2_CID_HUE, -2000, 2000, 1, 0);
        disabled.flags = V4L2_CTRL_FLAG_DISABLED;
        d.controls[V4L2_CID_HUE] = {disabled, 5};
        d.controls[V4L2_CID_WHITE_BALANCE_TEMPERATURE] = {
            controlInfo(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 2800, 6500, 10, 4600), 5000};
        d.controls[V4L2_CID_AUTO_WHITE_BALANCE] = {
            controlInfo(V4L2_CID_AUTO_WHITE_BALANCE, 0, 1, 1, 1, V4L2_CTRL_TYPE_BOOLEAN), 1};
        d.controls[V4L2_CID_GAIN] = {controlInfo(V4L2_CID_GAIN, 0, 255, 1, 0), 300};

        VIDEOAMPVALUE v{};
        QVERIFY(V4l2Controls::read(d, v));
        QCOMPARE(v.items[0].value, 10);
        QCOMPARE(v.items[0].minimum, -64);
        QCOMPARE(v.items[0].maximum, 64);
        QCOMPARE(v.items[1].defaultValue, 32);
        // Absent or disabled: no range at all.
        QCOMPARE(v.items[2].maximum, 0);
        QCOMPARE(v.items[2].value, 0);
        QCOMPARE(v.items[6].maximum, 0);
        QCOMPARE(v.items[7].value, 5000);
        QCOMPARE(v.items[7].automatic, uint8_t{1});
        QCOMPARE(v.items[7].minimum, 2800);
        // A value outside its own range is shown within it.
        QCOMPARE(v.items[9].value, 255);
        QVERIFY(d.writes.empty());

        FakeDriver none = camera();
        QVERIFY(!V4l2Controls::read(none, v));
    }

    void pictureControlsWrite()
    {
        FakeDriver d = camera();
        d.controls[V4L2_CID_BRIGHTNESS] = {controlInfo(V4L2_CID_BRIGHTNESS, -64, 64, 1, 0), 10};
        d.controls[V4L2_CID_WHITE_BALANCE_TEMPERATURE] = {
            controlInfo(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 2800, 6500, 10, 4600), 5000};
        d.controls[V4L2_CID_AUTO_WHITE_BALANCE] = {
            controlInfo(V4L2_CID_AUTO_WHITE_BALANCE, 0, 1, 1, 1, V4L2_CTRL_TYPE_BOOLEAN), 1};
        v4l2_queryctrl readOnly = controlInfo(V4L2_CID_GAIN, 0, 255, 1, 0);
        readOnly.flags = V4L2_CTRL_FLAG_READ_ONLY;
        d.controls[V4L2_CID_GAIN] = {readOnly, 7};

        VIDEOAMPVALUE known{};
        QVERIFY(V4l2Controls::read(d, known));

        // One slider moved: one write.
        VIDEOAMPVALUE wanted = known;
        wanted.items[0].value = 20;
        QCOMPARE(V4l2Controls::write(d, wanted, &known), 0);
        QCOMPARE(d.writes, (std::vector<std::pair<uint32_t, int32_t>>{{V4L2_CID_BRIGHTNESS, 20}}));
        QCOMPARE(known.items[0].value, 20);

        // Automatic white balance off, then the temperature (held to its step).
        d.writes.clear();
        wanted.items[7].automatic = 0;
        wanted.items[7].value = 4005;
        wanted.items[9].value = 100; // read-only: left alone
        QCOMPARE(V4l2Controls::write(d, wanted, &known), 0);
        QCOMPARE(d.writes, (std::vector<std::pair<uint32_t, int32_t>>{
                               {V4L2_CID_AUTO_WHITE_BALANCE, 0},
                               {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 4010}}));

        // Back to automatic: the value is the device's, nothing else written.
        d.writes.clear();
        wanted.items[7].automatic = 1;
        wanted.items[7].value = 3000;
        QCOMPARE(V4l2Controls::write(d, wanted, &known), 0);
        QCOMPARE(d.writes,
                 (std::vector<std::pair<uint32_t, int32_t>>{{V4L2_CID_AUTO_WHITE_BALANCE, 1}}));

        // Out of range, refused by the driver, and nothing known: all written.
        d.writes.clear();
        d.refuse = {V4L2_CID_BRIGHTNESS};
        wanted.items[0].value = 1000;
        QCOMPARE(V4l2Controls::write(d, wanted, nullptr), 1);
        QCOMPARE(d.writes, (std::vector<std::pair<uint32_t, int32_t>>{
                               {V4L2_CID_BRIGHTNESS, 64}, {V4L2_CID_AUTO_WHITE_BALANCE, 1}}));
    }

    void bufferSizes_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<uint>("bytesPerLine");
        QTest::addColumn<qulonglong>("bytes");
        QTest::newRow("YUYV packed")
            << int(AV_PIX_FMT_YUYV422) << 640 << 480 << 0u << qulonglong(614400);
        QTest::newRow("YUYV padded")
            << int(AV_PIX_FMT_YUYV422) << 640 << 480 << 1300u << qulonglong(624000);
        QTest::newRow("YUYV short lines")
            << int(AV_PIX_FMT_YUYV422) << 640 << 480 << 1000u << qulonglong(0);
        QTest::newRow("NV12") << int(AV_PIX_FMT_NV12) << 640 << 480 << 640u << qulonglong(460800);
        QTest::newRow("NV12 odd width, tight")
            << int(AV_PIX_FMT_NV12) << 641 << 481 << 641u << qulonglong(0);
        QTest::newRow("NV12 odd height")
            << int(AV_PIX_FMT_NV12) << 640 << 481 << 640u << qulonglong(640 * 481 + 640 * 241);
        QTest::newRow("I420") << int(AV_PIX_FMT_YUV420P) << 640 << 480 << 640u
                              << qulonglong(460800);
        QTest::newRow("P010") << int(AV_PIX_FMT_P010LE) << 640 << 480 << 1280u
                              << qulonglong(921600);
        QTest::newRow("MJPG has no layout")
            << int(AV_PIX_FMT_NONE) << 640 << 480 << 0u << qulonglong(0);
        QTest::newRow("zero size") << int(AV_PIX_FMT_GRAY8) << 0 << 480 << 0u << qulonglong(0);
        QTest::newRow("absurd size")
            << int(AV_PIX_FMT_GRAY8) << 20000 << 480 << 0u << qulonglong(0);
        QTest::newRow("absurd line")
            << int(AV_PIX_FMT_GRAY8) << 640 << 480 << 4000000000u << qulonglong(0);
    }
    void bufferSizes()
    {
        QFETCH(int, format);
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(uint, bytesPerLine);
        QFETCH(qulonglong, bytes);
        V4l2FrameLayout l{static_cast<AVPixelFormat>(format), w, h, bytesPerLine, false};
        QCOMPARE(qulonglong(V4l2FrameCopy::requiredBytes(l)), bytes);
    }

    // Raw buffers become pooled frames with the buffer's time; Motion-JPEG
    // is decoded; bytes that are no picture are dropped or refused.
    void picturesOfBuffers()
    {
        V4l2PixelFormat yuyv;
        QVERIFY(V4l2FormatList::pixelFormat(V4L2_PIX_FMT_YUYV, yuyv));
        V4l2Pictures raw(yuyv, V4l2FrameLayout{AV_PIX_FMT_YUYV422, 4, 2, 0, false});
        QVERIFY(raw.open());
        Pictures got;
        const QByteArray bytes("abcdefghijklmnop");
        QCOMPARE(raw.deliver(reinterpret_cast<const uint8_t*>(bytes.constData()), 16, 1234, got),
                 1);
        QCOMPARE(raw.deliver(reinterpret_cast<const uint8_t*>(bytes.constData()), 15, 1235, got),
                 0);
        QCOMPARE(got.sizes, (QList<QSize>{QSize(4, 2)}));
        QCOMPARE(got.pts, (QList<qint64>{1234}));
        QCOMPARE(got.firstBytes, QByteArray("abcdefgh"));

        V4l2PixelFormat mjpg;
        QVERIFY(V4l2FormatList::pixelFormat(V4L2_PIX_FMT_MJPEG, mjpg));
        V4l2Pictures jpeg(mjpg, V4l2FrameLayout{AV_PIX_FMT_NONE, 64, 48, 0, false});
        QVERIFY(jpeg.open());
        const QByteArray picture = jpegPicture(64, 48);
        QVERIFY(!picture.isEmpty());
        Pictures decoded;
        const auto* data = reinterpret_cast<const uint8_t*>(picture.constData());
        QCOMPARE(jpeg.deliver(data, size_t(picture.size()), 99, decoded), 1);
        QCOMPARE(decoded.sizes, (QList<QSize>{QSize(64, 48)}));
        QCOMPARE(decoded.pts, (QList<qint64>{99}));
        const QByteArray noise(5000, '\x5a');
        QCOMPARE(
            jpeg.deliver(reinterpret_cast<const uint8_t*>(noise.constData()), 5000, 100, decoded),
            -1);
        // A cut-off picture is still a picture, as cameras send them.
        QVERIFY(jpeg.deliver(data, size_t(picture.size() / 2), 101, decoded) >= -1);
        QCOMPARE(jpeg.deliver(data, size_t(picture.size()), 102, decoded), 1);
        QCOMPARE(decoded.pts.last(), 102);
        QCOMPARE(jpeg.deliver(nullptr, 10, 103, decoded), 0);
    }

    // Padding at the line ends stays behind; a short buffer is refused; YV12
    // comes out with its planes in U, V order.
    void bufferCopy()
    {
        const int w = 4, h = 2;
        std::vector<uint8_t> yuyv(2 * 12);
        for (size_t i = 0; i < yuyv.size(); ++i)
            yuyv[i] = uint8_t(i);
        V4l2FrameLayout l{AV_PIX_FMT_YUYV422, w, h, 12, false};
        std::unique_ptr<AVFrame, FrameFree> f(av_frame_alloc());
        f->format = AV_PIX_FMT_YUYV422;
        f->width = w;
        f->height = h;
        QVERIFY(av_frame_get_buffer(f.get(), 0) >= 0);
        QVERIFY(V4l2FrameCopy::copy(l, yuyv.data(), yuyv.size(), f.get()));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < 8; ++x)
                QCOMPARE(int(f->data[0][y * f->linesize[0] + x]), y * 12 + x);
        }
        QVERIFY(!V4l2FrameCopy::copy(l, yuyv.data(), yuyv.size() - 1, f.get()));
        QVERIFY(!V4l2FrameCopy::copy(l, nullptr, yuyv.size(), f.get()));
        V4l2FrameLayout other{AV_PIX_FMT_YUYV422, 8, h, 0, false};
        std::vector<uint8_t> bigger(64);
        QVERIFY(!V4l2FrameCopy::copy(other, bigger.data(), bigger.size(), f.get()));

        // YV12 4x2: Y (8 bytes), V (2), U (2).
        const uint8_t yv12[] = {1, 1, 1, 1, 1, 1, 1, 1, 200, 201, 100, 101};
        V4l2FrameLayout yv{AV_PIX_FMT_YUV420P, 4, 2, 4, true};
        const uint8_t* planes[4];
        int sizes[4];
        QVERIFY(V4l2FrameCopy::planes(yv, yv12, sizeof yv12, planes, sizes));
        QCOMPARE(int(planes[1][0]), 100);
        QCOMPARE(int(planes[2][0]), 200);
        QCOMPARE(sizes[1], 2);
    }
};

ZD_TEST_MAIN(TstV4l2, QCoreApplication)
#include "tst_v4l2.moc"
