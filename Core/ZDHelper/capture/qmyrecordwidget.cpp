#include "qmyrecordwidget.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLCDNumber>
#include <QLabel>
#include <QSet>
#include <QSlider>
#include <QTimer>
#include <QUrl>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qdudmanagerdlg.h"
#include "qfilesmanagerdlg.h"
#include "qmyfileshelper.h"
#include "qmyfilterhelper.h"
#include "qmyfilters.h"
#include "qmypushbutton.h"
#include "qmyrecordproperty.h"
#include "qmytimerbar.h"
#include "qnvidiacardneed.h"
#include "qsetupwnd.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "zdhelpergui.h"

namespace
{

// Shared by both panels: the paused display blinks on every other tick.
int g_blinkCounter = 0;

constexpr qint64 kLowSpaceBytes = 0x3E800000; // 1000 MiB

ZDHelperGUI* mainGui()
{
    return qobject_cast<ZDHelperGUI*>(AfxGetMainWindow());
}

// The main window's stop; nothing without a main window.
int stopRecord(bool userAsked)
{
    ZDHelperGUI* gui = mainGui();
    return gui ? gui->StopRecord(userAsked) : 0;
}

// The HW-CAP slot that must be non-zero for an encoder at a height; -1 for
// encoders that are not tested.
int hwCapSlot(int vcodec, int height)
{
    const bool tall = height > 1080;
    switch (vcodec) {
    case 1:
        return tall ? 3 : 0;
    case 2:
        return tall ? 4 : 1;
    case 3:
        return tall ? 5 : 2;
    case 5:
        return tall ? 9 : 6;
    default:
        return -1;
    }
}

// The folder a recording target lies in: the target itself when it is a
// folder, else the folder of the file to be written (which need not exist).
QString targetFolder(const QString& target)
{
    const QFileInfo info(target);
    if (info.isDir())
        return target;
    return info.absolutePath();
}

// The maker's help page on camera permission, on the file server that the
// environment names; without one there is no page to open.
QUrl cameraHelpUrl()
{
    QString base = qEnvironmentVariable(URL_FILE_SERVER_ENV).trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (base.isEmpty())
        return QUrl();
    return QUrl(base + QStringLiteral("/help/camera-permission.html"));
}

} // namespace

QString getPictPathName(const QString& ext)
{
    // Pictures are written by the engine after the click returns, so a name
    // handed out a moment ago may not be on disk yet: remember the names of
    // the current second as taken too.
    static QString s_base;
    static QSet<QString> s_issued;
    const QString base = g_Global.picSaveTo + QStringLiteral("/Pic") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    if (base != s_base) {
        s_base = base;
        s_issued.clear();
    }
    QString path = base + ext;
    for (int n = 2; n <= 9999; ++n) {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink() && !s_issued.contains(path))
            break;
        path = base + QLatin1Char('_') + QString::number(n) + ext;
    }
    s_issued.insert(path);
    return path;
}

