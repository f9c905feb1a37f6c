/*
 * vazURIdav: the capture and encode engine behind ZDHelper.
 *
 * This header is the whole contract between the application and the engine:
 * every function the application calls, the message callback and the records
 * that cross the boundary. It compiles as C and as C++.
 *
 * Rules that hold for every call:
 * - Results are int. Most calls return 1 for success. ZD_StartLive,
 *   ZD_PauseRecord, ZD_AddFilter, ZD_EditFilter, ZD_RestartRecord,
 *   ZD_IsDUDRunning and ZD_GetEncodeH264EngineList succeed with any value
 *   above 0. ZD_ReadInternetFile and ZD_PostInternetData return 0 for success,
 *   otherwise an error code.
 * - Every call that takes the engine handle accepts a null or released handle
 *   and then returns its failure value without doing anything.
 * - Buffers passed in stay the caller's. The two results the engine allocates
 *   (the feedback packet, freed with free(); the news record, freed with C++
 *   delete) belong to the caller.
 * - Reports reach the application only through the message callback, always
 *   with sync 0 (to be queued), never on the caller's stack. Texts carried by
 *   reports stay valid until the handle is released. Once ZD_Release has
 *   returned, no engine thread runs and no report is made.
 */
#ifndef VAZURIDAV_H
#define VAZURIDAV_H

#include "vazURIdav_reports.h"
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#define ZD_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define ZD_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if defined(VAZURIDAV_BUILDING)
#define ZD_API __attribute__((visibility("default")))
#else
#define ZD_API
#endif

#if defined(__GNUC__)
#define ZD_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ZD_PRINTF_FORMAT(fmt, args)
#endif

/* Native window id as Qt's QWidget::winId() gives it. */
typedef uintptr_t ZD_WINDOW_ID;

/* sync is always 0 from this engine: the receiver queues the report. A null
 * target means the application's main window. */
typedef void (*ZD_MESSAGE_CALLBACK)(int sync, void* target, unsigned int msg, unsigned long wParam,
                                    long long lParam, void* ptr, void* context);

/* Device kinds of DEV_NAME::kind. Any other value is a video device. */
#define ZD_DEVICE_KIND_VIDEO 1
#define ZD_DEVICE_KIND_AUDIO 2
#define ZD_DEVICE_KIND_VIDEO_WITH_AUDIO 3

/* Results of ZD_OpenDevice besides 1. */
#define ZD_OPEN_NO_DEVICE (-1)
#define ZD_OPEN_CAMERA_DENIED (-2)
#define ZD_OPEN_PREVIEW_FAILED (-3)
#define ZD_OPEN_MICROPHONE_DENIED (-4)

/* ZD_DeleteFilter id that removes every filter of a source. */
#define ZD_ALL_FILTERS 0xFFFFFFFFu

/* Limits of the caller's buffers that the engine writes into. */
#define ZD_MAX_DEVICES 50
#define ZD_MAX_CAPACITIES 100
#define ZD_TEXT_BUFFER_BYTES 256
#define ZD_LOCALE_BUFFER_BYTES 128
#define ZD_ENCODER_LIST_SLOTS 10
#define ZD_ENCODER_NAME_BYTES 128
#define ZD_KIND_BLOCK_BYTES 4096

#pragma pack(push, 1)

/* A capture device: name (UTF-8), path (local 8-bit, "VID_xxxx&PID_yyyy" where
 * the USB ids are known, stable across reboots), kind. */
typedef struct DEV_NAME {
    char name[256];
    char path[1024];
    uint32_t kind;
} DEV_NAME;

/* One capture format. fourcc holds little-endian characters ("YUY2" is
 * 0x32595559). fpsChoices are further frame rates the device offers. */
typedef struct DEV_CAPACITY {
    int32_t width;
    int32_t height;
    int32_t fps;
    uint32_t fourcc;
    char codecName[64];
    int32_t fpsChoices[2];
} DEV_CAPACITY;

