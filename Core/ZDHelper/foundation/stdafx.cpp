#include "stdafx.h"

#include "cpublic.h"
#include "qmylang.h"
#include "qmysettingsfile.h"
#include "vazURIdav.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QVariant>

#include <limits>

GLOBAL_PARAMS g_Global;
QSettings* g_pIni = nullptr;
QRecursiveMutex g_iniLock;
double g_dpi_percent = 1.0;
QStringList g_valid_captures;

const char* const enc_preset[10] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                    "medium",    "slow",      "slower",   "veryslow", "placebo"};

namespace
{

QString ServiceUrl(const char* envName, const char* path)
{
    QString base = qEnvironmentVariable(envName).trimmed();
    if (base.isEmpty())
        return QString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QLatin1String(path);
}

QString ProfileKey(const QString& section, const QString& key)
{
    return QLatin1Char('/') + section + QLatin1Char('/') + key;
}

// A value with an unquoted comma, as a hand-edited file may hold
// ("HW-CAP=1,5,6,7"), comes back from QSettings as a list; its text is the
// list joined again.
QString VariantText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

} // namespace

QString URL_CHECK_UPGRADE()
{
    return ServiceUrl(URL_VERSION_SERVICE_ENV, URL_CHECK_UPGRADE_PATH);
}

QString URL_NEWVER()
{
    return ServiceUrl(URL_FILE_SERVER_ENV, URL_NEWVER_PATH);
}

// ---- HW-CAP ------------------------------------------------------------------

void taghwgpu::Read(const QString& text)
{
    const QByteArray bytes =
        (text.isEmpty() ? QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0") : text).toLocal8Bit();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    for (int field = 0; field < 15; ++field) {
        if (field > 0) {
            if (p >= end || *p != ',')
                return;
            ++p;
        }
        // A decimal integer as scanf's %d takes it: blanks, a sign, digits.
        while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
            ++p;
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
        if (p >= end || *p < '0' || *p > '9')
            return;
        int64_t value = 0;
        while (p < end && *p >= '0' && *p <= '9') {
            if (value <= int64_t(std::numeric_limits<int32_t>::max()) + 1)
                value = value * 10 + (*p - '0');
            ++p;
        }
        value = negative ? -value : value;
        value = qBound<int64_t>(int64_t(std::numeric_limits<int32_t>::min()), value,
                                int64_t(std::numeric_limits<int32_t>::max()));
        slot[field == 0 ? 14 : field - 1] = static_cast<int32_t>(value);
    }
}

QString taghwgpu::Text() const
{
    QString text = QString::number(slot[14]);
    for (int i = 0; i < 14; ++i)
        text += QLatin1Char(',') + QString::number(slot[i]);
    return text;
}

// ---- Profile accessors ---------------------------------------------------------

QString AfxGetProfileString(const QString& section, const QString& key, const QString& def)
{
    QMutexLocker lock(&g_iniLock);
    if (g_pIni == nullptr)
        return def;
    const QString path = ProfileKey(section, key);
    if (!g_pIni->contains(path))
        return def;
    return VariantText(g_pIni->value(path));
}

int AfxGetProfileInt(const QString& section, const QString& key, int def)
{
    QMutexLocker lock(&g_iniLock);
    if (g_pIni == nullptr)
        return def;
    const QString path = ProfileKey(section, key);
    if (!g_pIni->contains(path))
        return def;
    // A value that is not a number reads as 0, not as the default.
    return VariantText(g_pIni->value(path)).trimmed().toInt();
}

bool AfxWriteProfileString(const QString& section, const QString& key, const QString& value)
{
    QMutexLocker lock(&g_iniLock);
    if (g_pIni == nullptr)
        return false;
    g_pIni->setValue(ProfileKey(section, key), value);
    return true;
}

bool AfxWriteProfileInt(const QString& section, const QString& key, int value)
{
    QMutexLocker lock(&g_iniLock);
    if (g_pIni == nullptr)
        return false;
    g_pIni->setValue(ProfileKey(section, key), value);
    return true;
}

// ---- setting.ini ---------------------------------------------------------------

