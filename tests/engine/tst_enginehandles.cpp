// Every call that takes the engine handle fails cleanly with a null, unknown
// or released handle; the calls not made real yet give the failure values
// their callers expect.
#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <cstring>
#include <functional>

using HandleCall = std::function<long long(void*)>;
Q_DECLARE_METATYPE(HandleCall)

class TstEngineHandles : public QObject
{
    Q_OBJECT

private slots:
    void init() { ZDT_ClearScript(nullptr); }

    void badHandles_data()
    {
        QTest::addColumn<HandleCall>("call");
        QTest::addColumn<long long>("failure");

        static DEV_NAME dev = testCamera();
        static DEV_NAME devices[ZD_MAX_DEVICES];
        static DEV_CAPACITY caps[ZD_MAX_CAPACITIES];
        static VIDEOAMPVALUE amp;
        static SOURCE_INFO_4K30 info;
        static LIVEPIP_PARAMTERS pip;
        static RTMPSERVERPARAM server;
        static char text[ZD_TEXT_BUFFER_BYTES];
        static char block[ZD_KIND_BLOCK_BYTES];
        static int n;
        static int flag;

        auto row = [](const char* name, long long failure, HandleCall call) {
            QTest::newRow(name) << call << failure;
        };
        row("ZD_CheckState", 0,
            [](void* h) { return ZD_CheckState(h, &flag, &flag, &flag, &flag, &flag); });
        row("ZD_GetCaptureDevices", 0, [](void* h) {
            n = 50;
            return ZD_GetCaptureDevices(h, devices, &n, 0);
        });
        row("ZD_GetCaptureDeviceCapacity", 0, [](void* h) {
            n = 100;
            return ZD_GetCaptureDeviceCapacity(h, &dev, caps, &n);
        });
        row("ZD_OpenDevice", 0, [](void* h) {
            return ZD_OpenDevice(h, 0, nullptr, 1, 0, &dev, nullptr, nullptr, 10000000);
        });
        row("ZD_CloseDevice", 0, [](void* h) { return ZD_CloseDevice(h); });
        row("ZD_GetCurrentDeviceCapacity", 0,
            [](void* h) { return ZD_GetCurrentDeviceCapacity(h, caps, text); });
        row("ZD_StartUSBDeviceListen", 0,
            [](void* h) { return ZD_StartUSBDeviceListen(h, nullptr); });
        row("ZD_QueryDeviceLost", 0,
            [](void* h) { return ZD_QueryDeviceLost(h, nullptr, &dev, &flag); });
        row("ZD_SDL_loop", 0, [](void* h) { return ZD_SDL_loop(h); });
        row("ZD_UpdateVideoSize", 0, [](void* h) { return ZD_UpdateVideoSize(h, 0, 0, 640, 360); });
        row("ZD_PreviewEnable", 0, [](void* h) { return ZD_PreviewEnable(h, nullptr); });
        row("ZD_GetFrameDataFps", 0, [](void* h) { return ZD_GetFrameDataFps(h, nullptr); });
        row("ZD_AdjustVolume", 0, [](void* h) { return ZD_AdjustVolume(h, 100); });
        row("ZD_SetAudioRenderDevices", 0, [](void* h) { return ZD_SetAudioRenderDevices(h, ""); });
        row("ZD_GetCaptureAmpValue", 0,
            [](void* h) { return ZD_GetCaptureAmpValue(h, "Test Pattern Camera", &amp); });
        row("ZD_SetCaptureAmpValue", 0,
            [](void* h) { return ZD_SetCaptureAmpValue(h, "Test Pattern Camera", &amp); });
        row("ZD_4k30_hdr_getset_hdrflag", 0,
            [](void* h) { return ZD_4k30_hdr_getset_hdrflag(h, 0, &flag); });
        row("ZD_4k30_hdr_getSourceInfo", 0,
            [](void* h) { return ZD_4k30_hdr_getSourceInfo(h, &info); });
        row("ZD_StartRecord", -1, [](void* h) {
            return ZD_StartRecord(h, "/tmp/a.mp4", 0, 0, 0, 1920, 1080, 30, 8000000);
        });
        row("ZD_StopRecord", 0, [](void* h) { return ZD_StopRecord(h); });
        row("ZD_PauseRecord", 0, [](void* h) { return ZD_PauseRecord(h, 1); });
        row("ZD_IsPauseRecord", 0, [](void* h) { return ZD_IsPauseRecord(h); });
        row("ZD_RestartRecord", 0, [](void* h) { return ZD_RestartRecord(h, "/tmp/a.mp4", text); });
        row("ZD_GetRecordFileSize", 0,
            [](void* h) { return static_cast<long long>(ZD_GetRecordFileSize(h)); });
        row("ZD_ScreenShot_bmp", 0, [](void* h) { return ZD_ScreenShot_bmp(h, "/tmp/a.bmp", 1); });
        row("ZD_ScreenShot_gif", 0,
            [](void* h) { return ZD_ScreenShot_gif(h, 320, 180, 1, 10, "/tmp/a.gif"); });
        row("ZD_ScreenShot_gif_stop", 0, [](void* h) { return ZD_ScreenShot_gif_stop(h); });
        row("ZD_AddFilter", 0, [](void* h) { return ZD_AddFilter(h, nullptr, 1, 1, "hflip", 1); });
        row("ZD_EditFilter", 0, [](void* h) { return ZD_EditFilter(h, nullptr, 1, "enabled=0"); });
        row("ZD_DeleteFilter", 0,
            [](void* h) { return ZD_DeleteFilter(h, nullptr, ZD_ALL_FILTERS); });
        row("ZD_AddOverlayDevice", 0, [](void* h) { return ZD_AddOverlayDevice(h, "1", 0, &pip); });
        row("ZD_EditOverlayDeviceCfg", 0,
            [](void* h) { return ZD_EditOverlayDeviceCfg(h, "1", 1, &pip); });
        row("ZD_DeleteOverlayDevice", 0, [](void* h) { return ZD_DeleteOverlayDevice(h, "1"); });
        row("ZD_GetOverlayPrivateData", 0, [](void* h) {
            n = sizeof block;
            return ZD_GetOverlayPrivateData(h, "1", block, &n);
        });
        row("ZD_StartLive", 0,
            [](void* h) { return ZD_StartLive(h, &server, 1, 1280, 720, 30, 2000000, nullptr); });
        row("ZD_StopLive", 0, [](void* h) { return ZD_StopLive(h); });
        row("ZD_GetLiveInfo", 0, [](void* h) {
            n = 1;
            return ZD_GetLiveInfo(h, &server, &n);
        });
        row("ZD_StartDUD_Server", 0, [](void* h) { return ZD_StartDUD_Server(h, 9875); });
        row("ZD_StopDUD_Server", 0, [](void* h) { return ZD_StopDUD_Server(h); });
        row("ZD_IsDUDRunning", 0, [](void* h) { return ZD_IsDUDRunning(h, &flag); });
        row("ZD_StartDUD_live", 0,
            [](void* h) { return ZD_StartDUD_live(h, 1280, 720, 30, 3072); });
        row("ZD_StopDUD_live", 0, [](void* h) { return ZD_StopDUD_live(h); });
        row("ZD_SearchDUDServer", 0, [](void* h) { return ZD_SearchDUDServer(h, nullptr); });
        row("ZD_DUDFilesChanged", 0, [](void* h) { return ZD_DUDFilesChanged(h); });
        row("ZD_TapVideoFrame", -1, [](void* h) {
            static uint8_t pixels[64];
            int w = 0, hh = 0;
            uint64_t serial = 0;
            return ZD_TapVideoFrame(h, pixels, sizeof pixels, &w, &hh, &serial, 0);
        });
        row("ZD_TapAudio", -1, [](void* h) {
            static uint8_t samples[64];
            int64_t position = -1;
            return ZD_TapAudio(h, samples, sizeof samples, &position, 0);
        });
        row("ZD_GetEncodeH264EngineList", 0, [](void* h) {
            static char nameBuffers[ZD_ENCODER_LIST_SLOTS][ZD_ENCODER_NAME_BYTES];
            static char* names[ZD_ENCODER_LIST_SLOTS];
            static int ids[ZD_ENCODER_LIST_SLOTS];
            for (int i = 0; i < ZD_ENCODER_LIST_SLOTS; ++i)
                names[i] = nameBuffers[i];
            return ZD_GetEncodeH264EngineList(h, names, ids);
        });
    }