/* One picture control. */
typedef struct VIDEOAMPITEM {
    int32_t value;
    int32_t maximum;
    int32_t minimum;
    int32_t defaultValue;
    uint8_t automatic;
} VIDEOAMPITEM;

/* Items in the order brightness, contrast, hue, saturation, sharpness, gamma,
 * colour enable, white balance, backlight compensation, gain. */
typedef struct VIDEOAMPVALUE {
    VIDEOAMPITEM items[10];
} VIDEOAMPVALUE;

/* One layer of the live canvas as the engine receives it. */
typedef struct LIVEPIP_PARAMTERS {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t alpha;
    int32_t enabled;
    int32_t z;
    uint64_t owner; /* the application's layer object, as a pointer value */
    int32_t volume;
    uint8_t kindBlock[ZD_KIND_BLOCK_BYTES];
} LIVEPIP_PARAMTERS;

/* Kind blocks: the first bytes of LIVEPIP_PARAMTERS::kindBlock, laid out per
 * layer kind. Bytes past a kind's record are zero. Strings are local 8-bit and
 * NUL-terminated within their field. */

/* Video (kind 0) and audio (kind 3) device layers. format is 0 in width for
 * the device's default format; format.fps 0 means the format's own rate. */
typedef struct SCENE_DEVICE_PARAMS {
    DEV_NAME device;
    DEV_CAPACITY format;
    int32_t autoAudio; /* 1: the engine also opens the device's own audio */
} SCENE_DEVICE_PARAMS;

/* Commands of SCENE_MOVIE_PARAMS::command and SCENE_PICTURE_PARAMS::command. */
#define ZD_MOVIE_CMD_PLAY_AT 2
#define ZD_MOVIE_CMD_SEEK 4
#define ZD_MOVIE_CMD_PAUSE 8
#define ZD_MOVIE_CMD_APPLY 16
#define ZD_MOVIE_CMD_APPLY_RELOAD 17
#define ZD_PICTURE_CMD_APPLY 12
#define ZD_PICTURE_CMD_APPLY_RELOAD 13
#define ZD_LAYER_LIST_FILES 256

/* Movie layers (kind 2): a play list file of one path per line. */
typedef struct SCENE_MOVIE_PARAMS {
    int32_t command;
    char listPath[256];
    uint32_t fileError[ZD_LAYER_LIST_FILES]; /* 1: the file at that list position failed */
    char currentPath[256];                   /* engine; the application's with PLAY_AT */
    int32_t currentIndex;                    /* engine; the application's with PLAY_AT */
    int32_t positionMs;                      /* engine; the application's with SEEK */
    int32_t durationMs;                      /* engine */
    int32_t playState;                       /* 1 playing, 2 paused; the application's with PAUSE */
    int32_t loopMode;                        /* 0 the whole list, 1 the current file */
} SCENE_MOVIE_PARAMS;

/* Picture layers (kind 1): a slide show from a list file like the movie's. */
typedef struct SCENE_PICTURE_PARAMS {
    int32_t command;
    char listPath[256];
    uint32_t fileError[ZD_LAYER_LIST_FILES];
    char currentPath[256]; /* engine: the picture on screen */
    int32_t reserved;      /* not used */
    int32_t order;         /* 0 list order, 1 random */
    int32_t delaySecs;     /* seconds per picture */
} SCENE_PICTURE_PARAMS;

/* Text layers (kind 4). colour is 0x00BBGGRR. */
typedef struct SCENE_TEXT_PARAMS {
    char text[256];
    char font[64];
    int32_t size;
    int32_t bold;
    int32_t italic;
    uint32_t colour;
} SCENE_TEXT_PARAMS;

/* What a 4K30 capture box reports of its HDMI source. */
typedef struct SOURCE_INFO_4K30 {
    uint16_t signal; /* non-zero while a source is present */
    uint16_t height; /* 0 = unknown */
    uint16_t width;
    uint8_t bitDepth;
    uint8_t fps;
    uint8_t interlaced;
    uint8_t hdr; /* 0 = not HDR */
    uint8_t reserved[6];
} SOURCE_INFO_4K30;

