// The configuration of the loopback RTMP server the live tests and the live
// benchmark start: nginx in the foreground with Debian's RTMP module, one
// "live" application, its log and PID file in the server's own folder.
// Plain C++, so that the benchmark without Qt writes the same server.
#pragma once

#include <string>

namespace zdtest
{

constexpr const char* kNginxRtmpModule = "/usr/lib/nginx/modules/ngx_rtmp_module.so";

inline std::string nginxRtmpConfig(const std::string& folder, int port)
{
    return std::string("load_module ") + kNginxRtmpModule +
           ";\n"
           "daemon off;\n"
           "master_process off;\n"
           "worker_processes 1;\n"
           "error_log " +
           folder + "/error.log info;\n" + "pid " + folder +
           "/nginx.pid;\n"
           "events { worker_connections 64; }\n"
           "rtmp { server { listen 127.0.0.1:" +
           std::to_string(port) +
           "; chunk_size 4096;\n"
           "  application live { live on; record off; } } }\n";
}

} // namespace zdtest
