// Processor time of the live stream: the same canvas (1920x1080 at 30, a
// test-pattern camera, a text and a picture layer and the tone microphone)
// streamed to one local nginx-rtmp server and then to three, for the same
// time each. The encode is shared, so three servers should cost little more
// than one. Prints the processor seconds per streamed second of each, their
// ratio, the pictures the encoder dropped, the frames each server got, and
// the resident memory at the start and end of each run. Then the cost of the
// composition: the same canvas recorded to a file against a plain recording
// of the test-pattern camera at the same size and rate. First, how long the
// caller's (the GUI) thread is held by ZD_StartLive and ZD_StopLive when one
// of two servers takes the connection and never answers.
//
// Usage: zd_bench_live [--seconds N] [--record-seconds N] [--dir FOLDER]
//                      [--stall-only]
#include "core/engine.h"
#include "core/engineregistry.h"
#include "live/liveoutput.h"
#include "vazURIdav.h"
#include "zdnginxspawn.h"
#include "zdtestcamera.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

extern char** environ;

namespace
{

double cpuNow()
{
    struct rusage u {
    };
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

long rssKb()
{
    std::ifstream f("/proc/self/statm");
    long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

LIVEPIP_PARAMTERS layer(int x, int y, int w, int h, int z)
{
    LIVEPIP_PARAMTERS p{};
    p.x = x;
    p.y = y;
    p.width = w;
    p.height = h;
    p.alpha = 100;
    p.enabled = 1;
    p.z = z;
    p.volume = 100;
    return p;
}

void writeRedBmp(const std::string& path)
{
    const int w = 320, h = 240, row = w * 3, data = row * h;
    std::vector<unsigned char> b(54 + data, 0);
    auto put = [&](int at, unsigned v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = (v >> (8 * i)) & 0xFF;
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, b.size());
    put(10, 54);
    put(14, 40);
    put(18, w);
    put(22, h);
    b[26] = 1;
    b[28] = 24;
    for (int i = 54; i < 54 + data; i += 3)
        b[i + 2] = 255;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(b.data()), b.size());
}

// Opens the canvas with its four layers.
bool openScene(void* h, const std::string& dir)
{
    DEV_NAME video = zdtest::devName("NULL", "NULL", 0), audio = zdtest::devName("NULL", "NULL", 0);
    DEV_CAPACITY f{};
    f.width = 1920;
    f.height = 1080;
    f.fps = 30;
    if (ZD_OpenDevice(h, 0, nullptr, 1, 0, &video, &audio, &f, 10000000) != 1)
        return false;
    LIVEPIP_PARAMTERS cam = layer(0, 0, 1920, 1080, 0);
    SCENE_DEVICE_PARAMS d{};
    d.device = zdtest::devName("Test Pattern Camera", "VIRTUAL_TEST_PATTERN_CAMERA", 1);
    d.format.width = 1920;
    d.format.height = 1080;
    d.format.fps = 30;
    std::memcpy(cam.kindBlock, &d, sizeof d);
    LIVEPIP_PARAMTERS mic = layer(0, 0, 0, 0, 1);
    SCENE_DEVICE_PARAMS m{};
    m.device = zdtest::devName("Test Tone Microphone", "VIRTUAL_TEST_TONE_MICROPHONE", 2);
    std::memcpy(mic.kindBlock, &m, sizeof m);
    writeRedBmp(dir + "/bench.bmp");
    std::ofstream(dir + "/bench.picture-list") << dir << "/bench.bmp\n";
    LIVEPIP_PARAMTERS pic = layer(1400, 60, 480, 360, 2);
    SCENE_PICTURE_PARAMS pp{};
    std::snprintf(pp.listPath, sizeof pp.listPath, "%s/bench.picture-list", dir.c_str());
    pp.delaySecs = 3;
    std::memcpy(pic.kindBlock, &pp, sizeof pp);
    LIVEPIP_PARAMTERS text = layer(60, 900, 1200, 140, 3);
    SCENE_TEXT_PARAMS t{};
    std::strcpy(t.text, "Live benchmark 12:34");
    std::strcpy(t.font, "DejaVu Sans");
    t.size = 96;
    t.colour = 0xFFFFFF;
    std::memcpy(text.kindBlock, &t, sizeof t);
    return ZD_AddOverlayDevice(h, "1", 0, &cam) == 1 && ZD_AddOverlayDevice(h, "2", 3, &mic) == 1 &&
           ZD_AddOverlayDevice(h, "3", 1, &pic) == 1 && ZD_AddOverlayDevice(h, "4", 4, &text) == 1;
}

struct LiveRun {
    double cpuPerSecond = 0;
    long long encoderDropped = 0;
    std::vector<int> frames, dropped;
    std::vector<long> rss; // resident memory every 10 s, after 10 s of warming up
};

bool streamRun(int servers, int seconds, const std::string& dir, LiveRun& out)
{
    std::vector<zdtest::NginxProcess> nginx(servers);
    for (int i = 0; i < servers; ++i) {
        if (!nginx[i].start(dir + "/nginx" + std::to_string(i))) {
            std::fprintf(stderr, "nginx did not start\n");
            return false;
        }
    }
    void* h = nullptr;
    ZD_Initalize(&h, dir.c_str(), "/nonexistent", "/nonexistent", "bench", "1");
    bool ok = openScene(h, dir);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::vector<RTMPSERVERPARAM> list(servers);
    for (int i = 0; i < servers; ++i)
        std::snprintf(list[i].url, sizeof list[i].url, "rtmp://127.0.0.1:%d/live/s%d",
                      nginx[i].port, i);
    ok = ok && ZD_StartLive(h, list.data(), servers, 1920, 1080, 30, 6000000, nullptr) == servers;
    if (ok) {
        // The encoder's look-ahead and the buffers of every thread fill first.
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double c0 = cpuNow();
        const auto t0 = std::chrono::steady_clock::now();
        out.rss.push_back(rssKb());
        for (int done = 0; done < seconds; done += 10) {
            std::this_thread::sleep_for(std::chrono::seconds(std::min(10, seconds - done)));
            out.rss.push_back(rssKb());
        }
        const double c1 = cpuNow();
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        out.cpuPerSecond = (c1 - c0) / wall;
        int n = servers;
        ZD_GetLiveInfo(h, list.data(), &n);
        for (int i = 0; i < n; ++i) {
            out.frames.push_back(list[i].frames);
            out.dropped.push_back(list[i].dropped);
        }
        auto engine = zd::EngineRegistry::find(h);
        if (auto* live = engine ? engine->component<zd::live::LiveOutput>() : nullptr)
            out.encoderDropped = live->encoderDropped();
        ZD_StopLive(h);
    }
    ZD_Release(&h);
    for (auto& n : nginx)
        n.stop();
    return ok;
}

struct StallRun {
    double startMs = 0, stopMs = 0;
    double startCpuMs = 0; // of the calling thread: the rest is waiting
    int connected = 0;     // servers connected when the stop was called
};

// The caller's thread is the GUI thread: every millisecond a call takes is a
// millisecond the window is frozen.
bool stallRun(const std::string& dir, StallRun& out)
{
    zdtest::NginxProcess nginx;
    if (!nginx.start(dir + "/nginx-stall")) {
        std::fprintf(stderr, "nginx did not start\n");
        return false;
    }
    zdtest::LoopbackListener mute(4);
    void* h = nullptr;
    ZD_Initalize(&h, dir.c_str(), "/nonexistent", "/nonexistent", "bench", "1");
    bool ok = openScene(h, dir) && mute.port > 0;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    RTMPSERVERPARAM list[2] = {};
    std::snprintf(list[0].url, sizeof list[0].url, "rtmp://127.0.0.1:%d/live/mute", mute.port);
    std::snprintf(list[1].url, sizeof list[1].url, "rtmp://127.0.0.1:%d/live/s", nginx.port);
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    const auto threadCpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    const double cpu0 = threadCpuMs();
    auto t0 = Clock::now();
    ok = ok && ZD_StartLive(h, list, 2, 1920, 1080, 30, 6000000, nullptr) > 0;
    out.startMs = ms(Clock::now() - t0);
    out.startCpuMs = threadCpuMs() - cpu0;
    if (ok) {
        // Stopped while the mute server is still being connected to.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        int n = 2;
        ZD_GetLiveInfo(h, list, &n);
        out.connected = list[0].connected + list[1].connected;
        t0 = Clock::now();
        ZD_StopLive(h);
        out.stopMs = ms(Clock::now() - t0);
    }
    ZD_Release(&h);
    nginx.stop();
    return ok;
}

double recordRun(bool canvas, int seconds, const std::string& dir)
{
    void* h = nullptr;
    ZD_Initalize(&h, dir.c_str(), "/nonexistent", "/nonexistent", "bench", "1");
    bool ok;
    if (canvas) {
        ok = openScene(h, dir);
    } else {
        DEV_NAME cam = zdtest::devName("Test Pattern Camera", "VIRTUAL_TEST_PATTERN_CAMERA", 1);
        DEV_NAME mic = zdtest::devName("Test Tone Microphone", "VIRTUAL_TEST_TONE_MICROPHONE", 2);
        DEV_CAPACITY f{};
        f.width = 1920;
        f.height = 1080;
        f.fps = 30;
        ok = ZD_OpenDevice(h, 0, nullptr, 1, 0, &cam, &mic, &f, 10000000) == 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::string path = dir + (canvas ? "/canvas.mp4" : "/camera.mp4");
    ok = ok && ZD_StartRecord(h, path.c_str(), 0, 0, 0, 1920, 1080, 30, 6000000) == 1;
    double perSecond = -1;
    if (ok) {
        const double c0 = cpuNow();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        perSecond = (cpuNow() - c0) / seconds;
        ZD_StopRecord(h);
    }
    ZD_Release(&h);
    std::remove(path.c_str());
    return perSecond;
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 60, recordSeconds = 20;
    bool stallOnly = false;
    std::string dir = "/tmp/zd_bench_live";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--stall-only") {
            stallOnly = true;
            continue;
        }
        if (i + 1 >= argc)
            break;
        ++i;
        if (a == "--seconds")
            seconds = std::atoi(argv[i]);
        else if (a == "--record-seconds")
            recordSeconds = std::atoi(argv[i]);
        else if (a == "--dir")
            dir = argv[i];
    }
    mkdir(dir.c_str(), 0700);
    double worstStart = 0, worstStop = 0;
    for (int run = 0; run < 5; ++run) {
        StallRun r;
        if (!stallRun(dir, r))
            return 1;
        std::printf("start live with a server that never answers: ZD_StartLive %.1f ms "
                    "(%.1f ms of processor), ZD_StopLive %.1f ms (%d of 2 connected)\n",
                    r.startMs, r.startCpuMs, r.stopMs, r.connected);
        worstStart = std::max(worstStart, r.startMs);
        worstStop = std::max(worstStop, r.stopMs);
    }
    std::printf("GUI thread held at most: start %.1f ms, stop %.1f ms\n", worstStart, worstStop);
    if (stallOnly)
        return 0;
    LiveRun one, three;
    if (!streamRun(1, seconds, dir, one) || !streamRun(3, seconds, dir, three))
        return 1;
    auto print = [](const char* name, const LiveRun& r) {
        std::printf("%s: %.3f cpu s per s, encoder dropped %lld, memory (kB) every 10 s:", name,
                    r.cpuPerSecond, r.encoderDropped);
        for (long kb : r.rss)
            std::printf(" %ld", kb);
        std::printf(", frames/dropped per server:");
        for (size_t i = 0; i < r.frames.size(); ++i)
            std::printf(" %d/%d", r.frames[i], r.dropped[i]);
        std::printf("\n");
    };
    print("1 server ", one);
    print("3 servers", three);
    std::printf("ratio 3/1: %.3f\n", three.cpuPerSecond / one.cpuPerSecond);
    const double plain = recordRun(false, recordSeconds, dir);
    const double composed = recordRun(true, recordSeconds, dir);
    std::printf("recording 1920x1080@30: camera alone %.3f cpu s per s, canvas of 4 layers %.3f "
                "(ratio %.3f)\n",
                plain, composed, composed / plain);
    return 0;
}
