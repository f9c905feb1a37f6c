// Ids of the reports the engine makes through the message callback.
#pragma once

namespace zd
{

enum ReportId : unsigned int {
    kMsgPreviewLoading = 5555,
    kMsgDeviceOpened = 6666,
    kMsgDeviceClosed = 7777,
    kMsgDeviceChanged = 8965,
    kMsgPreviewErrorCode = 8975,
    kMsgGifState = 9150,
    kMsgPictureSaved = 9800,
    kMsgPreviewFailed = 9902,
    kMsgOverlayFileError = 12351,
    kMsgOverlayFileIndex = 12352,
    kMsgDudSearchDone = 36970,
    kMsgOverlayOpenResult = 67853,
    kMsgLiveServerStatus = 83675,
    kMsgOverlayAudioLevel = 98640,
    kMsgRecordFailed = 99663,
    kMsgLiveFailed = 99664,
    kMsgDudFailed = 99665,
};

} // namespace zd
