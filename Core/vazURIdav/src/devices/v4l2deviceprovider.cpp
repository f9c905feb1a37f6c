#include "devices/v4l2deviceprovider.h"

#include "core/log.h"
#include "core/text.h"
#include "devices/devicenames.h"
#include "devices/sysfsusb.h"
#include "devices/v4l2formatlist.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zd
{

namespace
{

// The number of a "videoN" entry, or -1.
int nodeNumber(const std::string& name)
{
    if (name.size() <= 5 || name.size() > 9 || name.compare(0, 5, "video") != 0)
        return -1;
    int n = 0;
    for (size_t i = 5; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string capText(const __u8* field, size_t size)
{
    return boundedText(reinterpret_cast<const char*>(field), size);
}

int sysfsIndex(const std::string& sysRoot, const std::string& nodeName)
{
    std::string text;
    long long index = 0;
    if (SysfsUsb::readAttribute(sysRoot + "/class/video4linux/" + nodeName + "/index", text) &&
        SysfsUsb::parseNumber(text, 255, index))
        return static_cast<int>(index);
    return 0;
}

} // namespace

V4l2DeviceProvider::V4l2DeviceProvider(std::string devRoot, std::string sysRoot)
    : m_devRoot(std::move(devRoot)), m_sysRoot(std::move(sysRoot))
{
}

bool V4l2DeviceProvider::isForeignVirtualDriver(const std::string& driver)
{
    static const char* const kDrivers[] = {"v4l2 loopback", "v4l2loopback", "akvcam"};
    for (const char* d : kDrivers) {
        if (driver.compare(0, std::char_traits<char>::length(d), d) == 0)
            return true;
    }
    return false;
}

bool V4l2DeviceProvider::isCaptureNode(const v4l2_capability& cap)
{
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (caps & (V4L2_CAP_VIDEO_M2M | V4L2_CAP_VIDEO_M2M_MPLANE))
        return false;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING);
}

bool V4l2DeviceProvider::describe(V4l2Query& query, V4l2NodeInfo& info)
{
    v4l2_capability cap{};
    if (!query.querycap(cap) || !isCaptureNode(cap))
        return false;
    info.driver = capText(cap.driver, sizeof cap.driver);
    info.card = capText(cap.card, sizeof cap.card);
    info.busInfo = capText(cap.bus_info, sizeof cap.bus_info);
    info.foreignVirtual = isForeignVirtualDriver(info.driver);
    info.formats = V4l2FormatList::build(query);
    if (info.formats.empty())
        return false;
    const std::string shown = info.card.empty() ? info.driver : info.card;
    copyText(info.name.name, sizeof info.name.name, shown.empty() ? "Video capture device" : shown);
    info.name.kind = ZD_DEVICE_KIND_VIDEO;
    return true;
}

std::string V4l2DeviceProvider::devicePath(const std::string& sysRoot, const std::string& nodeName,
                                           const std::string& busInfo)
{
    const int index = sysfsIndex(sysRoot, nodeName);
    const UsbIdentity usb = SysfsUsb::lookup(sysRoot, "class/video4linux/" + nodeName);
    char node[32];
    if (usb.usb) {
        std::snprintf(node, sizeof node, "video-if%02d-%d", std::max(usb.interfaceNumber, 0),
                      index);
        return SysfsUsb::devicePath(usb, node);
    }
    std::snprintf(node, sizeof node, "video-%d", index);
    std::string bus = SysfsUsb::cleanField(busInfo);
    if (bus.empty())
        bus = SysfsUsb::cleanField(nodeName);
    return "V4L2#" + bus + "#" + node;
}

void V4l2DeviceProvider::makeDistinct(std::vector<V4l2NodeInfo>& nodes)
{
    std::vector<DEV_NAME*> names;
    for (V4l2NodeInfo& n : nodes)
        names.push_back(&n.name);
    DeviceNames::makeDistinct(names);
}

std::vector<std::string> V4l2DeviceProvider::nodeSignature() const
{
    std::vector<std::pair<int, std::string>> found;
    DIR* dir = ::opendir(m_devRoot.c_str());
    if (!dir)
        return {};
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        const int n = nodeNumber(name);
        if (n < 0 || found.size() >= static_cast<size_t>(kMaxNodes))
            continue;
        struct stat st {
        };
        if (::stat((m_devRoot + "/" + name).c_str(), &st) != 0)
            continue;
        // The node's identity and its last change (a replug or new
        // permissions make a new one).
        char line[160];
        std::snprintf(line, sizeof line, "%s:%llu:%lld.%09ld:%o", name.c_str(),
                      static_cast<unsigned long long>(st.st_rdev),
                      static_cast<long long>(st.st_ctim.tv_sec), st.st_ctim.tv_nsec,
                      static_cast<unsigned>(st.st_mode));
        found.emplace_back(n, line);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

std::vector<V4l2NodeInfo> V4l2DeviceProvider::scan(const std::vector<std::string>& names) const
{
    std::vector<V4l2NodeInfo> nodes;
    for (const std::string& entry : names) {
        const std::string nodeName = entry.substr(0, entry.find(':'));
        V4l2NodeInfo info;
        info.node = m_devRoot + "/" + nodeName;
        int fd;
        do {
            fd = ::open(info.node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            if (errno != EACCES && errno != EPERM)
                continue;
            // Listed all the same, so that opening it tells the user why it
            // does not work. Only the first node of a device: the others are
            // usually its metadata.
            if (sysfsIndex(m_sysRoot, nodeName) != 0)
                continue;
            std::string text;
            SysfsUsb::readAttribute(m_sysRoot + "/class/video4linux/" + nodeName + "/name", text);
            copyText(info.name.name, sizeof info.name.name,
                     text.empty() ? "Video capture device" : text);
            info.name.kind = ZD_DEVICE_KIND_VIDEO;
            info.denied = true;
        } else {
            V4l2FdQuery query(fd);
            const bool usable = describe(query, info);
            ::close(fd);
            if (!usable)
                continue;
        }
        copyText(info.name.path, sizeof info.name.path,
                 devicePath(m_sysRoot, nodeName, info.busInfo));
        nodes.push_back(std::move(info));
    }
    makeDistinct(nodes);
    return nodes;
}

std::vector<std::shared_ptr<CaptureDevice>> V4l2DeviceProvider::devices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> signature = nodeSignature();
    if (m_scanned && signature == m_signature)
        return m_devices;
    std::vector<std::shared_ptr<CaptureDevice>> fresh;
    for (V4l2NodeInfo& info : scan(signature)) {
        // A device listed before keeps its object, so that an open one stays
        // the one the session holds.
        std::shared_ptr<CaptureDevice> kept;
        for (const auto& d : m_devices) {
            auto* v = static_cast<V4l2Device*>(d.get());
            if (v->pathText() == boundedText(info.name.path, sizeof info.name.path) &&
                v->info().node == info.node && v->info().denied == info.denied)
                kept = d;
        }
        fresh.push_back(kept ? kept : std::make_shared<V4l2Device>(std::move(info)));
    }
    m_devices = std::move(fresh);
    m_signature = std::move(signature);
    m_scanned = true;
    return m_devices;
}

} // namespace zd
