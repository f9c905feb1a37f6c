// Draws a text layer's text into a picture with FreeType, in the font
// fontconfig finds for the family, weight and slant (the closest the machine
// has when the family is missing). The size is the font's pixel height; line
// breaks start new lines. The picture is RGBA, transparent around the glyphs.
#pragma once

#include "live/layerparams.h"
#include "media/avholders.h"

namespace zd::live
{

// Largest side of a text picture.
constexpr int kMaxTextPictureSide = 4096;

// Null for an empty text, a size of 0 or no usable font.
media::AVFramePtr renderTextPicture(const TextBlock& text);

} // namespace zd::live
