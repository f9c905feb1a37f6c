/*
 * The folder shared by the agent plugwarden, the capture server vidrelay and
 * the OBS plug-in veltranobox: request files, the agent's log and the USB
 * list live here. Owned by root and the group of the users who may ask for
 * captures (mode 2770), so that those users write requests and read the
 * lists while nobody else can plant files or links in it. Tests move it with
 * the environment variable below.
 */
#ifndef ZD_REQUEST_FOLDER_H
#define ZD_REQUEST_FOLDER_H

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#define ZD_REQUEST_FOLDER_ENV "ZD_REQUEST_DIR"
#define ZD_REQUEST_FOLDER_DEFAULT "/var/cache/veltrano"

/* An absolute folder named by the environment, else the default. */
static inline const char* zd_request_folder(void)
{
    const char* folder = getenv(ZD_REQUEST_FOLDER_ENV);
    return folder && folder[0] == '/' ? folder : ZD_REQUEST_FOLDER_DEFAULT;
}

/* A named semaphore is posted by the users who may ask for captures: read and
 * write for its creator and for the request folder's group, whose members are
 * exactly those who can write requests; nobody else. */
static inline void zd_share_semaphore(const char* name, const char* folder)
{
    struct stat st;
    if (stat(folder, &st) != 0)
        return;
    char path[256];
    snprintf(path, sizeof path, "/dev/shm/sem.%s", name);
    const int fd = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    if (fchown(fd, (uid_t)-1, st.st_gid) != 0)
        perror("semaphore group");
    if (fchmod(fd, 0660) != 0)
        perror("semaphore mode");
    close(fd);
}

#endif
