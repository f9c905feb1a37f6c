// The picture controls of the test-pattern camera. A real camera keeps its
// controls in the hardware; this one keeps them here, and the pattern
// generator reads them for every frame it draws.
#pragma once

#include "vazURIdav.h"

#include <mutex>

namespace zd::devices
{

// The four controls the test pattern applies, as the generator uses them.
struct PictureAdjust {
    int brightness = 0;    // -100..100, 0 = unchanged
    int contrastPct = 100; // 0..200, 100 = unchanged
    int hueDegrees = 0;    // -180..180, 0 = unchanged
    int saturationPct = 100;
    bool isIdentity() const
    {
        return brightness == 0 && contrastPct == 100 && hueDegrees == 0 && saturationPct == 100;
    }
};

class VirtualProcAmp
{
public:
    enum Item { Brightness = 0, Contrast = 1, Hue = 2, Saturation = 3 };

    VirtualProcAmp();

    VIDEOAMPVALUE get() const;
    // Takes the current values and automatic flags; ranges and defaults stay
    // the camera's own, and values outside a range are held at its ends.
    void set(const VIDEOAMPVALUE& value);
    PictureAdjust adjust() const;

    static VIDEOAMPVALUE defaults();

private:
    mutable std::mutex m_mutex;
    VIDEOAMPVALUE m_value;
};

} // namespace zd::devices