#pragma pack(pop)

#pragma pack(push, 4)

/* One server of a live stream. The application fills url, name and owner;
 * the engine fills the rest. */
typedef struct RTMPSERVERPARAM {
    char url[1024];
    char name[256];
    uint64_t owner; /* receiver of this server's status reports, as a pointer value */
    int32_t reserved;
    int32_t connected;
    int32_t speed;
    int32_t dropped;
    int32_t frames;
    int64_t bytes;
    int32_t serverId;
} RTMPSERVERPARAM;

/* A pop-up news item. */
typedef struct POPUP_AD_DATA {
    int16_t newsId;
    int16_t reserved0;
    int32_t show;
    int32_t reserved1;
    int32_t closeDelaySecs;
    int32_t force;
    int32_t reserved2;
    int32_t width;
    int32_t height;
    int32_t reserved3[3];
    char url[1024];
} POPUP_AD_DATA;

#pragma pack(pop)

ZD_STATIC_ASSERT(sizeof(DEV_NAME) == 1284, "DEV_NAME layout");
ZD_STATIC_ASSERT(offsetof(DEV_NAME, path) == 256, "DEV_NAME layout");
ZD_STATIC_ASSERT(offsetof(DEV_NAME, kind) == 1280, "DEV_NAME layout");
ZD_STATIC_ASSERT(sizeof(DEV_CAPACITY) == 88, "DEV_CAPACITY layout");
ZD_STATIC_ASSERT(offsetof(DEV_CAPACITY, fourcc) == 12, "DEV_CAPACITY layout");
ZD_STATIC_ASSERT(offsetof(DEV_CAPACITY, codecName) == 16, "DEV_CAPACITY layout");
ZD_STATIC_ASSERT(offsetof(DEV_CAPACITY, fpsChoices) == 80, "DEV_CAPACITY layout");
ZD_STATIC_ASSERT(sizeof(VIDEOAMPITEM) == 17, "VIDEOAMPITEM layout");
ZD_STATIC_ASSERT(offsetof(VIDEOAMPITEM, automatic) == 16, "VIDEOAMPITEM layout");
ZD_STATIC_ASSERT(sizeof(VIDEOAMPVALUE) == 170, "VIDEOAMPVALUE layout");
ZD_STATIC_ASSERT(sizeof(LIVEPIP_PARAMTERS) == 4136, "LIVEPIP_PARAMTERS layout");
ZD_STATIC_ASSERT(offsetof(LIVEPIP_PARAMTERS, owner) == 28, "LIVEPIP_PARAMTERS layout");
ZD_STATIC_ASSERT(offsetof(LIVEPIP_PARAMTERS, volume) == 36, "LIVEPIP_PARAMTERS layout");
ZD_STATIC_ASSERT(offsetof(LIVEPIP_PARAMTERS, kindBlock) == 40, "LIVEPIP_PARAMTERS layout");
ZD_STATIC_ASSERT(sizeof(SCENE_DEVICE_PARAMS) == 1376, "SCENE_DEVICE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_DEVICE_PARAMS, format) == 1284, "SCENE_DEVICE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_DEVICE_PARAMS, autoAudio) == 1372, "SCENE_DEVICE_PARAMS layout");
ZD_STATIC_ASSERT(sizeof(SCENE_MOVIE_PARAMS) == 1560, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, listPath) == 4, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, fileError) == 260, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, currentPath) == 1284, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, currentIndex) == 1540, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, positionMs) == 1544, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, durationMs) == 1548, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, playState) == 1552, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_MOVIE_PARAMS, loopMode) == 1556, "SCENE_MOVIE_PARAMS layout");
ZD_STATIC_ASSERT(sizeof(SCENE_PICTURE_PARAMS) == 1552, "SCENE_PICTURE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_PICTURE_PARAMS, currentPath) == 1284,
                 "SCENE_PICTURE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_PICTURE_PARAMS, order) == 1544, "SCENE_PICTURE_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_PICTURE_PARAMS, delaySecs) == 1548, "SCENE_PICTURE_PARAMS layout");
