#include "qmylivesensebar.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qdrawaudiolabel.h"
#include "qmyfilterhelper.h"
#include "qmylistitem2.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qmyrubberband.h"
#include "qscenecamerasetup.h"
#include "qscenemoviesetup.h"
#include "qscenepicturesetup.h"
#include "qscenetextsetup.h"
#include "scenefile.h"
#include "sceneitemdata.h"
#include "scenelistfile.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "zdhelpergui.h"

namespace
{

QMyLiveSenseBar::EditorRunner g_editorRunner;

const char* const kScrollStyle =
    "QScrollBar:vertical{width:12px;background:transparent;margin:0px;}"
    "QScrollBar::handle:vertical{border-image:url(:/images/res/scroll/sv-2.png);min-height:20px;}"
    "QScrollBar::handle:vertical:hover{border-image:url(:/images/res/scroll/sv-3.png);}"
    "QScrollBar::sub-line:vertical{height:0px;border-image:url(:/images/res/scroll/sv-1.png);}"
    "QScrollBar::add-line:vertical{height:0px;border-image:url(:/images/res/scroll/sv-4.png);}"
    "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:transparent;}";

QByteArray KeyBytes(const SceneItemData* layer)
{
    return layer->uuid.toLocal8Bit();
}

QString ListFileExtension(int kind)
{
    return kind == SCENE_KIND_MOVIE ? QStringLiteral(".movie-list")
                                    : QStringLiteral(".picture-list");
}

// A list file of the application's own, to delete or copy: only inside the
// CacheData folder.
bool IsOwnListFile(const QString& path)
{
    const QString cache = CPublic::GetCacheDataPath() + QLatin1Char('/');
    return !path.isEmpty() && path.startsWith(cache) && QDir::cleanPath(path) == path;
}

// A copy of a layer's list file under a new name in CacheData, so that a
// saved scene and the working scene never share one. The old path when there
// is nothing to copy; empty when the copy failed.
QString CopyListFile(const QString& path, int kind)
{
    if (!IsOwnListFile(path) || !QFileInfo(path).isFile())
        return path;
    QByteArray bytes;
    if (!SceneFile::ReadBytes(path, bytes, SceneListFile::kMaxFileBytes))
        return QString();
    const QString target = SceneListFile::NewPath(ListFileExtension(kind));
    if (!SceneFile::WriteWhole(target, bytes))
        return QString();
    return target;
}

QString RecordListPath(const SceneItemData_Save& record)
{
    return SceneFieldText(reinterpret_cast<const char*>(record.params) + SCENE_LIST_PATH_OFFSET,
                          SCENE_LIST_PATH_BYTES);
}

} // namespace

void QMyLiveSenseBar::setEditorRunner(EditorRunner runner)
{
    g_editorRunner = std::move(runner);
}

QMyLiveSenseBar::QMyLiveSenseBar(QWidget* parent) : QWidget(parent)
{
    list = new QListWidget(this);
    list->setStyleSheet("QListWidget{border: 0px;background:transparent;}");
    list->verticalScrollBar()->setStyleSheet(CPublic::scale_qss(kScrollStyle));
    QPalette pal = list->palette();
    pal.setColor(QPalette::Highlight, QColor("#2d2d2d"));
    list->setPalette(pal);
    frame = new QMyRubberBand(this);
    frame->previewHost = AfxGetPlayWindow();
    connect(list, &QListWidget::currentItemChanged, this, &QMyLiveSenseBar::onItemChanged);
    connect(frame, &QMyRubberBand::rectChanged, this, &QMyLiveSenseBar::rectChanged);
    connect(frame, &QMyRubberBand::rectChanging, this, &QMyLiveSenseBar::rectChanging);
    connect(frame, &QMyRubberBand::menuClicked, this, &QMyLiveSenseBar::menuClicked);
}

QMyLiveSenseBar::~QMyLiveSenseBar()
{
    // The engine's overlays stay: the engine is closed with the program.
    qDeleteAll(layers);
    layers.clear();
}

void QMyLiveSenseBar::setPreviewHost(QWidget* host)
{
    frame->previewHost = host;
}

int QMyLiveSenseBar::rowCount() const
{
    return list->count();
}

QMyListItem2* QMyLiveSenseBar::rowAt(int row) const
{
    return qobject_cast<QMyListItem2*>(list->itemWidget(list->item(row)));
}

SceneItemData* QMyLiveSenseBar::layerAt(int row) const
{
    QMyListItem2* r = rowAt(row);
    return r ? r->layer : nullptr;
}

