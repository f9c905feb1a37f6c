/* The contract header compiled as C: its static assertions hold for a C
 * compiler too, and the layout the C compiler sees is handed to the layout
 * test, which compares it with the C++ one. */
#include "vazURIdav.h"

size_t zd_c_layout(int which);

size_t zd_c_layout(int which)
{
    static const size_t values[] = {
        sizeof(DEV_NAME),
        offsetof(DEV_NAME, path),
        offsetof(DEV_NAME, kind),
        sizeof(DEV_CAPACITY),
        offsetof(DEV_CAPACITY, fourcc),
        offsetof(DEV_CAPACITY, codecName),
        offsetof(DEV_CAPACITY, fpsChoices),
        sizeof(VIDEOAMPITEM),
        offsetof(VIDEOAMPITEM, automatic),
        sizeof(VIDEOAMPVALUE),
        sizeof(LIVEPIP_PARAMTERS),
        offsetof(LIVEPIP_PARAMTERS, owner),
        offsetof(LIVEPIP_PARAMTERS, volume),
        offsetof(LIVEPIP_PARAMTERS, kindBlock),
        sizeof(SOURCE_INFO_4K30),
        offsetof(SOURCE_INFO_4K30, height),
        offsetof(SOURCE_INFO_4K30, width),
        offsetof(SOURCE_INFO_4K30, bitDepth),
        offsetof(SOURCE_INFO_4K30, fps),
        offsetof(SOURCE_INFO_4K30, hdr),
        sizeof(RTMPSERVERPARAM),
        offsetof(RTMPSERVERPARAM, name),
        offsetof(RTMPSERVERPARAM, owner),
        offsetof(RTMPSERVERPARAM, connected),
        offsetof(RTMPSERVERPARAM, bytes),
        offsetof(RTMPSERVERPARAM, serverId),
        sizeof(POPUP_AD_DATA),
        offsetof(POPUP_AD_DATA, show),
        offsetof(POPUP_AD_DATA, closeDelaySecs),
        offsetof(POPUP_AD_DATA, url),
        sizeof(ZD_WINDOW_ID),
    };
    if (which < 0 || (size_t)which >= sizeof values / sizeof values[0])
        return (size_t)-1;
    return values[which];
}
