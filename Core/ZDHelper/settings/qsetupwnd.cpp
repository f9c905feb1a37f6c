#include "qsetupwnd.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QToolTip>
#include <cmath>
#include <limits>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qliveservermanagdlg.h"
#include "qmypushbutton.h"
#include "qnvidiacardneed.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qsetupwnd.h"
#include "vazURIdav.h"

namespace
{

// PREVIEW/VRENDER2 values, handed to the engine when a device opens. 1 and 2
// name another platform's renderers (Metal, OpenGL); 4 is the X11 window
// drawing this engine does.
constexpr int kRenderAuto = 0;
constexpr int kRenderMadVR = 3;
constexpr int kRenderX11 = 4;

// The audio list's one entry; it stands for the system's default output,
// which PREVIEW/ARENDER stores as the empty name.
const QString kSystemDefaultAudio = QStringLiteral("system default");

// A leading decimal integer as atoi reads it (blanks, a sign, digits),
// held to the int range instead of overflowing.
int64_t leadingInt(const QString& text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        if (value <= int64_t(std::numeric_limits<int32_t>::max()) + 1)
            value = value * 10 + (text[i].unicode() - '0');
        ++i;
    }
    value = negative ? -value : value;
    return qBound(int64_t(std::numeric_limits<int32_t>::min()), value,
                  int64_t(std::numeric_limits<int32_t>::max()));
}

// A leading decimal number as atof reads it, but always with a decimal
// point, whatever the user's locale.
double leadingDouble(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return 0.0;
    return m.captured(1).toDouble();
}

// An int the way the form's numeric fields are read: a text that is no
// number gives ok = false.
int textToInt(const QString& text, bool* ok)
{
    return text.toInt(ok, 10);
}

void setChecked(QCheckBox* box, int value)
{
    box->setChecked(value != 0);
}

