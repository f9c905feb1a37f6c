#include "qscenecamerasetup.h"

#include <QByteArray>
#include <QString>

#include <cstring>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "qfilterswidget.h"
#include "sceneitemdata.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qscenecamerasetup.h"

namespace
{

// A fixed text field up to its first NUL or its end: a field the engine
// filled to the brim has no terminator.
QByteArray fieldBytes(const char* field, size_t size)
{
    const void* nul = std::memchr(field, 0, size);
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size;
    return QByteArray(field, static_cast<qsizetype>(n));
}

} // namespace

bool QSceneCameraSetup::IsMyDevice(const DEV_NAME* device)
{
    if (device == nullptr)
        return false;
    const QString path = QString::fromLatin1(fieldBytes(device->path, sizeof device->path));
    if (path.isEmpty() || g_valid_captures.isEmpty())
        return true;
    const QString name = QString::fromLatin1(fieldBytes(device->name, sizeof device->name));
    for (const QString& entry : g_valid_captures) {
        if (entry.startsWith(QLatin1Char(':'))) {
            QString id = entry;
            id.remove(QLatin1Char(':'));
            id.remove(QLatin1Char('*'));
            if (path.contains(id))
                return true;
        } else if (entry.contains(QLatin1Char('*'))) {
            QString part = entry;
            part.remove(QLatin1Char('*'));
            if (name.contains(part))
                return true;
        } else if (entry == name) {
            return true;
        }
    }
    return false;
}

bool QSceneCameraSetup::IsIt4k30Dev(const DEV_NAME* device)
{
    if (device == nullptr)
        return false;
    const QByteArray path = fieldBytes(device->path, sizeof device->path);
    return path.contains("VID_048D&PID_93") || path.contains("VID_6B4F&PID_32");
}

bool QSceneCameraSetup::IsIt9910Dev(const DEV_NAME* device)
{
    if (device == nullptr)
        return false;
    return fieldBytes(device->path, sizeof device->path).contains("PID_9910");
}

bool QSceneCameraSetup::isEqueDeviceName(const DEV_NAME* a, const DEV_NAME* b)
{
    if (a == nullptr || b == nullptr)
        return false;
    return fieldBytes(a->name, sizeof a->name) == fieldBytes(b->name, sizeof b->name) &&
           fieldBytes(a->path, sizeof a->path) == fieldBytes(b->path, sizeof b->path) &&
           a->kind == b->kind;
}

bool QSceneCameraSetup::isEqueDeviceFormat(const DEV_CAPACITY* a, const DEV_CAPACITY* b)
{
    if (a == nullptr || b == nullptr)
        return false;
    return a->fourcc == b->fourcc && a->width == b->width && a->height == b->height;
}

// ---- The editor ----------------------------------------------------------------

QSceneCameraSetup::QSceneCameraSetup(QWidget* parent, bool adding)
    : MyDialog(parent), ui(new Ui::QSceneCameraSetup), adding(adding)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
    ui->filterwd->setVisible(!adding);
    ui->filterwd->dialogAnchor = this;
    ui->btnSetup->hide();
    ui->btnSetup_2->hide();
    AdjustFonts(this);
    AdjustRects(this, true);
    ui->label_name->setText(getLang(21101, "Name:"));
    ui->label_alpha->setText(getLang(21106, "Alpha:"));
    ui->label_dev_name->setText(getLang(21102, "Video capture device:"));
    ui->label_dev_format->setText(getLang(21104, "Video format:"));
    ui->label_dev_fps->setText(getLang(21108, "FPS:"));
    ui->label_vol->setText(getLang(21105, "Volume:"));
    ui->label_audio->setText(getLang(21103, "Audio capture device:"));
    ui->label_vol_2->setText(getLang(21105, "Volume:"));
    ui->btnOK->setText(getLang(1, "OK"));
    ui->btnCancel->setText(getLang(2, "Cancel"));
    ui->comb_dev_fps->addItems({"Default", "60", "30"});
    // A layer name longer than its stored field would be lost on saving.
    ui->edit_name->setMaxLength(255);
    connect(ui->btnOK, &QPushButton::clicked, this, &QSceneCameraSetup::onOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QSceneCameraSetup::onCancelClick);
    connect(ui->comb_dev_name, &QComboBox::currentIndexChanged, this,
            &QSceneCameraSetup::onVideoCbxChanged);
    connect(ui->slider, &QSlider::sliderMoved, this, &QSceneCameraSetup::onSliderMoved);
    connect(ui->slider_vol, &QSlider::sliderMoved, this, &QSceneCameraSetup::onVolumeSliderMoved);
    connect(ui->slider_vol_2, &QSlider::sliderMoved, this,
            &QSceneCameraSetup::onVolumeSliderMoved2);
    connect(ui->chk_audio, &QCheckBox::clicked, this, &QSceneCameraSetup::onAudioChkClick);
    GA_TrackScreen("live_add_camera");
}

