#include "qmyrecordbar.h"

#include <QComboBox>
#include <QLCDNumber>
#include <QLabel>
#include <QStyle>
#include <QStyleFactory>

#include <cstring>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qdevicesetupwnd.h"
#include "qmyfilterhelper.h"
#include "qmyfilters.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qmytimerbar.h"
#include "qscenecamerasetup.h"
#include "screenscale.h"
#include "stdafx.h"
#include "zdhelpergui.h"

namespace
{

// A fixed text field up to its first NUL or its end.
QByteArray fieldBytes(const char* field, size_t size)
{
    const void* nul = std::memchr(field, 0, size);
    return QByteArray(field, nul ? static_cast<const char*>(nul) - field : qsizetype(size));
}

QString deviceName(const DEV_NAME& d)
{
    return QString::fromUtf8(fieldBytes(d.name, sizeof d.name));
}

QString devicePath(const DEV_NAME& d)
{
    return QString::fromLocal8Bit(fieldBytes(d.path, sizeof d.path));
}

QString codecName(const DEV_CAPACITY& f)
{
    return QString::fromLatin1(fieldBytes(f.codecName, sizeof f.codecName));
}

// The main window's stop, as the program's own; nothing without one.
void stopRecord()
{
    if (auto* gui = qobject_cast<ZDHelperGUI*>(AfxGetMainWindow()))
        gui->StopRecord();
}

// Texts carried by the engine's reports are NUL-terminated; read them with a
// bound all the same.
QString reportText(const void* text)
{
    if (text == nullptr)
        return QString();
    const char* p = static_cast<const char*>(text);
    return QString::fromUtf8(p, qsizetype(qstrnlen(p, 4096)));
}

} // namespace

QMyRecordBar::QMyRecordBar(QWidget* parent) : QMyRecordWidget(parent)
{
    reloadPending = 0;
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("normal_combobox.qss"))));

    videoLabel = new QLabel(this);
    videoCombo = new QComboBox(this);
    formatLine = new QLabel(this);
    btnVideoSetup = new QMyPushButton(this);
    audioLabel = new QLabel(this);
    audioCombo = new QComboBox(this);
    descriptionLine = new QLabel(this);
    btnAudioSetup = new QMyPushButton(this);
    btnAudioSetup->hide();
    timerBar = new QMyTimerBar(this, g_Global.pRecordTimers);

    for (QComboBox* combo : {videoCombo, audioCombo}) {
        if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
            style->setParent(combo);
            combo->setStyle(style);
        }
    }
    const QString lineSheet = QStringLiteral("color: rgba(200,200,200,150);");
    formatLine->setStyleSheet(lineSheet);
    descriptionLine->setStyleSheet(lineSheet);
    // The engine's description of a device may be wider than the line under
    // this platform's fonts: it wraps, and the line grows down to hold it.
    descriptionLine->setWordWrap(true);
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    videoLabel->setFont(bold);
    audioLabel->setFont(bold);

    connect(btnVideoSetup, &QPushButton::clicked, this, &QMyRecordBar::btnVideoDevSetupClick);
    connect(videoCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &QMyRecordBar::comboVideoChanged);
    connect(audioCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &QMyRecordBar::comboAudioChanged);

    updateLang();

    currentFormat.width = 0;
    enumerate();
    LoadDevices(false);
}

QMyRecordBar::~QMyRecordBar() = default;

void QMyRecordBar::placeDescriptionLine()
{
    descriptionLine->setGeometry(scale_rect2(30, 155, 220, 20));
    FitHeightToText(descriptionLine);
}

int QMyRecordBar::enumerate()
{
    deviceCount = ZD_MAX_DEVICES;
    if (ZD_GetCaptureDevices(g_Global.hCore, devices, &deviceCount, g_Global.ignoreVD) != 1)
        deviceCount = 0;
    deviceCount = qBound(0, deviceCount, ZD_MAX_DEVICES);
    return deviceCount;
}