int checkedValue(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

// ---- Parsers and text rules ------------------------------------------------------

int64_t QSetupWnd::STR2Bitrate(const QString& text)
{
    const QString lower = text.toLower();
    int shift = 0;
    if (lower.indexOf(QLatin1Char('g')) > 0)
        shift = 30;
    else if (lower.indexOf(QLatin1Char('m')) > 0)
        shift = 20;
    else if (lower.indexOf(QLatin1Char('k')) > 0)
        shift = 10;
    if (!text.contains(QLatin1Char('.')))
        return leadingInt(lower) * (int64_t(1) << shift);
    const double value = std::trunc(leadingDouble(lower) * double(int64_t(1) << shift));
    // A huge exponent would not fit; it is held to the range instead.
    if (!(value < 9.2e18))
        return std::numeric_limits<int64_t>::max();
    if (!(value > -9.2e18))
        return std::numeric_limits<int64_t>::min();
    return int64_t(value);
}

QString QSetupWnd::BitrateText(int32_t bitsPerSecond)
{
    const long long v = bitsPerSecond;
    QString text;
    if ((v & ((1LL << 30) - 1)) == 0)
        text = QString::asprintf("%lldG", v / (1LL << 30));
    else if ((v & ((1LL << 20) - 1)) == 0)
        text = QString::asprintf("%lldM", v / (1LL << 20));
    else if ((v & ((1LL << 10) - 1)) == 0)
        text = QString::asprintf("%lldK", v / (1LL << 10));
    else
        text = QString::asprintf("%lld", v);
    return text + QStringLiteral("bps");
}

QString QSetupWnd::SplitText(int32_t megabytes)
{
    const long long s = megabytes;
    if (s == 0)
        return QString();
    if (s % 1024 == 0)
        return QString::asprintf("%lldG", s / 1024);
    return QString::asprintf("%lldM", s);
}

bool QSetupWnd::getResolution(const QString& prefix, const QString& text, int& width, int& height,
                              bool allowSameToDevice)
{
    const QStringList parts = text.toLower().split(QLatin1Char('x'), Qt::KeepEmptyParts);
    bool ok = parts.size() == 2;
    int w = 0;
    int h = 0;
    if (ok) {
        bool okW = false;
        bool okH = false;
        w = textToInt(parts[0], &okW);
        h = textToInt(parts[1], &okH);
        const bool inRange = w >= 1 && w <= 3840 && h >= 1 && h <= 2160;
        const bool sameToDevice = allowSameToDevice && w == 0 && h == 0;
        ok = okW && okH && (inRange || sameToDevice);
    }
    if (!ok) {
        AfxMessageBox(this,
                      prefix + "\n" +
                          getLang(25012, QStringLiteral("The video resolution value is invalid.")),
                      MSGBOX_NOTICE);
        return false;
    }
    width = w;
    height = h;
    return true;
}

bool QSetupWnd::getFps(const QString& prefix, const QString& text, int& fps)
{
    bool ok = false;
    const int value = textToInt(text, &ok);
    if (!ok || value < 10 || value > 60) {
        AfxMessageBox(
            this,
            prefix + "\n" +
                getLang(25013, QStringLiteral("Wrong FPS value.(Please input a number 10~60).")),
            MSGBOX_NOTICE);
        return false;
    }
    fps = value;
    return true;
}

bool QSetupWnd::getSaveDir(const QString& prefix, const QString& text, QString& folder)
{
    if (text.isEmpty()) {
        AfxMessageBox(this,
                      prefix + "\n" +
                          getLang(25015, QStringLiteral("The saving path can not be set blank.")),
                      MSGBOX_NOTICE);
        return false;
    }
    if (!IsDirExisted(text)) {
        AfxMessageBox(this,
                      prefix + "\n" +
                          getLang(25014, QStringLiteral("The path #v1# is not existed."), text),
                      MSGBOX_NOTICE);
        return false;
    }
    folder = text;
    return true;
}

// ---- Construction ------------------------------------------------------------------

QSetupWnd::QSetupWnd(QWidget* parent) : MyDialog(parent), ui(new Ui::QSetupWnd), myLang(nullptr)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    // The form connects the record page's bitrate and format handlers, so
    // they already run while the lists below are filled.
    ui->setupUi(this);
    sameToDeviceText = getLang(27014, QStringLiteral("Same to device"));
    noSplitText = getLang(27016, QStringLiteral("no split"));

    AdjustRects(this, true);

    for (QMyPushButton* help :
         {ui->s2_btnhelp, ui->s3_btnhelp, ui->s4_btnhelp, ui->s5_btnhelp, ui->s6_btnhelp}) {
        connect(help, &QPushButton::clicked, this, &QSetupWnd::onhelpbtnclick);
        help->SetPicture(QStringLiteral(":/images/res/setup-help.png"), 4);
    }
    ui->s2_btnhelp->hide();
    ui->s3_btnhelp->hide();
    ui->s4_btnhelp->hide();
    for (QMyPushButton* browse : {ui->s3_btn1, ui->s4_btn1, ui->s5_btn1})
        browse->SetPicture(QStringLiteral(":/images/res/open.png"), 4);

    ui->s2_chk_ignore->hide();
    ui->s3_btntest->hide();
    // The share page is shown, so that the share service can be set up.

    ui->s6_edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[0-9]*[1-9][0-9]*$")), this));

    const GLOBAL_PARAMS& g = g_Global;

    // General.
    for (int i = 0; i < myLang.names().size(); ++i)
        ui->s1_cbx_lang->addItem(myLang.names().at(i), i);
    for (int i = 0; i < myLang.paths().size(); ++i) {
        if (myLang.paths().at(i).compare(g.langFile, Qt::CaseInsensitive) == 0) {
            ui->s1_cbx_lang->setCurrentIndex(i);
            break;
        }
    }
    setChecked(ui->s1_chk_hidebar, g.autoHideBarWhenStart);
    setChecked(ui->s1_chk_hidestatus, g.hideStatusBarWhenHideBar);
    setChecked(ui->s1_chk_fullscreen, g.autoFullScreenWhenStart);
    setChecked(ui->s1_chk_mute, g.autoMuteWhenShowFilesDlg);

    // Preview. Each entry carries the PREVIEW/VRENDER2 value it stands for,
    // which keeps its meaning on every platform: 1 ("METAL") and 2 ("OPEN
    // GL") are renderers the engine does not draw with here, so they are not
    // offered; a stored 1 or 2 selects nothing and is kept as it is.
    ui->s2_cbx_video->addItem(QStringLiteral("Auto selection"), kRenderAuto);
    ui->s2_cbx_video->addItem(QStringLiteral("X11"), kRenderX11);
    if (ZD_IsmadVR_isValid())
        ui->s2_cbx_video->addItem(QStringLiteral("madVR render"), kRenderMadVR);
    ui->s2_cbx_video->setCurrentIndex(ui->s2_cbx_video->findData(g.videoRender));
    ui->s2_cbx_audio->addItem(kSystemDefaultAudio);
    ui->s2_cbx_audio->setCurrentIndex(0);
    setChecked(ui->s2_chk_keep, g.keepAspect);
    setChecked(ui->s2_chk_ignore, g.ignoreVD);

    // Record.
    ui->s3_cbx_size->setEditable(true);
    ui->s3_cbx_size->addItems({sameToDeviceText, "3840x2160", "1920x1080", "1440x900", "1360x768",
                               "1280x1024", "1280x720", "1280x960", "1024x768", "800x600",
                               "720x480", "640x480"});
    ui->s3_cbx_size->setCurrentText(
        g.recWidth != 0 ? QString::asprintf("%dx%d", g.recWidth, g.recHeight) : sameToDeviceText);
    ui->s3_cbx_fps->addItems({sameToDeviceText, "60", "50", "30", "25", "24", "15"});
    ui->s3_cbx_fps->setCurrentText(g.recFps != 0 ? QString::asprintf("%d", g.recFps)
                                                 : sameToDeviceText);
    ui->s3_cbx_bitrate->setEditable(true);
    ui->s3_cbx_bitrate->addItems({"18Mbps", "10Mbps", "5Mbps", "2Mbps", "1Mbps", "800Kbps"});
    ui->s3_cbx_bitrate->setCurrentText(BitrateText(g.recBitrate));
    ui->s3_cbx_format->addItems({"MP4(H264+AAC) Variable FPS", "MP4(H264+AAC) Constant FPS",
                                 "MP4(H264+AC3)", "MP4(H264+MP3)", "TS(H264+AAC)"});
    ui->s3_cbx_format->setCurrentIndex(g.recFormat);
    if (g.recFormat == 0)
        lockFpsForVariableRate();
    fillCodecList();
    for (const char* preset : enc_preset)
        ui->s3_cbx_speed->addItem(QString::fromLatin1(preset));
    ui->s3_cbx_speed->setCurrentIndex(g.recVSpeed);
    ui->s3_edit->setText(g.recSaveTo);
    setChecked(ui->s3_chk1, g.recAutoName ? 1 : 0);
    QStringList hotKeys;
    for (int i = 1; i <= HotKeyCount; ++i)
        hotKeys << QString::asprintf("F%d", i);
    ui->s3_cbx_hotrec->addItems(hotKeys);
    ui->s3_cbx_hotrec->setCurrentText(QString::asprintf("F%d", g.recHotkeyRec));
    ui->s3_cbx_hotpau->addItems(hotKeys);
    ui->s3_cbx_hotpau->setCurrentText(QString::asprintf("F%d", g.recHotkeyPause));
    ui->s3_cbx_split->setEditable(true);
    ui->s3_cbx_split->addItems({noSplitText, "4GB", "2GB", "1GB"});
    if (g.recSplitMB == 0)
        ui->s3_cbx_split->setCurrentIndex(0);
    else
        ui->s3_cbx_split->setCurrentText(SplitText(g.recSplitMB));

    // Picture.
    ui->s4_edit->setText(g.picSaveTo);
    ui->s4_cbx_format->addItems({"PNG", "JPG", "BMP"});
    ui->s4_cbx_format->setCurrentText(g.picExt.toUpper());
    ui->s4_cbx_hotkey->addItems(hotKeys);
    ui->s4_cbx_hotkey->setCurrentText(QString::asprintf("F%d", g.picHotkey));
    ui->s4_cbx_gifsize->addItems({"720x480", "720x400", "480x320", "380x240", "320x240"});
    ui->s4_cbx_gifsize->setCurrentText(QString::asprintf("%dx%d", g.gifWidth, g.gifHeight));
    ui->s4_cbx_giffps->addItems({"20", "15", "10"});
    ui->s4_cbx_giffps->setCurrentText(QString::asprintf("%d", g.gifFps));
    setChecked(ui->s4_chk_keepasp, g.gifKeepAspect);

    // Live.
    const QStringList sizes = {"1920x1080", "1280x720", "720x480", "640x480"};
    ui->s5_cbx_size->setEditable(true);
    ui->s5_cbx_size->addItems(sizes);
    ui->s5_cbx_size->setCurrentText(QString::asprintf("%dx%d", g.liveWidth, g.liveHeight));
    ui->s5_cbx_fps->setEditable(true);
    ui->s5_cbx_fps->addItems({"30", "25"});
    ui->s5_cbx_fps->setCurrentText(QString::asprintf("%d", g.liveFps));
    ui->s5_cbx_bitrate->setEditable(true);
    ui->s5_cbx_bitrate->addItems({"2Mbps", "1Mbps", "800Kbps", "500kbps"});
    ui->s5_cbx_bitrate->setCurrentText(BitrateText(g.liveBitrate));
    ui->s5_chk_save->setChecked(g.liveSaveFlv);
    ui->s5_edit1->setText(g.liveFlvDir);
    ui->s5_edit1->setEnabled(g.liveSaveFlv);

    // Share service.
    ui->s6_cbx_size->setEditable(true);
    ui->s6_cbx_size->addItems(sizes);
    ui->s6_cbx_size->setCurrentText(QString::asprintf("%dx%d", g.dudEncWidth, g.dudEncHeight));
    ui->s6_cbx_fps->setEditable(true);
    ui->s6_cbx_fps->addItems({"30", "25"});
    ui->s6_cbx_fps->setCurrentText(QString::asprintf("%d", g.dudEncFps));
    ui->s6_cbx_bitrate->setEditable(true);
    ui->s6_cbx_bitrate->addItems({"5Mbps", "2Mbps", "1Mbps"});
    ui->s6_cbx_bitrate->setCurrentText(BitrateText(g.dudEncBitrate));
    ui->s6_edit->setText(QString::number(g.dudServerPort));
    setChecked(ui->s6_chk1, g.dudEnableServer);
    setChecked(ui->s6_chk2, g.dudEnableLive);

    for (QComboBox* hotKey : {ui->s3_cbx_hotrec, ui->s3_cbx_hotpau, ui->s4_cbx_hotkey})
        hotKey->setMaxVisibleItems(13);

    updateLang();
    AdjustFonts(this);
    FitRowToText({ui->s3_cbx_format});
    FitRowToText({ui->s3_cbx_codec});
    CenterWindow(this, nullptr);
    for (QComboBox* combo :
         {ui->s2_cbx_audio, ui->s3_cbx_format, ui->s3_cbx_codec, ui->s1_cbx_lang})
        AdjustComboBoxViewWidth(combo);
    GA_TrackScreen("setup");
}

