// The live network information window: one row per RTMP server of the
// running stream (name, connected, sending rate, dropped and sent frames,
// bytes sent), refreshed from the engine every second while shown.
#pragma once

#include <QString>

#include "mydialog.h"
#include "vazURIdav.h"

class QStandardItemModel;
class QTimer;

namespace Ui
{
class QLiveStateShowWnd;
}

class QLiveStateShowWnd : public MyDialog
{
    Q_OBJECT
public:
    explicit QLiveStateShowWnd(QWidget* parent);
    ~QLiveStateShowWnd() override;

    // Rebuilds the rows for the servers of the stream and starts the refresh
    // (hides QWidget::show, which the panel never calls on this window).
    void show();

    // The text of one cell of a server's row, column 0 to 5.
    static QString CellText(const RTMPSERVERPARAM& server, int column);

    Ui::QLiveStateShowWnd* ui = nullptr;
    QTimer* refreshTimer = nullptr;
    QStandardItemModel* model = nullptr;
    int rowCount = 0;

public slots:
    void timer_normal();

protected:
    // However the window goes (its close button, the window manager, the
    // panel), its refresh stops with it.
    void hideEvent(QHideEvent* e) override;
};
