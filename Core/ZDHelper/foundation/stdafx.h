// The common module of ZDHelper: the settings record and its file, the
// program's constants, the profile accessors, the log line and the small file,
// string and time helpers that every window uses.
#pragma once

#include <QRect>
#include <QRecursiveMutex>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <cstdint>

class QMyTimerHelper;
class QMyFilterHelper;
class QMyFilesHelper;
class QLiveServerAddressHelper;

// ---- Constants of the program ----------------------------------------------

inline const QString APP_NAME = QStringLiteral("Veltrano Helper");
inline const QString APP_NAME_SHORT = QStringLiteral("tarnex");
inline const QString APP_VERSION = QStringLiteral("Ver 1.10.100");
inline const QString GA_RELEASE_DATE = QStringLiteral("2022-9-10");
inline const QString CP_RIGHT = QStringLiteral("Copyright (C) 2022 Veltrano. All rights reserved.");
inline const QString MAIN_ICON = QStringLiteral(":/image/res/main.ico");
constexpr int NUM_IVER = 110;
constexpr int NUM_BUILD = 100;

// The maker's web services. Their paths are fixed; the base address of each
// ("https://host" or "http://host:port") is taken from the environment
// variable named below when the address is asked for. Unset, the address is
// empty and the engine makes no request for it.
constexpr const char* URL_CHECK_UPGRADE_PATH = "/cgi-bin/getversion?get&p=tarnex";
constexpr const char* URL_NEWVER_PATH = "/veltrano-helper-for-mac/newver.png";
constexpr const char* URL_VERSION_SERVICE_ENV = "ZDHELPER_VERSION_SERVICE";
constexpr const char* URL_FILE_SERVER_ENV = "ZDHELPER_FILE_SERVER";
QString URL_CHECK_UPGRADE();
QString URL_NEWVER();

// Encoder speed presets; RECORD/vspeed is an index into it.
extern const char* const enc_preset[10];

// Accepted-device patterns; nothing fills it.
extern QStringList g_valid_captures;

// ---- Settings record ---------------------------------------------------------

// The hardware-encoder test results (RECORD/HW-CAP): 15 slots. Tests 1 to 4
// fill slots 0-2, 3-5, 6-8 and 9-11, tests 5 and 6 slots 12 and 13, and slot
// 14 is 1 once the tests have run. The stored text lists slot 14 first.
struct taghwgpu {
    int32_t slot[15];

    int32_t& operator[](int i) { return slot[i]; }
    const int32_t& operator[](int i) const { return slot[i]; }

    // Scans up to 15 comma-separated decimal numbers into slot 14, then slots
    // 0 to 13; stops at the first field that is not a number, leaving the
    // remaining slots as they were. An empty text reads as all zeros.
    void Read(const QString& text);
    // "s14,s0,s1,...,s13".
    QString Text() const;
};
static_assert(sizeof(taghwgpu) == 60, "taghwgpu holds 15 32-bit slots");

struct GLOBAL_PARAMS {
    QString fontName;
    QString langFile;
    int32_t recWidth = 0;
    int32_t recHeight = 0;
    int32_t recFps = 0;
    int32_t recBitrate = 0;
    int32_t recFormat = 0;
    int32_t recVCodec = 0;
    int32_t recVSpeed = 0;
    QString recSaveTo;
    bool recAutoName = false;
    int32_t recHotkeyRec = 0;
    int32_t recHotkeyPause = 0;
    int32_t recBmpCutDelay = 0;
    taghwgpu hwCap = {};
    int32_t recSplitMB = 0;
    QString recFilePath;
    QString recTargetPath;
    QString recThumbPath;
    int64_t recStartTime = 0;
    int32_t recAutoStopSecs = 0;
    int32_t recPausedSecs = 0;
    int32_t recElapsedSecs = 0;
    int32_t recSplitAtSecs = 0;
    bool recDirIsNTFS = false;
    int32_t isClosing = 0;
    int32_t deviceHDR = 0;
    QString picSaveTo;
    QString picExt;
    int32_t picHotkey = 0;
    int32_t gifWidth = 0;
    int32_t gifHeight = 0;
    int32_t gifKeepAspect = 0;
    int32_t gifFps = 0;
    int32_t dudEnableServer = 0;
    int32_t dudEnableLive = 0;
    int32_t dudServerPort = 0;
    int32_t dudEncWidth = 0;
    int32_t dudEncHeight = 0;
    int32_t dudEncFps = 0;
    int32_t dudEncBitrate = 0;
    int32_t dudRunning = 0;
    int32_t wndX = 0;
    int32_t wndY = 0;
    int32_t wndW = 0;
    int32_t wndH = 0;
    int32_t autoHideBarWhenStart = 0;
    int32_t autoFullScreenWhenStart = 0;
    int32_t hideStatusBarWhenHideBar = 0;
    int32_t autoMuteWhenShowFilesDlg = 0;
    int32_t isRecordInterface = 0;
    bool isFullScreen = false;
    int32_t videoRender = 0;
    int32_t keepAspect = 0;
    int32_t ignoreVD = 0;
    QString audioRender;
    int32_t devWidth = 0;
    int32_t devHeight = 0;
    int32_t devFps = 0;
    int32_t devIsP010 = 0;
    int32_t noDevicePicture = 1;
    int32_t videoRenderInUse = 0;
    int32_t liveWidth = 0;
    int32_t liveHeight = 0;
    int32_t liveFps = 0;
    int32_t liveBitrate = 0;
    QString liveFlvDir;
    bool liveSaveFlv = false;
    int32_t liveBaseWidth = 0;
    int32_t liveBaseHeight = 0;
    int32_t liveBaseFps = 0;
    bool liveRunning = false;
    int32_t liveElapsedSecs = 0;
    int32_t hdr4k30 = 0;
    QMyTimerHelper* pRecordTimers = nullptr;
    QMyTimerHelper* pLiveTimers = nullptr;
    QMyFilterHelper* pFilterStore = nullptr;
    void* hCore = nullptr;
    QMyFilesHelper* pFilesCatalog = nullptr;
    QLiveServerAddressHelper* pServerList = nullptr;
};