QSetupWnd::~QSetupWnd()
{
    delete ui;
}

void QSetupWnd::fillCodecList()
{
    char nameBuffers[ZD_ENCODER_LIST_SLOTS][ZD_ENCODER_NAME_BYTES] = {};
    char* names[ZD_ENCODER_LIST_SLOTS];
    int ids[ZD_ENCODER_LIST_SLOTS] = {};
    for (int i = 0; i < ZD_ENCODER_LIST_SLOTS; ++i)
        names[i] = nameBuffers[i];
    const int n =
        qMin(ZD_GetEncodeH264EngineList(g_Global.hCore, names, ids), int(ZD_ENCODER_LIST_SLOTS));
    ui->s3_cbx_codec->clear();
    for (int i = 0; i < n; ++i) {
        const QString name =
            QString::fromLocal8Bit(nameBuffers[i], qstrnlen(nameBuffers[i], ZD_ENCODER_NAME_BYTES));
        ui->s3_cbx_codec->addItem(name, ids[i]);
        if (ids[i] == g_Global.recVCodec)
            ui->s3_cbx_codec->setCurrentIndex(i);
    }
}

void QSetupWnd::lockFpsForVariableRate()
{
    ui->s3_cbx_fps->setCurrentText(sameToDeviceText);
    ui->s3_cbx_fps->setEnabled(false);
    ui->s3_cbx_fps->setToolTip(
        getLang(27017, QStringLiteral("Only valid when MP4 format is Constant FPS")));
}

