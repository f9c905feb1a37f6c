// The application's message bus: numbered messages in the manner of window
// messages, carried by a QEvent of type 2048 so that windows that do not know
// each other's type can still talk.
#pragma once

#include <QEvent>
#include <QWidget>
#include <cstdint>

class QObject;

// Message ids. The values are shared with the engine's reports and with every
// receiver, so they never change.
enum : unsigned long {
    MSG_VERSION_CHECK_DONE = 300,
    MSG_POPUP_NEWS_READY = 301,
    MSG_HOTKEY_COMMAND = 404,
    MSG_PREVIEW_LOADING = 5555,
    MSG_DEVICE_OPENED = 6666,
    MSG_IGNORED_6667 = 6667,
    MSG_DEVICE_CLOSED = 7777,
    MSG_NO_DEVICE_PICTURE = 8881,
    MSG_DEVICE_CHANGED = 8965,
    MSG_PREVIEW_ERROR_CODE = 8975,
    MSG_CAMERA_PERMISSION_DENIED = 8985,
    MSG_MICROPHONE_PERMISSION_DENIED = 8986,
    MSG_NOT_IT9910_DEVICE = 9091,
    MSG_GIF_STATE = 9150,
    MSG_DEVICE_LOST = 9215,
    MSG_DEVICE_INFO_CLEAR = 9685,
    MSG_PICTURE_SAVED = 9800,
    MSG_PREVIEW_FAILED = 9902,
    MSG_IGNORED_9905 = 9905,
    MSG_HDR_STATE = 9906,
    MSG_RECORD_STATE = 10220,
    MSG_RELOAD_SERVERS = 11566,
    MSG_OVERLAY_FILE_ERROR = 12351,
    MSG_OVERLAY_FILE_INDEX = 12352,
    MSG_OVERLAY_RECT = 21014,
    MSG_MOUSE_ACTIVITY = 32132,
    MSG_MAIN_WINDOW_DEACTIVATED = 32133,
    MSG_DUD_SEARCH_DONE = 36970,
    MSG_MOUSE_LEFT_DOWN = 56770,
    MSG_MOUSE_LEFT_UP = 56771,
    MSG_MOUSE_MOVE = 56772,
    MSG_CONTEXT_MENU = 56789,
    MSG_MODE_SWITCHED = 63754,
    MSG_OVERLAY_OPEN_RESULT = 67853,
    MSG_SETTINGS_CHANGED = 69754,
    MSG_LANGUAGE_CHANGED = 69755,
    MSG_PREVIEW_SETTINGS_CHANGED = 69756,
    MSG_AUDIO_NOT_48KHZ = 77896,
    MSG_LIVE_SERVER_STATUS = 83675,
    MSG_OVERLAY_AUDIO_LEVEL = 98640,
    MSG_MOUSE_WHEEL = 99335,
    MSG_RECORD_FAILED = 99663,
    MSG_LIVE_FAILED = 99664,
    MSG_DUD_FAILED = 99665,
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
