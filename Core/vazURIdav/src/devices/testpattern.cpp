#include "devices/testpattern.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace zd::devices
{

namespace
{

constexpr uint8_t kBlack = 16;
constexpr uint8_t kWhite = 235;
constexpr uint8_t kNeutral = 128;

// 75 % colour bars in limited-range BT.601: white, yellow, cyan, green,
// magenta, red, blue, black.
constexpr uint8_t kBars[8][3] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                                 {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128}};

// 5 x 7 glyphs, one byte per row, the low five bits from left to right.
struct Glyph {
    char c;
    uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
};

const uint8_t* glyphRows(char c)
{
    for (const Glyph& g : kGlyphs)
        if (g.c == c)
            return g.rows;
    return nullptr;
}

void fillRect(AVFrame* f, int x, int y, int w, int h, uint8_t yv, uint8_t uv, uint8_t vv)
{
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(f->width, x + w), y1 = std::min(f->height, y + h);
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int row = y0; row < y1; ++row)
        std::memset(f->data[0] + static_cast<ptrdiff_t>(row) * f->linesize[0] + x0, yv, x1 - x0);
    const int cx0 = x0 / 2, cy0 = y0 / 2, cx1 = (x1 + 1) / 2, cy1 = (y1 + 1) / 2;
    for (int row = cy0; row < cy1; ++row) {
        std::memset(f->data[1] + static_cast<ptrdiff_t>(row) * f->linesize[1] + cx0, uv, cx1 - cx0);
        std::memset(f->data[2] + static_cast<ptrdiff_t>(row) * f->linesize[2] + cx0, vv, cx1 - cx0);
    }
}

} // namespace

int TestPattern::codeBlockSize(int width)
{
    return std::max(4, width / 48);
}

void TestPattern::prepareRows(int width)
{
    if (width == m_width)
        return;
    m_width = width;
    const int period = width;
    m_barsY.assign(static_cast<size_t>(period) * 2 + 2, 0);
    m_barsU.assign(static_cast<size_t>(period) + 2, 0);
    m_barsV.assign(static_cast<size_t>(period) + 2, 0);
    for (int x = 0; x < period * 2 + 2; ++x) {
        const int bar = std::min(7, (x % period) * 8 / period);
        m_barsY[x] = kBars[bar][0];
    }
    for (int cx = 0; cx < period + 2; ++cx) {
        const int bar = std::min(7, ((cx * 2) % period) * 8 / period);
        m_barsU[cx] = kBars[bar][1];
        m_barsV[cx] = kBars[bar][2];
    }
    m_rampY.resize(width);
    for (int x = 0; x < width; ++x)
        m_rampY[x] = static_cast<uint8_t>(kBlack + (kWhite - kBlack) * x / std::max(1, width - 1));
}

void TestPattern::drawText(AVFrame* f, int x, int y, int scale, const char* text)
{
    const int advance = 6 * scale;
    const int len = static_cast<int>(std::strlen(text));
    fillRect(f, x - scale * 2, y - scale * 2, len * advance + scale * 3, 11 * scale, kBlack,
             kNeutral, kNeutral);
    for (int i = 0; i < len; ++i) {
        const uint8_t* rows = glyphRows(text[i]);
        if (!rows)
            continue;
        for (int gy = 0; gy < 7; ++gy)
            for (int gx = 0; gx < 5; ++gx)
                if (rows[gy] & (0x10 >> gx))
                    fillRect(f, x + i * advance + gx * scale, y + gy * scale, scale, scale, kWhite,
                             kNeutral, kNeutral);
    }
}