void QMyRecordBar::resizeAll()
{
    QMyRecordWidget::resizeAll();
    const double s = g_dpi_percent;
    // The panel's own bottom edge: the controls hang from it whatever the
    // panel's place in the right bar.
    const int y = int(rect().bottom() - 30 * s);
    elapsedDisplay->setGeometry(scale_rect_bottom2(70, int(y - 170 * s), 160, 40));
    btnRecDur->setGeometry(scale_rect_bottom2(250, int(y - 160 * s), 25, 25));
    btnPause->setGeometry(scale_rect_bottom2(160, int(y - 120 * s), 45, 45));
    if (!btnPause->isHidden()) {
        btnRecord->setGeometry(scale_rect_bottom2(95, int(y - 120 * s), 45, 45));
        btnRecord->setText(QString());
    } else {
        btnRecord->setGeometry(scale_rect_bottom2(90, int(y - 150 * s), 140, 40));
        btnRecord->setText(recordText->text());
    }
    videoLabel->setGeometry(scale_rect2(30, 10, 220, 20));
    videoCombo->setGeometry(scale_rect2(30, 35, 220, 25));
    btnVideoSetup->setGeometry(scale_rect2(260, 37, 20, 20));
    formatLine->setGeometry(scale_rect2(30, 65, 220, 20));
    audioLabel->setGeometry(scale_rect2(30, 100, 220, 20));
    audioCombo->setGeometry(scale_rect2(30, 125, 220, 25));
    btnAudioSetup->setGeometry(scale_rect2(260, 127, 20, 20));
    placeDescriptionLine();
    timerBar->setGeometry(scale_rect2(30, 230, 240, 90));

    if (!barPicturesLoaded) {
        barPicturesLoaded = 1;
        btnVideoSetup->SetPicture(QStringLiteral(":/images/res/setup.png"), 4);
        btnPause->SetPicture(QStringLiteral(":/images/res/pause.png"), 4);
        btnRecord->SetPicture(QStringLiteral(":/images/res/rec-start.png"), 4);
        btnRecDur->SetPicture(QStringLiteral(":/images/res/sch.png"), 4);
        AdjustFonts(this);
    }
}

void QMyRecordBar::updateLang()
{
    QMyRecordWidget::updateLang();
    videoLabel->setText(getLang(13000, QStringLiteral("Video capture device")));
    audioLabel->setText(getLang(13001, QStringLiteral("Audio capture device")));
    btnVideoSetup->setToolTip(getLang(13010, QStringLiteral("Device setup")));
    timerBar->updateLang();
}

void QMyRecordBar::LoadDevices(bool open)
{
    if (deviceCount > 0)
        g_Global.noDevicePicture = 0;
    loading = 1;
    videoCombo->clear();
    audioCombo->clear();
    const QString savedName = AfxGetProfileString(
        QStringLiteral("Record"), QStringLiteral("default-video-device-name"), QString());
    const QString savedPath = AfxGetProfileString(
        QStringLiteral("Record"), QStringLiteral("default-video-device-path"), QString());
    const int count = qBound(0, deviceCount, ZD_MAX_DEVICES);
    for (int i = 0; i < count; ++i) {
        const DEV_NAME& d = devices[i];
        if (d.kind == ZD_DEVICE_KIND_AUDIO || !QSceneCameraSetup::IsMyDevice(&d))
            continue;
        videoCombo->addItem(deviceName(d), i);
        // By its place, not its text: two boxes of one model share a name,
        // and only the path tells the remembered one.
        if (deviceName(d) == savedName && devicePath(d) == savedPath)
            videoCombo->setCurrentIndex(videoCombo->count() - 1);
    }
    audioCombo->addItem(QStringLiteral("Auto"), -1);
    for (int i = 0; i < count; ++i) {
        if (devices[i].kind == ZD_DEVICE_KIND_AUDIO)
            audioCombo->addItem(deviceName(devices[i]), i);
    }
    if (videoCombo->count() > 0) {
        const int index = videoCombo->currentData().toInt();
        if (index >= 0 && index < count && devices[index].kind == ZD_DEVICE_KIND_VIDEO_WITH_AUDIO) {
            audioCombo->setCurrentIndex(0);
            audioCombo->setEnabled(false);
        } else {
            const QString audio = AfxGetProfileString(
                videoCombo->currentText(), QStringLiteral("audio-device-name"), QString());
            if (!audio.isEmpty()) {
                const int found = audioCombo->findText(audio);
                if (found >= 0)
                    audioCombo->setCurrentIndex(found);
            }
        }
    }
    if (open)
        StartPlay();
    loading = 0;
}

