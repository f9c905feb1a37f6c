// The one application callback that every engine's reports go through.
#pragma once

#include "core/report.h"
#include "vazURIdav.h"

namespace zd
{

class MessageCallback
{
public:
    static void set(ZD_MESSAGE_CALLBACK callback, void* context);
    // Hands the report to the callback with sync 0; dropped when none is set.
    static void deliver(const Report& report);
};

} // namespace zd
