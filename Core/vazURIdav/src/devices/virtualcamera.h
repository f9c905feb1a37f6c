// The engine's own test-pattern camera, present on every machine so that the
// application previews and records anywhere, CI included. It takes any sane
// format it is asked for. A camera of another name draws nothing of its own:
// the live canvas builds on one.
#pragma once

#include "devices/ampcontrols.h"
#include "devices/capturedevice.h"

#include <memory>
#include <mutex>

namespace zd
{

namespace devices
{
class VirtualCameraCapture;
}

class VirtualCamera : public CaptureDevice
{
public:
    static constexpr const char* kName = "Test Pattern Camera";
    static constexpr const char* kPath = "VIRTUAL_TEST_PATTERN_CAMERA";

    // The test-pattern camera.
    VirtualCamera();
    // A camera of another name and path, unlisted, with a format of its own
    // when none is asked.
    VirtualCamera(const char* name, const char* path, const DEV_CAPACITY& fallback);
    ~VirtualCamera() override;

    const DEV_NAME& name() const override { return m_name; }
    std::vector<DEV_CAPACITY> formats() const override;
    int open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse) override;
    bool ampValues(VIDEOAMPVALUE& out) const override;
    bool setAmpValues(const VIDEOAMPVALUE& in) override;
    // The test-pattern camera draws its pattern, with the picture controls
    // applied; the live canvas has no picture of its own here.
    bool startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver) override;
    void stopCapture() override;

    static DEV_CAPACITY format(int width, int height, int fps, const char* fourcc, int choice0,
                               int choice1);

private:
    DEV_NAME m_name{};
    DEV_CAPACITY m_fallback{};
    bool m_listed = true;
    mutable std::mutex m_mutex;
    AmpControls m_amp;
    std::mutex m_captureMutex;
    std::unique_ptr<devices::VirtualCameraCapture> m_capture;
};

} // namespace zd
