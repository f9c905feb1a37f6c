// Watches for capture devices coming and going: udev's monitor for the
// video4linux and sound subsystems where udev runs, and an inotify watch of
// the device folders (video nodes in /dev, PCM nodes in /dev/snd) in any
// case, since containers and minimal systems have no udev events. A burst of
// events (a camera brings a video node, a metadata node and a sound card)
// becomes one call of the handler once things have been quiet for a moment.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

struct udev;
struct udev_monitor;

namespace zd
{

class HotplugMonitor
{
public:
    using Handler = std::function<void()>;
    static constexpr int kQuietMs = 300;

    // devRoot is watched for video nodes and devRoot + "/snd" for sound
    // nodes; useUdev adds udev's monitor.
    HotplugMonitor(std::string devRoot, bool useUdev, Handler handler);
    ~HotplugMonitor();
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    // False when neither udev nor inotify could be used.
    bool start();
    void stop();
    bool running() const { return m_thread.joinable(); }

    // Whether a name that appeared or vanished in the watched folders is a
    // capture node (or the sound folder itself).
    static bool isDeviceNodeName(const std::string& name, bool soundFolder);

private:
    void run();
    void watchSoundFolder();
    // Reads pending inotify events; true when one concerns a device node.
    bool readInotify();
    bool readUdev();

    const std::string m_devRoot;
    const bool m_useUdev;
    Handler m_handler;
    int m_inotify = -1;
    int m_devWatch = -1;
    int m_sndWatch = -1;
    int m_stopFd = -1;
    ::udev* m_udev = nullptr;
    ::udev_monitor* m_monitor = nullptr;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace zd
