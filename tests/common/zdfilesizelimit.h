// A full disk for the process that needs no privilege: while a FileSizeLimit
// lives, no file of the process may grow past zero bytes, so every write to
// a file fails as it does when the disk is full (SIGXFSZ is ignored, so the
// write reports EFBIG instead of ending the process).
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace zdtest
{

class FileSizeLimit
{
public:
    FileSizeLimit()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = 0;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_old = {};
    bool m_active = false;
};

} // namespace zdtest
