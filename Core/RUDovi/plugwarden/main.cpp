// plugwarden: waits on its semaphore for start requests and starts the
// capture server beside it, or lists the USB devices, as each request asks.
#include "launch.h"
#include "processscan.h"
#include "uninstall.h"
#include "zdrequestfolder.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <semaphore.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr const char* kAgentName = "plugwarden";

// The folder that requests come through: another user's, or one that
// everyone may write, would let others steer what root does there.
bool requestFolderTrusted(const char* folder)
{
    const char* why = nullptr;
    if (zd_request_folder_trusted(folder, &why))
        return true;
    std::fprintf(stderr,
                 "plugwarden: request folder %s refused: %s (it must belong to root and be "
                 "writable only by its owner and group)\n",
                 folder, why);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (!InitAgentSettings(g_settings, argc > 0 ? argv[0] : nullptr, zd_request_folder())) {
        std::printf("the agent's path or the request folder is longer than 255 bytes\n");
        return -1;
    }
    InstallChildReaper();

    char semaphore[128];
    zd_ipc_name(kSemaphoreName, semaphore, sizeof semaphore);

    if (argc == 2 && std::strcmp(argv[1], "uninstall") == 0) {
        // The launchers' reaper would take the status of the programs that
        // the uninstall waits for.
        ::signal(SIGCHLD, SIG_DFL);
        if (!StopAgentsAndServers(semaphore))
            return 1;
        struct stat folder = {};
        if (::stat(g_settings.requestFolder, &folder) != 0)
            return 0; // no folder, nothing in it to remove
        if (!requestFolderTrusted(g_settings.requestFolder))
            return 1;
        RemoveRequestFolderFiles();
        return 0;
    }
    if (!requestFolderTrusted(g_settings.requestFolder))
        return 1;
    if (argc == 2 && std::strcmp(argv[1], "uvc") == 0) {
        start_vidrelay();
        return 0;
    }

    // Only a process that runs this very program file, for this user, under
    // the same instance tag counts: another program that bears the name does
    // not keep the agent from serving.
    const int running =
        static_cast<int>(FindOwnProcesses(kAgentName, "/proc/self/exe", nullptr, 0));
    if (running >= 2) {
        std::printf("plugwarden is already running (%d)\n", running);
        return 0;
    }

    // A stale name from an earlier run goes; the new one is created
    // exclusively, so nobody can slip in one of their own between the two.
    ::sem_unlink(semaphore);
    sem_t* requests = ::sem_open(semaphore, O_CREAT | O_EXCL, 0660, 0);
    if (requests == SEM_FAILED) {
        std::perror("sem_open");
        return -1;
    }
    zd_share_semaphore(semaphore, g_settings.requestFolder);

    for (;;) {
        start_vidrelay();
        while (::sem_wait(requests) != 0 && errno == EINTR) {
        }
    }
}
