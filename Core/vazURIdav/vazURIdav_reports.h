/*
 * Ids of the reports the engine makes through the message callback (the msg
 * argument). They are the application's message ids as well, so they never
 * change. What each report carries in wParam, lParam and ptr is told beside
 * it. "Layer key" is a scene layer's numeric key; 0 stands for the main
 * device. Part of the contract of vazURIdav.h; compiles as C and as C++.
 */
#ifndef VAZURIDAV_REPORTS_H
#define VAZURIDAV_REPORTS_H

enum ZD_REPORT_ID {
    /* A device is being opened. */
    ZD_MSG_PREVIEW_LOADING = 5555,
    /* A device or layer source opened: 0 or layer key / for a layer, width
       in the upper 16 bits and height in the lower 16. */
    ZD_MSG_DEVICE_OPENED = 6666,
    ZD_MSG_IGNORED_6667 = 6667,
    /* The main device closed. */
    ZD_MSG_DEVICE_CLOSED = 7777,
    /* A capture device arrived (wParam 0) or was removed / ptr: the
       notification to pass to ZD_QueryDeviceLost. */
    ZD_MSG_DEVICE_CHANGED = 8965,
    /* The preview failed to start: 0 / the engine's error code. */
    ZD_MSG_PREVIEW_ERROR_CODE = 8975,
    ZD_MSG_CAMERA_PERMISSION_DENIED = 8985,
    ZD_MSG_MICROPHONE_PERMISSION_DENIED = 8986,
    ZD_MSG_NOT_IT9910_DEVICE = 9091,
    /* GIF capture: 0 started, 1 ended, 2 encoding time (lParam ms), 5 stop
       request. */
    ZD_MSG_GIF_STATE = 9150,
    ZD_MSG_DEVICE_INFO_CLEAR = 9685,
    /* A still picture was written: the path in lParam and ptr. */
    ZD_MSG_PICTURE_SAVED = 9800,
    /* Preview or source failure: 0 or layer key / failure kind 1-4. */
    ZD_MSG_PREVIEW_FAILED = 9902,
    ZD_MSG_IGNORED_9905 = 9905,
    /* lParam 1: the source is HDR, 0: SDR. */
    ZD_MSG_HDR_STATE = 9906,
    /* A movie or picture layer failed to play a file: layer key / file
       index, -1 clears the error. */
    ZD_MSG_OVERLAY_FILE_ERROR = 12351,
    /* A movie layer moved to another file: layer key / its index. */
    ZD_MSG_OVERLAY_FILE_INDEX = 12352,
    /* New rectangle of the focused layer: x and y / width and height, each
       pair packed in 16-bit halves. */
    ZD_MSG_OVERLAY_RECT = 21014,
    /* The search for share servers ended: 1 found, 0 none / lParam the
       reply text. */
    ZD_MSG_DUD_SEARCH_DONE = 36970,
    /* A layer's source opened: layer key / 0 success, 1 no device, 2
       camera permission, 3 graph failed. */
    ZD_MSG_OVERLAY_OPEN_RESULT = 67853,
    ZD_MSG_AUDIO_NOT_48KHZ = 77896,
    /* An RTMP server's connection state changed: server id / 1. */
    ZD_MSG_LIVE_SERVER_STATUS = 83675,
    /* The FLV copy of the live stream is no longer written (it cannot be
       opened, the disk is full, its file or folder was removed); the stream
       goes on: 0 / the system's error number. Sent to the owner of the
       first server record. */
    ZD_MSG_LIVE_FLV_FAILED = 83676,
    /* A layer's audio level: layer key / level. */
    ZD_MSG_OVERLAY_AUDIO_LEVEL = 98640,
    /* The recording, live or share-live encoder failed: 0 / failure code
       1-6. */
    ZD_MSG_RECORD_FAILED = 99663,
    ZD_MSG_LIVE_FAILED = 99664,
    ZD_MSG_DUD_FAILED = 99665
};

#endif /* VAZURIDAV_REPORTS_H */