QSceneCameraSetup::~QSceneCameraSetup()
{
    delete ui;
}

void QSceneCameraSetup::fillDevices(QComboBox* combo, bool audioKind)
{
    const DEV_NAME* own = layer ? &layer->deviceParams()->device : nullptr;
    int match = -1;
    for (int i = 0; i < devices.size(); ++i) {
        const bool isAudio = devices[i].kind == ZD_DEVICE_KIND_AUDIO;
        if (isAudio != audioKind)
            continue;
        combo->addItem(SceneFieldText(devices[i].name, sizeof devices[i].name), i);
        if (own && isEqueDeviceName(&devices[i], own))
            match = combo->count() - 1;
    }
    if (match >= 0)
        combo->setCurrentIndex(match);
    else if (combo->count() > 0)
        combo->setCurrentIndex(0);
}

void QSceneCameraSetup::updateOkEnabled()
{
    // Without a device (or a format list) there is nothing to store.
    const bool ok = audio ? ui->cbx_audio->count() > 0
                          : ui->comb_dev_name->count() > 0 && ui->comb_dev_format->count() > 0;
    ui->btnOK->setEnabled(ok);
}

void QSceneCameraSetup::InitAll(bool audioLayer, SceneItemData* item)
{
    audio = audioLayer;
    layer = item;
    devices.resize(ZD_MAX_DEVICES);
    int count = ZD_MAX_DEVICES;
    // A failed listing fills nothing: no device, whatever the count says.
    if (ZD_GetCaptureDevices(g_Global.hCore, devices.data(), &count, g_Global.ignoreVD) != 1)
        count = 0;
    devices.resize(qBound(0, count, int(ZD_MAX_DEVICES)));
    const double scale = g_dpi_percent;
    if (!audio) {
        ui->widget_audio->hide();
        if (adding) {
            // The filter list's bottom as it lies in the video group: the
            // buttons come up under the volume row.
            const int top = ui->filterwd->geometry().bottom() + int(20 * scale);
            ui->btnOK->move(ui->btnOK->x(), top);
            ui->btnCancel->move(ui->btnCancel->x(), top);
            // The group ends where the hidden filter list began, so that it
            // lies over nothing of the buttons.
            ui->widget_video->resize(ui->widget_video->width(), ui->filterwd->y());
            resize(width(), top + int(70 * scale));
        }
        setWindowTitle(getLang(19031, "Video capture device"));
        titleText = windowTitle();
        fillDevices(ui->comb_dev_name, false);
        autoAudio = layer->deviceParams()->autoAudio != 0;
        ui->chk_audio->setChecked(autoAudio);
        if (adding) {
            ui->slider_vol->setValue(100);
            ui->edit_vol->setText("100");
            ui->chk_audio->setChecked(true);
            layer->deviceParams()->autoAudio = 1;
        } else {
            ui->filterwd->InitAll(layer->uuid, layer->uuid);
            ui->slider_vol->setValue(layer->volume);
            ui->edit_vol->setText(QString::number(layer->volume));
            if (!autoAudio) {
                ui->slider_vol->setEnabled(false);
                ui->edit_vol->setEnabled(false);
            }
        }
        startDevice = ui->comb_dev_name->currentIndex();
    } else {
        ui->widget_video->hide();
        const int top = ui->widget_audio->geometry().bottom() + int(10 * scale);
        ui->btnOK->move(ui->btnOK->x(), top);
        ui->btnCancel->move(ui->btnCancel->x(), top);
        resize(width(), top + int(60 * scale));
        fillDevices(ui->cbx_audio, true);
        ui->slider_vol_2->setValue(layer->volume);
        ui->edit_vol_2->setText(QString::number(layer->volume));
        startDevice = ui->cbx_audio->currentIndex();
        setWindowTitle(getLang(19032, "Audio capture device"));
        titleText = windowTitle();
        AdjustComboBoxViewWidth(ui->cbx_audio);
    }
    CenterWindow(this, nullptr);
    ui->edit_name->setText(layer->name);
    ui->slider->setValue(layer->alpha);
    ui->edit_alpha->setText(QString::number(layer->alpha));
    startFormat = ui->comb_dev_format->currentIndex();
    startAutoAudio = ui->chk_audio->isChecked();
    updateOkEnabled();
}

