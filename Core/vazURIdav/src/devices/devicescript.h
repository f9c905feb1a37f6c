// Reader of the device script: a JSON file (named by $VAZURIDAV_DEVICES)
// that describes devices the engine offers as if they were plugged in, for
// tests and demonstrations on machines without capture hardware.
//
//   {"devices": [{"name": "USB Capture HDMI 4K+", "path": "usb-VID_048D&PID_9310-1",
//                 "kind": 3, "virtual": false, "openResult": 1,
//                 "formats": [{"width": 1920, "height": 1080, "fps": 60, "fourcc": "YUY2",
//                              "codec": "YUY2", "fpsChoices": [30, 25]}],
//                 "amp": [{"value": 0, "min": -64, "max": 64, "default": 0, "auto": false}],
//                 "sourceInfo": {"signal": 1, "width": 3840, "height": 2160, "bitDepth": 10,
//                                "fps": 30, "interlaced": 0, "hdr": 1},
//                 "pictures": "testsrc2"}]}
//
// A device with "pictures" delivers frames when opened, at the size and rate
// of its format: "testsrc2" draws libavfilter's test source of that name (the
// picture the ffmpeg program's own benchmarks encode), "flash" a black picture
// that turns white for a moment once a period. No other name is taken: the
// text never reaches libavfilter. A microphone (kind 2) with "sound": "beep"
// delivers 48 kHz stereo silence with a 1 kHz beep once a period. Flashes and
// beeps follow "pulse": {"periodMs": 1000, "lengthMs": 100, "offsetMs": 0}
// (these values when it is left out) on the media clock, so a camera and a
// microphone of one script flash and beep together, or offsetMs apart. A
// period of whole frames puts every flash on a frame of its own.
// "soundClockHz" (47000 to 49000, 48000 when left out) is how many samples
// the microphone delivers per second of real time while it calls them 48 kHz:
// a sound card whose clock runs fast or slow.
//
// A bare array of devices is read too. Everything is bounded: at most
// kMaxDevices devices and ZD_MAX_CAPACITIES formats each (the rest is
// ignored), texts cut to their fields, numbers held to their ranges. A file
// that breaks these rules anywhere else is refused as a whole.
#pragma once

#include "vazURIdav.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zd
{

struct ScriptedDeviceDescription {
    DEV_NAME name{};
    std::vector<DEV_CAPACITY> formats;
    int openResult = 1;
    bool foreignVirtual = false;
    bool hasAmp = false;
    VIDEOAMPVALUE amp{};
    bool hasSourceInfo = false;
    SOURCE_INFO_4K30 sourceInfo{};
    enum class Pictures { None, Testsrc2, Flash };
    Pictures pictures = Pictures::None;
    enum class Sound { None, Beep };
    Sound sound = Sound::None;
    int pulsePeriodMs = 1000;
    int pulseLengthMs = 100;
    int pulseOffsetMs = 0;
    int soundClockHz = 48000;
};

class DeviceScript
{
public:
    static constexpr size_t kMaxDevices = ZD_MAX_DEVICES;
    static constexpr size_t kMaxFileBytes = 1024 * 1024;

    // A whole script. False (out empty, error set) for a malformed one.
    static bool parse(const char* data, size_t size, std::vector<ScriptedDeviceDescription>& out,
                      std::string& error);
    // The JSON object of one device.
    static bool parseDevice(const char* data, size_t size, ScriptedDeviceDescription& out,
                            std::string& error);
    static bool loadFile(const std::string& path, std::vector<ScriptedDeviceDescription>& out,
                         std::string& error);
};

} // namespace zd
