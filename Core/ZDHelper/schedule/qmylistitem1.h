// One row of the schedule manager: the timer's icon, its description and
// name, and the edit and delete buttons that only the current row shows.
#pragma once

#include <QRect>
#include <QWidget>

#include "qtimerschedule.h"

class QLabel;
class QListWidgetItem;
class QMyPushButton;
class QTimerManagerWnd;

class QMyListItem1 : public QWidget
{
    Q_OBJECT
public:
    QMyListItem1(QWidget* parent, QTimerManagerWnd* manager, QListWidgetItem* item);

    void updateall(const EVTIMER& timer);

    QLabel* icon = nullptr;
    QLabel* info = nullptr;
    QLabel* name = nullptr;
    QMyPushButton* btnEdit = nullptr;
    QMyPushButton* btnDel = nullptr;
    QListWidgetItem* item = nullptr;
    bool selected = false;
    EVTIMER timer = {};
    QTimerManagerWnd* manager = nullptr;

public slots:
    void onBtnEdit();
    void onBtnDel();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void placeInfo();

    // The info label's place as the row was made.
    QRect infoPlace;
};
