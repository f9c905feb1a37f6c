// A layer as a scene file hands it to the engine: the first byte picks the
// kind, the rest fills the layer record (place, look and kind block). Every
// reader either refuses it or gives values inside their ranges, and texts no
// longer than their fields (a field without a terminator is read whole).
#include "live/layerparams.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zd::live;
    if (size < 1)
        return 0;
    const int kind = data[0] % 6;
    LIVEPIP_PARAMTERS record{};
    std::memcpy(&record, data + 1, std::min(size - 1, sizeof record));
    Placement p;
    if (readPlacement(record, -1, p)) {
        if (p.width < 0 || p.height < 0 || p.width > kMaxCoordinate || p.alpha < 0 ||
            p.alpha > 100 || p.volume < 0 || p.volume > 100 || p.z < 0 || p.z > kMaxZOrder)
            __builtin_trap();
    }
    const uint8_t* block = record.kindBlock;
    const size_t n = sizeof record.kindBlock;
    checkKindBlock(kind, block, n);
    DeviceBlock d;
    if (readDeviceBlock(block, n, kind == KindAudioDevice ? KindAudioDevice : KindVideoDevice, d)) {
        if (!std::memchr(d.device.name, 0, sizeof d.device.name) ||
            !std::memchr(d.device.path, 0, sizeof d.device.path) ||
            !std::memchr(d.format.codecName, 0, sizeof d.format.codecName))
            __builtin_trap();
    }
    MovieBlock m;
    if (readMovieBlock(block, n, m) &&
        (m.listPath.size() > 256 || m.currentPath.size() > 256 || m.loopMode < 0 || m.loopMode > 1))
        __builtin_trap();
    PictureBlock pb;
    if (readPictureBlock(block, n, pb) &&
        (pb.listPath.size() > 256 || pb.delaySecs < 0 || pb.delaySecs > kMaxDelaySecs))
        __builtin_trap();
    TextBlock t;
    if (readTextBlock(block, n, t) &&
        (t.text.size() > 256 || t.font.size() > 64 || t.size < 0 || t.size > kMaxTextSize))
        __builtin_trap();
    // Too short a block is refused, never read past.
    readTextBlock(block, 10, t);
    return 0;
}