ZD_STATIC_ASSERT(sizeof(SCENE_TEXT_PARAMS) == 336, "SCENE_TEXT_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_TEXT_PARAMS, font) == 256, "SCENE_TEXT_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_TEXT_PARAMS, size) == 320, "SCENE_TEXT_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SCENE_TEXT_PARAMS, colour) == 332, "SCENE_TEXT_PARAMS layout");
ZD_STATIC_ASSERT(offsetof(SOURCE_INFO_4K30, height) == 2, "SOURCE_INFO_4K30 layout");
ZD_STATIC_ASSERT(offsetof(SOURCE_INFO_4K30, width) == 4, "SOURCE_INFO_4K30 layout");
ZD_STATIC_ASSERT(offsetof(SOURCE_INFO_4K30, bitDepth) == 6, "SOURCE_INFO_4K30 layout");
ZD_STATIC_ASSERT(offsetof(SOURCE_INFO_4K30, fps) == 7, "SOURCE_INFO_4K30 layout");
ZD_STATIC_ASSERT(offsetof(SOURCE_INFO_4K30, hdr) == 9, "SOURCE_INFO_4K30 layout");
ZD_STATIC_ASSERT(sizeof(SOURCE_INFO_4K30) == 16, "SOURCE_INFO_4K30 layout");
ZD_STATIC_ASSERT(sizeof(RTMPSERVERPARAM) == 1320, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, name) == 1024, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, owner) == 1280, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, reserved) == 1288, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, connected) == 1292, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, speed) == 1296, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, dropped) == 1300, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, frames) == 1304, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, bytes) == 1308, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(RTMPSERVERPARAM, serverId) == 1316, "RTMPSERVERPARAM layout");
ZD_STATIC_ASSERT(offsetof(POPUP_AD_DATA, show) == 4, "POPUP_AD_DATA layout");
ZD_STATIC_ASSERT(offsetof(POPUP_AD_DATA, closeDelaySecs) == 12, "POPUP_AD_DATA layout");
ZD_STATIC_ASSERT(offsetof(POPUP_AD_DATA, force) == 16, "POPUP_AD_DATA layout");
ZD_STATIC_ASSERT(offsetof(POPUP_AD_DATA, width) == 24, "POPUP_AD_DATA layout");
ZD_STATIC_ASSERT(offsetof(POPUP_AD_DATA, height) == 28, "POPUP_AD_DATA layout");
ZD_STATIC_ASSERT(offsetof(POPUP_AD_DATA, url) == 44, "POPUP_AD_DATA layout");
ZD_STATIC_ASSERT(sizeof(POPUP_AD_DATA) == 1068, "POPUP_AD_DATA layout");

/* ---- Lifecycle, callback, log, locale ---------------------------------- */

/* Makes the engine handle in *handle. Folders and names in the local 8-bit
 * encoding. appDataDir holds Log.txt. Returns 1, or 0 with *handle null. */
ZD_API int ZD_Initalize(void** handle, const char* appDataDir, const char* programDir,
                        const char* resourceDir, const char* appName, const char* appVersion);
/* Stops every engine thread, frees the handle and sets *handle to null. */
ZD_API int ZD_Release(void** handle);
ZD_API int ZD_SetMainMessageCallBack(ZD_MESSAGE_CALLBACK callback, void* context);
/* One line into Log.txt; level 2 normal, 8 error. */
ZD_API void ZD_Log(int level, const char* format, ...) ZD_PRINTF_FORMAT(2, 3);
/* Hands the engine one localised text (id 23: UTF-8). */
ZD_API int ZD_SetLocalString(int id, const char* text);
/* The system language as a lower-case English word ("english", "chinese", ...)
 * into buffer, at most size bytes with the terminator. */