void QSetupWnd::updateLang()
{
    setWindowTitle(getLang(25005, QStringLiteral("Setup")));
    for (int i = 0; i < 6; ++i)
        ui->tab->setTabText(i, getLang(25006 + i, QString()));
    ui->s1_1->setText(getLang(25000, QString()));
    ui->s1_chk_hidebar->setText(getLang(25001, QString()));
    ui->s1_chk_hidestatus->setText(getLang(25002, QString()));
    ui->s1_chk_fullscreen->setText(getLang(25003, QString()));
    ui->s1_chk_mute->setText(getLang(25004, QString()));
    ui->s2_1->setText(getLang(26000, QString()));
    ui->s2_2->setText(getLang(26001, QString()));
    ui->s2_chk_keep->setText(getLang(26002, QString()));
    ui->s2_chk_ignore->setText(getLang(26003, QString()));
    ui->s3_1->setText(getLang(27000, QString()));
    ui->s3_2->setText(getLang(27001, QString()));
    ui->s3_3->setText(getLang(27002, QString()));
    ui->s3_4->setText(getLang(27003, QString()));
    ui->s3_5->setText(getLang(27004, QString()));
    ui->s3_6->setText(getLang(27005, QString()));
    ui->s3_7->setText(getLang(27006, QString()));
    ui->s3_chk1->setText(getLang(27007, QString()));
    ui->s3_8->setText(getLang(27008, QString()));
    ui->s3_9->setText(getLang(27009, QString()));
    ui->s3_btntest->setText(getLang(27010, QString()));
    ui->s3_10->setText(getLang(27015, QString()));
    ui->s4_1->setText(getLang(28000, QString()));
    ui->s4_2->setText(getLang(28001, QString()));
    ui->s4_3->setText(getLang(28002, QString()));
    ui->s4_4->setText(getLang(28003, QString()));
    ui->s4_5->setText(getLang(28004, QString()));
    ui->s4_chk_keepasp->setText(getLang(28005, QString()));
    ui->s5_1->setText(getLang(29000, QString()));
    ui->s5_2->setText(getLang(29001, QString()));
    ui->s5_3->setText(getLang(29002, QString()));
    ui->s5_chk_save->setText(getLang(29003, QString()));
    ui->s5_btn2->setText(getLang(29004, QString()));
    ui->s6_1->setText(getLang(31000, QString()));
    ui->s6_2->setText(getLang(31001, QString()));
    ui->s6_3->setText(getLang(31002, QString()));
    ui->s6_4->setText(getLang(31003, QString()));
    ui->s6_chk1->setText(getLang(31004, QString()));
    ui->s6_chk2->setText(getLang(31005, QString()));
    ui->btnOK->setText(getLang(1, QStringLiteral("OK")));
    ui->btnCancel->setText(getLang(2, QStringLiteral("Cancel")));
    ui->btnDef->setText(getLang(25021, QStringLiteral("Default")));
}

