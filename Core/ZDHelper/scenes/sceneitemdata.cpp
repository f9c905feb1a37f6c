#include "sceneitemdata.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

#include "stdafx.h"

namespace
{

// Process-wide numbers of the default names, one per kind, never reset.
int g_kindCounter[SCENE_KIND_COUNT] = {1, 1, 1, 1, 1};

// Toward zero; the mappings divide only by sizes above 0, so value is finite.
int TruncToInt(double value)
{
    return static_cast<int>(qBound(-2147483648.0, value, 2147483647.0));
}

} // namespace

QString SceneFieldText(const char* field, int size)
{
    const void* nul = std::memchr(field, 0, size_t(size));
    const int n = nul ? int(static_cast<const char*>(nul) - field) : size;
    return QString::fromLocal8Bit(field, n);
}

bool SceneSetFieldText(char* field, int size, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    if (bytes.size() >= size || bytes.contains('\0'))
        return false;
    std::memset(field, 0, size_t(size));
    std::memcpy(field, bytes.constData(), size_t(bytes.size()));
    return true;
}

SceneItemData::SceneItemData(QWidget* owner) : owner(owner) {}

SceneItemData::SceneItemData(QWidget* owner, const SceneItemData_Save& record) : owner(owner)
{
    int W = 0, H = 0, fps = 0;
    GetLiveBaseWidthHeightFps(W, H, fps);
    type = qFromLittleEndian(record.type);
    enabled = qFromLittleEndian(record.enabled) != 0;
    locked = qFromLittleEndian(record.locked) != 0;
    alpha = qFromLittleEndian(record.alpha);
    zOrder = qFromLittleEndian(record.zOrder);
    volume = qFromLittleEndian(record.volume);
    rect = SceneCoords::PerMilleToCanvas(qFromLittleEndian(record.x), qFromLittleEndian(record.y),
                                         qFromLittleEndian(record.w), qFromLittleEndian(record.h),
                                         W, H);
    keepAspect = qFromLittleEndian(record.keepAspect) != 0;
    sourceWidth = qFromLittleEndian(record.sourceWidth);
    sourceHeight = qFromLittleEndian(record.sourceHeight);
    uuid = SceneFieldText(record.uuid, sizeof record.uuid);
    name = SceneFieldText(record.name, sizeof record.name);
    std::memcpy(params, record.params, sizeof params);
    fromScene = true;
    scenePerMille[0] = qFromLittleEndian(record.x);
    scenePerMille[1] = qFromLittleEndian(record.y);
    scenePerMille[2] = qFromLittleEndian(record.w);
    scenePerMille[3] = qFromLittleEndian(record.h);
    sceneCanvas = QSize(W, H);
    sceneRect = rect;
}

SceneItemData::~SceneItemData() = default;

QString SceneItemData::NewKey(const QSet<QString>& usedKeys)
{
    int value = getTickCount() & 0x7FFF;
    // 32767 keys and far fewer layers: a free one is always found.
    for (int attempt = 0; attempt < 100000; ++attempt) {
        const QString key = QString::number(value);
        if (value != 0 && !usedKeys.contains(key))
            return key;
        value = int(QRandomGenerator::global()->bounded(1, 0x8000));
    }
    return QString::number(value);
}

void SceneItemData::InitDefaultData(int kind, const QSet<QString>& usedKeys)
{
    int W = 0, H = 0, fps = 0;
    GetLiveBaseWidthHeightFps(W, H, fps);
    uuid = NewKey(usedKeys);
    rect = QRect(QPoint(0, 0), QPoint(W / 2 - 1, H / 2 - 1));
    type = kind;
    alpha = 100;
    volume = 100;
    enabled = true;
    keepAspect = true;
    const int index = (kind >= 0 && kind < SCENE_KIND_COUNT) ? kind : 0;
    const int number = g_kindCounter[index]++;
    switch (kind) {
    case SCENE_KIND_CAMERA:
        name = QString("Camera-%1").arg(number);
        std::memset(params, 0, 1376);
        break;
    case SCENE_KIND_PICTURES:
        name = QString("Pictures-%1").arg(number);
        std::memset(params, 0, 1552);
        pictureParams()->delaySecs = 3;
        break;
    case SCENE_KIND_MOVIE:
        name = QString("Movie-%1").arg(number);
        std::memset(params, 0, 1560);
        break;
    case SCENE_KIND_AUDIO:
        name = QString("Audio-%1").arg(number);
        rect = QRect();
        std::memset(params, 0, 1284);
        break;
    case SCENE_KIND_TEXT:
        name = QString("Text-%1").arg(number);
        std::memset(params, 0, 336);
        textParams()->size = 96;
        std::strcpy(textParams()->font, "Tahoma");
        break;
    default:
        break;
    }
}

void SceneItemData::GetSaveData(SceneItemData_Save* record, int baseWidth, int baseHeight) const
{
    if (baseWidth == 0 || baseHeight == 0) {
        int fps = 0;
        GetLiveBaseWidthHeightFps(baseWidth, baseHeight, fps);
    }
    std::memset(record, 0, sizeof *record);
    int32_t x = 0, y = 0, w = 0, h = 0;
    if (fromScene && rect == sceneRect && sceneCanvas == QSize(baseWidth, baseHeight)) {
        x = scenePerMille[0];
        y = scenePerMille[1];
        w = scenePerMille[2];
        h = scenePerMille[3];
    } else {
        SceneCoords::CanvasToPerMille(rect, baseWidth, baseHeight, x, y, w, h);
    }
    record->type = qToLittleEndian<int32_t>(type);
    record->enabled = qToLittleEndian<int32_t>(enabled ? 1 : 0);
    record->locked = qToLittleEndian<int32_t>(locked ? 1 : 0);
    record->alpha = qToLittleEndian<int32_t>(alpha);
    record->zOrder = qToLittleEndian<int32_t>(zOrder);
    record->volume = qToLittleEndian<int32_t>(volume);
    record->x = qToLittleEndian(x);
    record->y = qToLittleEndian(y);
    record->w = qToLittleEndian(w);
    record->h = qToLittleEndian(h);
    record->keepAspect = qToLittleEndian<int32_t>(keepAspect ? 1 : 0);
    record->sourceWidth = qToLittleEndian<int32_t>(sourceWidth);
    record->sourceHeight = qToLittleEndian<int32_t>(sourceHeight);
    // A text too long for its field leaves the field zeroed.
    SceneSetFieldText(record->uuid, sizeof record->uuid, uuid);
    SceneSetFieldText(record->name, sizeof record->name, name);
    std::memcpy(record->params, params, sizeof params);
}