extern GLOBAL_PARAMS g_Global;

// The settings object over setting.ini; null outside the start-up/shut-down
// span. Every profile accessor holds g_iniLock while it uses it (the news
// thread reads through it), so whoever replaces or deletes g_pIni must hold
// the lock too.
extern QSettings* g_pIni;
extern QRecursiveMutex g_iniLock;

// Fills the persistent fields of g_Global from setting.ini.
void ReadSetupConfig();
// Writes the 49 persistent keys of g_Global to setting.ini and flushes it;
// false (and a log line) when the file could not be written.
bool SaveSetupConfig();

// Profile values of setting.ini under "/section/key". Without a settings
// object the readers give the default and the writers return false.
QString AfxGetProfileString(const QString& section, const QString& key, const QString& def);
int AfxGetProfileInt(const QString& section, const QString& key, int def);
bool AfxWriteProfileString(const QString& section, const QString& key, const QString& value);
bool AfxWriteProfileInt(const QString& section, const QString& key, int value);

// Display scale: pixel sizes of style sheets and dialogs are multiplied by it.
extern double g_dpi_percent;

// ---- Texts and log -----------------------------------------------------------

// The text of id from the current language file (section STRING, key
// "L%04d"), else def; "#v1#", "#v2#", "#v3#" become the values and "^" a line
// break.
QString getLang(unsigned int id, const QString& def, const QString& v1 = QString(),
                const QString& v2 = QString(), const QString& v3 = QString());

// One line into the engine's log, written as it stands (never as a format).
void AddLog(int level, const QString& text);

// ---- Text, search and time helpers -------------------------------------------

int QStingFindFromBack(const QString& text, const QString& part);
void QStringRelpace(QString& text, const QString& part, const QString& replacement);
void QStringSplitPathName(const QString& path, QString& folder, QString& name);
QString getSizeString(int64_t bytes);
QString RECT2STR(const QRect& rect);
// Copies src with its terminator when it fits in size bytes; otherwise the
// whole destination is zeroed.
void strcpy_s(char* dst, int size, const char* src);
void dbg(const char* format, ...) __attribute__((format(printf, 1, 2)));
int getTickCount();

// ---- Files and folders ---------------------------------------------------------

bool IsFileExisted(const QString& path);
bool IsDirExisted(const QString& path);
int64_t GetFileSize(const QString& path);
int64_t _GetDiskFreeSpace(const QString& path);
bool DelFile(const QString& path);
bool MoveFile(const QString& source, const QString& target);
bool DelDir(const QString& folder);
bool DeleteDirIncludeSub(const QString& path);
bool IsSavePathValid(const QString& path);
bool DirverIsNTFS(const QString& path);
QString getSafeFilePath(const QString& path);
// The path with extension (".mp4") added unless its file name already ends
// with it; an ending typed in another case is given the extension's own.
QString WithFileExtension(const QString& path, const QString& extension);
// ".ts" or ".mp4": the extension of the format recordings are made in now.
QString RecordFileExtension();
// Shows the folder that holds the file with the desktop's file manager.
void LocalOutfile(const QString& filePath);
// First line of the output of a fixed program of the program's own, started
// with its argument vector (no shell reads anything); at most 1023 bytes,
// line break included; empty when it cannot be run.
QString getSystemCallResult(const QString& program, const QStringList& arguments);

// ---- Pictures and rectangles ------------------------------------------------------

bool CreateThumbPict(const QString& source, const QString& target, int width, int height);
QRect GetNewRectByAspecrate(const QRect& rect, double aspect);
void GetLiveBaseWidthHeightFps(int& width, int& height, int& fps);
