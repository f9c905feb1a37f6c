// The panel base shared by the record and the live panel: the row of capture
// controls (record, pause, files, picture, GIF, share, duration, settings,
// hide, mute, volume), the elapsed-time display, the one-shot start timer and
// the panel's schedule strip, with the actions behind those controls.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QLCDNumber;
class QSlider;
class QTimer;
class QMyFilters;
class QMyPushButton;
class QMyTimerBar;

// PICTURE/saveto + "/Pic" + local yyyyMMddHHmmss + ext; a name that is taken,
// on disk or by a picture still being written, gets "_2", "_3", ... before
// the extension.
QString getPictPathName(const QString& ext);

class QMyRecordWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QMyRecordWidget(QWidget* parent);
    ~QMyRecordWidget() override;

    virtual void resizeAll();
    virtual void updateLang();
    virtual void StopAll();
    virtual bool IsCanSwitchRecordLive();
    virtual void showx(bool show);
    virtual void first_show() = 0;

    void DeviceLost();
    void Mute_Audio();
    void UnMute_Audio(bool resetSlider);
    void onPictureCaptureDone(const QString& path);
    // The engine's picture-saved report: lParam is the NUL-terminated UTF-8
    // path, or null.
    void onPictureSavedReport(long long lParam);
    void onFilesWndClosed();
    QString getRecordStartButtonPng() const;

    // Shared by both panels' device opening: the message for a failed
    // ZD_OpenDevice result (nothing for codes without one), the text of a
    // preview failure report (empty for codes without one), and the start of
    // the share server's live picture with its failure message: only while
    // the server runs and the settings ask for it, with the settings' encoder
    // values (their defaults when the file has none).
    static void ShowOpenDeviceFailure(int result, const QString& videoName);
    static QString PreviewFailedText(long long code);
    static void StartDudLiveWhenSharing();
    // Before a device is opened: closes the open one, after the user agreed
    // to stop a running recording (13006); false when the user did not, and
    // nothing changed.
    bool CloseDeviceToReopen();
    // The filter chain of the opened device from the filter store, loaded
    // from its file and applied; kept in deviceFilters.
    void ApplyDeviceFilters(const QString& device);

    // The switch question while a recording runs: true when none runs or the
    // user agrees to stop it. Asks only; StopRecordingToSwitch stops.
    bool ConfirmStopRecordingToSwitch();
    void StopRecordingToSwitch();

    QMyFilters* deviceFilters = nullptr;
    QMyTimerBar* timerBar = nullptr;
    QTimer* startTimer = nullptr;
    uint8_t mutedForFiles = 0;
    uint8_t muted = 0;
    uint8_t paused = 0;
    QLCDNumber* elapsedDisplay = nullptr;
    QMyPushButton* btnRecord = nullptr;
    QMyPushButton* btnPause = nullptr;
    QLabel* recordText = nullptr;
    QLabel* pauseText = nullptr;
    QMyPushButton* btnFiles = nullptr;
    QMyPushButton* btnPicture = nullptr;
    QMyPushButton* btnGif = nullptr;
    QMyPushButton* btnDUD = nullptr;
    QMyPushButton* btnSetup = nullptr;
    QLabel* volumeLabel = nullptr;
    QSlider* volumeSlider = nullptr;
    QMyPushButton* btnMute = nullptr;
    QMyPushButton* btnHide = nullptr;
    QMyPushButton* btnRecDur = nullptr;
    QString gifPath;
    uint8_t picturesLoaded = 0;
    uint8_t liveLook = 0;
    uint8_t reloadPending = 0;

public slots:
    void btnHideClick();
    void btnRecordStartClick();
    void btnRecordPauseClick();
    void btnFilesClick();
    void btnPictureClick();
    void btnGifClick();
    void btnDUDClick();
    void btnRecDurClick();
    void btnMuteClick();
    void volume_slider_changed(int value);
    void btnSetupClick();
    void timer1();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void recordAttemptEnded();
    QString hotkeyText(int key) const;
};