ZD_API int ZD_GetCurrentLocaLang(char* buffer, int size);
/* This process's share of the machine: CPU in percent of all processors
 * together (since the previous call; since the process started at the
 * first) and resident memory as a fraction of the machine's memory. */
ZD_API int ZD_GetCpuUsageAndMemory(double* cpuPercent, double* memoryFraction);
/* Text of an engine error code (UTF-8), or null for an unknown code. */
ZD_API const char* ZD_GetUERRString(int code);

/* ---- Devices and preview ---------------------------------------------- */

/* Any flag pointer may be null. */
ZD_API int ZD_CheckState(void* handle, int* deviceOpen, int* previewing, int* recording, int* gif,
                         int* living);
/* *count in: slots in devices (at most ZD_MAX_DEVICES used); out: filled. */
ZD_API int ZD_GetCaptureDevices(void* handle, DEV_NAME* devices, int* count, int ignoreVirtual);
/* *count in: slots in capacities; out: filled. */
ZD_API int ZD_GetCaptureDeviceCapacity(void* handle, const DEV_NAME* device,
                                       DEV_CAPACITY* capacities, int* count);
/* Opens video (and audio: kind 2 with an empty path = automatic) and starts the
 * preview in window. Reports go to target. format null = the engine chooses.
 * Returns 1 or one of ZD_OPEN_*. */
ZD_API int ZD_OpenDevice(void* handle, ZD_WINDOW_ID window, void* target, int keepAspect,
                         int videoRender, const DEV_NAME* video, const DEV_NAME* audio,
                         const DEV_CAPACITY* format, int queueBytes);
ZD_API int ZD_CloseDevice(void* handle);
/* The open device's format, and a description line (UTF-8) into a
 * ZD_TEXT_BUFFER_BYTES buffer (may be null). */
ZD_API int ZD_GetCurrentDeviceCapacity(void* handle, DEV_CAPACITY* format, char* description);
/* Arrivals and removals are reported to target as 8965. */
ZD_API int ZD_StartUSBDeviceListen(void* handle, void* target);
/* Answers (1) whether the removal in notification (the ptr of 8965) took the
 * open device (layerKey null or empty) or the layer's device. */
ZD_API int ZD_QueryDeviceLost(void* handle, const char* layerKey, void* notification, int* lost);
/* Renders the newest frame into the preview window; called every 16 ms. */
ZD_API int ZD_SDL_loop(void* handle);
ZD_API int ZD_UpdateVideoSize(void* handle, int x, int y, int width, int height);
/* enable null: returns the preview switch (non-zero on); else sets it. */
ZD_API int ZD_PreviewEnable(void* handle, int* enable);
/* Measured frame rate of the preview (layerKey null) or of a layer. */
ZD_API int ZD_GetFrameDataFps(void* handle, const char* layerKey);
ZD_API int ZD_AdjustVolume(void* handle, int volume);
/* UTF-8 output device name; empty = the system default. */
ZD_API int ZD_SetAudioRenderDevices(void* handle, const char* name);
ZD_API int ZD_GetCaptureAmpValue(void* handle, const char* deviceName, VIDEOAMPVALUE* value);
ZD_API int ZD_SetCaptureAmpValue(void* handle, const char* deviceName, const VIDEOAMPVALUE* value);
/* set 0: reads the box's HDR switch into *flag; set 1: writes *flag. */
ZD_API int ZD_4k30_hdr_getset_hdrflag(void* handle, int set, int* flag);
ZD_API int ZD_4k30_hdr_getSourceInfo(void* handle, SOURCE_INFO_4K30* info);

/* ---- Recording, pictures, GIF ----------------------------------------- */

/* path UTF-8. format 100 = HDR. Returns 1 or a negative failure code. */
ZD_API int ZD_StartRecord(void* handle, const char* path, int format, int vcodec, int vspeed,
                          int width, int height, int fps, int bitrate);
