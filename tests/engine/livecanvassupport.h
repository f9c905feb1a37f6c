// What the live canvas tests share: layer records as the scene list builds
// them, picture and list files written from their layouts, and the composed
// canvas read back through the frame tap.
#pragma once

#include "enginetestsupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstring>
#include <vector>

namespace livetest
{

inline LIVEPIP_PARAMTERS record(int x, int y, int w, int h, int alpha = 100, int enabled = 1,
                                int z = 0, int volume = 100)
{
    LIVEPIP_PARAMTERS p{};
    p.x = x;
    p.y = y;
    p.width = w;
    p.height = h;
    p.alpha = alpha;
    p.enabled = enabled;
    p.z = z;
    p.volume = volume;
    return p;
}

inline void setPictures(LIVEPIP_PARAMTERS& p, const QString& listPath, int delaySecs = 3,
                        int order = 0, int command = 0)
{
    SCENE_PICTURE_PARAMS b{};
    b.command = command;
    std::strncpy(b.listPath, listPath.toUtf8().constData(), sizeof b.listPath - 1);
    b.order = order;
    b.delaySecs = delaySecs;
    std::memset(p.kindBlock, 0, sizeof p.kindBlock);
    std::memcpy(p.kindBlock, &b, sizeof b);
}

inline void setMovie(LIVEPIP_PARAMTERS& p, const QString& listPath, int command = 0,
                     int loopMode = 0)
{
    SCENE_MOVIE_PARAMS b{};
    b.command = command;
    std::strncpy(b.listPath, listPath.toUtf8().constData(), sizeof b.listPath - 1);
    b.loopMode = loopMode;
    std::memset(p.kindBlock, 0, sizeof p.kindBlock);
    std::memcpy(p.kindBlock, &b, sizeof b);
}

inline void setText(LIVEPIP_PARAMTERS& p, const char* text, int size, uint32_t colour,
                    const char* font = "DejaVu Sans")
{
    SCENE_TEXT_PARAMS b{};
    std::strncpy(b.text, text, sizeof b.text - 1);
    std::strncpy(b.font, font, sizeof b.font - 1);
    b.size = size;
    b.colour = colour;
    std::memset(p.kindBlock, 0, sizeof p.kindBlock);
    std::memcpy(p.kindBlock, &b, sizeof b);
}

inline void setDevice(LIVEPIP_PARAMTERS& p, const DEV_NAME& device, int autoAudio = 0)
{
    SCENE_DEVICE_PARAMS b{};
    b.device = device;
    b.autoAudio = autoAudio;
    std::memset(p.kindBlock, 0, sizeof p.kindBlock);
    std::memcpy(p.kindBlock, &b, sizeof b);
}

// A 24-bit BMP of one colour, bottom-up rows padded to 4 bytes.
inline bool writeBmp(const QString& path, int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    const int rowBytes = (w * 3 + 3) & ~3;
    const int dataBytes = rowBytes * h;
    QByteArray bytes(54 + dataBytes, '\0');
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, uint32_t(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, uint32_t(dataBytes));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int at = 54 + y * rowBytes + x * 3;
            bytes[at] = char(b);
            bytes[at + 1] = char(g);
            bytes[at + 2] = char(r);
        }
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline bool writeList(const QString& path, const QStringList& lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    for (const QString& l : lines)
        f.write(l.toUtf8() + "\n");
    return true;
}

// Opens the live canvas "NULL" at the asked size and rate.
inline int openCanvas(void* h, void* target, int width, int height, int fps)
{
    DEV_NAME video = devName("NULL", "NULL", 0), audio = devName("NULL", "NULL", 0);
    DEV_CAPACITY format{};
    format.width = width;
    format.height = height;
    format.fps = fps;
    format.fourcc = 0x32315659; // "YV12"
    return ZD_OpenDevice(h, 0, target, 1, 0, &video, &audio, &format, 10000000);
}

struct Bgrx {
    int b = 0, g = 0, r = 0;
};

// The composed canvas as the tap gives it.
struct Canvas {
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    uint64_t serial = 0;
    bool read(void* h)
    {
        pixels.resize(size_t(3840) * 2160 * 4);
        return ZD_TapVideoFrame(h, pixels.data(), int(pixels.size()), &width, &height, &serial,
                                5000) > 0;
    }
    Bgrx at(int x, int y) const
    {
        const uint8_t* p = pixels.data() + (size_t(y) * width + x) * 4;
        return Bgrx{p[0], p[1], p[2]};
    }
};

inline bool isRed(const Bgrx& c)
{
    return c.r > 200 && c.g < 50 && c.b < 50;
}
inline bool isBlue(const Bgrx& c)
{
    return c.b > 200 && c.r < 50 && c.g < 50;
}
inline bool isBlack(const Bgrx& c)
{
    return c.r < 30 && c.g < 30 && c.b < 30;
}

} // namespace livetest