QString SceneItemData::getCapturerName() const
{
    if (type != SCENE_KIND_CAMERA && type != SCENE_KIND_AUDIO)
        return QString();
    return SceneFieldText(reinterpret_cast<const char*>(params), 256);
}

void SceneItemData::UpdatePip()
{
    std::memset(&pip, 0, sizeof pip);
    pip.x = rect.left();
    pip.y = rect.top();
    pip.width = rect.right() - rect.left() + 1;
    pip.height = rect.bottom() - rect.top() + 1;
    pip.alpha = alpha;
    pip.enabled = enabled ? 1 : 0;
    pip.z = zOrder;
    pip.owner = uint64_t(reinterpret_cast<uintptr_t>(owner));
    pip.volume = volume;
    std::memcpy(pip.kindBlock, params, sizeof params);
}

QString SceneItemData::listFilePath() const
{
    if (type != SCENE_KIND_MOVIE && type != SCENE_KIND_PICTURES)
        return QString();
    return SceneFieldText(reinterpret_cast<const char*>(params) + SCENE_LIST_PATH_OFFSET,
                          SCENE_LIST_PATH_BYTES);
}

bool SceneItemData::setListFilePath(const QString& path)
{
    return SceneSetFieldText(reinterpret_cast<char*>(params) + SCENE_LIST_PATH_OFFSET,
                             SCENE_LIST_PATH_BYTES, path);
}

// ---- Mappings ----------------------------------------------------------------

void SceneCoords::CanvasToPerMille(const QRect& r, int baseW, int baseH, int32_t& x, int32_t& y,
                                   int32_t& w, int32_t& h)
{
    if (baseW <= 0 || baseH <= 0) {
        x = y = w = h = 0;
        return;
    }
    const int64_t width = int64_t(r.right()) - r.left() + 1;
    const int64_t height = int64_t(r.bottom()) - r.top() + 1;
    auto perMille = [](int64_t pixels, int64_t base) {
        const int64_t scaled = pixels * 1000;
        // Toward positive infinity; a negative value (a layer partly off the
        // canvas) rounds the same way.
        return int32_t(scaled >= 0 ? (scaled + base - 1) / base : scaled / base);
    };
    x = perMille(r.left(), baseW);
    y = perMille(r.top(), baseH);
    w = perMille(width, baseW);
    h = perMille(height, baseH);
}

QRect SceneCoords::PerMilleToCanvas(int32_t x, int32_t y, int32_t w, int32_t h, int W, int H)
{
    const int left = int(int64_t(x) * W / 1000);
    const int top = int(int64_t(y) * H / 1000);
    const int right = left + int(int64_t(w) * W / 1000) - 1;
    const int bottom = top + int(int64_t(h) * H / 1000) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect SceneCoords::CanvasToWindow(const QRect& r, int W, int H, int Ww, int Wh)
{
    if (W <= 0 || H <= 0 || Ww <= 0 || Wh <= 0)
        return QRect();
    const double width = double(r.right()) - r.left() + 1;
    const double height = double(r.bottom()) - r.top() + 1;
    const int left = TruncToInt(r.left() / double(W) * Ww);
    const int top = TruncToInt(r.top() / double(H) * Wh);
    const int right = TruncToInt((r.left() + width) / W * Ww) - 1;
    const int bottom = TruncToInt((r.top() + height) / H * Wh) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect SceneCoords::WindowToCanvas(const QRect& r, int W, int H, int Ww, int Wh)
{
    if (W <= 0 || H <= 0 || Ww <= 0 || Wh <= 0)
        return QRect();
    const double width = double(r.right()) - r.left() + 1;
    const double height = double(r.bottom()) - r.top() + 1;
    const int left = TruncToInt(r.left() / double(Ww) * W);
    const int top = TruncToInt(r.top() / double(Wh) * H);
    const int right = left + TruncToInt(width / Ww * W) - 1;
    const int bottom = top + TruncToInt(height / Wh * H) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect SceneCoords::FitAspect(const QRect& r, int sw, int sh)
{
    if (sw <= 0 || sh <= 0)
        return r;
    return GetNewRectByAspecrate(r, double(sw) / double(sh));
}

bool SceneCoords::FitsAspect(const QRect& r, int sw, int sh, int W, int H)
{
    if (r.isEmpty() || sw <= 0 || sh <= 0)
        return true;
    // One per-mille step of the canvas, rounded up, on each side; an error
    // in the height of a wide source moves its width by the ratio as much.
    const int64_t slackX = qMax(W, 0) / 1000 + 1;
    const int64_t slackY = qMax(H, 0) / 1000 + 1;
    const int64_t off = int64_t(r.width()) * sh - int64_t(r.height()) * sw;
    return qAbs(off) <= slackX * sh + slackY * sw;
}
