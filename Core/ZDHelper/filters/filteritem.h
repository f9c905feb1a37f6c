// One video filter of a capture source: the record kept in a source's chain
// and written raw into its .filter file.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

enum : uint32_t {
    FILTER_CUSTOM = 0,
    FILTER_BOXBLUR = 1,
    FILTER_COLORBALANCE = 2,
    FILTER_SEPIA = 3,
    FILTER_EQUALIZER = 4,
    FILTER_VFLIP = 5,
    FILTER_HFLIP = 6,
    FILTER_COLORSTYLE = 7,
    FILTER_COLORKEY = 8,
};

// Id that the engine's delete call takes as "every filter of the source"; no
// filter may carry it.
constexpr uint32_t FILTER_ID_ALL = 0xFFFFFFFFu;

#pragma pack(push, 1)
struct FILTER_BALANCE_PARAMS {
    int32_t range; // tone range shown in the editor: 0 shadows, 1 midtones, 2 highlights
    float r[3];    // shadows, midtones, highlights
    float g[3];
    float b[3];
};

struct FILTER_EQ_PARAMS {
    float contrast;
    float brightness;
    float saturation;
    float gamma;
    float gamma_r;
    float gamma_g;
    float gamma_b;
    float gamma_weight;
};

struct FILTER_COLORKEY_PARAMS {
    uint32_t color;     // 0x00BBGGRR, as the colour button gives it
    int32_t similarity; // hundredths
    int32_t blend;      // hundredths
};

union FILTER_PARAMS {
    char text[256]; // custom filter text, local 8-bit
    int32_t radius;
    FILTER_BALANCE_PARAMS balance;
    FILTER_EQ_PARAMS eq;
    int32_t style; // 0 none, 1 gray, 2 old film
    FILTER_COLORKEY_PARAMS colorKey;
    uint8_t raw[256];
};

struct FILTERITEM {
    uint32_t type;
    uint32_t enabled;
    char cmd[512];  // filter string handed to the engine
    char name[256]; // display name, local 8-bit
    uint32_t id;
    FILTER_PARAMS params;
};
#pragma pack(pop)

static_assert(sizeof(FILTER_PARAMS) == 256, "FILTERITEM parameter block");
static_assert(sizeof(FILTERITEM) == 1036, "FILTERITEM is the .filter record");
static_assert(offsetof(FILTERITEM, enabled) == 4, "FILTERITEM layout");
static_assert(offsetof(FILTERITEM, cmd) == 8, "FILTERITEM layout");
static_assert(offsetof(FILTERITEM, name) == 520, "FILTERITEM layout");
static_assert(offsetof(FILTERITEM, id) == 776, "FILTERITEM layout");
static_assert(offsetof(FILTERITEM, params) == 780, "FILTERITEM layout");
static_assert(offsetof(FILTER_BALANCE_PARAMS, r) == 4, "colour balance layout");
static_assert(offsetof(FILTER_BALANCE_PARAMS, g) == 16, "colour balance layout");
static_assert(offsetof(FILTER_BALANCE_PARAMS, b) == 28, "colour balance layout");
static_assert(offsetof(FILTER_EQ_PARAMS, gamma_weight) == 28, "equalizer layout");
static_assert(offsetof(FILTER_COLORKEY_PARAMS, blend) == 8, "colour key layout");

// Writes the kind's default parameters, then rebuilds the texts.
void InitFilterDataDefault(FILTERITEM* item);
// Rebuilds cmd and, for most kinds, name from the kind and parameters.
void UpdateFilterDataText(FILTERITEM* item);

// The texts of a record up to their first NUL or their field's end; a record
// read from a file need not hold terminators.
QByteArray FilterItemCmd(const FILTERITEM& item);
QByteArray FilterItemName(const FILTERITEM& item);
