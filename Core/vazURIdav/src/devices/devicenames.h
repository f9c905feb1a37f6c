// Names and paths of one provider's devices made distinct: the application
// keeps settings by name and finds devices by path, so two cameras of one
// model must not look alike.
#pragma once

#include "vazURIdav.h"

#include <vector>

namespace zd
{

class DeviceNames
{
public:
    // In list order, the second and later of equal names get " (2)", " (3)"
    // and equal paths "#2", "#3".
    static void makeDistinct(const std::vector<DEV_NAME*>& devices);
};

} // namespace zd