// ---- OK ------------------------------------------------------------------------------

void QSetupWnd::onBtnOKClick()
{
    // Everything is checked before anything is written: a refused value
    // leaves g_Global and setting.ini as they were.
    GLOBAL_PARAMS v;
    const QString recordPrefix = getLang(25008, QString());
    const QString picturePrefix = getLang(25009, QString());
    const QString livePrefix = getLang(25010, QString());

    if (ui->s3_cbx_size->currentText() == sameToDeviceText) {
        v.recWidth = 0;
        v.recHeight = 0;
    } else if (!getResolution(recordPrefix, ui->s3_cbx_size->currentText(), v.recWidth, v.recHeight,
                              true)) {
        return;
    }
    if (ui->s3_cbx_fps->currentText() == sameToDeviceText)
        v.recFps = 0;
    else if (!getFps(recordPrefix, ui->s3_cbx_fps->currentText(), v.recFps))
        return;
    if (!getSaveDir(recordPrefix, ui->s3_edit->text(), v.recSaveTo))
        return;
    v.recHotkeyRec = ui->s3_cbx_hotrec->currentIndex() + 1;
    v.recHotkeyPause = ui->s3_cbx_hotpau->currentIndex() + 1;

    if (!getSaveDir(picturePrefix, ui->s4_edit->text(), v.picSaveTo))
        return;
    if (!getResolution(picturePrefix, ui->s4_cbx_gifsize->currentText(), v.gifWidth, v.gifHeight))
        return;
    if (!getFps(picturePrefix, ui->s4_cbx_giffps->currentText(), v.gifFps))
        return;
    v.picHotkey = ui->s4_cbx_hotkey->currentIndex() + 1;

    if (!getResolution(livePrefix, ui->s5_cbx_size->currentText(), v.liveWidth, v.liveHeight))
        return;
    if (!getFps(livePrefix, ui->s5_cbx_fps->currentText(), v.liveFps))
        return;
    if (ui->s5_chk_save->isChecked() && !getSaveDir(livePrefix, ui->s5_edit1->text(), v.liveFlvDir))
        return;

    if (v.picHotkey == v.recHotkeyRec || v.picHotkey == v.recHotkeyPause) {
        AfxMessageBox(
            this,
            getLang(25018,
                    QStringLiteral("Record/Pause and capture picture hot key are conflicting")),
            MSGBOX_ERROR);
        return;
    }
    if (v.recHotkeyPause == v.recHotkeyRec) {
        AfxMessageBox(this,
                      getLang(25017, QStringLiteral("Record and pause hot key are conflicting")),
                      MSGBOX_ERROR);
        return;
    }

    const int64_t dudBitrate = STR2Bitrate(ui->s6_cbx_bitrate->currentText());
    const int64_t liveBitrate = STR2Bitrate(ui->s5_cbx_bitrate->currentText());
    const int64_t recBitrate = STR2Bitrate(ui->s3_cbx_bitrate->currentText());
    const int64_t splitBytes = STR2Bitrate(ui->s3_cbx_split->currentText());
    auto bitrateValid = [](int64_t b) { return b >= 1000 && b <= 104857600; };
    const QString bitrateMessage =
        QStringLiteral("The #v1# bitrate setting is invalid.(Please set 1K~100M)");
    if (!bitrateValid(recBitrate)) {
        AfxMessageBox(this,
                      getLang(25019, bitrateMessage, getLang(25008, QStringLiteral("Record"))),
                      MSGBOX_ERROR);
        return;
    }
    if (!bitrateValid(liveBitrate)) {
        AfxMessageBox(this, getLang(25019, bitrateMessage, getLang(25010, QStringLiteral("Live"))),
                      MSGBOX_ERROR);
        return;
    }
    if (splitBytes != 0 && (splitBytes < 104857600 || splitBytes > MaxSplitBytes)) {
        AfxMessageBox(this,
                      getLang(25020, QStringLiteral("The record split file setting is "
                                                    "invalid.(please set a number >100M)")),
                      MSGBOX_ERROR);
        return;
    }
    if (g_Global.hwCap[3] == 0 && g_Global.hwCap[4] == 0 && g_Global.hwCap[5] == 0) {
        const int codec = ui->s3_cbx_codec->currentData().toInt();
        if (codec >= 1 && codec <= 3 && v.recWidth >= 1921) {
            AfxMessageBox(this,
                          getLang(25022, QStringLiteral("The encoder of recording mp4 is "
                                                        "invalid.(Your GPU encoder only can "
                                                        "encode 1080P picture)")),
                          MSGBOX_ERROR);
            return;
        }
    }

    // The share-service page has no tab, so nobody can mend a value there:
    // its values are taken when they read well and kept as stored otherwise,
    // never refusing OK.
    GLOBAL_PARAMS& g = g_Global;
    {
        const QStringList size = ui->s6_cbx_size->currentText().toLower().split(QLatin1Char('x'));
        bool okW = false;
        bool okH = false;
        const int w = size.size() == 2 ? size[0].toInt(&okW) : 0;
        const int h = size.size() == 2 ? size[1].toInt(&okH) : 0;
        const bool sizeOk = okW && okH && w >= 1 && w <= 3840 && h >= 1 && h <= 2160;
        v.dudEncWidth = sizeOk ? w : g.dudEncWidth;
        v.dudEncHeight = sizeOk ? h : g.dudEncHeight;
        bool okFps = false;
        const int fps = ui->s6_cbx_fps->currentText().toInt(&okFps);
        v.dudEncFps = okFps && fps >= 10 && fps <= 60 ? fps : g.dudEncFps;
        v.dudEncBitrate = bitrateValid(dudBitrate) ? int32_t(dudBitrate) : g.dudEncBitrate;
    }

    // What changed, then the values.
    bool previewChanged =
        (g.liveWidth != v.liveWidth || g.liveHeight != v.liveHeight || g.liveFps != v.liveFps) &&
        g.liveBaseWidth == 0;
    bool languageChanged = false;
    bool indexOk = false;
    const int langIndex = ui->s1_cbx_lang->currentData().toInt(&indexOk);
    if (indexOk && langIndex >= 0 && langIndex < myLang.paths().size()) {
        const QString path = myLang.paths().at(langIndex);
        languageChanged = g.langFile != path;
        g.langFile = path;
        g.fontName = QMyLang::getFontName(path);
    }

    g.autoHideBarWhenStart = checkedValue(ui->s1_chk_hidebar);
    g.hideStatusBarWhenHideBar = checkedValue(ui->s1_chk_hidestatus);
    g.autoFullScreenWhenStart = checkedValue(ui->s1_chk_fullscreen);
    g.autoMuteWhenShowFilesDlg = checkedValue(ui->s1_chk_mute);

    // A list left without a selection (a stored value it has no entry for)
    // keeps the stored value rather than writing -1.
    const int renderIndex = ui->s2_cbx_video->currentIndex();
    const int videoRender =
        renderIndex >= 0 ? ui->s2_cbx_video->currentData().toInt() : g.videoRender;
    const QString audioText = ui->s2_cbx_audio->currentText();
    const QString audioRender = audioText == kSystemDefaultAudio ? QString() : audioText;
    const int keepAspect = checkedValue(ui->s2_chk_keep);
    if (!previewChanged)
        previewChanged = videoRender != g.videoRender || audioRender != g.audioRender ||
                         keepAspect != g.keepAspect;
    g.videoRender = videoRender;
    g.audioRender = audioRender;
    g.keepAspect = keepAspect;
    g.ignoreVD = checkedValue(ui->s2_chk_ignore);

    g.recWidth = v.recWidth;
    g.recHeight = v.recHeight;
    g.recFps = v.recFps;
    g.recBitrate = int32_t(STR2Bitrate(ui->s3_cbx_bitrate->currentText()));
    if (ui->s3_cbx_format->currentIndex() >= 0)
        g.recFormat = ui->s3_cbx_format->currentIndex();
    if (ui->s3_cbx_codec->currentIndex() >= 0)
        g.recVCodec = ui->s3_cbx_codec->currentData().toInt();
    if (ui->s3_cbx_speed->currentIndex() >= 0)
        g.recVSpeed = ui->s3_cbx_speed->currentIndex();
    g.recSaveTo = v.recSaveTo;
    g.recAutoName = ui->s3_chk1->isChecked();
    if (g.recHotkeyRec != v.recHotkeyRec || g.recHotkeyPause != v.recHotkeyPause)
        languageChanged = true;
    g.recHotkeyRec = v.recHotkeyRec;
    g.recHotkeyPause = v.recHotkeyPause;
    g.recSplitMB = int32_t(splitBytes / 1048576);

    g.picSaveTo = v.picSaveTo;
    g.picExt = ui->s4_cbx_format->currentText().toLower();
    g.picHotkey = v.picHotkey;
    g.gifWidth = v.gifWidth;
    g.gifHeight = v.gifHeight;
    g.gifFps = v.gifFps;
    g.gifKeepAspect = checkedValue(ui->s4_chk_keepasp);

    g.liveWidth = v.liveWidth;
    g.liveHeight = v.liveHeight;
    g.liveFps = v.liveFps;
    g.liveBitrate = int32_t(liveBitrate);
    g.liveSaveFlv = ui->s5_chk_save->isChecked();
    if (g.liveSaveFlv)
        g.liveFlvDir = v.liveFlvDir;

    g.dudEncWidth = v.dudEncWidth;
    g.dudEncHeight = v.dudEncHeight;
    g.dudEncFps = v.dudEncFps;
    g.dudEncBitrate = v.dudEncBitrate;
    g.dudServerPort = ui->s6_edit->text().toInt();
    g.dudEnableServer = checkedValue(ui->s6_chk1);
    g.dudEnableLive = checkedValue(ui->s6_chk2);

    if (languageChanged)
        PostMessage(AfxGetMainWindow(), MSG_SETTINGS_CHANGED, MSG_LANGUAGE_CHANGED, 0, nullptr);
    if (previewChanged)
        PostMessage(AfxGetMainWindow(), MSG_SETTINGS_CHANGED, MSG_PREVIEW_SETTINGS_CHANGED, 0,
                    nullptr);
    SaveSetupConfig();
    done(1);
}

