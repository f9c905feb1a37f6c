// The schedule manager: the timers of a store's first schedule, one row each,
// with add, edit and delete. Every change is saved to the store's file at
// once.
#pragma once

#include "mydialog.h"

class QListWidgetItem;
class QMyListItem1;
class QMyTimerHelper;
class QTimerSchedule;
namespace Ui
{
class QTimerManagerWnd;
}

class QTimerManagerWnd : public MyDialog
{
    Q_OBJECT
public:
    QTimerManagerWnd(QWidget* parent, QMyTimerHelper* store);
    ~QTimerManagerWnd() override;

    void AddItem(int position);
    // Position of the row in the list, or -1.
    int rowPosition(const QMyListItem1* row) const;

    QMyTimerHelper* store = nullptr;
    QTimerSchedule* schedule = nullptr;
    Ui::QTimerManagerWnd* ui = nullptr;

public slots:
    void onBtnAdd();
    void onBtnEdit(QMyListItem1* row);
    void onBtnDel(QMyListItem1* row);
    void onItemClick(QListWidgetItem* item);
    void onItemChanged(QListWidgetItem* current, QListWidgetItem* previous);
    void onBtnOK();
    void onBtnCancel();

private:
    QMyListItem1* rowOf(QListWidgetItem* item) const;
    uint32_t freeTimerId() const;
};
