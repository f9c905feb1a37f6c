// The hardware-encoder test of ZD_TestHWData: which of the recording encoders
// this machine's FFmpeg really offers, and the results the application hands
// back with ZD_SetHWData.
#pragma once

namespace zd::encoders
{

// What each test kind tries (1 = available, 0 = not):
//  1: result h264_vaapi, a h264_nvenc, b h264_qsv, at 1920x1080
//  2: the same at 3840x2160
//  3: result hevc_vaapi, a hevc_nvenc, b hevc_qsv, at 1920x1080
//  4: the same at 3840x2160
//  5: result libx264 (software H.264)
//  6: result libx265 with 10-bit samples (what HDR recordings are encoded with)
// A software encoder passes when it opens; a hardware encoder only when its
// device opens as well. Outputs may be null; an unknown kind writes 0.
void runEncoderTest(int kind, int* result, int* a, int* b);

// Opens the named FFmpeg encoder for a picture of that size (10-bit samples
// when asked) and closes it again; true when it opened.
bool encoderOpens(const char* name, int width, int height, bool tenBit);

// The results the application keeps (slots 0, 1, 2 and 6 of its HW-CAP).
struct HwData {
    int slot0 = 0;
    int slot1 = 0;
    int slot2 = 0;
    int slot6 = 0;
};
void setHwData(const HwData& data);
HwData hwData();

} // namespace zd::encoders
