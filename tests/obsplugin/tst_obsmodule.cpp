// The module loaded into libobs itself, under a private X server with
// software OpenGL: its two input kinds, their names, video frames through OBS
// from a capture server in the test (a change of size, the end of a stream
// and the reconnection), sound, and a source destroyed while its server is
// silent.
#include "fakerelay.h"
#include "plugintestsupport.h"
#include "zdxvfb.h"

#include <QtTest>

#include <X11/Xlib.h>
#include <obs-nix-platform.h>
#include <obs.h>
#include <util/base.h>

#include <chrono>

using namespace obstest;

namespace
{

struct LogLine {
    QString text;
    qint64 ms;
};

std::mutex g_obsLogMutex;
QList<LogLine> g_obsLog;
QElapsedTimer g_clock;

void obsLog(int, const char* format, va_list args, void*)
{
    char line[2048];
    std::vsnprintf(line, sizeof line, format, args);
    std::lock_guard<std::mutex> lock(g_obsLogMutex);
    g_obsLog.append({QString::fromUtf8(line).trimmed(), g_clock.elapsed()});
}

qint64 loggedAt(const QString& text)
{
    std::lock_guard<std::mutex> lock(g_obsLogMutex);
    for (const LogLine& l : g_obsLog)
        if (l.text.contains(text))
            return l.ms;
    return -1;
}

void clearObsLog()
{
    std::lock_guard<std::mutex> lock(g_obsLogMutex);
    g_obsLog.clear();
}

// The newest asynchronous frame OBS holds of the source: size and first pixel.
bool newestFrame(obs_source_t* source, uint32_t& width, uint32_t& height, uint8_t& blue)
{
    obs_source_frame* frame = obs_source_get_frame(source);
    if (!frame)
        return false;
    width = frame->width;
    height = frame->height;
    blue = frame->data[0] ? frame->data[0][0] : 0;
    obs_source_release_frame(source, frame);
    return true;
}

bool showsFrame(obs_source_t* source, uint32_t width, uint32_t height, uint8_t blue)
{
    return waitFor([&] {
        uint32_t w = 0, h = 0;
        uint8_t b = 0;
        return newestFrame(source, w, h, b) && w == width && h == height && b == blue;
    });
}

std::mutex g_audioMutex;
uint64_t g_audioFrames = 0;

void audioCaptured(void*, obs_source_t*, const audio_data* audio, bool)
{
    std::lock_guard<std::mutex> lock(g_audioMutex);
    g_audioFrames += audio->frames;
}

} // namespace

