// Stands in for the capture server in the agent's tests: appends one line
// "name|log|priority|environment" to started.txt beside itself and ends.
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

extern char** environ;

int main(int argc, char** argv)
{
    std::string self = argc > 0 ? argv[0] : "";
    const size_t slash = self.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : self.substr(0, slash);
    std::string line = argc > 1 ? argv[1] : "<none>";
    line += "|";
    line += argc > 2 ? argv[2] : "<none>";
    line += "|" + std::to_string(getpriority(PRIO_PROCESS, 0)) + "|";
    for (char** e = environ; *e; ++e)
        line += std::string(e == environ ? "" : ";") + *e;
    line += "|" + std::to_string(argc) + "\n";
    const int fd = open((folder + "/started.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return 1;
    // One write: lines of servers started close together never mix.
    const ssize_t n = write(fd, line.data(), line.size());
    close(fd);
    return n == ssize_t(line.size()) ? 0 : 1;
}
