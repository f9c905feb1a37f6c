// Sound against picture on every way out of the engine over a long run (ten
// minutes unless asked otherwise), all ways at once, each from the source the
// sync tests use (zdsyncsource.h): in record mode the scripted sync camera and
// microphone, on the live canvas a movie of the same flashes and beeps.
//   - record mode: an MP4 recording, and a TS recording paused for 5 s half
//     way (two engines, each with its own pair);
//   - the share server's /preview of the first, played over HTTP;
//   - the canvas: streamed to a local nginx-rtmp server (played back from
//     it) with the FLV copy, and recorded;
//   - the OBS plug-in's sources (their reading threads) fed by vidrelay.
// For each prints the flashes paired with a beep, the median of sound minus
// picture and its range, the medians of the first and the last minute and
// their difference, the drift. A flash on the canvas may show up to a canvas
// frame (17 ms at 60 fps) late. Also prints the machine's load average.
//
// Usage: zd_bench_sync [--seconds N] [--dir FOLDER]
#include "vazURIdav.h"
#include "zdnginxspawn.h"
#include "zdobstiming.h"
#include "zdsyncmeter.h"
#include "zdsyncsource.h"
#include "zdtestcamera.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <semaphore.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kWidth = 640, kHeight = 360, kFps = 30, kCanvasFps = 60;