void QSceneCameraSetup::onVideoCbxChanged(int row)
{
    if (!layer || audio)
        return;
    formats.clear();
    const int position = ui->comb_dev_name->itemData(row).toInt();
    if (row >= 0 && position >= 0 && position < devices.size()) {
        formats.resize(ZD_MAX_CAPACITIES);
        int count = ZD_MAX_CAPACITIES;
        if (ZD_GetCaptureDeviceCapacity(g_Global.hCore, &devices[position], formats.data(),
                                        &count) != 1) {
            count = 0;
            ZD_Log(2, "ZD_GetCaptureDeviceCapacity: %s failed.",
                   SceneFieldText(devices[position].name, sizeof devices[position].name)
                       .toLocal8Bit()
                       .constData());
        }
        formats.resize(qBound(0, count, int(ZD_MAX_CAPACITIES)));
    }
    QSignalBlocker block(ui->comb_dev_format);
    ui->comb_dev_format->clear();
    ui->comb_dev_format->addItem("Default", -1);
    const DEV_CAPACITY& own = layer->deviceParams()->format;
    for (int i = 0; i < formats.size(); ++i) {
        const DEV_CAPACITY& f = formats[i];
        const QString text = QString::asprintf(
            "%s: %dx%d", SceneFieldText(f.codecName, sizeof f.codecName).toLocal8Bit().constData(),
            f.width, f.height);
        if (ui->comb_dev_format->findText(text, Qt::MatchExactly) >= 0)
            continue;
        ui->comb_dev_format->addItem(text, i);
        if (isEqueDeviceFormat(&f, &own))
            ui->comb_dev_format->setCurrentIndex(ui->comb_dev_format->count() - 1);
    }
    if (own.fps == 0) {
        ui->comb_dev_fps->setCurrentIndex(0);
    } else {
        const int i = ui->comb_dev_fps->findText(QString::number(own.fps));
        if (i >= 0)
            ui->comb_dev_fps->setCurrentIndex(i);
    }
    if (row >= 0 && position >= 0 && position < devices.size() && IsIt4k30Dev(&devices[position])) {
        SOURCE_INFO_4K30 info;
        std::memset(&info, 0, sizeof info);
        if (ZD_4k30_hdr_getSourceInfo(g_Global.hCore, &info) != 0) {
            for (int i = ui->comb_dev_format->count() - 1; i >= 1; --i) {
                const int fi = ui->comb_dev_format->itemData(i).toInt();
                if (fi < 0 || fi >= formats.size())
                    continue;
                const bool tooTall = formats[fi].height >= 1081 && info.height != 0 &&
                                     formats[fi].height > info.height;
                const bool p010 =
                    ui->comb_dev_format->itemText(i).contains("P010") && info.hdr == 0;
                if (tooTall || p010)
                    ui->comb_dev_format->removeItem(i);
            }
        }
    }
    updateOkEnabled();
}

