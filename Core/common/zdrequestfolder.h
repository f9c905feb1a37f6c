/*
 * The folder shared by the agent plugwarden, the capture server vidrelay and
 * the OBS plug-in veltranobox: request files, the agent's log and the USB
 * list live here. Owned by root and the group of the users who may ask for
 * captures (mode 2770), so that those users write requests and read the
 * lists while nobody else can plant files or links in it. Tests move it with
 * the environment variable below.
 *
 * Root works in that folder and in /tmp on behalf of other users, so what it
 * finds there is trusted only when root or the user itself made it: the
 * helpers below check folders, files and semaphores for that.
 */
#ifndef ZD_REQUEST_FOLDER_H
#define ZD_REQUEST_FOLDER_H

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define ZD_REQUEST_FOLDER_ENV "ZD_REQUEST_DIR"
#define ZD_REQUEST_FOLDER_DEFAULT "/var/cache/veltrano"

/* Semaphores are machine-wide: tests give theirs a tag of their own, so that
 * they run beside an agent and a server of the machine without touching
 * them. Letters, digits, "_" and "-", at most 32; anything else is no tag. */
#define ZD_INSTANCE_TAG_ENV "ZD_INSTANCE_TAG"
#define ZD_INSTANCE_TAG_MAX 32

/* An absolute folder named by the environment, else the default. */
static inline const char* zd_request_folder(void)
{
    const char* folder = getenv(ZD_REQUEST_FOLDER_ENV);
    return folder && folder[0] == '/' ? folder : ZD_REQUEST_FOLDER_DEFAULT;
}

/* A valid tag, or NULL when the text is none. */
static inline const char* zd_valid_instance_tag(const char* tag)
{
    if (!tag || !tag[0])
        return NULL;
    size_t n = 0;
    for (; tag[n]; ++n) {
        const char c = tag[n];
        if (n >= ZD_INSTANCE_TAG_MAX || !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                          (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return NULL;
    }
    return tag;
}

/* This process's tag, or NULL. */
static inline const char* zd_instance_tag(void)
{
    return zd_valid_instance_tag(getenv(ZD_INSTANCE_TAG_ENV));
}

/* A semaphore's name for this process: base, and "_" and the tag when one is
 * set. Longer names than the buffer are cut (the buffers used hold any). */
static inline const char* zd_ipc_name(const char* base, char* out, size_t size)
{
    const char* tag = zd_instance_tag();
    if (tag)
        snprintf(out, size, "%s_%s", base, tag);
    else
        snprintf(out, size, "%s", base);
    return out;
}

/* Where the C library keeps a named semaphore. */
static inline void zd_semaphore_path(const char* name, char* out, size_t size)
{
    snprintf(out, size, "/dev/shm/sem.%s", name);
}

/* A folder (or file) that root may work in: root's or the running user's,
 * and writable by nobody beyond its owner and group. why says what is wrong. */
static inline int zd_trusted_owner_and_mode(const struct stat* st, const char** why)
{
    if (st->st_uid != 0 && st->st_uid != geteuid()) {
        *why = "owned by another user";
        return 0;
    }
    if (st->st_mode & S_IWOTH) {
        *why = "writable by everyone";
        return 0;
    }
    return 1;
}

static inline int zd_request_folder_trusted(const char* folder, const char** why)
{
    struct stat st;
    if (stat(folder, &st) != 0) {
        *why = strerror(errno);
        return 0;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = "not a folder";
        return 0;
    }
    return zd_trusted_owner_and_mode(&st, why);
}

/* Opens a file that root writes in the request folder: never through a link
 * (soft or hard), never a pipe or a device; flags add O_WRONLY, O_CREAT,
 * O_APPEND and the like. Nothing is emptied before the checks: a caller that
 * rewrites the file truncates the descriptor it gets. -1 with errno set
 * (EMLINK for a file with more than one name, EINVAL for no regular file). */
static inline int zd_open_own_file(const char* path, int flags, mode_t mode)
{
    const int fd = open(path, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0)
        return -1;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (st.st_nlink != 1)
        error = EMLINK;
    if (error) {
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
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
    zd_semaphore_path(name, path, sizeof path);
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