class TstObsModule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        folder = enterRequestFolder().toStdString();
        g_clock.start();
        QString why;
        if (!xvfb.start(&why, "1024x768x24"))
            QSKIP(qPrintable("no private X server: " + why));
        qputenv("DISPLAY", xvfb.display());
        qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
        display = XOpenDisplay(xvfb.display().constData());
        QVERIFY(display);
        base_set_log_handler(obsLog, nullptr);
        obs_set_nix_platform(OBS_NIX_PLATFORM_X11_EGL);
        obs_set_nix_platform_display(display);
        QVERIFY(obs_startup("en-US", nullptr, nullptr));
        started = true;

        obs_video_info video = {};
        video.graphics_module = "libobs-opengl";
        video.fps_num = 30;
        video.fps_den = 1;
        video.base_width = video.output_width = 640;
        video.base_height = video.output_height = 360;
        video.output_format = VIDEO_FORMAT_BGRA;
        video.gpu_conversion = true;
        video.colorspace = VIDEO_CS_709;
        video.range = VIDEO_RANGE_PARTIAL;
        video.scale_type = OBS_SCALE_BICUBIC;
        QCOMPARE(obs_reset_video(&video), int(OBS_VIDEO_SUCCESS));
        obs_audio_info audio = {};
        audio.samples_per_sec = 48000;
        audio.speakers = SPEAKERS_STEREO;
        QVERIFY(obs_reset_audio(&audio));

        const QByteArray bin = QByteArray(VELTRANOBOX_STAGE_DIR) + "/bin/64bit/veltranobox.so";
        const QByteArray data = QByteArray(VELTRANOBOX_STAGE_DIR) + "/data";
        obs_module_t* module = nullptr;
        QCOMPARE(obs_open_module(&module, bin.constData(), data.constData()), MODULE_SUCCESS);
        QVERIFY(obs_init_module(module));
        QVERIFY(loggedAt("[Veltrano Box Video] zd-box plugin loaded successfully (version "
                         "1.0.0.1)") >= 0);
    }

    void cleanupTestCase()
    {
        if (started)
            obs_shutdown();
        if (display)
            XCloseDisplay(display);
        xvfb.stop();
    }

    void init() { sem_unlink(serverSemaphore().c_str()); }

    void inputKinds()
    {
        QStringList kinds;
        const char* id = nullptr;
        for (size_t i = 0; obs_enum_input_types(i, &id); ++i)
            kinds << id;
        QVERIFY(kinds.contains("obs_veziv_source"));
        QVERIFY(kinds.contains("obs_veziv_source_audio"));
        QCOMPARE(obs_source_get_display_name("obs_veziv_source"), "Veltrano Box Video");
        QCOMPARE(obs_source_get_display_name("obs_veziv_source_audio"), "Veltrano Box Audio");
        QCOMPARE(obs_get_source_output_flags("obs_veziv_source"), uint32_t(5));
        QCOMPARE(obs_get_source_output_flags("obs_veziv_source_audio"), uint32_t(2));
    }

    void videoThroughObs()
    {
        obs_source_t* source = obs_source_create("obs_veziv_source", "box", nullptr, nullptr);
        QVERIFY(source);
        // No server: the idle picture (its top-left corner is dark slate).
        QVERIFY(waitFor([&] {
            uint32_t w = 0, h = 0;
            uint8_t b = 0;
            return newestFrame(source, w, h, b) && w == 1920 && h == 1080 && b < 60;
        }));

        FakeRelay relay(folder);
        QVERIFY(relay.start());
        const int fd = relay.acceptStream(zdrelay::kKindVideo);
        QVERIFY(fd >= 0);
        QVERIFY(writeFrame(fd, 1280 * 720 * 4, 1280, 720, picture(1280, 720, 101, 0, 0)));
        QVERIFY(showsFrame(source, 1280, 720, 101));
        QVERIFY(writeFrame(fd, 1920 * 1080 * 4, 1920, 1080, picture(1920, 1080, 102, 0, 0)));
        QVERIFY(showsFrame(source, 1920, 1080, 102));

        // The stream ends; the source comes back on a new pipe.
        QVERIFY(writeFrame(fd, 0, 0, 0, QByteArray()));
        const int again = relay.acceptStream(zdrelay::kKindVideo);
        QVERIFY(again >= 0);
        QVERIFY(writeFrame(again, 320 * 240 * 4, 320, 240, picture(320, 240, 103, 0, 0)));
        QVERIFY(showsFrame(source, 320, 240, 103));

        // Destroyed while the server says nothing: done within a second.
        clearObsLog();
        obs_source_release(source);
        QVERIFY(waitFor([] { return loggedAt("[Veltrano Box Video] video thread exit") >= 0; }));
        const qint64 asked = loggedAt("[Veltrano Box Video] video destroy...");
        QVERIFY(asked >= 0);
        QVERIFY2(loggedAt("[Veltrano Box Video] video thread exit") - asked < 1000,
                 "destroying the source waited for the silent server");
        QVERIFY(waitFor([&] {
            int stops = 0;
            for (const auto& r : relay.requests())
                stops += r.command == zdrelay::kCommandStop ? 1 : 0;
            return stops == 1;
        }));
    }

    void soundThroughObs()
    {
        FakeRelay relay(folder);
        QVERIFY(relay.start());
        obs_source_t* source =
            obs_source_create("obs_veziv_source_audio", "box audio", nullptr, nullptr);
        QVERIFY(source);
        obs_source_add_audio_capture_callback(source, audioCaptured, nullptr);
        const int fd = relay.acceptStream(zdrelay::kKindAudio);
        QVERIFY(fd >= 0);
        QByteArray tone(1920, '\0');
        for (int i = 0; i < tone.size(); i += 2)
            tone[i + 1] = char(i % 64 < 32 ? 0x20 : 0xE0);
        for (int i = 0; i < 50; ++i)
            QVERIFY(writeFrame(fd, 1920, 0, 0, tone));
        QVERIFY(waitFor([] {
            std::lock_guard<std::mutex> lock(g_audioMutex);
            return g_audioFrames >= 480 * 10;
        }));
        obs_source_remove_audio_capture_callback(source, audioCaptured, nullptr);
        clearObsLog();
        obs_source_release(source);
        QVERIFY(
            waitFor([] { return loggedAt("[Veltrano Box Audio]main audio thread exit") >= 0; }));
        for (const auto& r : relay.requests())
            QVERIFY(r.command != zdrelay::kCommandStop);
    }

private:
    std::string folder;
    zdtest::XvfbServer xvfb;
    Display* display = nullptr;
    bool started = false;
};

QTEST_GUILESS_MAIN(TstObsModule)
#include "tst_obsmodule.moc"
