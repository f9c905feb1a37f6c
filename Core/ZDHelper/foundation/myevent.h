// The application's message bus: numbered messages in the manner of window
// messages, carried by a QEvent of type 2048 so that windows that do not know
// each other's type can still talk.
#pragma once

#include "vazURIdav_reports.h"

#include <QEvent>
#include <QWidget>
#include <cstdint>

class QObject;

// Message ids. Those of the engine's reports are the engine's own; the values
// are shared with every receiver, so they never change.
enum : unsigned long {
    MSG_VERSION_CHECK_DONE = 300,
    MSG_POPUP_NEWS_READY = 301,
    MSG_HOTKEY_COMMAND = 404,
    MSG_PREVIEW_LOADING = ZD_MSG_PREVIEW_LOADING,
    MSG_DEVICE_OPENED = ZD_MSG_DEVICE_OPENED,
    MSG_IGNORED_6667 = ZD_MSG_IGNORED_6667,
    MSG_DEVICE_CLOSED = ZD_MSG_DEVICE_CLOSED,
    MSG_NO_DEVICE_PICTURE = 8881,
    MSG_DEVICE_CHANGED = ZD_MSG_DEVICE_CHANGED,
    MSG_PREVIEW_ERROR_CODE = ZD_MSG_PREVIEW_ERROR_CODE,
    MSG_CAMERA_PERMISSION_DENIED = ZD_MSG_CAMERA_PERMISSION_DENIED,
    MSG_MICROPHONE_PERMISSION_DENIED = ZD_MSG_MICROPHONE_PERMISSION_DENIED,
    MSG_NOT_IT9910_DEVICE = ZD_MSG_NOT_IT9910_DEVICE,
    MSG_GIF_STATE = ZD_MSG_GIF_STATE,
    MSG_DEVICE_LOST = 9215,
    MSG_DEVICE_INFO_CLEAR = ZD_MSG_DEVICE_INFO_CLEAR,
    MSG_PICTURE_SAVED = ZD_MSG_PICTURE_SAVED,
    MSG_PREVIEW_FAILED = ZD_MSG_PREVIEW_FAILED,
    MSG_IGNORED_9905 = ZD_MSG_IGNORED_9905,
    MSG_HDR_STATE = ZD_MSG_HDR_STATE,
    MSG_RECORD_STATE = 10220,
    MSG_RELOAD_SERVERS = 11566,
    MSG_OVERLAY_FILE_ERROR = ZD_MSG_OVERLAY_FILE_ERROR,
    MSG_OVERLAY_FILE_INDEX = ZD_MSG_OVERLAY_FILE_INDEX,
    MSG_OVERLAY_RECT = ZD_MSG_OVERLAY_RECT,
    MSG_MOUSE_ACTIVITY = 32132,
    MSG_MAIN_WINDOW_DEACTIVATED = 32133,
    MSG_DUD_SEARCH_DONE = ZD_MSG_DUD_SEARCH_DONE,
    MSG_MOUSE_LEFT_DOWN = 56770,
    MSG_MOUSE_LEFT_UP = 56771,
    MSG_MOUSE_MOVE = 56772,
    MSG_CONTEXT_MENU = 56789,
    MSG_MODE_SWITCHED = 63754,
    MSG_OVERLAY_OPEN_RESULT = ZD_MSG_OVERLAY_OPEN_RESULT,
    MSG_SETTINGS_CHANGED = 69754,
    MSG_LANGUAGE_CHANGED = 69755,
    MSG_PREVIEW_SETTINGS_CHANGED = 69756,
    MSG_AUDIO_NOT_48KHZ = ZD_MSG_AUDIO_NOT_48KHZ,
    MSG_LIVE_SERVER_STATUS = ZD_MSG_LIVE_SERVER_STATUS,
    MSG_LIVE_FLV_FAILED = ZD_MSG_LIVE_FLV_FAILED,
    MSG_OVERLAY_AUDIO_LEVEL = ZD_MSG_OVERLAY_AUDIO_LEVEL,
    MSG_MOUSE_WHEEL = 99335,
    MSG_RECORD_FAILED = ZD_MSG_RECORD_FAILED,
    MSG_LIVE_FAILED = ZD_MSG_LIVE_FAILED,
    MSG_DUD_FAILED = ZD_MSG_DUD_FAILED,
};

// Commands carried in the wParam of MSG_HOTKEY_COMMAND.
enum : long {
    CMD_RECORD_START_STOP = 4097,
    CMD_RECORD_PAUSE = 4098,
    CMD_CAPTURE_PICTURE = 4099,
    CMD_OPEN_FILES_MANAGER = 4100,
};

class MyEvent : public QEvent
{
public:
    static constexpr QEvent::Type EventType = static_cast<QEvent::Type>(2048);

    MyEvent(uint64_t msg = 0, int64_t wParam = 0, int64_t lParam = 0, void* ptr = nullptr)
        : QEvent(EventType), msg(msg), wParam(wParam), lParam(lParam), ptr(ptr)
    {
    }
    ~MyEvent() override;

    uint64_t msg;
    int64_t wParam;
    int64_t lParam;
    void* ptr;
};

// The main window is the receiver of every message sent to a null target.
// Until the main window registers itself, such messages are dropped.
QWidget* AfxGetMainWindow();
void AfxSetMainWindow(QWidget* window);

// Queues a message for the target's thread; safe from any thread.
void PostMessage(QObject* target, unsigned long msg, long wParam, long long lParam, void* ptr);
// Delivers a message at once on the calling thread; returns after the
// receiver's event() has returned.
void SendMessage(QObject* target, unsigned long msg, long wParam, long long lParam, void* ptr);