void ReadSetupConfig()
{
    QMutexLocker lock(&g_iniLock);
    GLOBAL_PARAMS& g = g_Global;
    auto str = [](const char* section, const char* key, const QString& def) {
        return AfxGetProfileString(QLatin1String(section), QLatin1String(key), def);
    };
    auto num = [](const char* section, const char* key, int def) {
        return AfxGetProfileInt(QLatin1String(section), QLatin1String(key), def);
    };

    g.langFile = str("LANG", "lang", QString());
    if (g.langFile.isEmpty() || !QFileInfo::exists(g.langFile))
        QMyLang::getDefaultName(g.langFile);
    g.fontName = QMyLang::getFontName(g.langFile);

    const QString movies = CPublic::GetMyVideoPath();
    g.recWidth = num("RECORD", "width", 0);
    g.recHeight = num("RECORD", "height", 0);
    g.recFps = num("RECORD", "fps", 0);
    g.recBitrate = num("RECORD", "bitrate", 10485760);
    g.recFormat = num("RECORD", "format", 0);
    g.recVCodec = num("RECORD", "vcodec", 0);
    g.recVSpeed = num("RECORD", "vspeed", 0);
    g.recSaveTo = str("RECORD", "saveto", movies);
    g.recAutoName = num("RECORD", "autoname", 1) != 0;
    g.recHotkeyRec = num("RECORD", "hotkey-rec", 2);
    g.recHotkeyPause = num("RECORD", "hotkey-pau", 3);
    g.recBmpCutDelay = num("RECORD", "bmp-cut-delay", 2);
    g.hwCap.Read(str("RECORD", "HW-CAP", QString()));
    g.recSplitMB = num("RECORD", "SPLITMB", 0);

    g.picSaveTo = str("PICTURE", "saveto", movies);
    g.picExt = str("PICTURE", "ext", QStringLiteral("png"));
    g.picHotkey = num("PICTURE", "hotkey-bmp", 4);
    g.gifWidth = num("PICTURE", "gif-width", 320);
    g.gifHeight = num("PICTURE", "gif-height", 240);
    g.gifKeepAspect = num("PICTURE", "gif-keepasr", 1);
    g.gifFps = num("PICTURE", "gif-fps", 15);

    g.dudEnableServer = num("DUD", "enable-server", 0);
    g.dudEnableLive = num("DUD", "enable-live", 1);
    g.dudServerPort = num("DUD", "server-port", 9875);
    g.dudEncWidth = num("DUD", "enc-w", 1280);
    g.dudEncHeight = num("DUD", "enc-h", 720);
    g.dudEncFps = num("DUD", "enc-fps", 30);
    g.dudEncBitrate = num("DUD", "enc-bitrate", 3145728);

    g.wndX = num("WND", "MainWnd_X", 0);
    g.wndY = num("WND", "MainWnd_Y", 0);
    g.wndW = num("WND", "MainWnd_W", 0);
    g.wndH = num("WND", "MainWnd_H", 0);
    g.autoHideBarWhenStart = num("WND", "AutoHideBarWhenStart", 0);
    g.autoFullScreenWhenStart = num("WND", "AutoFullScreenWhenStart", 0);
    g.hideStatusBarWhenHideBar = num("WND", "HideStatusBarWhenHideBar", 0);
    g.autoMuteWhenShowFilesDlg = num("WND", "AutoMuteWhenShowFilesDlg", 1);
    g.isRecordInterface = num("WND", "IsRecordInterface", 1);

    g.videoRender = num("PREVIEW", "VRENDER2", 0);
    g.keepAspect = num("PREVIEW", "KEEPASR", 1);
    g.ignoreVD = num("PREVIEW", "IgnoreVD", 1);
    g.audioRender = str("PREVIEW", "ARENDER", QString());

    g.liveWidth = num("LIVE", "WIDTH", 1920);
    g.liveHeight = num("LIVE", "HEIGHT", 1080);
    g.liveFps = num("LIVE", "FPS", 30);
    g.liveBitrate = num("LIVE", "bitrate", 1048576);
    g.liveFlvDir = str("LIVE", "FLV-DIR", movies);
    g.liveSaveFlv = num("LIVE", "Save-flv", 1) != 0;

    g.hdr4k30 = num("DEVICE-4K30", "HDR", 0);
}

