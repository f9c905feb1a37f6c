// The source that sync measurements (zdsyncmeter.h) read, the same for tests
// and benchmarks: a camera and a microphone of the device script that flash
// and beep once a second on the media clock, and the arguments with which
// the ffmpeg program makes a movie of the same flashes and beeps for the live
// canvas. A flash is white for the first 100 ms of a second, the beep a
// 1 kHz tone in the same 100 ms; soundLateMs moves the beeps later.
// Plain C++, so that the benchmarks without Qt use the same source.
#pragma once

#include <string>
#include <vector>

namespace zdtest
{

constexpr const char* kSyncCameraName = "Sync Camera";
constexpr const char* kSyncCameraPath = "USB#VID_5A5A&PID_0031#1#video";
constexpr const char* kSyncMicrophoneName = "Sync Microphone";
constexpr const char* kSyncMicrophonePath = "USB#VID_5A5A&PID_0031#1#audio";

// One USB device's camera and microphone, so that a capture program's
// automatic sound (the one of the camera's own device) finds the microphone.
inline std::string syncPairScript(int width, int height, int fps, int soundLateMs)
{
    // Written without raw strings: Qt's moc reads this header too.
    auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
    auto pulse = [&](int offsetMs) {
        return quoted("pulse") + ": {" + quoted("periodMs") + ": 1000, " + quoted("lengthMs") +
               ": 100, " + quoted("offsetMs") + ": " + std::to_string(offsetMs) + "}";
    };
    return "{" + quoted("devices") + ": [\n  {" + quoted("name") + ": " + quoted(kSyncCameraName) +
           ", " + quoted("path") + ": " + quoted(kSyncCameraPath) + ", " + quoted("kind") +
           ": 1, " + quoted("formats") + ": [{" + quoted("width") + ": " + std::to_string(width) +
           ", " + quoted("height") + ": " + std::to_string(height) + ", " + quoted("fps") + ": " +
           std::to_string(fps) + ", " + quoted("fourcc") + ": " + quoted("YUY2") + "}], " +
           quoted("pictures") + ": " + quoted("flash") + ", " + pulse(0) + "},\n  {" +
           quoted("name") + ": " + quoted(kSyncMicrophoneName) + ", " + quoted("path") + ": " +
           quoted(kSyncMicrophonePath) + ", " + quoted("kind") + ": 2, " + quoted("sound") + ": " +
           quoted("beep") + ", " + pulse(soundLateMs) + "}]}\n";
}

// The ffmpeg program's arguments (without the program) that write a movie of
// seconds, H.264 and AAC as a user's own file would be, to path.
inline std::vector<std::string> flashMovieArguments(const std::string& path, int width, int height,
                                                    int fps, int seconds, int soundLateMs)
{
    const std::string w = std::to_string(width), h = std::to_string(height),
                      r = std::to_string(fps), d = std::to_string(seconds),
                      flashFrames = std::to_string(fps >= 10 ? fps / 10 : 1);
    return {"-v",
            "error",
            "-y",
            "-f",
            "lavfi",
            "-i",
            "color=c=black:s=" + w + "x" + h + ":r=" + r + ":d=" + d +
                ",format=yuv420p,geq=lum='if(lt(mod(N," + r + ")," + flashFrames +
                "),235,16)':cb=128:cr=128",
            "-f",
            "lavfi",
            "-i",
            "aevalsrc='if(lt(mod(t-" + std::to_string(soundLateMs / 1000.0) +
                ",1),0.1),0.5*sin(2*PI*1000*t),0)':s=48000:c=stereo:d=" + d,
            "-c:v",
            "libx264",
            "-preset",
            "veryfast",
            "-g",
            r,
            "-c:a",
            "aac",
            "-shortest",
            path};
}

} // namespace zdtest