QSet<QString> QMyLiveSenseBar::usedKeys() const
{
    QSet<QString> keys;
    for (const SceneItemData* layer : layers)
        keys.insert(layer->uuid);
    return keys;
}

void QMyLiveSenseBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(51, 55, 65));
}

void QMyLiveSenseBar::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    list->setGeometry(rect());
}

void QMyLiveSenseBar::ScreenResizeEvent(QResizeEvent*)
{
    HideFrame();
}

void QMyLiveSenseBar::HideFrame()
{
    frame->hide();
    frame->object = nullptr;
    frameKey.clear();
}

QMyListItem2* QMyLiveSenseBar::frameRow() const
{
    auto* row = qobject_cast<QMyListItem2*>(frame->object.data());
    if (!row || !row->layer || frameKey.isEmpty() || row->layer->uuid != frameKey)
        return nullptr;
    return row;
}

// ---- Engine calls ----------------------------------------------------------------

void QMyLiveSenseBar::sendEdit(SceneItemData* layer, int mask)
{
    layer->UpdatePip();
    ZD_EditOverlayDeviceCfg(g_Global.hCore, KeyBytes(layer).constData(), mask, &layer->pip);
}

void QMyLiveSenseBar::applyStoredFilters(SceneItemData* layer)
{
    if (!g_Global.pFilterStore)
        return;
    QMyFilters* chain = g_Global.pFilterStore->getDeviceFilters(layer->uuid);
    if (!chain)
        return;
    chain->setPipDevName(layer->uuid);
    chain->loadDeviceFilters();
    chain->ApplyAllFilters();
}

// ---- Adding ------------------------------------------------------------------------

void QMyLiveSenseBar::ShowMenu(QPoint globalPos)
{
    QMenu menu(this);
    QMyRubberBand::FillMenu(menu, {{19031, "Video capture device", SCENE_KIND_CAMERA},
                                   {19032, "Audio capture device", SCENE_KIND_AUDIO},
                                   {19033, "Movie", SCENE_KIND_MOVIE},
                                   {19034, "Pictures", SCENE_KIND_PICTURES},
                                   {19035, "Text", SCENE_KIND_TEXT}});
    connect(&menu, &QMenu::triggered, this, &QMyLiveSenseBar::onMenuClick);
    menu.exec(globalPos);
}

void QMyLiveSenseBar::onMenuClick(QAction* action)
{
    if (action)
        AddItem(action->data().toInt());
}

int QMyLiveSenseBar::runEditor(QDialog* editor, SceneItemData* layer)
{
    if (g_editorRunner)
        return g_editorRunner(editor, layer);
    return editor->exec();
}

int QMyLiveSenseBar::editLayer(SceneItemData* layer, bool adding)
{
    switch (layer->type) {
    case SCENE_KIND_CAMERA:
    case SCENE_KIND_AUDIO: {
        QSceneCameraSetup dlg(this, adding);
        dlg.InitAll(layer->type == SCENE_KIND_AUDIO, layer);
        return runEditor(&dlg, layer);
    }
    case SCENE_KIND_PICTURES: {
        QScenePictureSetup dlg(this);
        dlg.InitValue(layer, !adding);
        return runEditor(&dlg, layer);
    }
    case SCENE_KIND_MOVIE: {
        QSceneMovieSetup dlg(this);
        dlg.InitValue(layer, !adding);
        return runEditor(&dlg, layer);
    }
    case SCENE_KIND_TEXT: {
        QSceneTextSetup dlg(this);
        dlg.InitValue(layer, !adding);
        return runEditor(&dlg, layer);
    }
    default:
        return -1;
    }
}

void QMyLiveSenseBar::AddItem(int kind)
{
    if (kind < 0 || kind >= SCENE_KIND_COUNT)
        return;
    auto* layer = new SceneItemData(this);
    layer->InitDefaultData(kind, usedKeys());
    if (editLayer(layer, true) != QDialog::Accepted) {
        delete layer;
        return;
    }
    AddItemInter(layer);
    SendMessage(AfxGetMainWindow(), MSG_NO_DEVICE_PICTURE, 0, 0, nullptr);
}

void QMyLiveSenseBar::refreshRow(QMyListItem2* row)
{
    if (!row || !row->layer)
        return;
    if (row->layer->enabled)
        row->nameLabel->level = 0;
    row->btnLock->setCurState(row->layer->locked ? 0 : 1);
    row->btnEnable->setCurState(row->layer->enabled ? 0 : 1);
    row->updateall();
}

