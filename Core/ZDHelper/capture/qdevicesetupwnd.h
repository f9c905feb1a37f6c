// The "Device setup" dialog of the record panel: capture format and frame
// rate of the chosen video device, its filter list, and on a 4K30 capture box
// the box's HDR switch. The owner fills the public members, runs InitDlg()
// and exec(), and after OK reads curCapacity and reopenNeeded back.
#pragma once

#include "mydialog.h"
#include "vazURIdav.h"

namespace Ui
{
class QDeviceSetupWnd;
}

class QDeviceSetupWnd : public MyDialog
{
    Q_OBJECT
public:
    explicit QDeviceSetupWnd(QWidget* parent);
    ~QDeviceSetupWnd() override;

    void InitDlg();
    // The 4K30 part of the set-up: HDR switch, HDMI source line and the
    // pruning of formats the source cannot fill. The name is not used.
    void LoadDeviceIco(QString name);

    // In: the format in use; out, after OK: the chosen format.
    DEV_CAPACITY curCapacity;
    DEV_NAME device;
    // Raised by OK when it changed the DEVICE-4K30/HDR setting.
    int reopenNeeded = 0;
    Ui::QDeviceSetupWnd* ui = nullptr;
    // Set while the HDR box itself changes the format choice.
    bool formatGuard = false;
    // The caller's format list (not owned) and its length.
    DEV_CAPACITY* capacities = nullptr;
    int capacityCount = 0;

public slots:
    void onOKClick();
    void onCancelClick();
    void onSetupClick();
    void onSetup2Click();
    void onVideoSizeChange(int index);
    void on4k30_hdrenable(bool ticked);

private:
    // The record of format item index; the Default item stands for
    // curCapacity.
    DEV_CAPACITY formatOfItem(int index) const;
    int findFormatItemContaining(const QString& part) const;
};
