#include "live/layerparams.h"

#include "core/text.h"

#include <climits>
#include <cstring>

namespace zd::live
{

namespace
{

bool within(long long v, long long low, long long high)
{
    return v >= low && v <= high;
}

template <typename Record> bool copyRecord(const uint8_t* block, size_t size, Record& out)
{
    if (!block || size < sizeof(Record))
        return false;
    std::memcpy(&out, block, sizeof(Record));
    return true;
}

template <size_t N> std::string field(const char (&text)[N])
{
    return boundedText(text, N);
}

} // namespace

bool parseLayerKey(const char* key, std::string& text, unsigned long& number)
{
    const std::string k = boundedText(key, 16);
    if (k.empty() || k.size() > 10 || k[0] == '0')
        return false;
    unsigned long long value = 0;
    for (char c : k) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > INT_MAX)
        return false;
    text = k;
    number = static_cast<unsigned long>(value);
    return true;
}

bool readPlacement(const LIVEPIP_PARAMTERS& r, int mask, Placement& out)
{
    LIVEPIP_PARAMTERS p;
    std::memcpy(&p, &r, sizeof p);
    if (mask & MaskRect) {
        if (!within(p.x, -kMaxCoordinate, kMaxCoordinate) ||
            !within(p.y, -kMaxCoordinate, kMaxCoordinate) || !within(p.width, 0, kMaxCoordinate) ||
            !within(p.height, 0, kMaxCoordinate))
            return false;
        out.x = p.x;
        out.y = p.y;
        out.width = p.width;
        out.height = p.height;
    }
    if (mask & MaskLook) {
        if (!within(p.alpha, 0, 100))
            return false;
        out.alpha = p.alpha;
    }
    if (mask & (MaskLook | MaskZOrder)) {
        if (!within(p.z, 0, kMaxZOrder))
            return false;
        out.z = p.z;
    }
    if (mask & (MaskLook | MaskEnabled))
        out.enabled = p.enabled != 0;
    if (mask & MaskVolume) {
        if (!within(p.volume, 0, 100))
            return false;
        out.volume = p.volume;
    }
    return true;
}

Placement mergePlacement(const Placement& current, const Placement& in, int mask)
{
    Placement m = current;
    if (mask & MaskRect) {
        m.x = in.x;
        m.y = in.y;
        m.width = in.width;
        m.height = in.height;
    }
    if (mask & MaskLook)
        m.alpha = in.alpha;
    if (mask & (MaskLook | MaskZOrder))
        m.z = in.z;
    if (mask & (MaskLook | MaskEnabled))
        m.enabled = in.enabled;
    if (mask & MaskVolume)
        m.volume = in.volume;
    return m;
}

bool readDeviceBlock(const uint8_t* block, size_t size, int kind, DeviceBlock& out)
{
    SCENE_DEVICE_PARAMS p;
    if (!copyRecord(block, size, p))
        return false;
    DeviceBlock d;
    copyText(d.device.name, sizeof d.device.name, field(p.device.name));
    copyText(d.device.path, sizeof d.device.path, field(p.device.path));
    d.device.kind = p.device.kind;
    if (d.device.name[0] == '\0' && d.device.path[0] == '\0')
        return false;
    const bool audioDevice = p.device.kind == ZD_DEVICE_KIND_AUDIO;
    if (audioDevice != (kind == KindAudioDevice))
        return false;
    d.defaultFormat = p.format.width == 0;
    if (!d.defaultFormat) {
        const DEV_CAPACITY& f = p.format;
        if (!within(f.width, 16, 8192) || !within(f.height, 16, 8192) || !within(f.fps, 0, 240) ||
            !within(f.fpsChoices[0], 0, 240) || !within(f.fpsChoices[1], 0, 240))
            return false;
        d.format = f;
        copyText(d.format.codecName, sizeof d.format.codecName, field(f.codecName));
    }
    if (!within(p.autoAudio, 0, 1))
        return false;
    d.autoAudio = p.autoAudio == 1;
    out = d;
    return true;
}

bool readMovieBlock(const uint8_t* block, size_t size, MovieBlock& out)
{
    SCENE_MOVIE_PARAMS p;
    if (!copyRecord(block, size, p))
        return false;
    switch (p.command) {
    case 0:
    case ZD_MOVIE_CMD_PLAY_AT:
    case ZD_MOVIE_CMD_SEEK:
    case ZD_MOVIE_CMD_PAUSE:
    case ZD_MOVIE_CMD_APPLY:
    case ZD_MOVIE_CMD_APPLY_RELOAD:
        break;
    default:
        return false;
    }
    if (!within(p.loopMode, 0, 1))
        return false;
    if (p.command == ZD_MOVIE_CMD_PLAY_AT && !within(p.currentIndex, 0, ZD_LAYER_LIST_FILES - 1))
        return false;
    if (p.command == ZD_MOVIE_CMD_SEEK && p.positionMs < 0)
        return false;
    MovieBlock m;
    m.command = p.command;
    m.listPath = field(p.listPath);
    m.currentPath = field(p.currentPath);
    m.currentIndex = p.currentIndex;
    m.positionMs = p.positionMs;
    m.playState = p.playState;
    m.loopMode = p.loopMode;
    out = m;
    return true;
}

bool readPictureBlock(const uint8_t* block, size_t size, PictureBlock& out)
{
    SCENE_PICTURE_PARAMS p;
    if (!copyRecord(block, size, p))
        return false;
    if (p.command != 0 && p.command != ZD_PICTURE_CMD_APPLY &&
        p.command != ZD_PICTURE_CMD_APPLY_RELOAD)
        return false;
    if (!within(p.order, 0, 1) || !within(p.delaySecs, 0, kMaxDelaySecs))
        return false;
    PictureBlock b;
    b.command = p.command;
    b.listPath = field(p.listPath);
    b.order = p.order;
    b.delaySecs = p.delaySecs;
    out = b;
    return true;
}

bool readTextBlock(const uint8_t* block, size_t size, TextBlock& out)
{
    SCENE_TEXT_PARAMS p;
    if (!copyRecord(block, size, p))
        return false;
    if (!within(p.size, 0, kMaxTextSize))
        return false;
    TextBlock t;
    t.text = field(p.text);
    t.font = field(p.font);
    t.size = p.size;
    t.bold = p.bold != 0;
    t.italic = p.italic != 0;
    t.colour = p.colour & 0xFFFFFFu;
    out = t;
    return true;
}

bool checkKindBlock(int kind, const uint8_t* block, size_t size)
{
    switch (kind) {
    case KindVideoDevice:
    case KindAudioDevice: {
        DeviceBlock d;
        return readDeviceBlock(block, size, kind, d);
    }
    case KindPictures: {
        PictureBlock p;
        return readPictureBlock(block, size, p);
    }
    case KindMovie: {
        MovieBlock m;
        return readMovieBlock(block, size, m);
    }
    case KindText: {
        TextBlock t;
        return readTextBlock(block, size, t);
    }
    default:
        return false;
    }
}

} // namespace zd::live
