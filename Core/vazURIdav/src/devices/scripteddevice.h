// A device described by the device script: listed, opened and answering as
// the script says.
#pragma once

#include "devices/ampcontrols.h"
#include "devices/capturedevice.h"
#include "devices/devicescript.h"

#include <mutex>

namespace zd
{

class ScriptedDevice : public CaptureDevice
{
public:
    explicit ScriptedDevice(const ScriptedDeviceDescription& desc);

    const DEV_NAME& name() const override { return m_desc.name; }
    std::vector<DEV_CAPACITY> formats() const override { return m_desc.formats; }
    int open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse) override;
    bool foreignVirtual() const override { return m_desc.foreignVirtual; }
    bool ampValues(VIDEOAMPVALUE& out) const override;
    bool setAmpValues(const VIDEOAMPVALUE& in) override;
    bool sourceInfo(SOURCE_INFO_4K30& out) const override;

private:
    const ScriptedDeviceDescription m_desc;
    mutable std::mutex m_mutex;
    AmpControls m_amp;
};

} // namespace zd
