// The device layer editor of the live scene, and the device tests that the
// rest of the program shares with it: whether a capture device is accepted at
// all, which box model a device is (by its USB ids), and how two device or
// format records compare.
#pragma once

#include "vazURIdav.h"

class QSceneCameraSetup
{
public:
    // The device passes the accepted-device list g_valid_captures (an empty
    // list, or an empty device path, accepts it).
    static bool IsMyDevice(const DEV_NAME* device);
    // The 4K30 capture boxes, by their USB ids in the device path.
    static bool IsIt4k30Dev(const DEV_NAME* device);
    static bool IsIt9910Dev(const DEV_NAME* device);
    // Same name, same path and same kind.
    static bool isEqueDeviceName(const DEV_NAME* a, const DEV_NAME* b);
    // Same four-character code, width and height; the frame rate does not
    // count.
    static bool isEqueDeviceFormat(const DEV_CAPACITY* a, const DEV_CAPACITY* b);
};