    void badHandles()
    {
        QFETCH(HandleCall, call);
        QFETCH(long long, failure);
        ReportSink sink;
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);

        QCOMPARE(call(nullptr), failure);
        // Never a handle of this engine: not even looked at.
        int stranger = 0;
        QCOMPARE(call(&stranger), failure);
        void* h = initEngine();
        void* stale = h;
        QCOMPARE(ZD_Release(&h), 1);
        QCOMPARE(call(stale), failure);
        // A new engine does not make the old handle good again.
        void* other = initEngine();
        QVERIFY(other != stale);
        QCOMPARE(call(stale), failure);
        ZD_Release(&other);

        QTest::qWait(20);
        QCOMPARE(sink.callbacks.load(), 0);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }

    void checkStateClearsFlagsOnFailure()
    {
        int open = 7, previewing = 7, recording = 7, gif = 7, living = 7;
        QCOMPARE(ZD_CheckState(nullptr, &open, &previewing, &recording, &gif, &living), 0);
        QCOMPARE(open + previewing + recording + gif + living, 0);
    }

    void releaseRules()
    {
        QCOMPARE(ZD_Release(nullptr), 0);
        void* none = nullptr;
        QCOMPARE(ZD_Release(&none), 0);
        QCOMPARE(ZD_Initalize(nullptr, "", "", "", "", ""), 0);
        void* h = initEngine();
        void* copy = h;
        QCOMPARE(ZD_Release(&h), 1);
        QCOMPARE(h, nullptr);
        QCOMPARE(ZD_Release(&copy), 0);
        QCOMPARE(ZDT_LiveEngineCount(), 0);
        QCOMPARE(ZDT_EngineThreadCount(), 0);
    }

    void placeholderResults_data()
    {
        QTest::addColumn<HandleCall>("call");
        QTest::addColumn<long long>("expected");
        auto row = [](const char* name, long long expected, HandleCall call) {
            QTest::newRow(name) << call << expected;
        };
        static char buffer[64];
        static int size;
        row("ZD_ReadInternetFile fails", 1, [](void*) {
            size = sizeof buffer;
            const int r = ZD_ReadInternetFile("http://127.0.0.1:1/v", nullptr, buffer, &size);
            return static_cast<long long>(r != 0 && size == 0);
        });
        row("ZD_PostInternetData fails", 1, [](void*) {
            size = sizeof buffer;
            return static_cast<long long>(
                ZD_PostInternetData("http://127.0.0.1:1/p", "a=1", buffer, &size) != 0);
        });
        row("ZD_package_feedback_data without a report", 1, [](void*) {
            int length = 5;
            char message[ZD_TEXT_BUFFER_BYTES] = "x";
            char* packet = ZD_package_feedback_data("n", "e@x", nullptr, &length, message);
            return static_cast<long long>(!packet && length == 0 && message[0] == '\0');
        });
        row("ZD_PostFeedback without a service", 0,
            [](void*) { return ZD_PostFeedback("x", 1, buffer); });
        row("ZD_GetPopupAd_Data null", 1,
            [](void*) { return static_cast<long long>(!ZD_GetPopupAd_Data("q")); });
        row("ZD_CreateWebView null", 1, [](void*) {
            return static_cast<long long>(!ZD_CreateWebView(0, 0, 0, 10, 10, "about:blank"));
        });
        row("ZD_HideWindowTitleBar", 1, [](void*) { return ZD_HideWindowTitleBar(0, 1, 1, 1); });
        row("ZD_HideWindowTitleBarButton", 1,
            [](void*) { return ZD_HideWindowTitleBarButton(0, 0, 0, 0); });
        row("ZD_QuickTimePlayMp4", 0, [](void*) { return ZD_QuickTimePlayMp4("/tmp/a.mp4"); });
        row("ZD_OpenPreviewPicture", 0, [](void*) { return ZD_OpenPreviewPicture("/tmp/a.png"); });
        row("ZD_UnZip negative", 1,
            [](void*) { return static_cast<long long>(ZD_UnZip("/tmp/a.zip", "/tmp/x") < 0); });
        row("ZD_play_system_sound", 0, [](void*) { return ZD_play_system_sound(0); });
        row("ZD_TestHWData writes flags", 1, [](void*) {
            int r = 9, a = 9, b = 9;
            auto flag = [](int v) { return v == 0 || v == 1; };
            return static_cast<long long>(ZD_TestHWData(1, &r, &a, &b) == 1 && flag(r) && flag(a) &&
                                          flag(b));
        });
        row("ZD_SetHWData", 1, [](void*) { return ZD_SetHWData(1, 0, 0, 0); });
        row("ZD_IsmadVR_isValid", 0, [](void*) { return ZD_IsmadVR_isValid(); });
        row("ZD_GetDUDLinks without a port empties", 1, [](void*) {
            char a[ZD_TEXT_BUFFER_BYTES] = "x", b[ZD_TEXT_BUFFER_BYTES] = "y",
                 p[ZD_TEXT_BUFFER_BYTES] = "z";
            return static_cast<long long>(ZD_GetDUDLinks(a, b, 0, p) == 0 && !a[0] && !b[0] &&
                                          !p[0]);
        });
        row("ZD_StartRecord on a live engine", -1, [](void* h) {
            return ZD_StartRecord(h, "/tmp/a.mp4", 0, 0, 0, 1920, 1080, 30, 8000000);
        });
        row("ZD_GetLiveInfo without a stream", 1, [](void* h) {
            int count = 3;
            return static_cast<long long>(ZD_GetLiveInfo(h, nullptr, &count) == 1 && count == 0);
        });
    }
    void placeholderResults()
    {
        QFETCH(HandleCall, call);
        QFETCH(long long, expected);
        void* h = initEngine();
        QCOMPARE(call(h), expected);
        ZD_Release(&h);
    }

    // A scripted result replaces any call's own, with or without a handle,
    // until it is cleared.
    void scriptedResultsWin()
    {
        ZDT_ScriptResult("ZD_StartRecord", 1);
        ZDT_ScriptResult("ZD_ReadInternetFile", 0);
        QCOMPARE(ZD_StartRecord(nullptr, "/tmp/a.mp4", 0, 0, 0, 1920, 1080, 30, 1), 1);
        int size = 0;
        QCOMPARE(ZD_ReadInternetFile("http://127.0.0.1:1/", nullptr, nullptr, &size), 0);
        ZDT_ClearScript("ZD_StartRecord");
        QCOMPARE(ZD_StartRecord(nullptr, "/tmp/a.mp4", 0, 0, 0, 1920, 1080, 30, 1), -1);
        QCOMPARE(ZD_ReadInternetFile("http://127.0.0.1:1/", nullptr, nullptr, &size), 0);
        ZDT_ClearScript(nullptr);
        QVERIFY(ZD_ReadInternetFile("http://127.0.0.1:1/", nullptr, nullptr, &size) != 0);

        ZDT_ScriptResult("ZD_GetRecordFileSize", 5000000000LL);
        QCOMPARE(ZD_GetRecordFileSize(nullptr), int64_t{5000000000LL});
        ZDT_ClearScript(nullptr);
    }

    void scriptedStateFlags()
    {
        void* h = initEngine();
        ZDT_ScriptResult("ZD_CheckState.recording", 1);
        ZDT_ScriptResult("ZD_CheckState.living", 1);
        int open = 5, recording = 0, gif = 5, living = 0;
        QCOMPARE(ZD_CheckState(h, &open, nullptr, &recording, &gif, &living), 1);
        QCOMPARE(open, 0);
        QCOMPARE(recording, 1);
        QCOMPARE(gif, 0);
        QCOMPARE(living, 1);
        ZDT_ClearScript(nullptr);
        QCOMPARE(ZD_CheckState(h, nullptr, nullptr, &recording, nullptr, nullptr), 1);
        QCOMPARE(recording, 0);
        ZD_Release(&h);
    }
};

ZD_TEST_MAIN(TstEngineHandles, QCoreApplication)
#include "tst_enginehandles.moc"