QMyRecordWidget::QMyRecordWidget(QWidget* parent) : QWidget(parent)
{
    elapsedDisplay = new QLCDNumber(this);
    btnRecord = new QMyPushButton(this);
    recordText = new QLabel(this);
    btnPause = new QMyPushButton(this);
    pauseText = new QLabel(this);
    btnFiles = new QMyPushButton(this);
    btnPicture = new QMyPushButton(this);
    btnGif = new QMyPushButton(this);
    btnDUD = new QMyPushButton(this);
    volumeLabel = new QLabel(this);
    volumeSlider = new QSlider(this);
    btnMute = new QMyPushButton(this);
    btnRecDur = new QMyPushButton(this);
    btnHide = new QMyPushButton(this);
    btnSetup = new QMyPushButton(this);

    volumeSlider->setRange(0, 100);
    volumeSlider->setPageStep(10);
    btnRecord->fontPointSize = 12;
    btnRecord->textLeftRatio = 0.15f;

    connect(btnHide, &QPushButton::clicked, this, &QMyRecordWidget::btnHideClick);
    connect(btnRecord, &QPushButton::clicked, this, &QMyRecordWidget::btnRecordStartClick);
    connect(btnPause, &QPushButton::clicked, this, &QMyRecordWidget::btnRecordPauseClick);
    connect(btnFiles, &QPushButton::clicked, this, &QMyRecordWidget::btnFilesClick);
    connect(btnPicture, &QPushButton::clicked, this, &QMyRecordWidget::btnPictureClick);
    connect(btnGif, &QPushButton::clicked, this, &QMyRecordWidget::btnGifClick);
    connect(btnDUD, &QPushButton::clicked, this, &QMyRecordWidget::btnDUDClick);
    connect(btnRecDur, &QPushButton::clicked, this, &QMyRecordWidget::btnRecDurClick);
    connect(btnMute, &QPushButton::clicked, this, &QMyRecordWidget::btnMuteClick);
    connect(volumeSlider, &QSlider::valueChanged, this, &QMyRecordWidget::volume_slider_changed);
    connect(btnSetup, &QPushButton::clicked, this, &QMyRecordWidget::btnSetupClick);

    recordText->setAlignment(Qt::AlignCenter);
    pauseText->setAlignment(Qt::AlignCenter);
    volumeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    elapsedDisplay->setDigitCount(8);
    elapsedDisplay->setSegmentStyle(QLCDNumber::Flat);
    elapsedDisplay->setFrameShape(QFrame::NoFrame);
    elapsedDisplay->setStyleSheet(QStringLiteral("color:rgb(0,255,0);"));
    volumeLabel->setStyleSheet(QStringLiteral("color:rgb(150,150,150);"));
    volumeSlider->setStyleSheet(CPublic::scale_qss(QStringLiteral(
        "QSlider{ background: transparent;}QSlider::groove:horizontal {image: "
        "url(:images/res/slider-bk.png);}QSlider::handle:horizontal {width:18px; image: "
        "url(:images/res/slider-ub.png);}QSlider::handle:horizontal:hover{image: "
        "url(:images/res/slider-ub2.png);}QSlider::handle:horizontal:pressed{image: "
        "url(:images/res/slider-ub2.png);}")));

    btnPause->hide();
    pauseText->hide();
    elapsedDisplay->hide();
    btnRecDur->hide();
    muted = 0;

    startTimer = new QTimer(this);
    connect(startTimer, &QTimer::timeout, this, &QMyRecordWidget::timer1);

    QMyRecordWidget::updateLang();
}

QMyRecordWidget::~QMyRecordWidget() = default;

QString QMyRecordWidget::hotkeyText(int key) const
{
    return QString::asprintf("F%d", key);
}

void QMyRecordWidget::resizeAll()
{
    const double s = g_dpi_percent;
    const int h = height();
    btnHide->setGeometry(0, int((h - 100 * s) / 2), int(20 * s), int(80 * s));
    volumeLabel->setGeometry(scale_rect_bottom2(10, int(h - 30 * s), 80, 18));
    volumeSlider->setGeometry(scale_rect_bottom2(100, int(h - 30 * s), 120, 18));
    volumeSlider->setOrientation(Qt::Horizontal);
    volumeSlider->setRange(0, 100);
    volumeSlider->setSingleStep(1);
    btnMute->setGeometry(scale_rect_bottom2(225, int(h - 30 * s), 18, 18));
    btnFiles->setGeometry(scale_rect_bottom2(28, int(h - 85 * s), 43, 30));
    btnPicture->setGeometry(scale_rect_bottom2(99, int(h - 86 * s), 40, 32));
    btnGif->setGeometry(scale_rect_bottom2(167, int(h - 90 * s), 40, 40));
    btnSetup->setGeometry(scale_rect_bottom2(232, int(h - 90 * s), 35, 35));
    // Shown, unlike the original layout, so that the share dialog can be
    // reached: right of the mute button on the volume row.
    btnDUD->setGeometry(scale_rect_bottom2(258, int(h - 36 * s), 30, 30));
    btnDUD->show();
    recordText->setGeometry(QRect(QPoint(0, 0), QPoint(-1, -1)));
    pauseText->setGeometry(QRect(QPoint(0, 0), QPoint(-1, -1)));

    btnRecord->setToolTip(recordText->text());
    btnPause->setToolTip(pauseText->text());
    if (!picturesLoaded) {
        picturesLoaded = 1;
        btnMute->SetPicture(QStringLiteral(":/images/res/volume1.png"), 4);
        btnFiles->SetPicture(QStringLiteral(":/images/res/flies.png"), 4);
        btnPicture->SetPicture(QStringLiteral(":/images/res/image.png"), 4);
        btnGif->SetPicture(QStringLiteral(":/images/res/gif_1.png"), 4);
        btnDUD->SetPicture(QStringLiteral(":/images/res/dud.png"), 4);
        btnHide->SetPicture(QStringLiteral(":/images/res/hide.png"), 4);
        btnSetup->SetPicture(QStringLiteral(":/images/res/setup.png"), 4);
    }
}