void QMyLiveSenseBar::AddItemInter(SceneItemData* layer)
{
    if (baseWidth == 0 && baseHeight == 0) {
        int fps = 0;
        GetLiveBaseWidthHeightFps(baseWidth, baseHeight, fps);
    }
    layer->owner = this;
    layers.append(layer);
    auto* item = new QListWidgetItem();
    auto* row = new QMyListItem2(list, item, this);
    row->layer = layer;
    item->setSizeHint(QSize(item->sizeHint().width(), int(25 * g_dpi_percent)));
    refreshRow(row);
    item->setData(Qt::UserRole, QVariant::fromValue<void*>(row));
    list->addItem(item);
    list->setItemWidget(item, row);
    layer->UpdatePip();
    if (ZD_AddOverlayDevice(g_Global.hCore, KeyBytes(layer).constData(), layer->type,
                            &layer->pip) != 1)
        AfxMessageBox(this, getLang(22000, "Add overlay device failed."), MSGBOX_ERROR);
    updateItemsIdx();
    applyStoredFilters(layer);
    list->setCurrentItem(item);
}

void QMyLiveSenseBar::updateItemsIdx()
{
    const int n = list->count();
    for (int i = 0; i < n; ++i) {
        QMyListItem2* row = rowAt(i);
        if (!row || !row->layer)
            continue;
        row->setIndex(i, n);
        sendEdit(row->layer, SCENE_MASK_ZORDER);
    }
}

void QMyLiveSenseBar::RemoveAllDevices()
{
    HideFrame();
    for (int i = list->count() - 1; i >= 0; --i) {
        QListWidgetItem* item = list->item(i);
        QMyListItem2* row = rowAt(i);
        if (row && row->layer)
            ZD_DeleteOverlayDevice(g_Global.hCore, KeyBytes(row->layer).constData());
        list->removeItemWidget(item);
        delete list->takeItem(i);
        delete row;
    }
    qDeleteAll(layers);
    layers.clear();
    keptRecords.clear();
    baseWidth = 0;
    baseHeight = 0;
}

void QMyLiveSenseBar::CloseAll()
{
    RemoveAllDevices();
}

bool QMyLiveSenseBar::AddDefaultCamera()
{
    int W = 0, H = 0, fps = 0;
    GetLiveBaseWidthHeightFps(W, H, fps);
    auto* layer = new SceneItemData(this);
    layer->InitDefaultData(SCENE_KIND_CAMERA, usedKeys());
    layer->rect = QRect(QPoint(0, 0), QPoint(W - 1, H - 1));
    layer->sourceWidth = -1;
    QList<DEV_NAME> devices(ZD_MAX_DEVICES);
    int count = ZD_MAX_DEVICES;
    if (ZD_GetCaptureDevices(g_Global.hCore, devices.data(), &count, g_Global.ignoreVD) != 1)
        count = 0;
    count = qBound(0, count, int(ZD_MAX_DEVICES));
    SCENE_DEVICE_PARAMS* p = layer->deviceParams();
    p->autoAudio = 1;
    const DEV_NAME* chosen = nullptr;
    for (int i = 0; i < count; ++i) {
        if (devices[i].kind != ZD_DEVICE_KIND_AUDIO && QSceneCameraSetup::IsMyDevice(&devices[i])) {
            chosen = &devices[i];
            break;
        }
    }
    if (!chosen) {
        delete layer;
        return false;
    }
    std::memcpy(&p->device, chosen, sizeof p->device);
    std::memset(&p->format, 0, sizeof p->format);
    if (QSceneCameraSetup::IsIt4k30Dev(chosen)) {
        p->format.width = 1920;
        p->format.height = 1080;
        p->format.fps = 60;
        p->format.fourcc = 0x32595559; // 'YUY2'
    }
    AddItemInter(layer);
    // The canvas has a source now: the no-camera picture goes, as after an
    // added layer.
    SendMessage(AfxGetMainWindow(), MSG_NO_DEVICE_PICTURE, 0, 0, nullptr);
    return true;
}

// ---- Row actions -----------------------------------------------------------------

