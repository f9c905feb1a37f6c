// Desktop services: web view, window title bars, players, unzip, sounds.
#include "api/apientry.h"
#include "desktop/agentremoval.h"
#include "desktop/openwithdesktop.h"
#include "zip/unzip.h"
#include "zip/zipreader.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API void* ZD_CreateWebView(ZD_WINDOW_ID window, int x, int y, int width, int height,
                              const char* url)
{
    (void)window;
    ZD_TRACE("ZD_CreateWebView(x=%d,y=%d,w=%d,h=%d,url=%s)", x, y, width, height,
             traceText(url).c_str());
    return guarded<void*>("ZD_CreateWebView", nullptr, []() -> void* { return nullptr; });
}

ZD_API void ZD_ReleaseWebView(void* view)
{
    (void)view;
    ZD_TRACE("ZD_ReleaseWebView()");
}

// On Linux the window manager's frame stays, so every window can still be
// moved and closed; hiding the title bar is a successful no-op.
ZD_API int ZD_HideWindowTitleBar(ZD_WINDOW_ID window, int a, int b, int c)
{
    (void)window;
    ZD_TRACE("ZD_HideWindowTitleBar(%d,%d,%d)", a, b, c);
    return guarded("ZD_HideWindowTitleBar", 0, [] { return 1; });
}

ZD_API int ZD_HideWindowTitleBarButton(ZD_WINDOW_ID window, int a, int b, int c)
{
    (void)window;
    ZD_TRACE("ZD_HideWindowTitleBarButton(%d,%d,%d)", a, b, c);
    return guarded("ZD_HideWindowTitleBarButton", 0, [] { return 1; });
}

ZD_API int ZD_QuickTimePlayMp4(const char* path)
{
    ZD_TRACE("ZD_QuickTimePlayMp4(path=%s)", traceText(path).c_str());
    return guarded("ZD_QuickTimePlayMp4", 0,
                   [&] { return desktop::openWithDesktop(path) ? 1 : 0; });
}

ZD_API int ZD_OpenPreviewPicture(const char* path)
{
    ZD_TRACE("ZD_OpenPreviewPicture(path=%s)", traceText(path).c_str());
    return guarded("ZD_OpenPreviewPicture", 0,
                   [&] { return desktop::openWithDesktop(path) ? 1 : 0; });
}

ZD_API int ZD_UnZip(const char* zipPath, const char* folder)
{
    ZD_TRACE("ZD_UnZip(zip=%s,folder=%s)", traceText(zipPath).c_str(), traceText(folder).c_str());
    // 0 and above mean success.
    return guarded("ZD_UnZip", static_cast<int>(kZipBadArgument), [&] {
        if (zipPath == nullptr || folder == nullptr)
            return static_cast<int>(kZipBadArgument);
        return unzipArchive(boundedText(zipPath), boundedText(folder));
    });
}

ZD_API int ZD_RemoveVidrelayAsRoot(void)
{
    ZD_TRACE("ZD_RemoveVidrelayAsRoot()");
    return guarded("ZD_RemoveVidrelayAsRoot", 0,
                   [] { return desktop::removeAgentAsRoot() ? 1 : 0; });
}

ZD_API int ZD_play_system_sound(int kind)
{
    ZD_TRACE("ZD_play_system_sound(kind=%d)", kind);
    return guarded("ZD_play_system_sound", 0, [] { return 0; });
}

} // extern "C"
