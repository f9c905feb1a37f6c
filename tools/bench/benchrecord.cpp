// Records the engine's test-pattern camera and tone microphone through the
// engine's C calls for a while (1920x1080, 30 fps, x264 "veryfast" by
// default), then has the ffmpeg program make the same encode from its
// testsrc2 source, and prints the CPU seconds each spent per recorded second,
// the frames recorded, and the engine's memory while recording.
//
// Usage: zd_bench_record [--seconds N] [--width W] [--height H] [--fps F]
//                        [--preset NAME] [--bitrate BPS] [--dir FOLDER]
//                        [--ffmpeg PROGRAM] [--keep]
#include "media/avholders.h"
#include "media/recordsettings.h"
#include "vazURIdav.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

struct Options {
    int seconds = 10;
    int width = 1920;
    int height = 1080;
    int fps = 30;
    std::string preset = "veryfast";
    long long bitrate = 10485760;
    std::string dir = "/tmp";
    std::string ffmpeg = "ffmpeg";
    bool keep = false;
};

double cpuSeconds(int who)
{
    struct rusage u;
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

long residentKiB()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return -1;
    long pages = 0, resident = 0;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return n == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// Duration of the video stream and its number of frames, as a player reads it.
bool probe(const std::string& path, double& seconds, long& frames)
{
    using namespace zd::media;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return false;
    AVFormatInputPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return false;
    const int v = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (v < 0)
        return false;
    AVPacketPtr pkt = makePacket();
    int64_t first = AV_NOPTS_VALUE, end = 0;
    frames = 0;
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == v) {
            ++frames;
            if (first == AV_NOPTS_VALUE || pkt->pts < first)
                first = pkt->pts;
            end = std::max<int64_t>(end, pkt->pts + pkt->duration);
        }
        av_packet_unref(pkt.get());
    }
    seconds = first == AV_NOPTS_VALUE ? 0 : (end - first) * av_q2d(fmt->streams[v]->time_base);
    return true;
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* value = nullptr;
        if (a == "--keep") {
            o.keep = true;
            continue;
        }
        if (!(value = next()))
            return false;
        if (a == "--seconds")
            o.seconds = std::atoi(value);
        else if (a == "--width")
            o.width = std::atoi(value);
        else if (a == "--height")
            o.height = std::atoi(value);
        else if (a == "--fps")
            o.fps = std::atoi(value);
        else if (a == "--preset")
            o.preset = value;
        else if (a == "--bitrate")
            o.bitrate = std::atoll(value);
        else if (a == "--dir")
            o.dir = value;
        else if (a == "--ffmpeg")
            o.ffmpeg = value;
        else
            return false;
    }
    return o.seconds > 0 && o.width > 0 && o.height > 0 && o.fps > 0 && o.bitrate > 0;
}