std::string loadAverage()
{
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

// The folder of this program, where vidrelay is built beside it.
std::string programFolder()
{
    char path[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string p(path, n > 0 ? size_t(n) : 0);
    return p.substr(0, p.find_last_of('/'));
}

bool run(const std::vector<std::string>& args, pid_t* background = nullptr)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    if (background) {
        *background = pid;
        return true;
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void* openSyncPair(const std::string& dir)
{
    void* h = nullptr;
    if (ZD_Initalize(&h, dir.c_str(), "/nonexistent", "/nonexistent", "bench", "1") != 1)
        return nullptr;
    const DEV_NAME camera = zdtest::devName(zdtest::kSyncCameraName, zdtest::kSyncCameraPath, 1);
    const DEV_NAME microphone =
        zdtest::devName(zdtest::kSyncMicrophoneName, zdtest::kSyncMicrophonePath, 2);
    DEV_CAPACITY f{};
    f.width = kWidth;
    f.height = kHeight;
    f.fps = kFps;
    if (ZD_OpenDevice(h, 0, nullptr, 1, 0, &camera, &microphone, &f, 10000000) != 1)
        ZD_Release(&h);
    return h;
}

void* openCanvas(const std::string& dir, const std::string& movie)
{
    void* h = nullptr;
    if (ZD_Initalize(&h, dir.c_str(), "/nonexistent", "/nonexistent", "bench", "1") != 1)
        return nullptr;
    DEV_NAME video = zdtest::devName("NULL", "NULL", 0), audio = zdtest::devName("NULL", "NULL", 0);
    DEV_CAPACITY f{};
    f.width = kWidth;
    f.height = kHeight;
    f.fps = kCanvasFps;
    const std::string list = dir + "/flashes.movie-list";
    std::ofstream(list) << movie << "\n";
    LIVEPIP_PARAMTERS p{};
    p.width = kWidth;
    p.height = kHeight;
    p.alpha = 100;
    p.enabled = 1;
    p.volume = 100;
    SCENE_MOVIE_PARAMS m{};
    std::snprintf(m.listPath, sizeof m.listPath, "%s", list.c_str());
    m.loopMode = 1;
    std::memcpy(p.kindBlock, &m, sizeof m);
    if (ZD_OpenDevice(h, 0, nullptr, 1, 0, &video, &audio, &f, 10000000) != 1 ||
        ZD_AddOverlayDevice(h, "1", 2, &p) != 1)
        ZD_Release(&h);
    return h;
}

// Plays url for seconds of its media, on a thread of its own.
struct Viewer {
    zdtest::SyncMeter meter;
    std::string error;
    bool ok = false;
    std::thread thread;
    void start(const std::string& url, double seconds)
    {
        thread = std::thread([this, url, seconds] {
            ok = zdtest::measureMedia(url, meter, error, seconds,
                                      static_cast<int>(seconds * 1000) + 120000);
        });
    }
    zdtest::SyncFigures finish()
    {
        if (thread.joinable())
            thread.join();
        if (!ok)
            std::fprintf(stderr, "%s\n", error.c_str());
        return meter.figures();
    }
};

zdtest::SyncFigures measureFile(const std::string& path)
{
    zdtest::SyncMeter meter;
    std::string error;
    if (!zdtest::measureMedia(path, meter, error, 0, 600000))
        std::fprintf(stderr, "%s\n", error.c_str());
    return meter.figures();
}

void print(const char* way, const zdtest::SyncFigures& f)
{
    const double first = f.medianBetween(f.firstSeconds(), f.firstSeconds() + 60);
    const double last = f.medianBetween(f.lastSeconds() - 60, f.lastSeconds() + 1);
    std::printf("%-34s %6d %+8.1f  %+7.1f..%+6.1f  %+8.1f %+8.1f %+7.1f\n", way, f.pairs(),
                f.medianMs, f.minMs, f.maxMs, first, last, last - first);
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 600;
    std::string dir = "/tmp/zd_bench_sync";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds")
            seconds = std::max(20, std::atoi(argv[i + 1]));
        else if (a == "--dir")
            dir = argv[i + 1];
    }
    mkdir(dir.c_str(), 0700);
    const std::string script = dir + "/devices.json";
    std::ofstream(script) << zdtest::syncPairScript(kWidth, kHeight, kFps, 0);
    setenv("VAZURIDAV_DEVICES", script.c_str(), 1);
    const std::string requests = dir + "/requests";
    mkdir(requests.c_str(), 0700);
    setenv("ZD_REQUEST_DIR", requests.c_str(), 1);
    std::signal(SIGPIPE, SIG_IGN);
    const std::string movie = dir + "/flashes.mp4";
    std::vector<std::string> make = {"ffmpeg"};
    for (const std::string& a : zdtest::flashMovieArguments(movie, kWidth, kHeight, kFps, 60, 0))
        make.push_back(a);
    if (!run(make)) {
        std::fprintf(stderr, "ffmpeg did not make the movie\n");
        return 1;
    }
    zdtest::NginxProcess nginx;
    if (!nginx.start(dir + "/nginx")) {
        std::fprintf(stderr, "nginx did not start\n");
        return 1;
    }
    std::printf("%d s of every way at once, load average %s\n", seconds, loadAverage().c_str());

    void* recordMp4 = openSyncPair(dir + "/mp4");
    void* recordTs = openSyncPair(dir + "/ts");
    void* canvas = openCanvas(dir + "/canvas", movie);
    if (!recordMp4 || !recordTs || !canvas) {
        std::fprintf(stderr, "an engine did not open its source\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::string mp4 = dir + "/record.mp4", ts = dir + "/record.ts",
                      canvasMp4 = dir + "/canvas.mp4", flv = dir + "/copy.flv";
    RTMPSERVERPARAM server{};
    const std::string url = "rtmp://127.0.0.1:" + std::to_string(nginx.port) + "/live/sync";
    std::snprintf(server.url, sizeof server.url, "%s", url.c_str());
    const int sharePort = zdtest::freeLoopbackPort();
    bool ok =
        ZD_StartRecord(recordMp4, mp4.c_str(), 0, 0, 2, 0, 0, 0, 2000000) == 1 &&
        ZD_StartRecord(recordTs, ts.c_str(), 4, 0, 2, 0, 0, 0, 2000000) == 1 &&
        ZD_StartDUD_Server(recordMp4, sharePort) == 1 &&
        ZD_StartDUD_live(recordMp4, kWidth, kHeight, kFps, 1000) == 1 &&
        ZD_StartLive(canvas, &server, 1, kWidth, kHeight, kCanvasFps, 1000000, flv.c_str()) == 1 &&
        ZD_StartRecord(canvas, canvasMp4.c_str(), 0, 0, 2, 0, 0, 0, 2000000) == 1;
    pid_t relay = -1;
    sem_unlink("sem_cm_server_started");
    ok = ok && run({programFolder() + "/vidrelay", zdtest::kSyncCameraName, dir + "/vidrelay.log"},
                   &relay);
    for (int i = 0; ok && i < 1000 && !veltranobox::ServerRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!ok || !veltranobox::ServerRunning()) {
        std::fprintf(stderr, "a way did not start\n");
        return 1;
    }
    zdtest::ObsTiming obs(kWidth, kHeight);
    veltranobox::VideoSourceThread obsVideo(obs, dir + "/no-idle-picture.bmp");
    veltranobox::AudioSourceThread obsAudio(obs);
    obsVideo.start();
    obsAudio.start();
    Viewer stream, preview;
    stream.start(url, seconds);
    preview.start("http://127.0.0.1:" + std::to_string(sharePort) + "/preview", seconds);

    std::this_thread::sleep_for(std::chrono::seconds(seconds / 2));
    ZD_PauseRecord(recordTs, 1);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    ZD_PauseRecord(recordTs, 0);
    std::this_thread::sleep_for(std::chrono::seconds(seconds - seconds / 2));

    const zdtest::SyncFigures viewed = stream.finish(), previewed = preview.finish();
    obsVideo.stop();
    obsAudio.stop();
    ZD_StopRecord(recordMp4);
    ZD_StopRecord(recordTs);
    ZD_StopRecord(canvas);
    ZD_StopLive(canvas);
    ZD_StopDUD_live(recordMp4);
    ZD_StopDUD_Server(recordMp4);
    kill(relay, SIGTERM);
    waitpid(relay, nullptr, 0);
    sem_unlink("sem_cm_server_started");
    ZD_Release(&recordMp4);
    ZD_Release(&recordTs);
    ZD_Release(&canvas);
    nginx.stop();

    std::printf("%-34s %6s %8s  %15s  %8s %8s %7s\n", "way (sound minus picture, ms)", "pairs",
                "median", "range", "1st min", "last min", "drift");
    print("record mp4", measureFile(mp4));
    print("record ts, paused 5 s half way", measureFile(ts));
    print("share /preview", previewed);
    print("canvas recording (60 fps canvas)", measureFile(canvasMp4));
    print("canvas stream, played from nginx", viewed);
    print("canvas stream's FLV copy", measureFile(flv));
    print("OBS sources fed by vidrelay", obs.figures());
    std::printf("load average after %s\n", loadAverage().c_str());
    return 0;
}