void QSetupWnd::onBtnCancelClick()
{
    done(0);
}

void QSetupWnd::onBtnDefaultClick()
{
    QString langPath;
    ui->s1_cbx_lang->setCurrentText(QMyLang::getDefaultName(langPath));
    ui->s1_chk_hidebar->setChecked(false);
    ui->s1_chk_hidestatus->setChecked(false);
    ui->s1_chk_fullscreen->setChecked(false);
    ui->s1_chk_mute->setChecked(true);
    ui->s2_cbx_video->setCurrentIndex(0);
    ui->s2_cbx_audio->setCurrentIndex(0);
    ui->s2_chk_keep->setChecked(true);
    ui->s2_chk_ignore->setChecked(true);
    ui->s3_cbx_size->setCurrentText(sameToDeviceText);
    ui->s3_cbx_fps->setCurrentText(sameToDeviceText);
    ui->s3_cbx_bitrate->setCurrentText(QStringLiteral("10Mbps"));
    ui->s3_cbx_format->setCurrentIndex(0);
    ui->s3_cbx_codec->setCurrentIndex(0);
    ui->s3_cbx_speed->setCurrentIndex(0);
    ui->s3_edit->setText(CPublic::GetMyVideoPath());
    ui->s3_chk1->setChecked(true);
    ui->s3_cbx_hotrec->setCurrentText(QStringLiteral("F2"));
    ui->s3_cbx_hotpau->setCurrentText(QStringLiteral("F3"));
    ui->s3_cbx_split->setCurrentIndex(0);
    ui->s4_edit->setText(CPublic::GetMyVideoPath());
    ui->s4_cbx_format->setCurrentText(QStringLiteral("PNG"));
    ui->s4_cbx_hotkey->setCurrentText(QStringLiteral("F4"));
    ui->s4_cbx_gifsize->setCurrentText(QStringLiteral("480x320"));
    ui->s4_cbx_giffps->setCurrentText(QStringLiteral("15"));
    ui->s4_chk_keepasp->setChecked(true);
    ui->s5_cbx_size->setCurrentText(QStringLiteral("1920x1080"));
    ui->s5_cbx_fps->setCurrentText(QStringLiteral("30"));
    ui->s5_cbx_bitrate->setCurrentText(QStringLiteral("1Mbps"));
    ui->s5_chk_save->setChecked(true);
    ui->s5_edit1->setText(CPublic::GetMyVideoPath());
    ui->s5_edit1->setEnabled(true);
    ui->s6_cbx_size->setCurrentText(QStringLiteral("1280x720"));
    ui->s6_cbx_fps->setCurrentText(QStringLiteral("30"));
    ui->s6_cbx_bitrate->setCurrentText(QStringLiteral("3Mbps"));
    ui->s6_edit->setText(QStringLiteral("9875"));
    ui->s6_chk1->setChecked(false);
    ui->s6_chk2->setChecked(true);
}