void TestPattern::render(AVFrame* f, int64_t index, int64_t elapsedUs, int64_t wallMs,
                         const PictureAdjust& adjust)
{
    if (!f || f->format != AV_PIX_FMT_YUV420P || f->width < 2 || f->height < 2)
        return;
    const int w = f->width, h = f->height;
    prepareRows(w);

    // Bars scroll left by an eighth of the width per second over the top two
    // thirds; the grey ramp below stands still.
    const int64_t shift = (elapsedUs * (w / 8 > 0 ? w / 8 : 1) / 1000000) % w;
    const int offset = static_cast<int>(shift) & ~1;
    const int barRows = h * 2 / 3;
    for (int row = 0; row < h; ++row) {
        uint8_t* dst = f->data[0] + static_cast<ptrdiff_t>(row) * f->linesize[0];
        std::memcpy(dst, row < barRows ? m_barsY.data() + offset : m_rampY.data(), w);
    }
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    for (int row = 0; row < ch; ++row) {
        uint8_t* u = f->data[1] + static_cast<ptrdiff_t>(row) * f->linesize[1];
        uint8_t* v = f->data[2] + static_cast<ptrdiff_t>(row) * f->linesize[2];
        if (row * 2 < barRows) {
            std::memcpy(u, m_barsU.data() + offset / 2, cw);
            std::memcpy(v, m_barsV.data() + offset / 2, cw);
        } else {
            std::memset(u, kNeutral, cw);
            std::memset(v, kNeutral, cw);
        }
    }

    // A square bouncing between the edges.
    const int side = std::max(2, h / 6);
    auto bounce = [](int64_t travelled, int span) {
        if (span <= 0)
            return 0;
        const int64_t p = travelled % (2 * static_cast<int64_t>(span));
        return static_cast<int>(p < span ? p : 2 * span - p);
    };
    const int bx = bounce(elapsedUs * (w / 3 + 1) / 1000000, w - side);
    const int by = bounce(elapsedUs * (h / 4 + 1) / 1000000, h - side);
    fillRect(f, bx, by, side, side, kWhite, kNeutral, kNeutral);

    // The clock and the frame number.
    const int scale = std::max(1, h / 120);
    const time_t secs = static_cast<time_t>(wallMs / 1000);
    struct tm local;
    localtime_r(&secs, &local);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(wallMs % 1000));
    char number[32];
    std::snprintf(number, sizeof number, "#%07lld", static_cast<long long>(index % 10000000));
    const int textWidth = 12 * 6 * scale;
    const int tx = std::max(scale * 2, (w - textWidth) / 2);
    const int ty = std::max(scale * 2, h / 2 - 9 * scale);
    drawText(f, tx, ty, scale, clock);
    drawText(f, tx, ty + 11 * scale, scale, number);

    // The frame-number strip.
    const int block = codeBlockSize(w);
    for (int bit = 0; bit < kCodeBits; ++bit) {
        const bool one = (index >> (kCodeBits - 1 - bit)) & 1;
        fillRect(f, bit * block, 0, block, block, one ? kWhite : kBlack, kNeutral, kNeutral);
    }

    applyAdjust(f, adjust);
}

int64_t TestPattern::readFrameCode(const uint8_t* luma, int linesize, int width, int height)
{
    const int block = codeBlockSize(width);
    if (!luma || block * kCodeBits > width || block > height)
        return -1;
    int64_t value = 0;
    for (int bit = 0; bit < kCodeBits; ++bit) {
        // Average the middle of the block, away from edges a codec smears.
        int sum = 0, n = 0;
        for (int y = block / 4; y < block - block / 4; ++y)
            for (int x = block / 4; x < block - block / 4; ++x) {
                sum += luma[static_cast<ptrdiff_t>(y) * linesize + bit * block + x];
                ++n;
            }
        value = (value << 1) | (n && sum / n > 128 ? 1 : 0);
    }
    return value;
}

void TestPattern::applyAdjust(AVFrame* f, const PictureAdjust& a)
{
    if (a.isIdentity() || !f || f->format != AV_PIX_FMT_YUV420P)
        return;
    // Luma: contrast around the middle grey, then brightness, through a table.
    uint8_t lut[256];
    const double contrast = a.contrastPct / 100.0;
    const double offset = a.brightness * 0.64;
    for (int i = 0; i < 256; ++i) {
        const double v = (i - 128) * contrast + 128 + offset;
        lut[i] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
    for (int row = 0; row < f->height; ++row) {
        uint8_t* p = f->data[0] + static_cast<ptrdiff_t>(row) * f->linesize[0];
        for (int x = 0; x < f->width; ++x)
            p[x] = lut[p[x]];
    }
    // Chroma: rotate by the hue angle and scale by the saturation, in 16.16
    // fixed point.
    if (a.hueDegrees == 0 && a.saturationPct == 100)
        return;
    const double angle = a.hueDegrees * M_PI / 180.0;
    const double sat = a.saturationPct / 100.0;
    const int cosS = static_cast<int>(std::lround(std::cos(angle) * sat * 65536));
    const int sinS = static_cast<int>(std::lround(std::sin(angle) * sat * 65536));
    const int cw = (f->width + 1) / 2, ch = (f->height + 1) / 2;
    for (int row = 0; row < ch; ++row) {
        uint8_t* u = f->data[1] + static_cast<ptrdiff_t>(row) * f->linesize[1];
        uint8_t* v = f->data[2] + static_cast<ptrdiff_t>(row) * f->linesize[2];
        for (int x = 0; x < cw; ++x) {
            const int du = u[x] - 128, dv = v[x] - 128;
            const int nu = (du * cosS - dv * sinS) / 65536 + 128;
            const int nv = (du * sinS + dv * cosS) / 65536 + 128;
            u[x] = static_cast<uint8_t>(std::clamp(nu, 0, 255));
            v[x] = static_cast<uint8_t>(std::clamp(nv, 0, 255));
        }
    }
}

} // namespace zd::devices
