// The hardware-encoder test dialog: asks the user to test the encoder that
// HDR recordings need, runs the six engine tests, keeps their results in
// RECORD/HW-CAP and shows whether that encoder works.
#pragma once

#include "mydialog.h"

class QTimer;

namespace Ui
{
class qNvidiaCardNeed;
}

class qNvidiaCardNeed : public MyDialog
{
    Q_OBJECT

public:
    explicit qNvidiaCardNeed(QWidget* parent);
    ~qNvidiaCardNeed() override;

    // 1 at once when the tests have run and the HDR encoder passed;
    // otherwise the dialog's result (its Close gives 1).
    static int CheckNeedCudaHevcEncoder(QWidget* parent);
    // The dialog with the test started at once.
    static int CheckSetupAllCodecs(QWidget* parent);
    // The six engine tests into g_Global.hwCap, and slot 14 set: the part
    // both this dialog and the settings window run.
    static void RunEncoderTests();

    void ShowHdr();
    void ShowHdrEnd(bool finished, bool success);

    Ui::qNvidiaCardNeed* ui = nullptr;
    QTimer* timer = nullptr;

public slots:
    void onTestClicked();
    void timer_rec();
    void onCloseClicked();
};