void QMyRecordWidget::updateLang()
{
    volumeLabel->setText(getLang(11003, QStringLiteral("Volume")));
    recordText->setText(
        getLang(11000, QStringLiteral("Record(#v1#)"), hotkeyText(g_Global.recHotkeyRec)));
    pauseText->setText(
        getLang(11002, QStringLiteral("Pause(#v1#)"), hotkeyText(g_Global.recHotkeyPause)));
    btnFiles->setToolTip(getLang(11018, QStringLiteral("All recored files")));
    btnPicture->setToolTip(getLang(11010, QStringLiteral("Capture picture")));
    btnGif->setToolTip(getLang(11008, QStringLiteral("GIF")));
    btnDUD->setToolTip(getLang(11011, QStringLiteral("Vudaz Iveravovi Vuvev (DUD)")));
    btnRecDur->setToolTip(getLang(11016, QStringLiteral("Set up recording duration")));
    btnHide->setToolTip(getLang(11017, QStringLiteral("Hide")));
    if (!btnPause->isHidden()) {
        btnRecord->setText(QString());
    } else {
        btnRecord->setText(recordText->text());
    }
    btnRecord->setToolTip(recordText->text());
    btnSetup->setToolTip(getLang(10, QStringLiteral("Setup")));
}

QString QMyRecordWidget::getRecordStartButtonPng() const
{
    if (liveLook)
        return QStringLiteral(":/images/res/rec-start2.png");
    if (g_Global.deviceHDR != 0)
        return QStringLiteral(":/images/res/rec-start-hdr.png");
    return QStringLiteral(":/images/res/rec-start.png");
}

void QMyRecordWidget::showx(bool show)
{
    if (show) {
        QWidget::show();
        startTimer->start(300);
    } else {
        // A panel hidden before its first showing came must not open its
        // device behind the other panel's back.
        startTimer->stop();
        QWidget::hide();
        StopAll();
    }
    if (timerBar)
        timerBar->showx(show);
}

void QMyRecordWidget::timer1()
{
    startTimer->stop();
    first_show();
}

void QMyRecordWidget::closeEvent(QCloseEvent* e)
{
    StopAll();
    e->accept();
}

