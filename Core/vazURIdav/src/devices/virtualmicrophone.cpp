#include "devices/virtualmicrophone.h"

#include "core/text.h"

namespace zd
{

VirtualMicrophone::VirtualMicrophone()
{
    copyText(m_name.name, sizeof m_name.name, kName);
    copyText(m_name.path, sizeof m_name.path, kPath);
    m_name.kind = ZD_DEVICE_KIND_AUDIO;
}

int VirtualMicrophone::open(const DEV_CAPACITY*, DEV_CAPACITY& inUse)
{
    inUse = DEV_CAPACITY{};
    return 1;
}

} // namespace zd
