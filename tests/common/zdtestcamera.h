// The engine's own test-pattern camera and tone microphone, named as the
// application names them, and the camera opened with its microphone: the
// device every engine test that needs pictures and sound starts from.
#pragma once

#include "vazURIdav.h"

#include <cstring>

namespace zdtest
{

inline DEV_NAME devName(const char* name, const char* path, uint32_t kind)
{
    DEV_NAME d{};
    std::strncpy(d.name, name, sizeof d.name - 1);
    std::strncpy(d.path, path, sizeof d.path - 1);
    d.kind = kind;
    return d;
}

inline DEV_NAME testCamera()
{
    return devName("Test Pattern Camera", "VIRTUAL_TEST_PATTERN_CAMERA", ZD_DEVICE_KIND_VIDEO);
}

inline DEV_NAME testMicrophone()
{
    return devName("Test Tone Microphone", "VIRTUAL_TEST_TONE_MICROPHONE", ZD_DEVICE_KIND_AUDIO);
}

// Opens the test camera with its microphone at that size and rate, reports
// going to target; ZD_OpenDevice's result.
inline int openTestCamera(void* handle, void* target, int width, int height, int fps)
{
    const DEV_NAME camera = testCamera();
    const DEV_NAME microphone = testMicrophone();
    DEV_CAPACITY format{};
    format.width = width;
    format.height = height;
    format.fps = fps;
    return ZD_OpenDevice(handle, 0, target, 1, 0, &camera, &microphone, &format, 10000000);
}

} // namespace zdtest
