// The preview's sound on a sound server of the benchmark's own (PulseAudio
// with a null sink on a private socket, tests/common/zdpulseserver.h):
//  1. its delay, from a captured sample to its playing and in the server's
//     buffer, at the start and once a minute for --minutes, with the test
//     camera's tone microphone;
//  2. the processor time monitoring adds to a recording of the test camera
//     at 1080p30: rounds alternate between a recording heard on the server
//     and one made with no server to hear it, so that a change in the
//     machine's load touches both alike. Prints the medians of processor
//     seconds per recorded second, their difference as a share of one core
//     (within the machine's noise), the share of the monitor's own thread
//     (libpulse's loop, where all its work is done), and the sound server's
//     own share while it plays.
//
// Usage: zd_bench_sound [--minutes N] [--rounds N] [--seconds N] [--dir FOLDER]
#include "vazURIdav.h"
#include "vazURIdav_test.h"
#include "zdpulseserver.h"
#include "zdtestcamera.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

struct Options {
    int minutes = 5;
    int rounds = 3;
    int seconds = 20;
    std::string dir = "/tmp";
};

double processSeconds()
{
    struct rusage u {
    };
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Processor seconds of a process or thread, from its /proc stat file.
double statSeconds(const std::string& statPath)
{
    std::ifstream f(statPath);
    std::string line;
    std::getline(f, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

double childSeconds(pid_t pid)
{
    return statSeconds("/proc/" + std::to_string(pid) + "/stat");
}

// Processor seconds of this process's threads of libpulse's threaded main
// loop (named "threaded-ml"): where the monitor does all its work.
double soundThreadSeconds()
{
    double total = 0.0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return 0.0;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string task = std::string("/proc/self/task/") + entry->d_name;
        std::ifstream comm(task + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name == "threaded-ml")
            total += statSeconds(task + "/stat");
    }
    closedir(tasks);
    return total;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void sleepSeconds(double s)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(long(s * 1000)));
}

void latency(void* engine, const Options& o)
{
    if (zdtest::openTestCamera(engine, nullptr, 1920, 1080, 30) != 1) {
        std::printf("the test camera does not open\n");
        return;
    }
    long long server = -1, sample = -1;
    for (int i = 0; i < 50 && !ZDT_MonitorLatency(engine, &server, &sample); ++i)
        sleepSeconds(0.1);
    sleepSeconds(1.1);
    long long startServer = -1, startSample = -1;
    ZDT_MonitorLatency(engine, &startServer, &startSample);
    std::printf("delay   0 min: capture to playing %6.1f ms, server buffer %6.1f ms\n",
                startSample / 1000.0, startServer / 1000.0);
    long long worst = 0;
    for (int minute = 1; minute <= o.minutes; ++minute) {
        for (int s = 0; s < 60; s += 5) {
            sleepSeconds(5);
            if (ZDT_MonitorLatency(engine, &server, &sample) == 1)
                worst = std::max(worst, std::llabs(sample - startSample));
        }
        std::printf("delay %3d min: capture to playing %6.1f ms, server buffer %6.1f ms\n", minute,
                    sample / 1000.0, server / 1000.0);
        std::fflush(stdout);
    }
    std::printf("capture to playing moved by at most %.1f ms in %d min\n", worst / 1000.0,
                o.minutes);
    ZD_CloseDevice(engine);
}

double recordRound(void* engine, const Options& o, bool heard, const std::string& serverAddress,
                   int round, double* monitorShare = nullptr)
{
    setenv("PULSE_SERVER", heard ? serverAddress.c_str() : "unix:/nonexistent/native", 1);
    if (zdtest::openTestCamera(engine, nullptr, 1920, 1080, 30) != 1)
        return -1.0;
    sleepSeconds(1);
    const std::string file =
        o.dir + "/zd_bench_sound_" + std::to_string(round) + (heard ? "_heard.mp4" : "_quiet.mp4");
    const double before = processSeconds();
    if (ZD_StartRecord(engine, file.c_str(), 0, 0, 2, 1920, 1080, 30, 8000000) != 1)
        return -1.0;
    const double monitorBefore = soundThreadSeconds();
    sleepSeconds(o.seconds);
    if (monitorShare)
        *monitorShare = (soundThreadSeconds() - monitorBefore) / o.seconds;
    ZD_StopRecord(engine);
    const double used = processSeconds() - before;
    ZD_CloseDevice(engine);
    unlink(file.c_str());
    return used / o.seconds;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--minutes")
            o.minutes = std::atoi(argv[i + 1]);
        else if (key == "--rounds")
            o.rounds = std::atoi(argv[i + 1]);
        else if (key == "--seconds")
            o.seconds = std::atoi(argv[i + 1]);
        else if (key == "--dir")
            o.dir = argv[i + 1];
    }
    const std::string folder = o.dir + "/zd_bench_sound_" + std::to_string(getpid());
    zdtest::PulseServer server;
    if (!server.start(folder)) {
        std::printf("pulseaudio does not start in %s\n", folder.c_str());
        return 1;
    }
    const std::string serverAddress = "unix:" + server.socketPath;
    void* engine = nullptr;
    const std::string dataDir = folder + "/engine";
    if (ZD_Initalize(&engine, dataDir.c_str(), "", "", "zd_bench_sound", "1") != 1) {
        std::printf("the engine does not start\n");
        return 1;
    }

    latency(engine, o);

    std::vector<double> heard, quiet, serverShare, monitorShare;
    recordRound(engine, o, true, serverAddress, -1); // warms up, not counted
    for (int round = 0; round < o.rounds; ++round) {
        const double serverBefore = childSeconds(server.pid);
        double monitor = 0.0;
        const double h = recordRound(engine, o, true, serverAddress, round, &monitor);
        monitorShare.push_back(monitor);
        serverShare.push_back((childSeconds(server.pid) - serverBefore) / (o.seconds + 1));
        const double q = recordRound(engine, o, false, serverAddress, round);
        std::printf("round %d: heard %.3f, not heard %.3f processor s per recorded s\n", round, h,
                    q);
        heard.push_back(h);
        quiet.push_back(q);
    }
    std::printf("median: heard %.3f, not heard %.3f; monitoring adds %.2f %% of one core "
                "(its own thread: %.2f %%; the sound server itself: %.2f %%)\n",
                median(heard), median(quiet), (median(heard) - median(quiet)) * 100.0,
                median(monitorShare) * 100.0, median(serverShare) * 100.0);
    ZD_Release(&engine);
    return 0;
}
