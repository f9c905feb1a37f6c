// The record-mode panel: the video and audio capture device choice, the
// device open with its remembered format and filters, the preview, the
// engine's device notifications, and the recording schedule strip.
#pragma once

#include <QString>

#include "qmyrecordwidget.h"
#include "vazURIdav.h"

class QComboBox;
class QLabel;
class QMyPushButton;

class QMyRecordBar : public QMyRecordWidget
{
    Q_OBJECT
public:
    explicit QMyRecordBar(QWidget* parent);
    ~QMyRecordBar() override;

    void resizeAll() override;
    void updateLang() override;
    void first_show() override;

    void LoadDevices(bool open);
    void DeviceChanged(bool arrived, int unused);
    void StartPlay();
    void SetDeviceInfo(bool withFormat, const QString& text);
    DEV_CAPACITY GetDeviceLastCapacity(const QString& device) const;
    void SaveDeviceLastCapacity(const QString& device);

    DEV_NAME devices[ZD_MAX_DEVICES] = {};
    int deviceCount = ZD_MAX_DEVICES;
    DEV_NAME openDevice = {};
    DEV_CAPACITY currentFormat = {};
    DEV_CAPACITY formats[ZD_MAX_CAPACITIES] = {};
    int formatCount = 0;
    QLabel* videoLabel = nullptr;
    QComboBox* videoCombo = nullptr;
    QMyPushButton* btnVideoSetup = nullptr;
    QLabel* formatLine = nullptr;
    QLabel* audioLabel = nullptr;
    QComboBox* audioCombo = nullptr;
    QMyPushButton* btnAudioSetup = nullptr;
    QLabel* descriptionLine = nullptr;
    uint8_t barPicturesLoaded = 0;
    uint8_t loading = 0;
    uint8_t deviceLost = 0;

public slots:
    void btnVideoDevSetupClick();
    void comboVideoChanged(int index);
    void comboAudioChanged(int index);

protected:
    bool event(QEvent* e) override;

private:
    int enumerate();
    void placeDescriptionLine();
    void handleHdr(int flag);
    void handlePreviewError(long long code);
    void handleDeviceChanged(bool arrived, void* notification);
};