ZD_API int ZD_StopRecord(void* handle);
/* pause 1 pauses, 0 resumes; above 0 = done. */
ZD_API int ZD_PauseRecord(void* handle, int pause);
ZD_API int ZD_IsPauseRecord(void* handle);
/* Finishes the file and continues in a new one, whose UTF-8 path goes into
 * newPath (ZD_TEXT_BUFFER_BYTES). Above 0 = done. */
ZD_API int ZD_RestartRecord(void* handle, const char* currentPath, char* newPath);
ZD_API int64_t ZD_GetRecordFileSize(void* handle);
/* Writes the current frame to path (UTF-8); the extension picks the format.
 * mode 1 reports 9800 when written; 0 and -1 write silently. */
ZD_API int ZD_ScreenShot_bmp(void* handle, const char* path, int mode);
ZD_API int ZD_ScreenShot_gif(void* handle, int width, int height, int keepAspect, int fps,
                             const char* path);
ZD_API int ZD_ScreenShot_gif_stop(void* handle);

/* ---- Filters (pip: null = the main source, else a layer key) ------------ */

ZD_API int ZD_AddFilter(void* handle, const char* pip, int type, int enabled, const char* cmd,
                        unsigned int id);
ZD_API int ZD_EditFilter(void* handle, const char* pip, unsigned int id, const char* cmd);
ZD_API int ZD_DeleteFilter(void* handle, const char* pip, unsigned int id);

/* ---- Live canvas and streaming ---------------------------------------- */

ZD_API int ZD_AddOverlayDevice(void* handle, const char* key, int kind,
                               const LIVEPIP_PARAMTERS* params);
ZD_API int ZD_EditOverlayDeviceCfg(void* handle, const char* key, int mask,
                                   const LIVEPIP_PARAMTERS* params);
ZD_API int ZD_DeleteOverlayDevice(void* handle, const char* key);
/* Copies the layer's kind block as the engine sees it; *size in: buffer bytes. */
ZD_API int ZD_GetOverlayPrivateData(void* handle, const char* key, void* buffer, int* size);
ZD_API int ZD_StartLive(void* handle, RTMPSERVERPARAM* servers, int count, int width, int height,
                        int fps, int bitrate, const char* flvPath);
ZD_API int ZD_StopLive(void* handle);
/* servers null: *count = number of servers; else fills up to *count. */
ZD_API int ZD_GetLiveInfo(void* handle, RTMPSERVERPARAM* servers, int* count);

/* ---- Share server ------------------------------------------------------ */

ZD_API int ZD_StartDUD_Server(void* handle, int port);
ZD_API int ZD_StopDUD_Server(void* handle);
ZD_API int ZD_IsDUDRunning(void* handle, int* running);
ZD_API int ZD_StartDUD_live(void* handle, int width, int height, int fps, int kbps);
ZD_API int ZD_StopDUD_live(void* handle);
/* The result comes later as 36970 to target. */
ZD_API int ZD_SearchDUDServer(void* handle, void* target);
/* Each buffer ZD_TEXT_BUFFER_BYTES; playerPath gets the local media player. */
ZD_API int ZD_GetDUDLinks(char* link1, char* link2, int port, char* playerPath);
ZD_API int ZD_DUDFilesChanged(void* handle);

/* ---- Network ----------------------------------------------------------- */

/* GET url; the reply goes to filePath (when not null) and into buffer (when
 * not null; *size in: buffer bytes, out: reply bytes). 0 = success. */
ZD_API int ZD_ReadInternetFile(const char* url, const char* filePath, char* buffer, int* size);
ZD_API int ZD_PostInternetData(const char* url, const char* body, char* buffer, int* size);
/* Returns a packet (free() it) and its length, or null. message gets a
 * ZD_TEXT_BUFFER_BYTES text that ZD_PostFeedback reads. */
ZD_API char* ZD_package_feedback_data(const char* name, const char* email, const char* report,
                                      int* length, char* message);
ZD_API int ZD_PostFeedback(const char* packet, int length, char* message);
/* The news item for query, or null. Made with C++ new; the caller deletes it. */
ZD_API POPUP_AD_DATA* ZD_GetPopupAd_Data(const char* query);