bool QMyRecordWidget::event(QEvent* e)
{
    if (e->type() != MyEvent::EventType)
        return QWidget::event(e);
    auto* m = static_cast<MyEvent*>(e);
    switch (m->msg) {
    case MSG_HOTKEY_COMMAND:
        if (m->wParam == CMD_RECORD_START_STOP) {
            GA_TrackClick("hotkey_startrec");
            btnRecordStartClick();
        } else if (m->wParam == CMD_RECORD_PAUSE) {
            int recording = 0;
            ZD_CheckState(g_Global.hCore, nullptr, nullptr, &recording, nullptr, nullptr);
            if (recording)
                btnRecordPauseClick();
        } else if (m->wParam == CMD_CAPTURE_PICTURE) {
            btnPictureClick();
        } else if (m->wParam == CMD_OPEN_FILES_MANAGER) {
            btnFilesClick();
        }
        break;
    case MSG_GIF_STATE:
        if (m->wParam == 0) {
            btnGif->setToolTip(getLang(11009, QStringLiteral("Stop Gif")));
            btnGif->SetPicture(QStringLiteral(":/images/res/gif_2.png"), 4);
        } else if (m->wParam == 1) {
            dbg("GIF capture end.\n");
            btnGif->setToolTip(getLang(11008, QStringLiteral("GIF")));
            btnGif->SetPicture(QStringLiteral(":/images/res/gif_1.png"), 4);
            btnGif->setText(QString());
            // One entry per capture: a repeated end report finds no path.
            if (!gifPath.isEmpty() && g_Global.pFilesCatalog)
                g_Global.pFilesCatalog->AddFile(gifPath, getSizeString(GetFileSize(gifPath)),
                                                QString());
            gifPath.clear();
        } else if (m->wParam == 2) {
            dbg("encoder gif time: %d\n", int(m->lParam));
            btnGif->setText(QString::number(m->lParam / 1000));
        } else if (m->wParam == 5) {
            ZD_ScreenShot_gif_stop(g_Global.hCore);
        }
        break;
    case MSG_RECORD_STATE:
        if (m->wParam == 0) {
            recordText->setText(
                getLang(11001, QStringLiteral("Stop(#v1#)"), hotkeyText(g_Global.recHotkeyRec)));
            pauseText->setText(
                getLang(11002, QStringLiteral("Pause(#v1#)"), hotkeyText(g_Global.recHotkeyPause)));
            elapsedDisplay->display(QStringLiteral("00:00:00"));
            elapsedDisplay->show();
            btnRecDur->show();
            btnPause->show();
            pauseText->show();
            paused = 0;
            resizeAll();
            btnPause->SetPicture(liveLook ? QStringLiteral(":/images/res/pause2.png")
                                          : QStringLiteral(":/images/res/pause.png"),
                                 4);
            btnRecord->SetPicture(liveLook ? QStringLiteral(":/images/res/stop2.png")
                                           : QStringLiteral(":/images/res/stop.png"),
                                  4);
        } else if (m->wParam == 1) {
            recordText->setText(
                getLang(11000, QStringLiteral("Record(#v1#)"), hotkeyText(g_Global.recHotkeyRec)));
            pauseText->setText(
                getLang(11002, QStringLiteral("Pause(#v1#)"), hotkeyText(g_Global.recHotkeyPause)));
            elapsedDisplay->hide();
            btnRecDur->hide();
            btnPause->hide();
            pauseText->hide();
            resizeAll();
            btnPause->SetPicture(liveLook ? QStringLiteral(":/images/res/pause2.png")
                                          : QStringLiteral(":/images/res/pause.png"),
                                 4);
            btnRecord->SetPicture(getRecordStartButtonPng(), 4);
        } else if (m->wParam == 2) {
            const long long secs = m->lParam;
            QString text =
                QString::asprintf("%02lld:%02lld:%02lld", secs / 3600, secs % 3600 / 60, secs % 60);
            if (paused) {
                if (g_blinkCounter++ % 2 == 0)
                    text.clear();
            }
            elapsedDisplay->display(text);
        }
        break;
    case MSG_PREVIEW_FAILED:
        // Both panels' device (the capture device or the live canvas).
        if (m->wParam == 0) {
            const QString text = PreviewFailedText(m->lParam);
            if (!text.isEmpty())
                AfxMessageBox(nullptr, text, MSGBOX_NOTICE);
        }
        break;
    case MSG_MOUSE_WHEEL:
        break;
    case MSG_AUDIO_NOT_48KHZ:
        if (m->wParam == 0)
            AfxMessageBox(
                AfxGetMainWindow(),
                getLang(11013, QStringLiteral("The device audio format is not 48KHZ,This will "
                                              "result in reduced sound quality. Please modify the "
                                              "windows audio property output to 48KHZ.")),
                MSGBOX_NOTICE);
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

// ---- Recording controls -------------------------------------------------------

void QMyRecordWidget::btnHideClick()
{
    if (ZDHelperGUI* gui = mainGui())
        gui->HideBar(nullptr);
}

void QMyRecordWidget::recordAttemptEnded()
{
    btnRecord->setEnabled(true);
}

void QMyRecordWidget::btnRecordStartClick()
{
    GA_TrackClick("start_record");
    int previewing = 0;
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, &previewing, &recording, nullptr, nullptr);
    if (recording) {
        btnRecord->setEnabled(false);
        stopRecord(true);
        recordAttemptEnded();
        return;
    }
    if (g_Global.deviceHDR != 0 && qNvidiaCardNeed::CheckNeedCudaHevcEncoder(this) != 1)
        return;

    const int height = g_Global.recHeight != 0 ? g_Global.recHeight : g_Global.devHeight;
    const int slot = hwCapSlot(g_Global.recVCodec, height);
    if (slot >= 0 && g_Global.hwCap[slot] == 0) {
        AfxMessageBox(this,
                      getLang(25022, QStringLiteral("The encoder of recording mp4 is invalid.(Your "
                                                    "GPU encoder only can encode 1080P picture)")),
                      MSGBOX_ERROR);
        return;
    }
    if (!previewing) {
        AfxMessageBox(nullptr,
                      getLang(11005, QStringLiteral("Please open capture device firstly.")),
                      MSGBOX_NOTICE);
        return;
    }

    btnRecord->setEnabled(false);
    g_Global.recTargetPath.clear();
    paused = 0;
    g_Global.recAutoStopSecs = 0;

    if (!g_Global.recAutoName) {
        QString chosen;
        if (!CPublic::GetSaveFile(chosen,
                                  QStringLiteral("Media files(*") + RecordFileExtension() + ")",
                                  QStringLiteral("RecordBar1"), nullptr)) {
            recordAttemptEnded();
            return;
        }
        g_Global.recTargetPath = chosen;
    }
    const QString target = g_Global.recAutoName ? g_Global.recSaveTo : g_Global.recTargetPath;
    // With automatic names the target is the folder the file goes into: one
    // that does not exist cannot take it, though its parent might take a
    // file of the folder's name, which is what the path test tries.
    const bool valid = g_Global.recAutoName ? QFileInfo(target).isDir() && IsSavePathValid(target)
                                            : IsSavePathValid(target);
    if (!valid) {
        AfxMessageBox(nullptr,
                      QStringLiteral("The saving path ") + target +
                          QStringLiteral(" is invalid.\n") +
                          QStringLiteral("Please check that the folder exists, that you may "
                                         "write to it, and that its disk is neither full nor "
                                         "read-only."),
                      MSGBOX_NOTICE);
        g_Global.recTargetPath.clear();
        recordAttemptEnded();
        return;
    }

    // The volume of the folder the file goes to; a volume whose free space
    // cannot be told is treated as full, so the user is asked.
    qint64 freeBytes = _GetDiskFreeSpace(targetFolder(target));
    if (freeBytes < 0)
        freeBytes = 0;
    if (freeBytes < kLowSpaceBytes) {
        const QChar first = target.isEmpty() ? QChar(0) : target.at(0);
        const QString drive = first.unicode() > 255 ? QString(QChar(0)) : QString(first);
        if (AfxMessageBox(nullptr,
                          getLang(11006,
                                  QStringLiteral("Only left #v1# free space on drive #v2#, do you "
                                                 "want to record anyway?"),
                                  getSizeString(freeBytes), drive),
                          MSGBOX_QUESTION) != 1) {
            g_Global.recTargetPath.clear();
            recordAttemptEnded();
            return;
        }
    }

    ZDHelperGUI* gui = mainGui();
    const int r = gui ? gui->StartRecord() : 0;
    if (r != 1) {
        QString text =
            getLang(11007, QStringLiteral("Start recored failed (#v1#)."), QString::number(r));
        if (r == -3)
            text += QStringLiteral("\n") +
                    getLang(11019, QStringLiteral("Maybe the video encoder is not supported, you "
                                                  "can switch to H264(software) encoder and try "
                                                  "again."));
        AfxMessageBox(nullptr, text, MSGBOX_NOTICE);
    }
    recordAttemptEnded();
}

void QMyRecordWidget::btnRecordPauseClick()
{
    GA_TrackClick("pause_resume");
    if (!paused) {
        if (ZD_PauseRecord(g_Global.hCore, 1) < 1)
            return;
        paused = 1;
        btnPause->SetPicture(liveLook ? QStringLiteral(":/images/res/play2.png")
                                      : QStringLiteral(":/images/res/play.png"),
                             4);
        pauseText->setText(
            getLang(11004, QStringLiteral("Resume(#v1#)"), hotkeyText(g_Global.recHotkeyPause)));
    } else {
        if (ZD_PauseRecord(g_Global.hCore, 0) < 1)
            return;
        paused = 0;
        btnPause->SetPicture(liveLook ? QStringLiteral(":/images/res/pause2.png")
                                      : QStringLiteral(":/images/res/pause.png"),
                             4);
        pauseText->setText(
            getLang(11002, QStringLiteral("Pause(#v1#)"), hotkeyText(g_Global.recHotkeyPause)));
    }
    btnPause->setToolTip(pauseText->text());
}

void QMyRecordWidget::btnFilesClick()
{
    // One window at a time: the hot key reaches here while the button is
    // disabled, and then only raises the open window.
    QFilesManagerDlg* window = QFilesManagerDlg::showOrRaise(this);
    connect(window, &QFilesManagerDlg::filesWndClosed, this, &QMyRecordWidget::onFilesWndClosed,
            Qt::UniqueConnection);
    btnFiles->setEnabled(false);
    if (g_Global.autoMuteWhenShowFilesDlg && !muted) {
        mutedForFiles = 1;
        Mute_Audio();
    }
}

void QMyRecordWidget::onFilesWndClosed()
{
    btnFiles->setEnabled(true);
    if (mutedForFiles) {
        UnMute_Audio(false);
        mutedForFiles = 0;
    }
}

void QMyRecordWidget::btnPictureClick()
{
    GA_TrackClick("shortcut_pict");
    const QString path = getPictPathName(QStringLiteral(".") + g_Global.picExt);
    ZD_ScreenShot_bmp(g_Global.hCore, path.toUtf8().constData(), 1);
}

void QMyRecordWidget::onPictureCaptureDone(const QString& path)
{
    if (path.isEmpty() || g_Global.pFilesCatalog == nullptr)
        return;
    g_Global.pFilesCatalog->AddFile(path, getSizeString(GetFileSize(path)), QString());
}

void QMyRecordWidget::onPictureSavedReport(long long lParam)
{
    const char* p = reinterpret_cast<const char*>(lParam);
    if (p == nullptr)
        return;
    onPictureCaptureDone(QString::fromUtf8(p, qsizetype(qstrnlen(p, 4096))));
}

void QMyRecordWidget::btnGifClick()
{
    GA_TrackClick("shortcut_gif");
    int gif = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, nullptr, &gif, nullptr);
    if (gif) {
        ZD_ScreenShot_gif_stop(g_Global.hCore);
        return;
    }
    gifPath = getPictPathName(QStringLiteral(".gif"));
    ZD_ScreenShot_gif(g_Global.hCore, g_Global.gifWidth, g_Global.gifHeight, g_Global.gifKeepAspect,
                      g_Global.gifFps, gifPath.toLocal8Bit().constData());
}

