// Runs inside a private network and mount namespace (started by the share
// test through unshare): brings up the namespace's own loopback with
// multicast, its own D-Bus system bus and Avahi daemon, then announces two
// engines' share servers (one with its live picture) and prints what a third
// engine's search, and the second's own, report; then the second's again once
// the namespace has network interfaces besides its loopback. Nothing reaches the
// machine's network or its daemons. Usage: engine_sharesearch WORK_FOLDER
#include "vazURIdav.h"
#include "zdloopbackport.h"
#include "zdtestcamera.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

std::mutex g_mutex;
std::condition_variable g_arrived;
std::vector<std::pair<unsigned long, std::string>> g_replies;

void callback(int, void*, unsigned int msg, unsigned long wParam, long long lParam, void*, void*)
{
    if (msg != 36970)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_replies.emplace_back(wParam, lParam ? reinterpret_cast<const char*>(lParam) : "");
    g_arrived.notify_all();
}

pid_t spawn(const std::vector<std::string>& args, const std::string& output = "/dev/null")
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int run(const std::vector<std::string>& args, const std::string& output = "/dev/null")
{
    const pid_t pid = spawn(args, output);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const std::string& path)
{
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

void writeFile(const std::string& path, const std::string& text)
{
    if (FILE* f = std::fopen(path.c_str(), "w")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

// Waits for condition, checking every 100 ms, for at most seconds.
template <typename F> bool waitFor(F condition, int seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

void* engine(const std::string& dir)
{
    ::mkdir(dir.c_str(), 0700);
    void* h = nullptr;
    ZD_Initalize(&h, dir.c_str(), "/nonexistent/bin", "/nonexistent/Resources", "ZDHelper", "1");
    return h;
}

// One search's report.
std::pair<unsigned long, std::string> search(void* h)
{
    std::unique_lock<std::mutex> lock(g_mutex);
    g_replies.clear();
    lock.unlock();
    ZD_SearchDUDServer(h, h);
    lock.lock();
    g_arrived.wait_for(lock, std::chrono::seconds(30), [] { return !g_replies.empty(); });
    return g_replies.empty() ? std::make_pair(99ul, std::string("(no report)")) : g_replies[0];
}

int fail(const char* what)
{
    std::printf("FAILED: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string work = argv[1];
    const std::string bus = work + "/bus";
    if (run({"ip", "link", "set", "lo", "up", "multicast", "on"}) != 0)
        return fail("loopback");
    // The daemon's pid file goes to /run: this namespace's own.
    if (::mount("tmpfs", "/run", "tmpfs", 0, nullptr) != 0)
        return fail("mount /run");
    ::mkdir("/run/avahi-daemon", 0755);
    writeFile(work + "/bus.conf",
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\" "
              "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig><type>system</type><listen>unix:path=" +
                  bus +
                  "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                  "<allow user=\"*\"/><allow own=\"*\"/><allow send_type=\"method_call\"/>"
                  "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                  "<allow eavesdrop=\"true\"/></policy></busconfig>\n");
    writeFile(work + "/avahi.conf", "[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\n"
                                    "enable-dbus=yes\n[wide-area]\nenable-wide-area=no\n"
                                    "[publish]\npublish-workstation=no\npublish-hinfo=no\n");
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + bus).c_str(), 1);
    const pid_t dbus =
        spawn({"dbus-daemon", "--config-file=" + work + "/bus.conf", "--nofork", "--nopidfile"});
    if (dbus < 0 || !waitFor([&] { return ::access(bus.c_str(), F_OK) == 0; }, 20))
        return fail("dbus-daemon");
    const pid_t avahi = spawn({"avahi-daemon", "-f", work + "/avahi.conf", "--no-drop-root",
                               "--no-chroot", "--no-rlimits"});
    const bool up =
        avahi > 0 && waitFor(
                         [] {
                             return run({"dbus-send", "--system", "--dest=org.freedesktop.Avahi",
                                         "--print-reply", "/",
                                         "org.freedesktop.Avahi.Server."
                                         "GetVersionString"}) == 0;
                         },
                         30);
    int result = 0;
    if (!up) {
        result = fail("avahi-daemon");
    } else {
        ZD_SetMainMessageCallBack(&callback, nullptr);
        void* a = engine(work + "/a");
        void* b = engine(work + "/b");
        void* c = engine(work + "/c");
        const int portA = zdtest::freeLoopbackPort();
        const int portB = zdtest::freeLoopbackPort();
        const DEV_NAME camera = zdtest::testCamera();
        DEV_NAME mic{};
        DEV_CAPACITY format{};
        format.width = 320;
        format.height = 240;
        format.fps = 15;
        std::printf("ports %d %d\n", portA, portB);
        if (ZD_OpenDevice(a, 0, a, 1, 0, &camera, &mic, &format, 10000000) != 1 ||
            ZD_StartDUD_Server(a, portA) != 1 || ZD_StartDUD_live(a, 320, 240, 15, 300) != 1 ||
            ZD_StartDUD_Server(b, portB) != 1) {
            result = fail("servers");
        } else {
            // Both announcements established before anyone searches.
            const std::string browsed = work + "/browsed";
            const bool seen = waitFor(
                [&] {
                    run({"avahi-browse", "-t", "-r", "-p", "-k", "_vudaz-dud._tcp"}, browsed);
                    const std::string text = readFile(browsed);
                    return text.find(";" + std::to_string(portA) + ";\"") != std::string::npos &&
                           text.find(";" + std::to_string(portB) + ";\"") != std::string::npos;
                },
                30);
            if (!seen)
                result = fail("announcements");
            const auto fromC = search(c);
            std::printf("C %lu %s\n", fromC.first, fromC.second.c_str());
            const auto fromB = search(b);
            std::printf("B %lu %s\n", fromB.first, fromB.second.c_str());
            // A network interface that is down, then one that is up.
            const bool links =
                run({"ip", "link", "add", "d0", "type", "veth", "peer", "name", "d1"}) == 0 &&
                run({"ip", "addr", "add", "198.51.100.9/24", "dev", "d0"}) == 0 &&
                run({"ip", "link", "add", "u0", "type", "veth", "peer", "name", "u1"}) == 0 &&
                run({"ip", "addr", "add", "192.0.2.7/24", "dev", "u0"}) == 0 &&
                run({"ip", "link", "set", "u0", "up"}) == 0;
            if (!links)
                result = fail("interfaces");
            const auto withLan = search(b);
            std::printf("L %lu %s\n", withLan.first, withLan.second.c_str());
        }
        ZD_Release(&a);
        ZD_Release(&b);
        ZD_Release(&c);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }
    for (pid_t pid : {avahi, dbus}) {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
    std::fflush(stdout);
    return result;
}