void QMyLiveSenseBar::OnItemButtons(int code, QMyListItem2* row)
{
    if (!row || !row->layer)
        return;
    SceneItemData* layer = row->layer;
    const int index = list->row(row->listItem);
    switch (code) {
    case 1: {
        const int kind = layer->type;
        const int result = editLayer(layer, false);
        if (kind == SCENE_KIND_CAMERA || kind == SCENE_KIND_AUDIO) {
            if (result == QDialog::Accepted)
                row->updateall();
            else
                applyStoredFilters(layer);
        } else if (kind == SCENE_KIND_PICTURES || kind == SCENE_KIND_TEXT) {
            row->updateall();
        } else if (kind == SCENE_KIND_MOVIE && result == QDialog::Accepted) {
            row->updateall();
        }
        break;
    }
    case 2: {
        const QString question = getLang(22001, "Are you sure to delete #v1# ?", layer->name);
        if (AfxMessageBoxQuestion(this, question, getLang(3, "Yes"), getLang(4, "No")) != 1)
            return;
        if (frameRow() == row || frame->object == row)
            HideFrame();
        QListWidgetItem* item = row->listItem;
        list->removeItemWidget(item);
        delete list->takeItem(list->row(item));
        delete row;
        ZD_DeleteOverlayDevice(g_Global.hCore, KeyBytes(layer).constData());
        if (layer->type == SCENE_KIND_MOVIE || layer->type == SCENE_KIND_PICTURES) {
            const QString path = layer->listFilePath();
            if (IsOwnListFile(path) && IsFileExisted(path))
                DelFile(path);
        }
        layers.removeOne(layer);
        delete layer;
        updateItemsIdx();
        break;
    }
    case 3:
    case 4: {
        const int other = code == 3 ? index - 1 : index + 1;
        if (other < 0 || other >= list->count()) {
            updateItemsIdx();
            break;
        }
        // The frame stands for a layer, and the layers are about to change
        // rows under it.
        HideFrame();
        QMyListItem2* otherRow = rowAt(other);
        std::swap(row->layer, otherRow->layer);
        refreshRow(row);
        refreshRow(otherRow);
        list->setCurrentItem(otherRow->listItem);
        updateItemsIdx();
        break;
    }
    case 5:
        AfxMessageBox(this, row->errorText, MSGBOX_ERROR);
        break;
    case 6:
        layer->enabled = !layer->enabled;
        sendEdit(layer, SCENE_MASK_ENABLE);
        if (!layer->enabled && frameRow() == row)
            HideFrame();
        break;
    case 7:
        layer->locked = !layer->locked;
        if (!layer->locked) {
            FocusItem(row);
            refreshRow(row);
        } else {
            HideFrame();
            refreshRow(row);
        }
        break;
    default:
        break;
    }
}

void QMyLiveSenseBar::onItemChanged(QListWidgetItem* current, QListWidgetItem* previous)
{
    if (auto* row = qobject_cast<QMyListItem2*>(list->itemWidget(current))) {
        row->selected = true;
        row->updateall();
        row->update();
    }
    if (auto* row = qobject_cast<QMyListItem2*>(list->itemWidget(previous))) {
        row->selected = false;
        row->updateall();
        row->update();
    }
}

// ---- Preview and frame -------------------------------------------------------------

QRect QMyLiveSenseBar::GetPlayerWndGlobalGeometry() const
{
    QWidget* host = frame->previewHost;
    if (!host)
        return QRect();
    QRect r(host->mapToGlobal(QPoint(0, 0)), host->size());
    if (g_Global.keepAspect) {
        const double ratio =
            g_Global.devHeight < 1 ? 1.0 : double(g_Global.devWidth) / double(g_Global.devHeight);
        r = GetNewRectByAspecrate(r, ratio > 0 ? ratio : 1.0);
    }
    return r;
}

QRect QMyLiveSenseBar::TranslateRectToWnd(const QRect& canvas) const
{
    int W = 0, H = 0, fps = 0;
    GetLiveBaseWidthHeightFps(W, H, fps);
    const QRect view = GetPlayerWndGlobalGeometry();
    return SceneCoords::CanvasToWindow(canvas, W, H, view.width(), view.height());
}

QRect QMyLiveSenseBar::TranslateRectToPicture(const QRect& window) const
{
    int W = 0, H = 0, fps = 0;
    GetLiveBaseWidthHeightFps(W, H, fps);
    const QRect view = GetPlayerWndGlobalGeometry();
    return SceneCoords::WindowToCanvas(window, W, H, view.width(), view.height());
}

bool QMyLiveSenseBar::FocusItem(QMyListItem2* row)
{
    if (!row || !row->layer)
        return false;
    SceneItemData* layer = row->layer;
    if (layer->locked || !layer->enabled || g_Global.isFullScreen)
        return false;
    const QRect mapped = TranslateRectToWnd(layer->rect);
    const QRect view = GetPlayerWndGlobalGeometry();
    if (view.isEmpty())
        return false;
    frame->object = row;
    frameKey = layer->uuid;
    // The frame is a window of its own: when the window holding the preview
    // moves, it would stay behind, away from its layer.
    if (QWidget* host = frame->previewHost)
        host->window()->installEventFilter(this);
    frame->limit = view;
    frame->setGeometryFromLocal(mapped);
    if (layer->sourceWidth > 0 && layer->sourceHeight > 0)
        frame->setKeepaspect(layer->keepAspect, layer->sourceWidth, layer->sourceHeight);
    else
        frame->keepAspect = 0; // no ratio to keep until the source reports its size
    frame->show();
    frame->raise();
    return true;
}

