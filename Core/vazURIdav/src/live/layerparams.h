// The layer records the application hands the live canvas, read into plain
// values with every field bounded by its size and checked against its range:
// they come from scene files, which anyone can edit, as much as from the
// editors.
#pragma once

#include "vazURIdav.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zd::live
{

enum LayerKind {
    KindVideoDevice = 0,
    KindPictures = 1,
    KindMovie = 2,
    KindAudioDevice = 3,
    KindText = 4
};

// Bits of the edit mask: what of the record the call changes.
enum EditMask {
    MaskRect = 1,
    MaskLook = 2, // alpha, with the enable switch and z order the record carries
    MaskKindBlock = 4,
    MaskZOrder = 8,
    MaskEnabled = 16,
    MaskVolume = 32,
};

// Limits of the values the canvas accepts.
constexpr int kMaxCoordinate = 16384;
constexpr int kMaxZOrder = 100000;
constexpr int kMaxTextSize = 1000;
constexpr int kMaxDelaySecs = 99;

// A layer key: the decimal text of a number from 1 to 2^31 - 1 without
// leading zeros, for reports name a layer by that number (0 is the main
// device). Empty, "0" and any other text are refused.
bool parseLayerKey(const char* key, std::string& text, unsigned long& number);

struct Placement {
    int x = 0, y = 0, width = 0, height = 0;
    int alpha = 100;
    bool enabled = true;
    int z = 0;
    int volume = 100;
};

// False when a field the mask names is out of range (every field for an add,
// mask -1).
bool readPlacement(const LIVEPIP_PARAMTERS& record, int mask, Placement& out);
// The fields of in that mask names, over current.
Placement mergePlacement(const Placement& current, const Placement& in, int mask);

struct DeviceBlock {
    DEV_NAME device{}; // strings cut to their fields with a terminator
    bool defaultFormat = true;
    DEV_CAPACITY format{}; // when not the default
    bool autoAudio = false;
};
struct MovieBlock {
    int command = 0;
    std::string listPath;
    std::string currentPath;
    int currentIndex = 0;
    int positionMs = 0;
    int playState = 0;
    int loopMode = 0;
};
struct PictureBlock {
    int command = 0;
    std::string listPath;
    int order = 0;
    int delaySecs = 3;
};
struct TextBlock {
    std::string text;
    std::string font;
    int size = 0;
    bool bold = false;
    bool italic = false;
    uint32_t colour = 0; // 0x00BBGGRR
};

// Each reads its kind's record from the first bytes of a kind block of size
// bytes; false when the block is too short or a field is out of range.
bool readDeviceBlock(const uint8_t* block, size_t size, int kind, DeviceBlock& out);
bool readMovieBlock(const uint8_t* block, size_t size, MovieBlock& out);
bool readPictureBlock(const uint8_t* block, size_t size, PictureBlock& out);
bool readTextBlock(const uint8_t* block, size_t size, TextBlock& out);
// The kind's block is well formed (any kind 0..4); false for another kind.
bool checkKindBlock(int kind, const uint8_t* block, size_t size);

} // namespace zd::live
