#include "live/textpicture.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zd::live
{

namespace
{

struct FtLibraryDeleter {
    void operator()(FT_Library l) const { FT_Done_FreeType(l); }
};
struct FtFaceDeleter {
    void operator()(FT_Face f) const { FT_Done_Face(f); }
};
struct FcPatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using FtLibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, FtLibraryDeleter>;
using FtFacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FtFaceDeleter>;
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;

// fontconfig's configuration is loaded once and then only read.
std::mutex& fontconfigMutex()
{
    static std::mutex m;
    return m;
}

bool findFont(const TextBlock& t, std::string& file, int& index)
{
    std::lock_guard<std::mutex> lock(fontconfigMutex());
    if (!FcInit())
        return false;
    FcPatternPtr pattern(FcPatternCreate());
    if (!pattern)
        return false;
    const std::string family = t.font.empty() ? std::string("sans-serif") : t.font;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, t.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, t.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match)
        return false;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch || !path)
        return false;
    file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    return true;
}

// The code points of UTF-8 text; a broken sequence becomes U+FFFD.
std::vector<uint32_t> codePoints(const std::string& s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d >> 6) != 2) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (d & 0x3F);
        }
        out.push_back(ok ? cp : 0xFFFD);
        i += ok ? static_cast<size_t>(extra) + 1 : 1;
    }
    return out;
}

struct Glyph {
    int x = 0, y = 0; // top-left in the picture
    int width = 0, rows = 0, pitch = 0;
    std::vector<uint8_t> coverage;
};

} // namespace

media::AVFramePtr renderTextPicture(const TextBlock& t)
{
    if (t.text.empty() || t.size <= 0)
        return nullptr;
    std::string file;
    int index = 0;
    if (!findFont(t, file, index))
        return nullptr;
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0)
        return nullptr;
    FtLibraryPtr library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), file.c_str(), index, &rawFace) != 0)
        return nullptr;
    FtFacePtr face(rawFace);
    if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(t.size)) != 0)
        return nullptr;
    const bool embolden = t.bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    const bool slant = t.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    const int lineHeight = std::max(1, static_cast<int>(face->size->metrics.height >> 6));

    std::vector<Glyph> glyphs;
    int width = 0, lines = 1, penX = 0;
    for (uint32_t cp : codePoints(t.text)) {
        if (cp == '\n') {
            ++lines;
            penX = 0;
            continue;
        }
        if (cp == '\r')
            continue;
        if (FT_Load_Char(face.get(), cp, FT_LOAD_DEFAULT) != 0)
            continue;
        FT_GlyphSlot slot = face->glyph;
        if (embolden)
            FT_GlyphSlot_Embolden(slot);
        if (slant)
            FT_GlyphSlot_Oblique(slot);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            continue;
        const FT_Bitmap& bm = slot->bitmap;
        Glyph g;
        g.x = penX + slot->bitmap_left;
        g.y = (lines - 1) * lineHeight + ascender - slot->bitmap_top;
        g.width = static_cast<int>(bm.width);
        g.rows = static_cast<int>(bm.rows);
        g.pitch = bm.pitch;
        if (bm.buffer && g.width > 0 && g.rows > 0 && bm.pitch >= g.width)
            g.coverage.assign(bm.buffer, bm.buffer + static_cast<size_t>(bm.pitch) * bm.rows);
        penX += static_cast<int>(slot->advance.x >> 6);
        width = std::max({width, penX, g.x + g.width});
        if (width > kMaxTextPictureSide || lines * lineHeight > kMaxTextPictureSide)
            break;
        glyphs.push_back(std::move(g));
    }
    width = std::min(width, kMaxTextPictureSide) & ~1;
    const int height = std::min(lines * lineHeight, kMaxTextPictureSide) & ~1;
    if (width < 2 || height < 2)
        return nullptr;

    media::AVFramePtr frame = media::makeFrame();
    if (!frame)
        return nullptr;
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_RGBA;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    const uint8_t r = t.colour & 0xFF, gr = (t.colour >> 8) & 0xFF, b = (t.colour >> 16) & 0xFF;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x) {
            row[4 * x] = r;
            row[4 * x + 1] = gr;
            row[4 * x + 2] = b;
            row[4 * x + 3] = 0;
        }
    }
    for (const Glyph& g : glyphs) {
        if (g.coverage.empty())
            continue;
        for (int gy = 0; gy < g.rows; ++gy) {
            const int y = g.y + gy;
            if (y < 0 || y >= height)
                continue;
            uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
            const uint8_t* src = g.coverage.data() + static_cast<size_t>(gy) * g.pitch;
            for (int gx = 0; gx < g.width; ++gx) {
                const int x = g.x + gx;
                if (x < 0 || x >= width)
                    continue;
                row[4 * x + 3] = std::max(row[4 * x + 3], src[gx]);
            }
        }
    }
    return frame;
}

} // namespace zd::live