bool QMyLiveSenseBar::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Move && frame->isVisible() && frame->previewHost &&
        watched == frame->previewHost->window())
        HideFrame();
    return QWidget::eventFilter(watched, e);
}

QMyListItem2* QMyLiveSenseBar::getObjectByUUID(const QString& key) const
{
    for (int i = 0; i < list->count(); ++i) {
        QMyListItem2* row = rowAt(i);
        if (row && row->layer && row->layer->uuid == key)
            return row;
    }
    return nullptr;
}

QMyListItem2* QMyLiveSenseBar::getObjectByLocaPointer(const QPoint& local) const
{
    for (int i = list->count() - 1; i >= 0; --i) {
        QMyListItem2* row = rowAt(i);
        if (!row || !row->layer || row->layer->locked || !row->layer->enabled)
            continue;
        const QRect r = TranslateRectToWnd(row->layer->rect);
        if (r.isNull())
            continue;
        const QRect grown(QPoint(r.left() - 5, r.top() - 5), QPoint(r.right() + 5, r.bottom() + 5));
        if (grown.contains(local))
            return row;
    }
    return nullptr;
}

bool QMyLiveSenseBar::mainActive() const
{
    // The frame over the preview is part of the main window's work.
    QWidget* main = AfxGetMainWindow();
    return main && (main->isActiveWindow() || QApplication::activeWindow() == frame);
}

bool QMyLiveSenseBar::IsCanShowContextMenu()
{
    const QRect view = GetPlayerWndGlobalGeometry();
    const QPoint cursor = QCursor::pos();
    if (!view.contains(cursor) || !mainActive())
        return false;
    return getObjectByLocaPointer(cursor - view.topLeft()) == nullptr;
}

void QMyLiveSenseBar::rectChanging(QObject* object, QRect rect)
{
    auto* row = qobject_cast<QMyListItem2*>(object);
    if (!row || row != frameRow())
        return;
    const QRect view = GetPlayerWndGlobalGeometry();
    const QRect inside(QPoint(0, 0), QPoint(view.width() - 1, view.height() - 1));
    if (!inside.contains(rect))
        return;
    SceneItemData* layer = row->layer;
    layer->rect = TranslateRectToPicture(rect);
    dbg("rectChanging: obj_pict_rc=%s, obj_wnd_rc=%s\n",
        RECT2STR(layer->rect).toLatin1().constData(), RECT2STR(rect).toLatin1().constData());
    sendEdit(layer, SCENE_MASK_RECT);
}

void QMyLiveSenseBar::rectChanged(QObject*, QRect) {}

void QMyLiveSenseBar::menuClicked(QObject* object, int id)
{
    auto* row = qobject_cast<QMyListItem2*>(object);
    if (!row || row != frameRow())
        return;
    SceneItemData* layer = row->layer;
    switch (id) {
    case 1:
        OnItemButtons(7, row);
        break;
    case 2: {
        const QRect view = GetPlayerWndGlobalGeometry();
        QRect r(QPoint(0, 0), QPoint(view.width() - 1, view.height() - 1));
        if (layer->keepAspect)
            r = SceneCoords::FitAspect(r, layer->sourceWidth, layer->sourceHeight);
        rectChanging(row, r);
        FocusItem(row);
        break;
    }
    case 3:
        OnItemButtons(1, row);
        break;
    case 4:
        OnItemButtons(2, row);
        break;
    case 5:
        layer->keepAspect = !layer->keepAspect;
        frame->setKeepaspect(layer->keepAspect, layer->sourceWidth, layer->sourceHeight);
        break;
    default:
        break;
    }
}

// ---- Scene files ---------------------------------------------------------------------

