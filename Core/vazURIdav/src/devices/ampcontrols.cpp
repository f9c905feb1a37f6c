#include "devices/ampcontrols.h"

namespace zd
{

VIDEOAMPVALUE AmpControls::cameraDefaults()
{
    static const int ranges[10][3] = {
        {-64, 64, 0},   {0, 100, 50}, {-180, 180, 0},     {0, 100, 64}, {0, 100, 50},
        {72, 500, 100}, {0, 1, 1},    {2800, 6500, 4600}, {0, 2, 1},    {0, 100, 0}};
    VIDEOAMPVALUE v{};
    for (int i = 0; i < 10; ++i) {
        v.items[i].minimum = ranges[i][0];
        v.items[i].maximum = ranges[i][1];
        v.items[i].defaultValue = ranges[i][2];
        v.items[i].value = ranges[i][2];
        v.items[i].automatic = 0;
    }
    return v;
}

void AmpControls::apply(const VIDEOAMPVALUE& wanted)
{
    for (int i = 0; i < 10; ++i) {
        VIDEOAMPITEM& item = m_values.items[i];
        int32_t value = wanted.items[i].value;
        if (item.maximum >= item.minimum) {
            if (value < item.minimum)
                value = item.minimum;
            if (value > item.maximum)
                value = item.maximum;
        }
        item.value = value;
        item.automatic = wanted.items[i].automatic ? 1 : 0;
    }
}

} // namespace zd
