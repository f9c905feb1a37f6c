// Records the test-pattern camera and the tone microphone into the file given
// until it is killed. Used by the tests to cut a recording the hard way.
// Prints "recording" once the file is open, then "skipped <n>" whenever the
// camera has skipped frames.
// Usage: engine_media_recordhelper <path> <format>
#include "devices/virtualcameracapture.h"
#include "devices/virtualmicrophonecapture.h"
#include "media/recorder.h"
#include "media/sourcepipeline.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    using namespace zd;
    if (argc < 3)
        return 2;
    media::RecordSettings settings;
    if (media::RecordSettings::fromCall(argv[1], std::atoi(argv[2]), media::kEncoderH264, 2, 0, 0,
                                        30, 2000000, settings) != 1)
        return 2;
    media::SourcePipeline pipeline;
    auto recorder = std::make_shared<media::Recorder>([](int) { std::_Exit(3); });
    if (recorder->start(settings, 320, 240, 30, true) != 1)
        return 3;
    pipeline.attach(recorder);
    devices::VirtualCameraCapture camera(320, 240, 30, nullptr,
                                         [&](media::AVFramePtr f) { pipeline.pushVideo(f.get()); });
    devices::VirtualMicrophoneCapture microphone(
        [&](media::AVFramePtr f) { pipeline.pushAudio(f.get()); });
    camera.start();
    microphone.start();
    std::puts("recording");
    std::fflush(stdout);
    // Frames the camera skips on a loaded machine are no loss of the
    // recording: the test learns of them as they happen.
    int64_t reported = 0;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const int64_t skipped = camera.skippedFrames();
        if (skipped != reported) {
            reported = skipped;
            std::printf("skipped %lld\n", static_cast<long long>(skipped));
            std::fflush(stdout);
        }
    }
}