void QMyRecordWidget::btnDUDClick()
{
    QDudManagerDlg dialog(this);
    dialog.exec();
}

void QMyRecordWidget::btnRecDurClick()
{
    GA_TrackClick("rec_dur_set");
    QMyRecordProperty dialog(this);
    dialog.exec();
}

void QMyRecordWidget::Mute_Audio()
{
    btnMute->SetPicture(QStringLiteral(":/images/res/volume2.png"), 4);
    muted = 1;
    ZD_AdjustVolume(g_Global.hCore, -255);
}

void QMyRecordWidget::UnMute_Audio(bool resetSlider)
{
    btnMute->SetPicture(QStringLiteral(":/images/res/volume1.png"), 4);
    muted = 0;
    ZD_AdjustVolume(g_Global.hCore, 255);
    if (resetSlider)
        volumeSlider->setValue(100);
}

void QMyRecordWidget::btnMuteClick()
{
    GA_TrackClick("mute_unmute");
    if (muted)
        UnMute_Audio(false);
    else
        Mute_Audio();
}

void QMyRecordWidget::volume_slider_changed(int value)
{
    if (muted)
        UnMute_Audio(false);
    ZD_AdjustVolume(g_Global.hCore, value);
}

void QMyRecordWidget::btnSetupClick()
{
    QSetupWnd setup(AfxGetMainWindow());
    setup.exec();
}

