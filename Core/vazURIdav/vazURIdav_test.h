/*
 * vazURIdav test controls: scripted results, injected reports, devices added
 * and removed at run time, and a trace of every call. Exported by the same
 * library as vazURIdav.h, for tests only: the application never includes it.
 */
#ifndef VAZURIDAV_TEST_H
#define VAZURIDAV_TEST_H

#include "vazURIdav.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Makes the named call (for example "ZD_OpenDevice") return value without
 * acting, for every handle, null included, until cleared. The names
 * "ZD_CheckState.open", ".previewing", ".recording", ".gif" and ".living"
 * instead set that one flag of ZD_CheckState while the call still runs;
 * "ZD_TestHWData.1" to ".6" make ZD_TestHWData of that kind write value into
 * each of its outputs without testing anything; "ZD_QueryDeviceLost.<layer
 * key>" makes ZD_QueryDeviceLost answer 1 for that layer key with value in
 * its lost output. */
ZD_API void ZDT_ScriptResult(const char* call, long long value);
/* Clears the script of one call; null clears every script. */
ZD_API void ZDT_ClearScript(const char* call);

/* Where ZDT_InjectReport puts the kept copy of its text (flags). */
#define ZDT_TEXT_IN_PTR 1
#define ZDT_TEXT_IN_LPARAM 2

/* Queues a report on the engine's report thread, as the engine's own reports
 * are: sync 0, the given target and values. A text (may be null) is copied,
 * kept until the handle is released, and its address goes into ptr and/or
 * lParam as textPlace says. Returns 1 when queued. */
ZD_API int ZDT_InjectReport(void* handle, void* target, unsigned int msg, unsigned long wParam,
                            long long lParam, const char* text, int textPlace);
/* Waits until every queued report has been handed to the callback. 1 = idle. */
ZD_API int ZDT_WaitReportsDelivered(void* handle, int timeoutMs);

/* Plugs in a scripted device, given as the JSON text of one device in the
 * format of the $VAZURIDAV_DEVICES file. Reports 8965 (arrival) to the
 * listening target. Returns 1, or 0 for malformed text, a device path
 * already present, or a full device list. */
ZD_API int ZDT_AddDevice(void* handle, const char* deviceJson);
/* Unplugs the scripted device with this path; reports 8965 (removal). */
ZD_API int ZDT_RemoveDevice(void* handle, const char* path);

/* The call trace: one line per call of every ZD_ and GA_ function but
 * ZD_Log and the preview pump ZD_SDL_loop, with its arguments
 * ("ZD_OpenDevice(video=Test Pattern Camera,audio=,fmt=1920x1080@60)\n"),
 * oldest first, the oldest dropped beyond 20000 lines,
 * copied into buffer (size bytes with the terminator; buffer may be null).
 * Returns the length of the whole trace without the terminator.
 * The trace is off when the library loads, so that the program keeps no
 * lines: ZDT_EnableTrace(1) turns it on for calls made from then on, and so
 * do ZDT_ReadTrace and ZDT_ClearTrace. Scripted results are likewise off
 * until the first ZDT_ScriptResult. */
ZD_API void ZDT_EnableTrace(int on);
ZD_API int ZDT_ReadTrace(char* buffer, int size);
ZD_API void ZDT_ClearTrace(void);

/* Threads of all engines that are running now, and the engines not released. */
ZD_API int ZDT_EngineThreadCount(void);
ZD_API int ZDT_LiveEngineCount(void);

/* The machine's own devices (V4L2 video nodes, ALSA sound nodes, and sysfs
 * for their USB ids) are read from $VAZURIDAV_DEV_ROOT and
 * $VAZURIDAV_SYS_ROOT when these name folders at ZD_Initalize, else from
 * /dev and /sys; tests point them at folders of their own. */

/* The rectangle (x, y, width, height in canvas pixels) the live canvas last
 * drew the layer of that key into, after rounding to even pixels and cutting
 * at the canvas edges. Returns 1, or 0 when the layer is unknown or has not
 * been drawn. */
ZD_API int ZDT_LayerComposedRect(void* handle, const char* key, int* rect);
/* Packets the live stream has sent to the server at index of the start
 * call's array; -1 when there is no such server. */
ZD_API long long ZDT_LiveServerPackets(void* handle, int index);

/* The preview sound's delays in microseconds, each averaged over the last
 * second: in the sound server's buffer, and from a sample's capture to its
 * playing (either may be null). Returns 1, or 0 while no sound plays. */
ZD_API int ZDT_MonitorLatency(void* handle, long long* serverUs, long long* sampleUs);

/* Folder read in place of /proc by ZD_GetCpuUsageAndMemory (null: /proc). */
ZD_API void ZDT_SetProcRoot(const char* folder);

/* Seconds after which share servers started from now on drop a client that
 * neither sends nor takes anything (0: the engine's own 30). */
ZD_API void ZDT_SetShareIdleTimeout(int seconds);

#ifdef __cplusplus
}
#endif

#endif
