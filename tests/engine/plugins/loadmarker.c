/* A shared library that leaves a mark when it is loaded: its constructor
 * creates the file named by ZD_TEST_LOAD_MARKER. The filter tests offer it
 * where libavfilter's plug-in filters look for libraries, and check that no
 * filter string made anything load it. */
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void leaveMark(void)
{
    const char* path = getenv("ZD_TEST_LOAD_MARKER");
    if (!path)
        return;
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0)
        close(fd);
}
