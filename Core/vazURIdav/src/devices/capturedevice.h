// One capture device as the engine sees it, whatever provides it (V4L2,
// ALSA, the virtual test devices, a device script).
#pragma once

#include "devices/framereceiver.h"
#include "vazURIdav.h"

#include <string>
#include <vector>

namespace zd
{

class CaptureDevice
{
public:
    virtual ~CaptureDevice() = default;

    virtual const DEV_NAME& name() const = 0;
    virtual std::vector<DEV_CAPACITY> formats() const = 0;
    // 1 or a ZD_OPEN_* result. On 1, inUse is the format delivered; asked
    // may be null (the device chooses).
    virtual int open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse) = 0;
    virtual void close() {}

    // Starts handing the open device's frames (pictures, sound or both) to
    // receiver (which outlives the capture), from the device's own capture
    // threads, in the format open gave; false when the device has no frames
    // to give. Frames carry pts in microseconds of the monotonic clock
    // (av_gettime_relative).
    virtual bool startCapture(const DEV_CAPACITY& /*inUse*/, FrameReceiver& /*receiver*/)
    {
        return false;
    }
    // Ends the capture threads; no frame reaches the receiver afterwards.
    virtual void stopCapture() {}
    // Where a device that reports on its own (the live canvas, for its
    // layers) sends its reports; set before startCapture.
    virtual void reportTo(void* /*target*/) {}
    // The device's frames carry its sound as well, so no audio device is
    // captured beside it.
    virtual bool carriesSound() const { return false; }

    // Another program's virtual device, left out when the caller ignores
    // virtual devices (the engine's own test devices are not).
    virtual bool foreignVirtual() const { return false; }
    virtual bool ampValues(VIDEOAMPVALUE&) const { return false; }
    virtual bool setAmpValues(const VIDEOAMPVALUE&) { return false; }
    virtual bool sourceInfo(SOURCE_INFO_4K30&) const { return false; }

    bool isAudioOnly() const { return name().kind == ZD_DEVICE_KIND_AUDIO; }
    std::string nameText() const;
    std::string pathText() const;
};

// The offered format that asked names (size, fourcc when given, frame rate
// among fps and fpsChoices), with the asked frame rate; the first offered
// format when asked is null, empty or not offered. False when none is offered.
bool pickOfferedFormat(const std::vector<DEV_CAPACITY>& offered, const DEV_CAPACITY* asked,
                       DEV_CAPACITY& chosen);

} // namespace zd
