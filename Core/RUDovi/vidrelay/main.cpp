// vidrelay: the capture server that plugwarden starts. Arguments: the server
// name (a capture device's name or path) and the log file.
#include "relaylog.h"
#include "relayserver.h"
#include "zdrequestfolder.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

void onStopSignal(int)
{
    RelayServer::requestStop();
}

// One server per request folder: a second would take over the semaphore and
// fight the first for the device. The server holds a lock on a file of its
// own in the folder (the kernel lets go however the holder ends). Members of
// the folder's group may put a file of that name there first: one that is
// not this user's, or not a plain file, is replaced, so that only the
// folder's owner can keep the server from starting. -1 with why when the
// lock cannot be had, -2 when another server holds it.
int holdInstanceLock(const std::string& folder, std::string& why)
{
    const std::string path = folder + "/" + RelayServer::kLockFileName;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = zd_open_own_file(path.c_str(), O_RDWR | O_CREAT, 0600);
        struct stat st = {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid()) {
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                return -2;
            }
            // Still the file of that name: nobody removed it meanwhile.
            struct stat now = {};
            if (::lstat(path.c_str(), &now) == 0 && now.st_dev == st.st_dev &&
                now.st_ino == st.st_ino)
                return fd;
            ::close(fd);
            continue;
        }
        if (fd >= 0)
            ::close(fd);
        else if (errno != EMLINK && errno != EINVAL && errno != ELOOP)
            break;
        ::unlink(path.c_str());
    }
    why = path + ": " + std::strerror(errno);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string serverName = argc > 1 ? argv[1] : "";
    RelayLog log;
    if (argc > 2 && !log.open(argv[2]))
        log.line("cannot open the log %s; writing here instead", argv[2]);

    const char* folder = zd_request_folder();
    const char* untrusted = nullptr;
    if (!zd_request_folder_trusted(folder, &untrusted)) {
        log.line("request folder %s refused: %s", folder, untrusted);
        return 1;
    }
    std::string why;
    const int instance = holdInstanceLock(folder, why);
    if (instance == -2) {
        log.line("vidrelay is already running for %s", folder);
        return 0;
    }
    if (instance < 0) {
        log.line("cannot take the lock %s", why.c_str());
        return 1;
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