// ---- Browse buttons, server list, handlers ---------------------------------------------

void QSetupWnd::onBtnRecSaveBrowse()
{
    QString folder;
    if (CPublic::GetSaveDir(folder, getLang(25016, QStringLiteral("Select a folder")),
                            g_Global.recSaveTo, this))
        ui->s3_edit->setText(folder);
}

void QSetupWnd::onBtnPictSaveBrowse()
{
    QString folder;
    if (CPublic::GetSaveDir(folder, getLang(25016, QStringLiteral("Select a folder")),
                            g_Global.picSaveTo, this))
        ui->s4_edit->setText(folder);
}

void QSetupWnd::onBtnLiveSaveBrowse()
{
    QString folder;
    if (CPublic::GetSaveDir(folder, getLang(25016, QStringLiteral("Select a folder")),
                            g_Global.liveFlvDir, this))
        ui->s5_edit1->setText(folder);
}

void QSetupWnd::onBtnLiveManageRtmp()
{
    QLiveServerManagDlg dlg(this);
    dlg.exec();
}

void QSetupWnd::onChkLiveSaveFlv()
{
    ui->s5_edit1->setEnabled(ui->s5_chk_save->isChecked());
}

void QSetupWnd::onBtnTestGpu()
{
    ui->s3_btntest->setEnabled(false);
    ui->s3_btntest->repaint();
    qNvidiaCardNeed::RunEncoderTests();
    const taghwgpu& cap = g_Global.hwCap;
    if (cap[0] != 0 || cap[1] != 0 || cap[2] != 0)
        AfxMessageBox(nullptr, getLang(27011, QStringLiteral("Your GPU encode works fine.")),
                      MSGBOX_NOTICE);
    else // an id of its own: one id for both outcomes would read "fine" from a language file
        AfxMessageBox(nullptr, getLang(27018, QStringLiteral("Your GPU encode not work.")),
                      MSGBOX_ERROR);
    ui->s3_btntest->setEnabled(true);
    // Back to the normal picture: the message box took the mouse away while
    // the button still showed it pressed.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(ui->s3_btntest, &leave);
    ui->s3_btntest->repaint();
    ZD_SetHWData(cap[0], cap[1], cap[2], cap[6]);
    SaveSetupConfig();
    fillCodecList();
}

