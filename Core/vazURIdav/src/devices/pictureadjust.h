// The four picture controls the test pattern applies, taken from a device's
// ProcAmp record: each control's change from its default, as a camera's
// hardware would apply it.
#pragma once

#include "vazURIdav.h"

namespace zd::devices
{

struct PictureAdjust {
    int brightness = 0;      // -100..100, 0 = unchanged
    int contrastPct = 100;   // 0..200, 100 = unchanged
    int hueDegrees = 0;      // -180..180, 0 = unchanged
    int saturationPct = 100; // 0..200, 100 = unchanged
    bool isIdentity() const
    {
        return brightness == 0 && contrastPct == 100 && hueDegrees == 0 && saturationPct == 100;
    }

    // Items in ProcAmp order: brightness 0, contrast 1, hue 2, saturation 3.
    // A control in automatic mode is the camera's to choose: it stays at
    // its default.
    static PictureAdjust fromAmpValues(const VIDEOAMPVALUE& value);
};

} // namespace zd::devices
