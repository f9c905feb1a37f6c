// Processor time of a recording made by the engine against the same recording
// made by the ffmpeg program, on equal work: both encode the same picture,
// libavfilter's "testsrc2" at the asked size and rate (the engine from a
// scripted device that draws it, ffmpeg from its lavfi input), with the same
// sound (a 440 Hz tone), preset, bit rate, key-frame interval and file
// layout. The rounds alternate, engine then ffmpeg, so that a change in the
// machine's load touches both sides alike. Prints each round, the medians of
// processor seconds per recorded second and their ratio, both sides' x264
// settings line (which must be the same), the engine's frames against the
// frames due, its memory while recording, and the load average before and
// after. A short recording on each side comes first and is not counted. Run
// it under "taskset -c 0,1" to hold both sides to two processors.
//
// Usage: zd_bench_record [--rounds N] [--seconds N] [--width W] [--height H]
//                        [--fps F] [--preset NAME] [--bitrate BPS]
//                        [--dir FOLDER] [--ffmpeg PROGRAM] [--keep]
#include "media/avholders.h"
#include "media/recordsettings.h"
#include "vazURIdav.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sched.h>
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

constexpr const char* kDevicePath = "BENCH_TESTSRC2";

struct Options {
    int rounds = 3;
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

struct Side {
    std::vector<double> cpuPerSecond;
    std::vector<long> frames;
    std::string x264;
};

double cpuSeconds(const struct rusage& u)
{
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

struct Usage {
    double cpu = 0;
    double system = 0; // the kernel's part of cpu
    long faults = 0;   // minor page faults: memory the process touched afresh
    long switches = 0; // context switches, waits and preemptions
};

Usage usageOf(const struct rusage& u)
{
    return {cpuSeconds(u), u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6, u.ru_minflt,
            u.ru_nvcsw + u.ru_nivcsw};
}

Usage selfUsage()
{
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return usageOf(u);
}

Usage operator-(const Usage& a, const Usage& b)
{
    return {a.cpu - b.cpu, a.system - b.system, a.faults - b.faults, a.switches - b.switches};
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

std::string loadAverage()
{
    std::ifstream f("/proc/loadavg");
    std::string one, five, fifteen;
    f >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Duration of the video stream, its number of frames, and the options of the
// x264 settings line that x264 writes into the first picture.
bool probe(const std::string& path, double& seconds, long& frames, std::string& x264)
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
    x264.clear();
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == v) {
            ++frames;
            if (first == AV_NOPTS_VALUE || pkt->pts < first)
                first = pkt->pts;
            end = std::max<int64_t>(end, pkt->pts + pkt->duration);
            if (x264.empty()) {
                const std::string data(reinterpret_cast<const char*>(pkt->data), pkt->size);
                const size_t at = data.find("options: ");
                if (at != std::string::npos)
                    x264 = data.substr(at + 9, data.find('\0', at) - at - 9);
            }
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
        if (a == "--keep") {
            o.keep = true;
            continue;
        }
        const char* value = i + 1 < argc ? argv[++i] : nullptr;
        if (!value)
            return false;
        if (a == "--rounds")
            o.rounds = std::atoi(value);
        else if (a == "--seconds")
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
    return o.rounds > 0 && o.seconds > 0 && o.width > 0 && o.height > 0 && o.fps > 0 &&
           o.bitrate > 0;
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

// The device script of the engine's side: one camera that draws testsrc2.
bool writeDeviceScript(const std::string& path, const Options& o)
{
    std::ofstream f(path);
    f << "{\"devices\": [{\"name\": \"testsrc2\", \"path\": \"" << kDevicePath
      << "\", \"kind\": 1, \"pictures\": \"testsrc2\", \"formats\": [{\"width\": " << o.width
      << ", \"height\": " << o.height << ", \"fps\": " << o.fps
      << ", \"fourcc\": \"I420\", \"codec\": \"I420\"}]}]}\n";
    return bool(f);
}

struct EngineRun {
    Usage usage;
    long rssMin = -1, rssMax = -1;
    bool recording = false;
};

// One recording through the engine's C calls, as the application makes it.
bool recordWithEngine(void* engine, const Options& o, const std::string& file, EngineRun& run)
{
    DEV_NAME camera{}, microphone{};
    std::snprintf(camera.name, sizeof camera.name, "%s", "testsrc2");
    std::snprintf(camera.path, sizeof camera.path, "%s", kDevicePath);
    camera.kind = ZD_DEVICE_KIND_VIDEO;
    microphone.kind = ZD_DEVICE_KIND_AUDIO; // the first microphone: the tone
    DEV_CAPACITY format{};
    format.width = o.width;
    format.height = o.height;
    format.fps = o.fps;
    const Usage before = selfUsage();
    if (ZD_OpenDevice(engine, 0, nullptr, 1, 0, &camera, &microphone, &format, 0) != 1) {
        std::fprintf(stderr, "the testsrc2 device does not open\n");
        return false;
    }
    const int started =
        ZD_StartRecord(engine, file.c_str(), 0, zd::media::kEncoderH264, presetIndex(o.preset),
                       o.width, o.height, o.fps, static_cast<int>(o.bitrate));
    if (started != 1) {
        std::fprintf(stderr, "the recording does not start (%d)\n", started);
        return false;
    }
    for (int s = 0; s < o.seconds; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long rss = residentKiB();
        if (s >= 2) { // after the start-up
            run.rssMin = run.rssMin < 0 ? rss : std::min(run.rssMin, rss);
            run.rssMax = std::max(run.rssMax, rss);
        }
    }
    int recording = 0;
    ZD_CheckState(engine, nullptr, nullptr, &recording, nullptr, nullptr);
    run.recording = recording != 0;
    ZD_StopRecord(engine);
    ZD_CloseDevice(engine);
    run.usage = selfUsage() - before;
    return true;
}

// The same recording made by the ffmpeg program.
bool recordWithFfmpeg(const Options& o, const std::string& file, Usage& used)
{
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
        "-movflags", "frag_keyframe+empty_moov+default_base_moof",
        file};
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, o.ffmpeg.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    used = usageOf(usage);
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o) || presetIndex(o.preset) < 0) {
        std::fprintf(stderr,
                     "usage: %s [--rounds N] [--seconds N] [--width W] [--height H] [--fps F] "
                     "[--preset NAME] [--bitrate BPS] [--dir FOLDER] [--ffmpeg PROGRAM] "
                     "[--keep]\n",
                     argv[0]);
        return 2;
    }
    const std::string ours = o.dir + "/zd_bench_engine.mp4";
    const std::string theirs = o.dir + "/zd_bench_ffmpeg.mp4";
    const std::string dataDir = o.dir + "/zd_bench_data";
    const std::string script = o.dir + "/zd_bench_devices.json";
    mkdir(dataDir.c_str(), 0755);
    if (!writeDeviceScript(script, o) || setenv("VAZURIDAV_DEVICES", script.c_str(), 1) != 0) {
        std::fprintf(stderr, "cannot write %s\n", script.c_str());
        return 1;
    }
    void* engine = nullptr;
    if (ZD_Initalize(&engine, dataDir.c_str(), "", "", "zd_bench_record", "1") != 1) {
        std::fprintf(stderr, "the engine does not start\n");
        return 1;
    }
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    sched_getaffinity(0, sizeof cpus, &cpus);
    const std::string loadBefore = loadAverage();
    std::printf("%dx%d %d fps, x264 %s, %lld bit/s, %d s per recording, %d rounds, "
                "%d processors, load average %s\n",
                o.width, o.height, o.fps, o.preset.c_str(), o.bitrate, o.seconds, o.rounds,
                CPU_COUNT(&cpus), loadBefore.c_str());
    std::printf("%-6s %-7s %8s %8s %11s %7s %12s %9s %9s\n", "round", "side", "cpu s", "kernel",
                "recorded s", "frames", "cpu s per s", "faults", "switches");
    auto row = [](int round, const char* side, const Usage& u, double seconds, long frames) {
        std::printf("%-6d %-7s %8.2f %8.2f %11.2f %7ld %12.3f %9ld %9ld\n", round, side, u.cpu,
                    u.system, seconds, frames, u.cpu / seconds, u.faults, u.switches);
        std::fflush(stdout);
    };

    // One short unmeasured recording on each side first: the engine's first
    // device and encoder set-up and the ffmpeg program's first loading from
    // disk are no part of recording.
    {
        Options warm = o;
        warm.seconds = 3;
        EngineRun run;
        Usage used;
        if (!recordWithEngine(engine, warm, ours, run) || !recordWithFfmpeg(warm, theirs, used)) {
            std::fprintf(stderr, "the warm-up recordings failed\n");
            return 1;
        }
    }

    Side engineSide, ffmpegSide;
    long rssMin = -1, rssMax = -1;
    bool stoppedEarly = false;
    for (int round = 1; round <= o.rounds; ++round) {
        EngineRun run;
        double seconds = 0;
        long frames = 0;
        if (!recordWithEngine(engine, o, ours, run) ||
            !probe(ours, seconds, frames, engineSide.x264) || seconds <= 0) {
            std::fprintf(stderr, "the engine's recording cannot be read back\n");
            return 1;
        }
        stoppedEarly = stoppedEarly || !run.recording;
        rssMin = rssMin < 0 ? run.rssMin : std::min(rssMin, run.rssMin);
        rssMax = std::max(rssMax, run.rssMax);
        engineSide.cpuPerSecond.push_back(run.usage.cpu / seconds);
        engineSide.frames.push_back(frames);
        row(round, "engine", run.usage, seconds, frames);

        Usage used;
        if (!recordWithFfmpeg(o, theirs, used) ||
            !probe(theirs, seconds, frames, ffmpegSide.x264) || seconds <= 0) {
            std::fprintf(stderr, "ffmpeg did not record\n");
            return 1;
        }
        ffmpegSide.cpuPerSecond.push_back(used.cpu / seconds);
        ffmpegSide.frames.push_back(frames);
        row(round, "ffmpeg", used, seconds, frames);
    }
    ZD_Release(&engine);

    const double ourRate = median(engineSide.cpuPerSecond);
    const double theirRate = median(ffmpegSide.cpuPerSecond);
    const long due = static_cast<long>(o.seconds) * o.fps;
    const long fewest = *std::min_element(engineSide.frames.begin(), engineSide.frames.end());
    std::printf("\nmedian cpu s per recorded s: engine %.3f, ffmpeg %.3f\n", ourRate, theirRate);
    std::printf("ratio engine / ffmpeg: %.3f\n", ourRate / theirRate);
    std::printf("engine frames: fewest %ld of %ld due (%ld dropped)\n", fewest, due,
                std::max(0L, due - fewest));
    std::printf("x264 settings, engine: %s\n", engineSide.x264.c_str());
    std::printf("x264 settings, ffmpeg: %s\n", ffmpegSide.x264.c_str());
    std::printf("x264 settings %s\n",
                engineSide.x264 == ffmpegSide.x264 ? "are the same" : "DIFFER");
    std::printf("engine resident memory while recording: %ld .. %ld KiB\n", rssMin, rssMax);
    std::printf("load average before %s, after %s\n", loadBefore.c_str(), loadAverage().c_str());
    if (stoppedEarly)
        std::printf("a recording had stopped before its end\n");
    if (!o.keep) {
        std::remove(ours.c_str());
        std::remove(theirs.c_str());
    }
    std::remove(script.c_str());
    return stoppedEarly ? 1 : 0;
}
