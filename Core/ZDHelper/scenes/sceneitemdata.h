// One layer of the live scene: its kind, place on the canvas, name, key,
// state and 4096-byte kind block, the packed copy the engine receives, the
// 4660-byte record a scene file stores, and the mappings between canvas
// pixels, preview pixels and per-mille values.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "vazURIdav.h"

class QWidget;

// Layer kinds (SceneItemData::type).
enum {
    SCENE_KIND_CAMERA = 0,
    SCENE_KIND_PICTURES = 1,
    SCENE_KIND_MOVIE = 2,
    SCENE_KIND_AUDIO = 3,
    SCENE_KIND_TEXT = 4,
    SCENE_KIND_COUNT = 5
};

// Change-mask bits of ZD_EditOverlayDeviceCfg.
enum {
    SCENE_MASK_RECT = 1,
    SCENE_MASK_ALPHA = 2,
    SCENE_MASK_PARAMS = 4,
    SCENE_MASK_ZORDER = 8,
    SCENE_MASK_ENABLE = 16,
    SCENE_MASK_VOLUME = 32
};

#pragma pack(push, 1)
// A layer as a scene file stores it; little-endian, 4660 bytes.
struct SceneItemData_Save {
    int32_t type;
    int32_t enabled;
    int32_t locked;
    int32_t alpha;
    int32_t zOrder;
    int32_t volume;
    int32_t x; // per mille of the base width
    int32_t y; // per mille of the base height
    int32_t w;
    int32_t h;
    int32_t keepAspect;
    int32_t sourceWidth;
    int32_t sourceHeight;
    char uuid[256];
    char name[256];
    uint8_t params[ZD_KIND_BLOCK_BYTES];
};
#pragma pack(pop)
static_assert(sizeof(SceneItemData_Save) == 4660, "SceneItemData_Save layout");
static_assert(offsetof(SceneItemData_Save, keepAspect) == 40, "SceneItemData_Save layout");
static_assert(offsetof(SceneItemData_Save, uuid) == 52, "SceneItemData_Save layout");
static_assert(offsetof(SceneItemData_Save, name) == 308, "SceneItemData_Save layout");
static_assert(offsetof(SceneItemData_Save, params) == 564, "SceneItemData_Save layout");

// Kind-block offset of the list file path of movie and picture layers.
constexpr int SCENE_LIST_PATH_OFFSET = 4;
constexpr int SCENE_LIST_PATH_BYTES = 256;

// A fixed text field up to its first NUL or its end, local 8-bit.
QString SceneFieldText(const char* field, int size);
// Stores text (local 8-bit) with its terminator when it fits; otherwise the
// field stays as it was and false comes back.
bool SceneSetFieldText(char* field, int size, const QString& text);

class SceneItemData
{
public:
    // The empty layer.
    explicit SceneItemData(QWidget* owner = nullptr);
    // A layer rebuilt from a stored record on the current canvas.
    SceneItemData(QWidget* owner, const SceneItemData_Save& record);
    virtual ~SceneItemData();

    // The kind's defaults for a new layer. The key is drawn again until it is
    // non-zero and none of usedKeys, so that two layers never share an
    // engine source or a filter file.
    void InitDefaultData(int kind, const QSet<QString>& usedKeys = QSet<QString>());
    // A scene-file record; a base of 0 takes the canvas size.
    void GetSaveData(SceneItemData_Save* record, int baseWidth, int baseHeight) const;
    // The device name of device layers, empty for the other kinds.
    QString getCapturerName() const;
    // Refills the packed copy from the fields.
    void UpdatePip();

    // The list file of a movie or pictures layer (empty for other kinds).
    QString listFilePath() const;
    bool setListFilePath(const QString& path);

    SCENE_DEVICE_PARAMS* deviceParams() { return reinterpret_cast<SCENE_DEVICE_PARAMS*>(params); }
    SCENE_MOVIE_PARAMS* movieParams() { return reinterpret_cast<SCENE_MOVIE_PARAMS*>(params); }
    SCENE_PICTURE_PARAMS* pictureParams()
    {
        return reinterpret_cast<SCENE_PICTURE_PARAMS*>(params);
    }
    SCENE_TEXT_PARAMS* textParams() { return reinterpret_cast<SCENE_TEXT_PARAMS*>(params); }
    const SCENE_DEVICE_PARAMS* deviceParams() const
    {
        return reinterpret_cast<const SCENE_DEVICE_PARAMS*>(params);
    }

    // Draws a layer key: non-zero, 1..32767, none of usedKeys.
    static QString NewKey(const QSet<QString>& usedKeys);

    int type = SCENE_KIND_CAMERA;
    QRect rect;
    QString name;
    QString uuid;
    int hasError = 0;
    bool locked = false;
    int zOrder = 0;
    bool enabled = true;
    int alpha = 100;
    int volume = 100;
    QWidget* owner = nullptr;
    alignas(8) uint8_t params[ZD_KIND_BLOCK_BYTES] = {};
    bool keepAspect = false;
    int sourceWidth = 0;
    int sourceHeight = 0;
    bool lost = false;
    LIVEPIP_PARAMTERS pip = {};

    // Where a scene file put the layer: its per-mille values, the canvas
    // they were read on and the rectangle they gave. While the layer stays
    // there it is saved with the same values: per mille taken again from
    // whole pixels can come out one lower on a canvas under 1000 pixels.
    bool fromScene = false;
    int32_t scenePerMille[4] = {};
    QSize sceneCanvas;
    QRect sceneRect;
};

// The mappings, with canvas W x H and preview Ww x Wh. A zero size on either
// side gives the null rectangle: there is nothing to map onto.
namespace SceneCoords
{
// Per mille of the base size, rounded up: loading truncates, so the value
// that loads back to a canvas pixel is the smallest per mille reaching it,
// and a scene loaded and saved again keeps its numbers (truncating both ways
// moved every layer up and left a little on each save).
void CanvasToPerMille(const QRect& r, int baseW, int baseH, int32_t& x, int32_t& y, int32_t& w,
                      int32_t& h);
QRect PerMilleToCanvas(int32_t x, int32_t y, int32_t w, int32_t h, int W, int H);
QRect CanvasToWindow(const QRect& r, int W, int H, int Ww, int Wh);
QRect WindowToCanvas(const QRect& r, int W, int H, int Ww, int Wh);
// The largest rectangle of ratio sw/sh centred in r; r itself when the
// source size is not known (0 or negative), since no ratio can be taken.
QRect FitAspect(const QRect& r, int sw, int sh);
// Whether r already has the ratio sw/sh, up to what storing it in per mille
// of a W x H canvas can shift its sides (one step each): fitting it again
// would only shave pixels off. An empty r or an unknown source size fits.
bool FitsAspect(const QRect& r, int sw, int sh, int W, int H);
} // namespace SceneCoords