void QMyRecordWidget::StopAll()
{
    int open = 0;
    int recording = 0;
    int gif = 0;
    ZD_CheckState(g_Global.hCore, &open, nullptr, &recording, &gif, nullptr);
    // A recording the engine has already given up on (its device gone) is
    // still finished here, so that its file enters the list.
    if (recording || g_Global.recStartTime != 0)
        stopRecord(false);
    if (gif)
        btnGifClick();
    if (open)
        ZD_CloseDevice(g_Global.hCore);
}

bool QMyRecordWidget::ConfirmStopRecordingToSwitch()
{
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, &recording, nullptr, nullptr);
    if (!recording)
        return true;
    return AfxMessageBoxQuestion(
               nullptr, getLang(11012, QStringLiteral("The recording process is running, "
                                                      "are you sure to stop and switch the "
                                                      "interface?"))) == 1;
}

void QMyRecordWidget::StopRecordingToSwitch()
{
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, &recording, nullptr, nullptr);
    if (recording)
        stopRecord(false);
}

bool QMyRecordWidget::IsCanSwitchRecordLive()
{
    if (!ConfirmStopRecordingToSwitch())
        return false;
    StopRecordingToSwitch();
    return true;
}

void QMyRecordWidget::ShowOpenDeviceFailure(int result, const QString& videoName)
{
    switch (result) {
    case ZD_OPEN_NO_DEVICE:
        AfxMessageBox(nullptr,
                      getLang(13003, QStringLiteral("No found capture device #v1#"), videoName),
                      MSGBOX_ERROR);
        break;
    case ZD_OPEN_CAMERA_DENIED:
        if (AfxMessageBoxQuestion(
                nullptr,
                getLang(13004,
                        QStringLiteral("The program does not have permission to access the "
                                       "camera. Please allow the program to access the camera in "
                                       "the windows settings. Do you want to visit the FAQ?")),
                getLang(3, QStringLiteral("Yes")), getLang(4, QStringLiteral("No"))) == 1) {
            const QUrl url = cameraHelpUrl();
            if (url.isValid())
                QDesktopServices::openUrl(url);
        }
        break;
    case ZD_OPEN_PREVIEW_FAILED:
        AfxMessageBox(nullptr,
                      getLang(13005, QStringLiteral("Open device failed. Start preview failed")),
                      MSGBOX_ERROR);
        break;
    case ZD_OPEN_MICROPHONE_DENIED:
        AfxMessageBox(nullptr,
                      getLang(130055, QStringLiteral("The program does not have permission to open "
                                                     "the audio device. Please allow the program "
                                                     "to use the microphone in the system "
                                                     "settings")),
                      MSGBOX_ERROR);
        break;
    default:
        break;
    }
}

