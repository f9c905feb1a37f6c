// Draws vm_bk.bmp, the picture the video source shows while no capture server
// runs: 1920 x 1080, 24 bits, written as the source reads it (the first row
// of the file is the top of the picture). Usage: idlepicturegen <output file>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Glyph {
    char c;
    uint8_t rows[7]; // the low five bits, left to right
};

constexpr Glyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
};

struct Picture {
    std::vector<uint8_t> bgr = std::vector<uint8_t>(size_t(kWidth) * kHeight * 3);
    void put(int x, int y, uint8_t r, uint8_t g, uint8_t b)
    {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
            return;
        uint8_t* p = bgr.data() + (size_t(y) * kWidth + size_t(x)) * 3;
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
    void fill(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b)
    {
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx)
                put(xx, yy, r, g, b);
    }
};

const uint8_t* glyph(char c)
{
    for (const Glyph& g : kGlyphs)
        if (g.c == c)
            return g.rows;
    return nullptr;
}

// Centred text of 5 x 7 cells of scale pixels, a cell of space between letters.
void text(Picture& p, const char* s, int centreY, int scale, uint8_t r, uint8_t g, uint8_t b)
{
    const int advance = 6 * scale;
    const int width = int(std::strlen(s)) * advance - scale;
    const int x0 = (kWidth - width) / 2;
    const int y0 = centreY - 7 * scale / 2;
    for (int i = 0; s[i]; ++i) {
        const uint8_t* rows = glyph(s[i]);
        if (!rows)
            continue;
        for (int gy = 0; gy < 7; ++gy)
            for (int gx = 0; gx < 5; ++gx)
                if (rows[gy] & (0x10 >> gx))
                    p.fill(x0 + i * advance + gx * scale, y0 + gy * scale, scale, scale, r, g, b);
    }
}

void le32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
void le16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
        return 2;
    }
    Picture p;
    // A dark slate background, lighter towards the bottom.
    for (int y = 0; y < kHeight; ++y) {
        const double t = double(y) / (kHeight - 1);
        p.fill(0, y, kWidth, 1, uint8_t(22 + 18 * t), uint8_t(26 + 20 * t), uint8_t(34 + 26 * t));
    }
    // A ring for the box's lens, and the two lines of text.
    const int cx = kWidth / 2, cy = 380;
    for (int y = cy - 130; y <= cy + 130; ++y)
        for (int x = cx - 130; x <= cx + 130; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            if (d >= 100 && d <= 124)
                p.put(x, y, 90, 105, 225);
            else if (d <= 40)
                p.put(x, y, 90, 105, 225);
        }
    text(p, "VELTRANO BOX", 640, 14, 235, 238, 245);
    text(p, "WAITING FOR THE CAPTURE SERVER", 780, 5, 150, 160, 180);

    const uint32_t pixelBytes = uint32_t(kWidth) * kHeight * 3; // rows need no padding
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    le32(file, 54 + pixelBytes);
    le32(file, 0);
    le32(file, 54);
    le32(file, 40);
    le32(file, kWidth);
    le32(file, kHeight);
    le16(file, 1);
    le16(file, 24);
    le32(file, 0);
    le32(file, pixelBytes);
    le32(file, 2835);
    le32(file, 2835);
    le32(file, 0);
    le32(file, 0);
    file.insert(file.end(), p.bgr.begin(), p.bgr.end());

    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
