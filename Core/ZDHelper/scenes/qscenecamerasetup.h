// The device layer editor of the live scene (video and audio capture device
// layers), and the device tests that the rest of the program shares with it:
// whether a capture device is accepted at all, which box model a device is
// (by its USB ids), and how two device or format records compare.
#pragma once

#include <QList>

class QComboBox;

#include "mydialog.h"
#include "vazURIdav.h"

class SceneItemData;
namespace Ui
{
class QSceneCameraSetup;
}

class QSceneCameraSetup : public MyDialog
{
    Q_OBJECT
public:
    // adding: the layer does not exist in the engine yet; the filter list is
    // shown only when editing.
    QSceneCameraSetup(QWidget* parent, bool adding);
    ~QSceneCameraSetup() override;

    void InitAll(bool audio, SceneItemData* layer);

    // The device passes the accepted-device list g_valid_captures (an empty
    // list, or an empty device path, accepts it).
    static bool IsMyDevice(const DEV_NAME* device);
    // The 4K30 capture boxes, by their USB ids in the device path.
    static bool IsIt4k30Dev(const DEV_NAME* device);
    static bool IsIt9910Dev(const DEV_NAME* device);
    // Same name, same path and same kind.
    static bool isEqueDeviceName(const DEV_NAME* a, const DEV_NAME* b);
    // Same four-character code, width and height; the frame rate does not
    // count.
    static bool isEqueDeviceFormat(const DEV_CAPACITY* a, const DEV_CAPACITY* b);

    Ui::QSceneCameraSetup* ui = nullptr;
    QList<DEV_NAME> devices;
    QList<DEV_CAPACITY> formats;
    bool adding = true;
    bool audio = false;
    SceneItemData* layer = nullptr;
    bool autoAudio = false;
    int startDevice = -1;
    int startFormat = -1;
    bool startAutoAudio = false;

public slots:
    void onOKClick();
    void onCancelClick();
    void onVideoCbxChanged(int row);
    void onSliderMoved(int value);
    void onVolumeSliderMoved(int value);
    void onVolumeSliderMoved2(int value);
    void onAudioChkClick();

private:
    void fillDevices(QComboBox* combo, bool audioKind);
    void updateOkEnabled();
};