QString QMyRecordWidget::PreviewFailedText(long long code)
{
    switch (code) {
    case 1:
        return getLang(13007, QStringLiteral("Start preview failed.(Maybe the device is using)."));
    case 2:
        return getLang(13008, QStringLiteral("Create crossbar filter failed.(Maybe the device is "
                                             "using, please restart PC an try again)."));
    case 3:
        return getLang(13009, QStringLiteral("Capture image failed."));
    case 4:
        return getLang(13011, QStringLiteral("Invalid device."));
    default:
        return QString();
    }
}

bool QMyRecordWidget::CloseDeviceToReopen()
{
    void* h = g_Global.hCore;
    int open = 0;
    int recording = 0;
    int gif = 0;
    ZD_CheckState(h, &open, nullptr, &recording, &gif, nullptr);
    if (!open)
        return true;
    if (recording) {
        if (AfxMessageBoxQuestion(nullptr,
                                  getLang(13006, QStringLiteral("The recording is running. Do you "
                                                                "want to stop recording?")),
                                  getLang(3, QStringLiteral("Yes")),
                                  getLang(4, QStringLiteral("No"))) != 1)
            return false;
        stopRecord(false);
    }
    if (gif)
        ZD_ScreenShot_gif_stop(h);
    ZD_CloseDevice(h);
    return true;
}

void QMyRecordWidget::ApplyDeviceFilters(const QString& device)
{
    if (!g_Global.pFilterStore)
        return;
    deviceFilters = g_Global.pFilterStore->getDeviceFilters(device);
    if (deviceFilters) {
        deviceFilters->loadDeviceFilters();
        deviceFilters->ApplyAllFilters();
    }
}

void QMyRecordWidget::StartDudLiveWhenSharing()
{
    if (!g_Global.dudRunning || !g_Global.dudEnableLive)
        return;
    const int r = ZD_StartDUD_live(g_Global.hCore, g_Global.dudEncWidth, g_Global.dudEncHeight,
                                   g_Global.dudEncFps, g_Global.dudEncBitrate / 1024);
    if (r != 1)
        AfxMessageBox(nullptr,
                      getLang(13002, QStringLiteral("Start DUD live streaming failed(#v1#)"),
                              QString::number(r)),
                      MSGBOX_ERROR);
}

void QMyRecordWidget::DeviceLost()
{
    int open = 0;
    ZD_CheckState(g_Global.hCore, &open, nullptr, nullptr, nullptr, nullptr);
    if (open || g_Global.recStartTime != 0)
        StopAll();
}
