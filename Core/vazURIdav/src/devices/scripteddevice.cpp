#include "devices/scripteddevice.h"

namespace zd
{

ScriptedDevice::ScriptedDevice(const ScriptedDeviceDescription& desc)
    : m_desc(desc), m_amp(desc.amp)
{
}

int ScriptedDevice::open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse)
{
    if (m_desc.openResult != 1)
        return m_desc.openResult;
    if (!pickOfferedFormat(m_desc.formats, asked, inUse))
        inUse = DEV_CAPACITY{};
    return 1;
}

bool ScriptedDevice::ampValues(VIDEOAMPVALUE& out) const
{
    if (!m_desc.hasAmp)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    out = m_amp.values();
    return true;
}

bool ScriptedDevice::setAmpValues(const VIDEOAMPVALUE& in)
{
    if (!m_desc.hasAmp)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_amp.apply(in);
    return true;
}

bool ScriptedDevice::sourceInfo(SOURCE_INFO_4K30& out) const
{
    if (!m_desc.hasSourceInfo)
        return false;
    out = m_desc.sourceInfo;
    return true;
}

} // namespace zd
