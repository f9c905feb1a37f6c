// The loopback RTMP server of the benchmarks, which do without Qt: nginx with
// Debian's RTMP module started in the foreground from the configuration of
// zdnginxconf.h in a folder of its own, and stopped by its PID. The tests
// start the same server through zdnginxrtmp.h.
#pragma once

#include "zdloopbackport.h"
#include "zdnginxconf.h"
#include "zdspawn.h"

#include <chrono>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace zdtest
{

struct NginxProcess {
    pid_t pid = -1;
    int port = 0;

    ~NginxProcess() { stop(); }

    bool start(const std::string& folder)
    {
        mkdir(folder.c_str(), 0700);
        port = freeLoopbackPort();
        const std::string conf = folder + "/nginx.conf";
        std::ofstream f(conf);
        f << nginxRtmpConfig(folder, port);
        f.close();
        const std::string log = folder + "/error.log";
        pid = spawnProgram({"nginx", "-p", folder, "-e", log, "-c", conf});
        if (pid <= 0)
            return false;
        for (int i = 0; i < 500; ++i) {
            if (loopbackAccepts(port))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void stop() { stopProgram(pid); }
};

} // namespace zdtest
