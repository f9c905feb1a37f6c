// The picture controls (ProcAmp) of a capture device as nine sliders. Every
// move of a slider reaches the device at once; OK keeps what was applied and
// Cancel writes back what was read at opening.
#pragma once

#include "mydialog.h"
#include "vazURIdav.h"

class QLineEdit;
class QSlider;
namespace Ui
{
class QDeviceControlWnd;
}

class QDeviceControlWnd : public MyDialog
{
    Q_OBJECT
public:
    // device: the device as the engine names it (local 8-bit), or null for
    // the open one. The pointer is kept, not the text: it must outlive the
    // dialog.
    QDeviceControlWnd(QWidget* parent, const char* device);
    ~QDeviceControlWnd() override;

    // Every descendant but except enabled when disable is 0, else disabled;
    // OK and Cancel stay usable whatever it is asked, so the dialog can always
    // be left.
    void DisableControls(QWidget* except, int disable);
    // The nine slider values and the automatic flag to the device.
    void ApplyData();

    Ui::QDeviceControlWnd* ui = nullptr;
    // What the device gave at opening; never changed afterwards.
    VIDEOAMPVALUE ampValue;
    const char* deviceName = nullptr;
    // Whether ampValue holds the device's values: after a failed read the
    // dialog writes nothing to the device.
    bool valuesRead = false;

public slots:
    void onslider(int v);
    void onslider_2(int v);
    void onslider_3(int v);
    void onslider_4(int v);
    void onslider_5(int v);
    void onslider_6(int v);
    void onslider_7(int v);
    void onslider_8(int v);
    void onslider_9(int v);
    void onEnableColorCheck();
    void onBtnDefault();
    void onBtnOK();
    void onBtnCancel();

private:
    struct Row {
        QSlider* slider;
        QLineEdit* edit;
        int item; // index into VIDEOAMPVALUE::items
    };
    QList<Row> rows() const;
    void sliderMoved(int row, int value);
};
