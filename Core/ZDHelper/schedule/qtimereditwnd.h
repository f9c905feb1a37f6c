// The timer editor: name, in force or not, recording duration, start time and
// repeat mode of one timer. OK closes only on a timer that can start and does
// not collide with the other timers of its schedule.
#pragma once

#include "mydialog.h"
#include "qtimerschedule.h"

namespace Ui
{
class QTimerEditWnd;
}

class QTimerEditWnd : public MyDialog
{
    Q_OBJECT
public:
    explicit QTimerEditWnd(QWidget* parent);
    ~QTimerEditWnd() override;

    void InitValues(const EVTIMER& timer);
    EVTIMER GetValues() const;

    // The schedule a timer is tested against on OK; not owned.
    QTimerSchedule* schedule = nullptr;
    Ui::QTimerEditWnd* ui = nullptr;

public slots:
    void onCancelClick();
    void onOKClick();
    void onRadio1();
    void onRadio2();
    void onRadio3();
    void onRadio4();
    void onEnableClick();

private:
    EVTIMER m_timer = {};
};