void QSetupWnd::onBitrateTextChanged(const QString& text)
{
    // Kept at 64 bits: a text beyond 2 Gbit/s (refused by OK) must not show
    // a negative size.
    const int64_t bitsPerSecond = qMax<int64_t>(0, STR2Bitrate(text));
    const int64_t bytesPerHour = bitsPerSecond / 8 * 3600;
    ui->s3_33->setText(
        getLang(27013, QStringLiteral("File about #v1#/1h"), getSizeString(bytesPerHour)));
}

void QSetupWnd::onMp4formatChanged(int index)
{
    if (index == 0) {
        lockFpsForVariableRate();
        return;
    }
    ui->s3_cbx_fps->setCurrentText(g_Global.recFps != 0 ? QString::asprintf("%d", g_Global.recFps)
                                                        : sameToDeviceText);
    ui->s3_cbx_fps->setEnabled(true);
    ui->s3_cbx_fps->setToolTip(QString());
}

void QSetupWnd::onhelpbtnclick()
{
    const QString tag = sender() ? sender()->property("tag").toString() : QString();
    QString text;
    if (tag == QLatin1String("s2"))
        text = getLang(26004, QString());
    else if (tag == QLatin1String("s3"))
        text = getLang(27012, QString());
    else if (tag == QLatin1String("s5"))
        text = getLang(29005, QString());
    else if (tag == QLatin1String("s6"))
        text = getLang(31006, QString());
    else
        return;
    const QPoint at(ui->tab->x(), ui->tab->y() + int(30 * g_dpi_percent));
    QToolTip::setFont(font());
    QToolTip::showText(mapToGlobal(at), text);
}
