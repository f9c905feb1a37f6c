#include "devices/hotplugmonitor.h"

#include "core/enginethreadcounter.h"
#include "core/log.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace zd
{

namespace
{

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO;

bool digitsFrom(const std::string& s, size_t from, size_t to)
{
    if (from >= to)
        return false;
    for (size_t i = from; i < to; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
    }
    return true;
}

} // namespace

HotplugMonitor::HotplugMonitor(std::string devRoot, bool useUdev, Handler handler)
    : m_devRoot(std::move(devRoot)), m_useUdev(useUdev), m_handler(std::move(handler))
{
}

HotplugMonitor::~HotplugMonitor()
{
    stop();
}

bool HotplugMonitor::isDeviceNodeName(const std::string& name, bool soundFolder)
{
    if (!soundFolder) {
        if (name == "snd")
            return true;
        return name.size() > 5 && name.size() < 10 && name.compare(0, 5, "video") == 0 &&
               digitsFrom(name, 5, name.size());
    }
    // pcmC0D0c and controlC0
    if (name.size() > 6 && name.size() < 16 && name.compare(0, 4, "pcmC") == 0 &&
        name.back() == 'c')
        return true;
    return name.size() > 8 && name.size() < 14 && name.compare(0, 8, "controlC") == 0 &&
           digitsFrom(name, 8, name.size());
}

bool HotplugMonitor::start()
{
    if (m_thread.joinable())
        return true;
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFd < 0)
        return false;
    m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_inotify >= 0) {
        m_devWatch = ::inotify_add_watch(m_inotify, m_devRoot.c_str(), kWatchMask);
        watchSoundFolder();
    }
    if (m_useUdev) {
        m_udev = udev_new();
        if (m_udev)
            m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (m_monitor &&
            (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "video4linux", nullptr) <
                 0 ||
             udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "sound", nullptr) < 0 ||
             udev_monitor_enable_receiving(m_monitor) < 0)) {
            udev_monitor_unref(m_monitor);
            m_monitor = nullptr;
        }
    }
    if (m_devWatch < 0 && !m_monitor) {
        Log::write(8, "vazURIdav: device arrivals cannot be watched (%s).", std::strerror(errno));
        stop();
        return false;
    }
    m_running = true;
    EngineThreadCounter::starting();
    try {
        m_thread = std::thread([this] {
            EngineThreadCounter::Ending ending;
            run();
        });
    } catch (...) {
        EngineThreadCounter::notStarted();
        m_running = false;
        stop();
        return false;
    }
    return true;
}

void HotplugMonitor::stop()
{
    if (m_thread.joinable()) {
        m_running = false;
        const uint64_t one = 1;
        if (::write(m_stopFd, &one, sizeof one) < 0) {
            // The flag alone ends the thread at its next poll time-out.
        }
        m_thread.join();
    }
    if (m_monitor) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
    }
    if (m_udev) {
        udev_unref(m_udev);
        m_udev = nullptr;
    }
    if (m_inotify >= 0) {
        ::close(m_inotify);
        m_inotify = -1;
    }
    m_devWatch = m_sndWatch = -1;
    if (m_stopFd >= 0) {
        ::close(m_stopFd);
        m_stopFd = -1;
    }
}

void HotplugMonitor::watchSoundFolder()
{
    if (m_inotify < 0 || m_sndWatch >= 0)
        return;
    m_sndWatch = ::inotify_add_watch(m_inotify, (m_devRoot + "/snd").c_str(), kWatchMask);
}

bool HotplugMonitor::readInotify()
{
    bool relevant = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            const ssize_t size = static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (size > n - at)
                break;
            if (e->mask & IN_Q_OVERFLOW) {
                relevant = true;
            } else if (e->len > 0) {
                const std::string name(e->name, strnlen(e->name, e->len));
                const bool sound = e->wd == m_sndWatch;
                if (isDeviceNodeName(name, sound))
                    relevant = true;
                if (!sound && name == "snd" && (e->mask & (IN_CREATE | IN_MOVED_TO)))
                    watchSoundFolder();
            }
            if (e->wd == m_sndWatch && (e->mask & IN_IGNORED))
                m_sndWatch = -1; // the folder went with the last sound card
            at += size;
        }
    }
    return relevant;
}

bool HotplugMonitor::readUdev()
{
    bool relevant = false;
    // Bounded: a flood of events is read in the next rounds.
    for (int i = 0; i < 64; ++i) {
        udev_device* d = udev_monitor_receive_device(m_monitor);
        if (!d)
            break;
        relevant = true;
        udev_device_unref(d);
    }
    return relevant;
}

void HotplugMonitor::run()
{
    bool pending = false;
    while (m_running) {
        pollfd fds[3];
        nfds_t n = 0;
        fds[n++] = {m_stopFd, POLLIN, 0};
        const int inotifyAt = m_inotify >= 0 ? static_cast<int>(n) : -1;
        if (m_inotify >= 0)
            fds[n++] = {m_inotify, POLLIN, 0};
        const int udevAt = m_monitor ? static_cast<int>(n) : -1;
        if (m_monitor)
            fds[n++] = {udev_monitor_get_fd(m_monitor), POLLIN, 0};
        // While something is pending, wait for a quiet moment before telling.
        const int r = ::poll(fds, n, pending ? kQuietMs : 1000);
        if (!m_running || (r > 0 && (fds[0].revents & POLLIN)))
            break;
        if (r < 0 && errno != EINTR)
            break;
        if (r == 0) {
            if (pending) {
                pending = false;
                try {
                    m_handler();
                } catch (...) {
                    Log::write(8, "vazURIdav: a device change could not be handled.");
                }
            }
            continue;
        }
        if (inotifyAt >= 0 && (fds[inotifyAt].revents & POLLIN) && readInotify())
            pending = true;
        if (udevAt >= 0 && (fds[udevAt].revents & POLLIN) && readUdev())
            pending = true;
    }
}

} // namespace zd
