// A V4L2 video capture node as a capture device: listed with its formats,
// opened at the asked format, captured by a V4l2Capture, with its picture
// controls as ProcAmp.
#pragma once

#include "devices/capturedevice.h"
#include "devices/v4l2capture.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zd
{

struct V4l2NodeInfo {
    DEV_NAME name{};
    std::string node; // /dev/videoN at listing time
    std::string card; // QUERYCAP card and bus, to tell a reused node number
    std::string busInfo;
    std::string driver;
    std::vector<DEV_CAPACITY> formats;
    bool foreignVirtual = false;
    // Listed from sysfs only: the node could not be opened (permissions).
    bool denied = false;
};

class V4l2Device : public CaptureDevice
{
public:
    explicit V4l2Device(V4l2NodeInfo info);
    ~V4l2Device() override;

    const DEV_NAME& name() const override { return m_info.name; }
    std::vector<DEV_CAPACITY> formats() const override { return m_info.formats; }
    int open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse) override;
    bool startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver) override;
    void stopCapture() override;
    void close() override;
    bool foreignVirtual() const override { return m_info.foreignVirtual; }
    bool ampValues(VIDEOAMPVALUE& out) const override;
    bool setAmpValues(const VIDEOAMPVALUE& in) override;

    const V4l2NodeInfo& info() const { return m_info; }

    // The ZD_OPEN_* result for an errno of opening a node.
    static int openResultOf(int error);
    // The offered format that asked names by size (and code when given), at
    // the asked rate; the preferred format when asked names none of them.
    static bool choose(const std::vector<DEV_CAPACITY>& offered, const DEV_CAPACITY* asked,
                       DEV_CAPACITY& chosen);

private:
    int openNode(int flags) const;

    const V4l2NodeInfo m_info;
    mutable std::mutex m_mutex;
    std::unique_ptr<V4l2Capture> m_capture;
    mutable bool m_ampKnown = false;
    mutable VIDEOAMPVALUE m_amp{};
};

} // namespace zd