void QMyRecordBar::comboVideoChanged(int index)
{
    if (index == -1 || !isVisible() || loading)
        return;
    const int i = videoCombo->itemData(index).toInt();
    if (i >= 0 && i < deviceCount && devices[i].kind == ZD_DEVICE_KIND_VIDEO_WITH_AUDIO) {
        audioCombo->setCurrentIndex(0);
        audioCombo->setEnabled(false);
    } else {
        audioCombo->setEnabled(true);
        const QString audio = AfxGetProfileString(videoCombo->currentText(),
                                                  QStringLiteral("audio-device-name"), QString());
        if (!audio.isEmpty()) {
            const int found = audioCombo->findText(audio);
            if (found >= 0)
                audioCombo->setCurrentIndex(found);
        }
    }
    StartPlay();
}

void QMyRecordBar::comboAudioChanged(int index)
{
    if (index == -1 || !isVisible() || loading)
        return;
    const QString audio = index == 0 ? QString() : audioCombo->itemText(index);
    if (!videoCombo->currentText().isEmpty())
        AfxWriteProfileString(videoCombo->currentText(), QStringLiteral("audio-device-name"),
                              audio);
    StartPlay();
}

void QMyRecordBar::first_show()
{
    if (!reloadPending) {
        StartPlay();
        return;
    }
    reloadPending = 0;
    enumerate();
    LoadDevices(true);
}

void QMyRecordBar::DeviceChanged(bool arrived, int unused)
{
    Q_UNUSED(unused);
    ZD_Log(2, "Device changed: %s", arrived ? "Insert" : "Remove");
    int count = ZD_MAX_DEVICES;
    if (ZD_GetCaptureDevices(g_Global.hCore, devices, &count, g_Global.ignoreVD) != 1)
        count = 0;
    count = qBound(0, count, ZD_MAX_DEVICES);
    ZD_Log(2, "DeviceChanged: find device %d", count);
    if (count == deviceCount && !deviceLost)
        return;
    deviceCount = count;
    if (videoCombo->count() > 0) {
        ZD_Log(2, "DeviceChanged: Refresh device list.");
        LoadDevices(deviceLost != 0);
    } else {
        ZD_Log(2, "DeviceChanged: Load new device");
        LoadDevices(true);
    }
}

DEV_CAPACITY QMyRecordBar::GetDeviceLastCapacity(const QString& device) const
{
    DEV_CAPACITY f;
    std::memset(&f, 0, sizeof f);
    f.width = AfxGetProfileInt(device, QStringLiteral("last-width"), 0);
    f.height = AfxGetProfileInt(device, QStringLiteral("last-height"), 0);
    f.fps = AfxGetProfileInt(device, QStringLiteral("last-fps"), 0);
    f.fourcc = uint32_t(AfxGetProfileInt(device, QStringLiteral("last-codec"), 0));
    const QByteArray name =
        AfxGetProfileString(device, QStringLiteral("last-codec-name"), QString()).toLatin1();
    std::memcpy(f.codecName, name.constData(),
                size_t(qMin<qsizetype>(name.size(), sizeof f.codecName)));
    return f;
}

void QMyRecordBar::SaveDeviceLastCapacity(const QString& device)
{
    AfxWriteProfileInt(device, QStringLiteral("last-width"), currentFormat.width);
    AfxWriteProfileInt(device, QStringLiteral("last-height"), currentFormat.height);
    AfxWriteProfileInt(device, QStringLiteral("last-fps"), currentFormat.fps);
    AfxWriteProfileInt(device, QStringLiteral("last-codec"), int(currentFormat.fourcc));
    AfxWriteProfileString(device, QStringLiteral("last-codec-name"),
                          QString::fromLocal8Bit(
                              fieldBytes(currentFormat.codecName, sizeof currentFormat.codecName)));
}

