// The machine's V4L2 video capture devices. A node is asked for its
// capabilities and formats only when the set of /dev/video* nodes changed
// since the last listing, so listing stays cheap for the many calls that
// look a device up.
#pragma once

#include "devices/deviceprovider.h"
#include "devices/v4l2device.h"
#include "devices/v4l2query.h"

#include <mutex>
#include <string>
#include <vector>

namespace zd
{

class V4l2DeviceProvider : public DeviceProvider
{
public:
    static constexpr int kMaxNodes = 64;

    explicit V4l2DeviceProvider(std::string devRoot = "/dev", std::string sysRoot = "/sys");
    std::vector<std::shared_ptr<CaptureDevice>> devices() override;

    // Drivers of other programs' virtual cameras (v4l2loopback and the like).
    static bool isForeignVirtualDriver(const std::string& driver);
    // The capabilities that make a node one the engine captures from: single
    // planar video capture with streaming; metadata, output and codec nodes
    // are not.
    static bool isCaptureNode(const v4l2_capability& cap);
    // Describes a node from its answers. False when it is no capture device
    // or offers no format the engine can use.
    static bool describe(V4l2Query& query, V4l2NodeInfo& info);
    // The device path: USB ids from sysfs where the node sits on USB, else
    // the driver's bus name; never the node number alone.
    static std::string devicePath(const std::string& sysRoot, const std::string& nodeName,
                                  const std::string& busInfo);
    // Makes equal names and paths distinct (" (2)", "#2"), in list order.
    static void makeDistinct(std::vector<V4l2NodeInfo>& nodes);

private:
    std::vector<std::string> nodeSignature() const;
    std::vector<V4l2NodeInfo> scan(const std::vector<std::string>& names) const;

    const std::string m_devRoot;
    const std::string m_sysRoot;
    std::mutex m_mutex;
    std::vector<std::string> m_signature;
    bool m_scanned = false;
    std::vector<std::shared_ptr<CaptureDevice>> m_devices;
};

} // namespace zd
