// The capture server's log: the file the agent names, appended to line by
// line from every thread; standard error when it cannot be opened.
#pragma once

#include <mutex>
#include <string>

class RelayLog
{
public:
    RelayLog() = default;
    ~RelayLog();
    RelayLog(const RelayLog&) = delete;
    RelayLog& operator=(const RelayLog&) = delete;

    // Opens path for appending; never through a link, only a regular file
    // with that one name.
    bool open(const std::string& path);
    void line(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::mutex m_mutex;
    int m_fd = -1;
};
