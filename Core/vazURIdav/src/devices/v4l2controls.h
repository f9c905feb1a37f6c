// The picture controls (ProcAmp) of a V4L2 device: the ten items of
// VIDEOAMPVALUE read from and written to the driver's controls. Items the
// driver lacks stay zero (no range), and colour enable has no V4L2 control.
#pragma once

#include "devices/v4l2query.h"
#include "vazURIdav.h"

namespace zd
{

class V4l2Controls
{
public:
    // The driver's control and its automatic switch (0: none) for item i.
    static uint32_t controlOf(int item);
    static uint32_t autoControlOf(int item);

    // Reads every item; false when the driver has none of them.
    static bool read(V4l2Query& query, VIDEOAMPVALUE& out);
    // Writes the values and automatic flags of wanted, held within each
    // control's range and step. Items equal to known (when given: the values
    // last read or written, updated here) are left alone, so a slider move
    // costs one write. Returns the number of writes the driver refused.
    static int write(V4l2Query& query, const VIDEOAMPVALUE& wanted, VIDEOAMPVALUE* known);
};

} // namespace zd
