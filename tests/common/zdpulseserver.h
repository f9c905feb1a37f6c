// A sound server of the test's own: PulseAudio with one null sink, reached
// only through a private socket in a folder of the test, started in the
// foreground and stopped by its PID. What reaches the sink is recorded from
// its monitor by parec into a file, as raw 48 kHz stereo float. The process
// that starts it points libpulse at it (PULSE_SERVER), so the engine in the
// same process plays there and nowhere else. Plain C++, so that the
// benchmarks without Qt use the same server.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "zdspawn.h"

namespace zdtest
{

constexpr const char* kPulseSink = "zdtest";
constexpr int kPulseRate = 48000;

// Why the sound tests cannot run here, or nullptr when they can.
inline const char* pulseToolsMissing()
{
    return onPath("pulseaudio") && onPath("parec")
               ? nullptr
               : "pulseaudio and parec (pulseaudio-utils) are not installed";
}

inline bool unixSocketAccepts(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        close(fd);
        return false;
    }
    path.copy(address.sun_path, path.size());
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

struct PulseServer {
    pid_t pid = -1;
    std::string folder;
    std::string socketPath;

    ~PulseServer() { stop(); }

    // Starts the server in folder and points this process's libpulse at it.
    bool start(const std::string& serverFolder)
    {
        folder = serverFolder;
        mkdir(folder.c_str(), 0700);
        const std::string home = folder + "/home", runtime = folder + "/runtime";
        mkdir(home.c_str(), 0700);
        mkdir(runtime.c_str(), 0700);
        socketPath = folder + "/native";
        // As root (CI) PulseAudio would otherwise take itself for the
        // system-wide server and refuse the per-user modules.
        pid = spawnProgram(
            {"pulseaudio", "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
             "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes",
             "--log-target=file:" + folder + "/pulse.log",
             std::string("--load=module-null-sink sink_name=") + kPulseSink + " rate=48000",
             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socketPath},
            "",
            {"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime, "PULSE_RUNTIME_PATH=" + runtime,
             "XDG_CONFIG_HOME=" + home});
        if (pid <= 0)
            return false;
        for (int i = 0; i < 500; ++i) {
            if (unixSocketAccepts(socketPath)) {
                setenv("PULSE_SERVER", ("unix:" + socketPath).c_str(), 1);
                return true;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void stop() { stopProgram(pid); }
};

// What the null sink plays, from its monitor, as interleaved stereo floats.
struct PulseRecording {
    pid_t pid = -1;
    std::string path;

    ~PulseRecording() { stop(); }

    bool start(const std::string& rawPath)
    {
        path = rawPath;
        pid =
            spawnProgram({"parec", "--raw", "--format=float32le", "--rate=48000", "--channels=2",
                          "--latency-msec=20", std::string("--device=") + kPulseSink + ".monitor"},
                         path);
        return pid > 0;
    }

    void stop() { stopProgram(pid); }

    // Root mean square of the last seconds heard, -1 before that much was.
    double lastRms(double seconds = 0.4) const;

    std::vector<float> samples() const
    {
        std::ifstream f(path, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
        std::vector<float> out(bytes.size() / sizeof(float));
        std::copy_n(bytes.data(), out.size() * sizeof(float), reinterpret_cast<char*>(out.data()));
        return out;
    }
};

// Root mean square of interleaved stereo samples from second fromS to toS.
inline double rmsBetween(const std::vector<float>& stereo, double fromS, double toS)
{
    const size_t from = std::min(stereo.size(), size_t(fromS * kPulseRate) * 2);
    const size_t to = std::min(stereo.size(), size_t(toS * kPulseRate) * 2);
    if (to <= from)
        return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += double(stereo[i]) * stereo[i];
    return std::sqrt(sum / double(to - from));
}

inline double PulseRecording::lastRms(double seconds) const
{
    const std::vector<float> heard = samples();
    const double end = double(heard.size()) / 2 / kPulseRate;
    return end < seconds ? -1.0 : rmsBetween(heard, end - seconds, end);
}

} // namespace zdtest