void QMyRecordBar::StartPlay()
{
    QWidget* host = AfxGetPlayWindow();
    if (videoCombo->currentText().isEmpty() || host == nullptr)
        return;
    if (!CloseDeviceToReopen())
        return;
    void* h = g_Global.hCore;

    const int videoIndex = videoCombo->currentData().toInt();
    const int audioIndex = audioCombo->count() > 0 ? audioCombo->currentData().toInt() : -1;
    if (videoIndex < 0 || videoIndex >= qBound(0, deviceCount, ZD_MAX_DEVICES))
        return;
    openDevice = devices[videoIndex];
    currentFormat = GetDeviceLastCapacity(videoCombo->currentText());

    formatCount = ZD_MAX_CAPACITIES;
    if (ZD_GetCaptureDeviceCapacity(h, &openDevice, formats, &formatCount) != 1) {
        formatCount = 0;
        ZD_Log(2, "ZD_GetCaptureDeviceCapacity: %s failed.",
               videoCombo->currentText().toLocal8Bit().constData());
    }
    formatCount = qBound(0, formatCount, ZD_MAX_CAPACITIES);

    const DEV_CAPACITY* format = nullptr;
    if (QSceneCameraSetup::IsIt4k30Dev(&openDevice)) {
        ZD_4k30_hdr_getset_hdrflag(h, 1, &g_Global.hdr4k30);
        g_Global.deviceHDR = 0;
        btnRecord->SetPicture(getRecordStartButtonPng(), 4);
        if (currentFormat.width == 0) {
            currentFormat.width = 1920;
            currentFormat.height = 1080;
            currentFormat.fps = 60;
            currentFormat.fourcc = 0x32595559; // "YUY2"
        }
        format = &currentFormat;
    } else if (currentFormat.width != 0) {
        format = &currentFormat;
    }

    DEV_NAME audio;
    if (audioIndex >= 0 && audioIndex < qBound(0, deviceCount, ZD_MAX_DEVICES)) {
        audio = devices[audioIndex];
    } else {
        std::memset(&audio, 0, sizeof audio);
        audio.kind = ZD_DEVICE_KIND_AUDIO;
    }

    const QByteArray openName = fieldBytes(openDevice.name, sizeof openDevice.name);
    GA_TrackLogging("opendev", openName.constData());
    // The reports go to the main window: a null target names it for the
    // engine, and names whichever main window exists when a report arrives,
    // never one that has gone.
    const int r = ZD_OpenDevice(h, ZD_WINDOW_ID(host->winId()), nullptr, g_Global.keepAspect,
                                g_Global.videoRender, &openDevice, &audio, format, 10000000);
    if (r == 1) {
        g_Global.videoRenderInUse = g_Global.videoRender;
        ApplyDeviceFilters(videoCombo->currentText());
        AfxWriteProfileString(QStringLiteral("Record"), QStringLiteral("default-video-device-name"),
                              deviceName(openDevice));
        AfxWriteProfileString(QStringLiteral("Record"), QStringLiteral("default-video-device-path"),
                              devicePath(openDevice));
        StartDudLiveWhenSharing();
        UnMute_Audio(true);
        deviceLost = 0;
        return;
    }

    GA_TrackError("open_device");
    ZD_Log(8, "ZD_OpenDevice failed.(%s)(%d)", openName.constData(), r);
    ShowOpenDeviceFailure(r, deviceName(openDevice));
}

void QMyRecordBar::btnVideoDevSetupClick()
{
    if (videoCombo->currentIndex() < 0)
        return;
    const int index = videoCombo->currentData().toInt();
    if (index < 0 || index >= qBound(0, deviceCount, ZD_MAX_DEVICES))
        return;
    formatCount = ZD_MAX_CAPACITIES;
    if (ZD_GetCaptureDeviceCapacity(g_Global.hCore, &openDevice, formats, &formatCount) != 1) {
        formatCount = 0;
        ZD_Log(2, "ZD_GetCaptureDeviceCapacity: %s failed.",
               fieldBytes(devices[index].name, sizeof devices[index].name).constData());
    }
    formatCount = qBound(0, formatCount, ZD_MAX_CAPACITIES);
    QDeviceSetupWnd dialog(this);
    dialog.device = devices[index];
    dialog.curCapacity = currentFormat;
    dialog.capacities = formats;
    dialog.capacityCount = formatCount;
    dialog.InitDlg();
    if (dialog.exec() == 1) {
        const DEV_CAPACITY& chosen = dialog.curCapacity;
        const bool changed =
            chosen.width != currentFormat.width || chosen.height != currentFormat.height ||
            chosen.fps != currentFormat.fps || chosen.fourcc != currentFormat.fourcc ||
            std::memcmp(chosen.codecName, currentFormat.codecName, 4) != 0;
        if (changed) {
            currentFormat = chosen;
            SaveDeviceLastCapacity(videoCombo->currentText());
            StartPlay();
        } else if (dialog.reopenNeeded != 0) {
            StartPlay();
        }
    } else if (deviceFilters) {
        // The dialog's filter page changed the filters live; they go back
        // to what was saved.
        deviceFilters->loadDeviceFilters();
        deviceFilters->ApplyAllFilters();
    }
}