int presetIndex(const std::string& name)
{
    const char* names[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                           "medium",    "slow",      "slower",   "veryslow", "placebo"};
    for (int i = 0; i < 10; ++i)
        if (name == names[i])
            return i;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zd;
    Options o;
    if (!parse(argc, argv, o) || presetIndex(o.preset) < 0) {
        std::fprintf(stderr,
                     "usage: %s [--seconds N] [--width W] [--height H] [--fps F] "
                     "[--preset NAME] [--bitrate BPS] [--dir FOLDER] [--ffmpeg PROGRAM] "
                     "[--keep]\n",
                     argv[0]);
        return 2;
    }
    const std::string ours = o.dir + "/zd_bench_engine.mp4";
    const std::string theirs = o.dir + "/zd_bench_ffmpeg.mp4";

    // The engine, as the application drives it: the test-pattern camera and
    // the tone microphone opened, recorded through the C calls.
    const std::string dataDir = o.dir + "/zd_bench_data";
    mkdir(dataDir.c_str(), 0755);
    void* engine = nullptr;
    if (ZD_Initalize(&engine, dataDir.c_str(), "", "", "zd_bench_record", "1") != 1) {
        std::fprintf(stderr, "the engine does not start\n");
        return 1;
    }
    DEV_NAME camera{}, microphone{};
    std::snprintf(camera.name, sizeof camera.name, "%s", "Test Pattern Camera");
    std::snprintf(camera.path, sizeof camera.path, "%s", "VIRTUAL_TEST_PATTERN_CAMERA");
    camera.kind = ZD_DEVICE_KIND_VIDEO;
    microphone.kind = ZD_DEVICE_KIND_AUDIO; // the first microphone: the tone
    DEV_CAPACITY format{};
    format.width = o.width;
    format.height = o.height;
    format.fps = o.fps;
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto wallBefore = std::chrono::steady_clock::now();
    if (ZD_OpenDevice(engine, 0, nullptr, 1, 0, &camera, &microphone, &format, 0) != 1) {
        std::fprintf(stderr, "the test-pattern camera does not open\n");
        return 1;
    }
    const int started =
        ZD_StartRecord(engine, ours.c_str(), 0, media::kEncoderH264, presetIndex(o.preset), o.width,
                       o.height, o.fps, static_cast<int>(o.bitrate));
    if (started != 1) {
        std::fprintf(stderr, "the recording does not start (%d)\n", started);
        return 1;
    }
    long rssMin = -1, rssMax = -1;
    int lowestFps = o.fps;
    for (int s = 0; s < o.seconds; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long rss = residentKiB();
        if (s >= 2) { // after the start-up
            rssMin = rssMin < 0 ? rss : std::min(rssMin, rss);
            rssMax = std::max(rssMax, rss);
        }
        if (s >= 1)
            lowestFps = std::min(lowestFps, ZD_GetFrameDataFps(engine, nullptr));
        if (o.seconds >= 60 && s % 60 == 59)
            std::printf("%4d s: resident %ld KiB\n", s + 1, rss);
    }
    int recording = 0;
    ZD_CheckState(engine, nullptr, nullptr, &recording, nullptr, nullptr);
    ZD_StopRecord(engine);
    ZD_CloseDevice(engine);
    ZD_Release(&engine);
    const double ourCpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    const double ourWall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();

    // ffmpeg: the same sizes, rate, preset, bit rate, key-frame interval,
    // sound and file layout, from its own test source.
    const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
    const std::vector<std::string> args = {
        o.ffmpeg,    "-hide_banner",
        "-loglevel", "error",
        "-nostdin",  "-y",
        "-f",        "lavfi",
        "-i",        "testsrc2=size=" + size + ":rate=" + std::to_string(o.fps),
        "-f",        "lavfi",
        "-i",        "sine=frequency=440:sample_rate=48000",
        "-t",        std::to_string(o.seconds),
        "-map",      "0:v",
        "-map",      "1:a",
        "-c:v",      "libx264",
        "-preset",   o.preset,
        "-b:v",      std::to_string(o.bitrate),
        "-g",        std::to_string(o.fps),
        "-pix_fmt",  "yuv420p",
        "-c:a",      "aac",
        "-b:a",      "160k",
        "-ac",       "2",
        "-movflags", "frag_keyframe+empty_moov+default_base_moof+delay_moov",
        theirs};
    std::vector<char*> argvChild;
    for (const std::string& a : args)
        argvChild.push_back(const_cast<char*>(a.c_str()));
    argvChild.push_back(nullptr);
    const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
    const auto ffWallBefore = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, o.ffmpeg.c_str(), nullptr, nullptr, argvChild.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "ffmpeg did not run\n");
        return 1;
    }
    const double ffCpu = cpuSeconds(RUSAGE_CHILDREN) - childBefore;
    const double ffWall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - ffWallBefore).count();

    double ourSeconds = 0, ffSeconds = 0;
    long ourFrames = 0, ffFrames = 0;
    if (!probe(ours, ourSeconds, ourFrames) || !probe(theirs, ffSeconds, ffFrames) ||
        ourSeconds <= 0 || ffSeconds <= 0) {
        std::fprintf(stderr, "a recording cannot be read back\n");
        return 1;
    }
    const double ourRate = ourCpu / ourSeconds;
    const double ffRate = ffCpu / ffSeconds;
    std::printf("%dx%d %d fps, x264 %s, %lld bit/s, %d s\n", o.width, o.height, o.fps,
                o.preset.c_str(), o.bitrate, o.seconds);
    std::printf("%-8s %10s %10s %8s %14s\n", "", "cpu s", "recorded s", "frames", "cpu s per s");
    std::printf("%-8s %10.2f %10.2f %8ld %14.3f\n", "engine", ourCpu, ourSeconds, ourFrames,
                ourRate);
    std::printf("%-8s %10.2f %10.2f %8ld %14.3f\n", "ffmpeg", ffCpu, ffSeconds, ffFrames, ffRate);
    std::printf("ratio engine / ffmpeg: %.3f\n", ourRate / ffRate);
    std::printf("engine: %ld frames for %d s at %d fps (%ld expected), lowest measured "
                "rate %d fps, wall %.1f s; ffmpeg wall %.1f s\n",
                ourFrames, o.seconds, o.fps, static_cast<long>(o.seconds) * o.fps, lowestFps,
                ourWall, ffWall);
    std::printf("engine resident memory while recording: %ld .. %ld KiB\n", rssMin, rssMax);
    if (!recording)
        std::printf("the recording had stopped before its end\n");
    if (!o.keep) {
        std::remove(ours.c_str());
        std::remove(theirs.c_str());
    }
    return recording ? 0 : 1;
}
