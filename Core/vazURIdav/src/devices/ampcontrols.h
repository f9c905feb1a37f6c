// The picture controls (ProcAmp) of a device without hardware behind them:
// values are kept, each within its range.
#pragma once

#include "vazURIdav.h"

namespace zd
{

class AmpControls
{
public:
    // Usual camera ranges: brightness, contrast, hue, saturation, sharpness,
    // gamma, colour enable, white balance, backlight compensation, gain.
    static VIDEOAMPVALUE cameraDefaults();

    explicit AmpControls(const VIDEOAMPVALUE& initial) : m_values(initial) {}
    const VIDEOAMPVALUE& values() const { return m_values; }
    // Takes value and automatic of each item; ranges and defaults stay the
    // device's, and values are held within the range.
    void apply(const VIDEOAMPVALUE& wanted);

private:
    VIDEOAMPVALUE m_values;
};

} // namespace zd