bool QMyLiveSenseBar::SaveSenseFile(QString name)
{
    const QString sceneName = name.isEmpty() ? QStringLiteral("default") : name;
    const QString path = SceneFile::PathOf(sceneName);
    if (path.isEmpty())
        return false;
    const bool named = sceneName != QLatin1String("default");
    SCENE_FILE_HEADER header = {SceneFile::kMagic, g_Global.liveBaseWidth, g_Global.liveBaseHeight,
                                g_Global.liveBaseFps, 0};
    QList<SceneItemData_Save> records;
    QList<bool> fromRows;
    QStringList copies;
    bool ok = true;
    for (int i = 0; i < list->count() && ok; ++i) {
        SceneItemData* layer = layerAt(i);
        if (!layer)
            continue;
        SceneItemData_Save record;
        layer->GetSaveData(&record, baseWidth, baseHeight);
        const QString listPath = layer->listFilePath();
        if (named && !listPath.isEmpty()) {
            const QString copy = CopyListFile(listPath, layer->type);
            if (copy.isEmpty()) {
                ok = false;
                break;
            }
            if (copy != listPath)
                copies << copy;
            SceneSetFieldText(reinterpret_cast<char*>(record.params) + SCENE_LIST_PATH_OFFSET,
                              SCENE_LIST_PATH_BYTES, copy);
        }
        records.append(record);
        fromRows.append(true);
    }
    // The records this program could not show go back where they were, as
    // they were.
    for (const SceneFile::SkippedRecord& kept : std::as_const(keptRecords)) {
        const qsizetype at = qMin(qsizetype(kept.index), records.size());
        records.insert(at, kept.record);
        fromRows.insert(at, false);
    }
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (fromRows[i])
            records[i].zOrder = qToLittleEndian<int32_t>(int32_t(i));
    }
    if (ok)
        ok = SceneFile::Write(path, header, records);
    if (!ok) {
        for (const QString& copy : copies)
            DelFile(copy);
        return false;
    }
    RemoveUnusedListFiles();
    return true;
}

void QMyLiveSenseBar::RemoveUnusedListFiles()
{
    const QString cache = CPublic::GetCacheDataPath();
    const QStringList names =
        QDir(cache).entryList({QStringLiteral("*.movie-list"), QStringLiteral("*.picture-list")},
                              QDir::Files | QDir::Hidden);
    if (names.isEmpty())
        return;
    QSet<QString> inUse;
    for (const SceneItemData* layer : std::as_const(layers))
        inUse.insert(layer->listFilePath());
    for (const SceneFile::SkippedRecord& kept : std::as_const(keptRecords))
        inUse.insert(RecordListPath(kept.record));
    QStringList unused;
    for (const QString& listName : names) {
        const QString path = cache + QLatin1Char('/') + listName;
        if (!inUse.contains(path) && IsOwnListFile(path))
            unused << path;
    }
    // The scene files are read only when a list may go (the usual save
    // leaves none). Every file of the scene folder counts, damaged ones and
    // records this program cannot read included, by its bytes: a list is
    // deleted only when nothing could name it.
    const QString sceneFolder = CPublic::GetSceneDataPath();
    const QStringList scenes = QDir(sceneFolder).entryList(QDir::Files | QDir::Hidden);
    for (auto scene = scenes.cbegin(); scene != scenes.cend() && !unused.isEmpty(); ++scene) {
        QByteArray bytes;
        if (!SceneFile::ReadBytes(sceneFolder + QLatin1Char('/') + *scene, bytes))
            return;
        unused.removeIf([&](const QString& path) { return bytes.contains(path.toLocal8Bit()); });
    }
    for (const QString& path : std::as_const(unused))
        DelFile(path);
}

bool QMyLiveSenseBar::LoadSenseFile_subdevices(QString name)
{
    AddLog(2, "Load sub live device");
    const QString sceneName = name.isEmpty() ? QStringLiteral("default") : name;
    const QString path = SceneFile::PathOf(sceneName);
    SCENE_FILE_HEADER header;
    QList<SceneItemData_Save> records;
    QList<SceneFile::SkippedRecord> skipped;
    if (path.isEmpty() || !SceneFile::Read(path, header, records, nullptr, &skipped))
        return false;
    RemoveAllDevices();
    keptRecords = skipped;
    const bool named = sceneName != QLatin1String("default");
    for (const SceneItemData_Save& record : records) {
        auto* layer = new SceneItemData(this, record);
        // Two records with one key would share one engine source.
        if (getObjectByUUID(layer->uuid) || layer->uuid == QLatin1String("0"))
            layer->uuid = SceneItemData::NewKey(usedKeys());
        // The working scene gets its own list files, so that deleting one of
        // its layers leaves the saved scene whole.
        if (named && !layer->listFilePath().isEmpty()) {
            const QString copy = CopyListFile(layer->listFilePath(), layer->type);
            if (!copy.isEmpty())
                layer->setListFilePath(copy);
        }
        AddItemInter(layer);
    }
    if (header.count != 0)
        SendMessage(AfxGetMainWindow(), MSG_NO_DEVICE_PICTURE, 0, 0, nullptr);
    RemoveUnusedListFiles();
    tellSkippedLayers(sceneName);
    return true;
}

