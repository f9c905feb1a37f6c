// The test-pattern camera and the tone microphone feeding one source
// pipeline, as the engine wires them for an open virtual device.
#pragma once

#include "devices/virtualcameracapture.h"
#include "devices/virtualmicrophonecapture.h"
#include "media/sourcepipeline.h"

#include <memory>

struct VirtualRig {
    zd::media::SourcePipeline pipeline;
    std::unique_ptr<zd::devices::VirtualCameraCapture> camera;
    std::unique_ptr<zd::devices::VirtualMicrophoneCapture> microphone;

    VirtualRig(int width, int height, int fps, bool withMicrophone = true)
    {
        camera = std::make_unique<zd::devices::VirtualCameraCapture>(
            width, height, fps, nullptr,
            [this](zd::media::AVFramePtr f) { pipeline.pushVideo(f.get()); });
        if (withMicrophone)
            microphone = std::make_unique<zd::devices::VirtualMicrophoneCapture>(
                [this](zd::media::AVFramePtr f) { pipeline.pushAudio(f.get()); });
        camera->start();
        if (microphone)
            microphone->start();
    }
    ~VirtualRig()
    {
        camera->stop();
        if (microphone)
            microphone->stop();
    }
};
