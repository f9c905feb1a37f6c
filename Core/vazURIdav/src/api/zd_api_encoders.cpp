// Hardware encoder tests and the encoder list. Hardware encoders are tested
// on their devices; the list offers the software encoders that recordings
// use.
#include "api/apientry.h"
#include "encoders/hwencodertest.h"
#include "media/recordsettings.h"

#include <string>

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API int ZD_TestHWData(int kind, int* result, int* a, int* b)
{
    ZD_TRACE("ZD_TestHWData(kind=%d)", kind);
    return guarded("ZD_TestHWData", 0, [&] {
        // Tests script one kind's outcome ("ZD_TestHWData.6"): every output
        // of that kind gets the value, and nothing is opened.
        long long scripted = 0;
        const std::string script = "ZD_TestHWData." + std::to_string(kind);
        if (TestScript::lookup(script.c_str(), scripted)) {
            for (int* out : {result, a, b}) {
                if (out)
                    *out = static_cast<int>(scripted);
            }
            return 1;
        }
        encoders::runEncoderTest(kind, result, a, b);
        return 1;
    });
}

ZD_API int ZD_SetHWData(int slot0, int slot1, int slot2, int slot6)
{
    ZD_TRACE("ZD_SetHWData(%d,%d,%d,%d)", slot0, slot1, slot2, slot6);
    return guarded("ZD_SetHWData", 0, [&] {
        encoders::setHwData({slot0, slot1, slot2, slot6});
        return 1;
    });
}

ZD_API int ZD_GetEncodeH264EngineList(void* handle, char** names, int* ids)
{
    ZD_TRACE("ZD_GetEncodeH264EngineList()");
    return withEngine("ZD_GetEncodeH264EngineList", handle, 0, [&](Engine&) {
        if (!names || !ids)
            return 0;
        // The software encoders this machine's FFmpeg has.
        media::EncoderChoice choices[ZD_ENCODER_LIST_SLOTS];
        const int n = media::availableEncoders(choices, ZD_ENCODER_LIST_SLOTS);
        for (int i = 0; i < n; ++i) {
            if (names[i])
                copyText(names[i], ZD_ENCODER_NAME_BYTES, choices[i].name);
            ids[i] = choices[i].id;
        }
        return n;
    });
}

// There is no madVR renderer on Linux.
ZD_API int ZD_IsmadVR_isValid(void)
{
    ZD_TRACE("ZD_IsmadVR_isValid()");
    return guarded("ZD_IsmadVR_isValid", 0, [] { return 0; });
}

} // extern "C"