void QMyLiveSenseBar::tellSkippedLayers(const QString& sceneName)
{
    QStringList names;
    for (const SceneFile::SkippedRecord& kept : std::as_const(keptRecords)) {
        const QByteArray bytes(reinterpret_cast<const char*>(&kept.record), sizeof kept.record);
        if (toldRecords.contains(bytes))
            continue;
        toldRecords.insert(bytes);
        const QString layerName = SceneFieldText(kept.record.name, sizeof kept.record.name);
        names << (layerName.isEmpty() ? QStringLiteral("#%1").arg(kept.index + 1) : layerName);
    }
    if (names.isEmpty())
        return;
    AddLog(2, QStringLiteral("Scene %1: layers kept but not shown: %2")
                  .arg(sceneName, names.join(QStringLiteral(", "))));
    AfxMessageBox(this,
                  getLang(22019,
                          "These layers could not be shown; they are kept as they were saved: "
                          "#v1#",
                          names.join(QStringLiteral(", "))),
                  MSGBOX_NOTICE);
}

// ---- Engine reports --------------------------------------------------------------

bool QMyLiveSenseBar::event(QEvent* e)
{
    if (e->type() != MyEvent::EventType)
        return QWidget::event(e);
    auto* m = static_cast<MyEvent*>(e);
    switch (m->msg) {
    case MSG_DEVICE_OPENED:
    case MSG_PREVIEW_FAILED:
    case MSG_OVERLAY_FILE_ERROR:
    case MSG_OVERLAY_FILE_INDEX:
    case MSG_OVERLAY_OPEN_RESULT:
    case MSG_OVERLAY_AUDIO_LEVEL:
        if (!handleLayerMessage(m->msg, long(m->wParam), m->lParam))
            return false;
        break;
    case MSG_DEVICE_CHANGED:
        handleDeviceChanged(long(m->wParam), m->ptr);
        break;
    case MSG_PREVIEW_ERROR_CODE: {
        if (m->lParam != 6) {
            const char* text = ZD_GetUERRString(int(m->lParam));
            const QString message = getLang(22017, "Start preview failed. (#v1#)",
                                            text ? QString::fromUtf8(text) : QString());
            AfxMessageBox(this, message, MSGBOX_NOTICE);
        }
        break;
    }
    case MSG_MOUSE_LEFT_DOWN:
        handleLeftDown();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

bool QMyLiveSenseBar::handleLayerMessage(unsigned long msg, long wParam, long long lParam)
{
    const QString key = QString::number(quint32(wParam & 0xFFFFFFFF));
    QMyListItem2* row = getObjectByUUID(key);
    if (!row)
        return false;
    SceneItemData* layer = row->layer;
    switch (msg) {
    case MSG_DEVICE_OPENED: {
        const int w = int((quint64(lParam) >> 16) & 0xFFFF);
        const int h = int(quint64(lParam) & 0xFFFF);
        int W = 0, H = 0, fps = 0;
        GetLiveBaseWidthHeightFps(W, H, fps);
        // A layer a scene file placed stays where it was saved, whether or
        // not its size had been reported before the save.
        if (w != 0 && h != 0 && layer->sourceWidth == 0 && !layer->fromScene) {
            layer->rect =
                SceneCoords::FitAspect(QRect(QPoint(0, 0), QPoint(W / 2 - 1, H / 2 - 1)), w, h);
            sendEdit(layer, SCENE_MASK_RECT);
        } else if (layer->keepAspect && w != 0 && h != 0 &&
                   (w != layer->sourceWidth || h != layer->sourceHeight) &&
                   !SceneCoords::FitsAspect(layer->rect, w, h, W, H)) {
            // A source back at the size it had stays as the user left it,
            // and a rectangle that has the ratio already (a loaded scene
            // saved before its size came) is left alone: fitting the
            // whole-pixel rectangle again would shave pixels off at each
            // start.
            layer->rect = SceneCoords::FitAspect(layer->rect, w, h);
            sendEdit(layer, SCENE_MASK_RECT);
        }
        layer->sourceWidth = w;
        layer->sourceHeight = h;
        break;
    }
    case MSG_PREVIEW_FAILED: {
        QString text;
        if (lParam == 1)
            text = getLang(13007, "Start preview failed.(Maybe the device is using).");
        else if (lParam == 2)
            text = getLang(13008, "Create crossbar filter failed.(Maybe the device is using, "
                                  "please restart PC an try again).");
        if (!text.isEmpty()) {
            AfxMessageBox(this, layer->name + "\n" + text, MSGBOX_NOTICE);
            row->SetError(text);
        } else if (lParam == 4) {
            AfxMessageBox(this, getLang(13011, "Invalid device."), MSGBOX_NOTICE);
        }
        break;
    }
    case MSG_OVERLAY_FILE_ERROR:
    case MSG_OVERLAY_FILE_INDEX:
        // Only movie and picture layers play files and carry these fields.
        if (layer->type != SCENE_KIND_MOVIE && layer->type != SCENE_KIND_PICTURES)
            break;
        if (msg == MSG_OVERLAY_FILE_INDEX) {
            if (layer->type == SCENE_KIND_MOVIE)
                layer->movieParams()->currentIndex = int32_t(lParam);
            break;
        }
        if (lParam == -1) {
            layer->lost = false;
            row->ClearError();
            layer->hasError = 0;
            std::memset(layer->movieParams()->fileError, 0, sizeof layer->movieParams()->fileError);
        } else {
            row->SetError(getLang(37008, "Can not play file index #v1#", QString::number(lParam)));
            if (quint64(lParam) < quint64(ZD_LAYER_LIST_FILES))
                layer->movieParams()->fileError[lParam] = 1;
        }
        break;
    case MSG_OVERLAY_OPEN_RESULT:
        switch (lParam) {
        case 0:
            layer->lost = false;
            row->ClearError();
            layer->hasError = 0;
            break;
        case 1:
            row->SetError(getLang(13003, "No found capture device #v1#", QString()));
            break;
        case 2:
            row->SetError(
                getLang(22002, "The program does not have permission to access the camera."));
            break;
        case 3:
            row->SetError(getLang(13005, "Open device failed. Start preview failed"));
            break;
        default:
            row->SetError("unknown error");
            break;
        }
        break;
    case MSG_OVERLAY_AUDIO_LEVEL:
        if (layer->enabled) {
            row->nameLabel->level = int(qMin<long long>(qMax<long long>(lParam, 0), 300) / 3);
            row->nameLabel->update();
        }
        break;
    default:
        break;
    }
    return true;
}

void QMyLiveSenseBar::handleDeviceChanged(long wParam, void* ptr)
{
    AddLog(2, "live: device change");
    if (wParam != 0) {
        for (int i = list->count() - 1; i >= 0; --i) {
            QMyListItem2* row = rowAt(i);
            if (!row || !row->layer)
                continue;
            int lost = 0;
            if (ZD_QueryDeviceLost(g_Global.hCore, KeyBytes(row->layer).constData(), ptr, &lost) ==
                    1 &&
                lost) {
                AddLog(2, "Device is lost");
                row->SetError(getLang(22013, "Device lost"));
                row->layer->lost = true;
            }
        }
    }
    QList<DEV_NAME> devices;
    bool listed = false;
    for (int i = list->count() - 1; i >= 0; --i) {
        QMyListItem2* row = rowAt(i);
        if (!row || !row->layer || !row->layer->lost)
            continue;
        if (!listed) {
            devices.resize(ZD_MAX_DEVICES);
            int count = ZD_MAX_DEVICES;
            if (ZD_GetCaptureDevices(g_Global.hCore, devices.data(), &count, g_Global.ignoreVD) !=
                1)
                count = 0;
            devices.resize(qBound(0, count, int(ZD_MAX_DEVICES)));
            listed = true;
        }
        SceneItemData* layer = row->layer;
        if (layer->type != SCENE_KIND_CAMERA && layer->type != SCENE_KIND_AUDIO)
            continue;
        for (const DEV_NAME& device : devices) {
            if (QSceneCameraSetup::isEqueDeviceName(&device, &layer->deviceParams()->device)) {
                AddLog(2, "Device is back,start play");
                sendEdit(layer, SCENE_MASK_PARAMS);
                break;
            }
        }
    }
}

void QMyLiveSenseBar::handleLeftDown()
{
    if (ZD_PreviewEnable(g_Global.hCore, nullptr) == 0)
        return;
    const QRect view = GetPlayerWndGlobalGeometry();
    const QPoint cursor = QCursor::pos();
    if (view.contains(cursor) && mainActive()) {
        if (QMyListItem2* row = getObjectByLocaPointer(cursor - view.topLeft())) {
            FocusItem(row);
            list->setCurrentItem(row->listItem);
        } else {
            HideFrame();
        }
    } else {
        HideFrame();
    }
}
