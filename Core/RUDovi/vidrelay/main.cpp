// vidrelay: the capture server that plugwarden starts. Arguments: the server
// name (a capture device's name or path) and the log file.
#include "relaylog.h"
#include "relayserver.h"
#include "zdrequestfolder.h"

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

void onStopSignal(int)
{
    RelayServer::requestStop();
}

// One server per request folder: a second would take over the semaphore and
// fight the first for the device. The name is held by an abstract socket,
// which the kernel gives back however the holder ends.
int holdInstanceName(const char* folder)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const std::string name = std::string("veltrano-vidrelay:") + folder;
    const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address),
               static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string serverName = argc > 1 ? argv[1] : "";
    RelayLog log;
    if (argc > 2 && !log.open(argv[2]))
        log.line("cannot open the log %s; writing here instead", argv[2]);

    const char* folder = zd_request_folder();
    const int instance = holdInstanceName(folder);
    if (instance < 0) {
        log.line("vidrelay is already running for %s", folder);
        return 0;
    }

    // A reader that goes away must end its stream, not the server.
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction stop = {};
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &stop, nullptr);

    // The engine keeps a log in the application's data folder when HOME names
    // one; the server logs into its own file only.
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");

    RelayServer server(serverName, folder, log);
    const int status = server.run();
    ::close(instance);
    return status;
}