void QSceneCameraSetup::onSliderMoved(int value)
{
    ui->edit_alpha->setText(QString::number(value));
}

void QSceneCameraSetup::onVolumeSliderMoved(int value)
{
    ui->edit_vol->setText(QString::number(value));
}

void QSceneCameraSetup::onVolumeSliderMoved2(int value)
{
    ui->edit_vol_2->setText(QString::number(value));
}

void QSceneCameraSetup::onAudioChkClick()
{
    const bool on = ui->chk_audio->isChecked();
    ui->slider_vol->setEnabled(on);
    ui->edit_vol->setEnabled(on);
}

void QSceneCameraSetup::onCancelClick()
{
    done(0);
}

void QSceneCameraSetup::onOKClick()
{
    if (!layer)
        return;
    QComboBox* combo = audio ? ui->cbx_audio : ui->comb_dev_name;
    const int position = combo->currentData().toInt();
    if (combo->count() == 0 || position < 0 || position >= devices.size())
        return;
    const QString name = ui->edit_name->text();
    if (name.toLocal8Bit().size() > 255) {
        AfxMessageBox(this, getLang(21111, "The name is too long."), MSGBOX_ERROR);
        return;
    }
    if (!name.isEmpty())
        layer->name = name;
    SCENE_DEVICE_PARAMS* p = layer->deviceParams();
    std::memcpy(&p->device, &devices[position], sizeof p->device);
    const QByteArray key = layer->uuid.toLocal8Bit();
    if (!audio) {
        const int fi = ui->comb_dev_format->currentData().toInt();
        if (fi < 0 || fi >= formats.size()) {
            std::memset(&p->format, 0, sizeof p->format);
        } else {
            std::memcpy(&p->format, &formats[fi], sizeof p->format);
            bool isNumber = false;
            const int fps = ui->comb_dev_fps->currentText().toInt(&isNumber);
            if (isNumber && fps > 0)
                p->format.fps = fps;
        }
        p->autoAudio = ui->chk_audio->isChecked() ? 1 : 0;
        layer->alpha = ui->slider->value();
        layer->volume = ui->slider_vol->value();
        if (adding) {
            done(1);
            return;
        }
        ui->filterwd->SaveFilters();
        if (ui->comb_dev_name->currentIndex() != startDevice ||
            ui->comb_dev_format->currentIndex() != startFormat ||
            ui->chk_audio->isChecked() != startAutoAudio || layer->hasError) {
            layer->UpdatePip();
            ZD_EditOverlayDeviceCfg(g_Global.hCore, key.constData(), SCENE_MASK_PARAMS,
                                    &layer->pip);
        }
        layer->UpdatePip();
        ZD_EditOverlayDeviceCfg(g_Global.hCore, key.constData(),
                                SCENE_MASK_ALPHA | SCENE_MASK_VOLUME, &layer->pip);
        done(1);
        return;
    }
    layer->volume = ui->slider_vol_2->value();
    if (adding) {
        done(1);
        return;
    }
    if (ui->cbx_audio->currentIndex() != startDevice || layer->hasError) {
        layer->UpdatePip();
        ZD_EditOverlayDeviceCfg(g_Global.hCore, key.constData(), SCENE_MASK_PARAMS, &layer->pip);
    }
    layer->UpdatePip();
    ZD_EditOverlayDeviceCfg(g_Global.hCore, key.constData(), SCENE_MASK_VOLUME, &layer->pip);
    done(1);
}