/* ---- Desktop ----------------------------------------------------------- */

ZD_API void* ZD_CreateWebView(ZD_WINDOW_ID window, int x, int y, int width, int height,
                              const char* url);
ZD_API void ZD_ReleaseWebView(void* view);
ZD_API int ZD_HideWindowTitleBar(ZD_WINDOW_ID window, int a, int b, int c);
ZD_API int ZD_HideWindowTitleBarButton(ZD_WINDOW_ID window, int a, int b, int c);
ZD_API int ZD_QuickTimePlayMp4(const char* path);
ZD_API int ZD_OpenPreviewPicture(const char* path);
/* Unpacks zipPath into folder; entries that would leave it are refused.
 * 0 or more = success. */
ZD_API int ZD_UnZip(const char* zipPath, const char* folder);
ZD_API int ZD_RemoveVidrelayAsRoot(void);
/* 0 record, 1 pause, 2 picture. */
ZD_API int ZD_play_system_sound(int kind);

/* ---- Encoders ---------------------------------------------------------- */

/* kind 1..6; a and b may be null. Writes 1 (the encoder opens on this
 * machine) or 0 into each output: 1 and 2: H.264 on VA-API (result), NVENC
 * (a) and Quick Sync (b) at 1080 lines, then above; 3 and 4: the same for
 * HEVC; 5: software H.264; 6: 10-bit HEVC, which HDR recordings need.
 * Returns 1. */
ZD_API int ZD_TestHWData(int kind, int* result, int* a, int* b);
/* Keeps slots 0, 1, 2 and 6 of the application's test results. Returns 1. */
ZD_API int ZD_SetHWData(int slot0, int slot1, int slot2, int slot6);
/* names: ZD_ENCODER_LIST_SLOTS buffers of ZD_ENCODER_NAME_BYTES; returns n. */
ZD_API int ZD_GetEncodeH264EngineList(void* handle, char** names, int* ids);
ZD_API int ZD_IsmadVR_isValid(void);

/* ---- Frame tap ---------------------------------------------------------- */

/* The open device's pictures and sound for a program that hands them on (the
 * capture server). Any number of readers, each at its own pace. */
#define ZD_TAP_MAX_SIDE 8192
/* Waits up to timeoutMs (at most 10000) for a picture of the open device other
 * than the one *serial names (0 before the first) and copies it into buffer
 * as BGRX (bytes blue, green, red, unused), rows top first, width x 4 bytes
 * each. Returns the bytes copied and sets *width, *height and *serial; 0 when
 * no new picture came in time; -1 for bad arguments, or when bufferBytes is
 * too small: then *width and *height tell the size and *serial is kept. */
ZD_API int ZD_TapVideoFrame(void* handle, void* buffer, int bufferBytes, int* width, int* height,
                            uint64_t* serial, int timeoutMs);
/* The open device's sound as interleaved signed 16-bit stereo at 48000 Hz,
 * from the stream position *position in bytes (-1: from now on). Waits up to
 * timeoutMs (at most 10000) for sound after it, copies whole sample frames up
 * to bufferBytes and moves *position past them; a position behind the two
 * seconds kept moves on to the oldest kept. Returns the bytes copied, 0 when
 * none came in time, -1 for bad arguments. */
ZD_API int ZD_TapAudio(void* handle, void* buffer, int bufferBytes, int64_t* position,
                       int timeoutMs);

/* ---- Usage statistics (accepted and dropped: no network) ---------------- */

ZD_API void GA_SetAppInfo(const char* product, const char* name, const char* version);
ZD_API void GA_help_event_launch(const char* releaseDate, int flag);
ZD_API void GA_help_exit(void);
ZD_API void GA_SubmitByDelayExe(void);
ZD_API void GA_TrackClick(const char* key);
ZD_API void GA_TrackScreen(const char* key);
ZD_API void GA_TrackError(const char* key);
ZD_API void GA_TrackLogging(const char* key, const char* value);

#ifdef __cplusplus
}
#endif

#endif