bool SaveSetupConfig()
{
    QMutexLocker lock(&g_iniLock);
    if (g_pIni == nullptr)
        return false;
    const GLOBAL_PARAMS& g = g_Global;
    auto str = [](const char* section, const char* key, const QString& value) {
        AfxWriteProfileString(QLatin1String(section), QLatin1String(key), value);
    };
    auto num = [](const char* section, const char* key, int value) {
        AfxWriteProfileInt(QLatin1String(section), QLatin1String(key), value);
    };

    str("LANG", "lang", g.langFile);

    num("RECORD", "width", g.recWidth);
    num("RECORD", "height", g.recHeight);
    num("RECORD", "fps", g.recFps);
    num("RECORD", "bitrate", g.recBitrate);
    num("RECORD", "format", g.recFormat);
    num("RECORD", "vcodec", g.recVCodec);
    num("RECORD", "vspeed", g.recVSpeed);
    num("RECORD", "autoname", g.recAutoName ? 1 : 0);
    num("RECORD", "hotkey-rec", g.recHotkeyRec);
    num("RECORD", "hotkey-pau", g.recHotkeyPause);
    num("RECORD", "bmp-cut-delay", g.recBmpCutDelay);
    str("RECORD", "saveto", g.recSaveTo);
    str("RECORD", "HW-CAP", g.hwCap.Text());
    num("RECORD", "SPLITMB", g.recSplitMB);

    str("PICTURE", "saveto", g.picSaveTo);
    str("PICTURE", "ext", g.picExt);
    num("PICTURE", "hotkey-bmp", g.picHotkey);
    num("PICTURE", "gif-width", g.gifWidth);
    num("PICTURE", "gif-height", g.gifHeight);
    num("PICTURE", "gif-keepasr", g.gifKeepAspect);
    num("PICTURE", "gif-fps", g.gifFps);

    num("DUD", "enable-server", g.dudEnableServer);
    num("DUD", "enable-live", g.dudEnableLive);
    num("DUD", "server-port", g.dudServerPort);
    num("DUD", "enc-w", g.dudEncWidth);
    num("DUD", "enc-h", g.dudEncHeight);
    num("DUD", "enc-fps", g.dudEncFps);
    num("DUD", "enc-bitrate", g.dudEncBitrate);

    num("WND", "MainWnd_X", g.wndX);
    num("WND", "MainWnd_Y", g.wndY);
    num("WND", "MainWnd_W", g.wndW);
    num("WND", "MainWnd_H", g.wndH);
    num("WND", "AutoHideBarWhenStart", g.autoHideBarWhenStart);
    num("WND", "AutoFullScreenWhenStart", g.autoFullScreenWhenStart);
    num("WND", "HideStatusBarWhenHideBar", g.hideStatusBarWhenHideBar);
    num("WND", "AutoMuteWhenShowFilesDlg", g.autoMuteWhenShowFilesDlg);
    num("WND", "IsRecordInterface", g.isRecordInterface);

    num("PREVIEW", "VRENDER2", g.videoRender);
    num("PREVIEW", "KEEPASR", g.keepAspect);
    num("PREVIEW", "IgnoreVD", g.ignoreVD);
    str("PREVIEW", "ARENDER", g.audioRender);

    num("LIVE", "WIDTH", g.liveWidth);
    num("LIVE", "HEIGHT", g.liveHeight);
    num("LIVE", "FPS", g.liveFps);
    num("LIVE", "bitrate", g.liveBitrate);
    str("LIVE", "FLV-DIR", g.liveFlvDir);
    num("LIVE", "Save-flv", g.liveSaveFlv ? 1 : 0);

    num("DEVICE-4K30", "HDR", g.hdr4k30);

    // A failure is logged and reported instead of being left for a later,
    // silent write; the settings file judges the save by this save alone.
    bool saved = false;
    QString name = g_pIni->fileName();
    if (auto* file = dynamic_cast<QMySettingsFile*>(g_pIni)) {
        saved = file->Save();
        name = file->storedPath();
    } else {
        g_pIni->sync();
        saved = g_pIni->status() == QSettings::NoError;
    }
    if (!saved)
        AddLog(8, QStringLiteral("Save setting.ini failed: ") + name);
    return saved;
}

// ---- Log -----------------------------------------------------------------------

void AddLog(int level, const QString& text)
{
    ZD_Log(level, "%s", text.toLatin1().constData());
}