void QMyRecordBar::SetDeviceInfo(bool withFormat, const QString& text)
{
    if (withFormat) {
        if (text.isEmpty())
            formatLine->clear();
        else
            formatLine->setText(
                QString::asprintf("%s: %dx%d@%dfps", codecName(currentFormat).toUtf8().constData(),
                                  currentFormat.width, currentFormat.height, currentFormat.fps));
    } else {
        descriptionLine->setText(text);
        placeDescriptionLine();
    }
}

void QMyRecordBar::handleHdr(int flag)
{
    ZD_Log(2, "Receive HDR notify : %d", flag);
    g_Global.deviceHDR = flag;
    int previewing = 0;
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, &previewing, &recording, nullptr, nullptr);
    if (recording) {
        if (flag == 0) {
            ZD_Log(2, "HDMI source changed to SDR, so stop HDR recored.");
            stopRecord();
        }
        return;
    }
    btnRecord->SetPicture(getRecordStartButtonPng(), 4);
    if (flag == 0 && previewing) {
        ZD_Log(2, "HDMI source changed to SDR, so restart preview.");
        g_Global.hdr4k30 = 0;
        StartPlay();
    }
}

void QMyRecordBar::handlePreviewError(long long code)
{
    const QString error = reportText(ZD_GetUERRString(int(code)));
    if (code != 6)
        AfxMessageBox(nullptr,
                      getLang(22017, QStringLiteral("Start preview failed. (#v1#)"), error),
                      MSGBOX_NOTICE);
    else
        AfxMessageBox(nullptr, getLang(20, QString()), MSGBOX_NOTICE);
    GA_TrackError("open_device");
}

void QMyRecordBar::handleDeviceChanged(bool arrived, void* notification)
{
    if (!arrived) {
        int lost = 0;
        if (ZD_QueryDeviceLost(g_Global.hCore, nullptr, notification, &lost) == 1 && lost != 0) {
            ZD_Log(2, "Device lost.");
            if (QWidget* main = AfxGetMainWindow())
                PostMessage(main, MSG_DEVICE_LOST, 0, 0, nullptr);
            DeviceLost();
            deviceLost = 1;
        }
    }
    DeviceChanged(arrived, 0);
}

bool QMyRecordBar::event(QEvent* e)
{
    if (e->type() != MyEvent::EventType)
        return QMyRecordWidget::event(e);
    auto* m = static_cast<MyEvent*>(e);
    switch (m->msg) {
    case MSG_PICTURE_SAVED:
        if (m->wParam == 0)
            onPictureSavedReport(m->lParam);
        break;
    case MSG_DEVICE_OPENED:
        if (m->wParam == 0) {
            char text[ZD_TEXT_BUFFER_BYTES];
            std::memset(text, 0, sizeof text);
            ZD_GetCurrentDeviceCapacity(g_Global.hCore, &currentFormat, text);
            SetDeviceInfo(false, QString::fromUtf8(fieldBytes(text, sizeof text)));
            SetDeviceInfo(true, QStringLiteral("check"));
            g_Global.devWidth = currentFormat.width;
            g_Global.devHeight = currentFormat.height;
            g_Global.devFps = currentFormat.fps;
            g_Global.devIsP010 =
                fieldBytes(currentFormat.codecName, sizeof currentFormat.codecName) == "P010" ? 1
                                                                                              : 0;
        }
        break;
    case MSG_DEVICE_CLOSED:
        if (m->wParam == 0) {
            SetDeviceInfo(true, QString());
            SetDeviceInfo(false, QString());
        }
        break;
    case MSG_HDR_STATE:
        if (m->wParam == 0)
            handleHdr(int(m->lParam));
        break;
    case MSG_PREVIEW_ERROR_CODE:
        if (m->wParam == 0)
            handlePreviewError(m->lParam);
        break;
    case MSG_PREVIEW_SETTINGS_CHANGED:
        StartPlay();
        break;
    case MSG_DEVICE_INFO_CLEAR:
        SetDeviceInfo(false, QString());
        break;
    case MSG_DEVICE_CHANGED:
        handleDeviceChanged(m->wParam == 0, m->ptr);
        break;
    default:
        break;
    }
    return QMyRecordWidget::event(e);
}
