// The recording information dialog: the name of the file being recorded and
// the running duration, the name the finished file is to have, and the
// duration after which the recording stops by itself.
#pragma once

#include "mydialog.h"

class QTimer;
namespace Ui
{
class QMyRecordProperty;
}

class QMyRecordProperty : public MyDialog
{
    Q_OBJECT
public:
    explicit QMyRecordProperty(QWidget* parent);
    ~QMyRecordProperty() override;

    Ui::QMyRecordProperty* ui = nullptr;

public slots:
    void timer1();
    void onCheckStopClick();
    void onOKClick();
    void onCancelClick();

private:
    void enableStopControls(bool enable);

    QTimer* m_timer = nullptr;
};
