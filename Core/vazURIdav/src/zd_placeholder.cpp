// Placeholder bodies: every call fails safely until the engine implements it.
#include "vazURIdav.h"
#include <cstdarg>
extern "C" {
ZD_API int ZD_Initalize(void** handle, const char* appDataDir, const char* programDir, const char* resourceDir, const char* appName, const char* appVersion) { return 0; }
ZD_API int ZD_Release(void** handle) { return 0; }
ZD_API int ZD_SetMainMessageCallBack(ZD_MESSAGE_CALLBACK callback, void* context) { return 0; }
ZD_API void ZD_Log(int level, const char* format, ...) {  }
ZD_API int ZD_SetLocalString(int id, const char* text) { return 0; }
ZD_API int ZD_GetCurrentLocaLang(char* buffer, int size) { return 0; }
ZD_API int ZD_GetCpuUsageAndMemory(double* cpuPercent, double* memoryFraction) { return 0; }
ZD_API const char* ZD_GetUERRString(int code) { return nullptr; }
ZD_API int ZD_CheckState(void* handle, int* deviceOpen, int* previewing, int* recording, int* gif, int* living) { return 0; }
ZD_API int ZD_GetCaptureDevices(void* handle, DEV_NAME* devices, int* count, int ignoreVirtual) { return 0; }
ZD_API int ZD_GetCaptureDeviceCapacity(void* handle, const DEV_NAME* device, DEV_CAPACITY* capacities, int* count) { return 0; }
ZD_API int ZD_OpenDevice(void* handle, ZD_WINDOW_ID window, void* target, int keepAspect, int videoRender, const DEV_NAME* video, const DEV_NAME* audio, const DEV_CAPACITY* format, int queueBytes) { return 0; }
ZD_API int ZD_CloseDevice(void* handle) { return 0; }
ZD_API int ZD_GetCurrentDeviceCapacity(void* handle, DEV_CAPACITY* format, char* description) { return 0; }
ZD_API int ZD_StartUSBDeviceListen(void* handle, void* target) { return 0; }
ZD_API int ZD_QueryDeviceLost(void* handle, const char* layerKey, void* notification, int* lost) { return 0; }
ZD_API int ZD_SDL_loop(void* handle) { return 0; }
ZD_API int ZD_UpdateVideoSize(void* handle, int x, int y, int width, int height) { return 0; }
ZD_API int ZD_PreviewEnable(void* handle, int* enable) { return 0; }
ZD_API int ZD_GetFrameDataFps(void* handle, const char* layerKey) { return 0; }
ZD_API int ZD_AdjustVolume(void* handle, int volume) { return 0; }
ZD_API int ZD_SetAudioRenderDevices(void* handle, const char* name) { return 0; }
ZD_API int ZD_GetCaptureAmpValue(void* handle, const char* deviceName, VIDEOAMPVALUE* value) { return 0; }
ZD_API int ZD_SetCaptureAmpValue(void* handle, const char* deviceName, const VIDEOAMPVALUE* value) { return 0; }
ZD_API int ZD_4k30_hdr_getset_hdrflag(void* handle, int set, int* flag) { return 0; }
ZD_API int ZD_4k30_hdr_getSourceInfo(void* handle, SOURCE_INFO_4K30* info) { return 0; }
ZD_API int ZD_StartRecord(void* handle, const char* path, int format, int vcodec, int vspeed, int width, int height, int fps, int bitrate) { return 0; }
ZD_API int ZD_StopRecord(void* handle) { return 0; }
ZD_API int ZD_PauseRecord(void* handle, int pause) { return 0; }
ZD_API int ZD_IsPauseRecord(void* handle) { return 0; }
ZD_API int ZD_RestartRecord(void* handle, const char* currentPath, char* newPath) { return 0; }
ZD_API int64_t ZD_GetRecordFileSize(void* handle) { return 0; }
ZD_API int ZD_ScreenShot_bmp(void* handle, const char* path, int mode) { return 0; }
ZD_API int ZD_ScreenShot_gif(void* handle, int width, int height, int keepAspect, int fps, const char* path) { return 0; }
ZD_API int ZD_ScreenShot_gif_stop(void* handle) { return 0; }
ZD_API int ZD_AddFilter(void* handle, const char* pip, int type, int enabled, const char* cmd, unsigned int id) { return 0; }
ZD_API int ZD_EditFilter(void* handle, const char* pip, unsigned int id, const char* cmd) { return 0; }
ZD_API int ZD_DeleteFilter(void* handle, const char* pip, unsigned int id) { return 0; }
ZD_API int ZD_AddOverlayDevice(void* handle, const char* key, int kind, const LIVEPIP_PARAMTERS* params) { return 0; }
ZD_API int ZD_EditOverlayDeviceCfg(void* handle, const char* key, int mask, const LIVEPIP_PARAMTERS* params) { return 0; }
ZD_API int ZD_DeleteOverlayDevice(void* handle, const char* key) { return 0; }
ZD_API int ZD_GetOverlayPrivateData(void* handle, const char* key, void* buffer, int* size) { return 0; }
ZD_API int ZD_StartLive(void* handle, RTMPSERVERPARAM* servers, int count, int width, int height, int fps, int bitrate, const char* flvPath) { return 0; }
ZD_API int ZD_StopLive(void* handle) { return 0; }
ZD_API int ZD_GetLiveInfo(void* handle, RTMPSERVERPARAM* servers, int* count) { return 0; }
ZD_API int ZD_StartDUD_Server(void* handle, int port) { return 0; }
ZD_API int ZD_StopDUD_Server(void* handle) { return 0; }
ZD_API int ZD_IsDUDRunning(void* handle, int* running) { return 0; }
ZD_API int ZD_StartDUD_live(void* handle, int width, int height, int fps, int kbps) { return 0; }
ZD_API int ZD_StopDUD_live(void* handle) { return 0; }
ZD_API int ZD_SearchDUDServer(void* handle, void* target) { return 0; }
ZD_API int ZD_GetDUDLinks(char* link1, char* link2, int port, char* playerPath) { return 0; }
ZD_API int ZD_DUDFilesChanged(void* handle) { return 0; }
ZD_API char* ZD_package_feedback_data(const char* name, const char* email, const char* report, int* length, char* message) { return nullptr; }
ZD_API int ZD_PostFeedback(const char* packet, int length, char* message) { return 0; }
ZD_API POPUP_AD_DATA* ZD_GetPopupAd_Data(const char* query) { return nullptr; }
ZD_API void* ZD_CreateWebView(ZD_WINDOW_ID window, int x, int y, int width, int height, const char* url) { return nullptr; }
ZD_API void ZD_ReleaseWebView(void* view) {  }
ZD_API int ZD_HideWindowTitleBar(ZD_WINDOW_ID window, int a, int b, int c) { return 0; }
ZD_API int ZD_HideWindowTitleBarButton(ZD_WINDOW_ID window, int a, int b, int c) { return 0; }
ZD_API int ZD_QuickTimePlayMp4(const char* path) { return 0; }
ZD_API int ZD_OpenPreviewPicture(const char* path) { return 0; }
ZD_API int ZD_UnZip(const char* zipPath, const char* folder) { return 0; }
ZD_API int ZD_RemoveVidrelayAsRoot(void) { return 0; }
ZD_API int ZD_play_system_sound(int kind) { return 0; }
ZD_API int ZD_TestHWData(int kind, int* result, int* a, int* b) { return 0; }
ZD_API int ZD_SetHWData(int slot0, int slot1, int slot2, int slot6) { return 0; }
ZD_API int ZD_GetEncodeH264EngineList(void* handle, char** names, int* ids) { return 0; }
ZD_API int ZD_IsmadVR_isValid(void) { return 0; }
ZD_API void GA_SetAppInfo(const char* product, const char* name, const char* version) {  }
ZD_API void GA_help_event_launch(const char* releaseDate, int flag) {  }
ZD_API void GA_help_exit(void) {  }
ZD_API void GA_SubmitByDelayExe(void) {  }
ZD_API void GA_TrackClick(const char* key) {  }
ZD_API void GA_TrackScreen(const char* key) {  }
ZD_API void GA_TrackError(const char* key) {  }
ZD_API void GA_TrackLogging(const char* key, const char* value) {  }
}
