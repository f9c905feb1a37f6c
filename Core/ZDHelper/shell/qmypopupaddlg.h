// One news item of the maker's news service, shown for a while; the user may
// ask not to see it again.
#pragma once

#include "mydialog.h"

#include <QRect>
#include <QString>

class QLabel;
class QTimer;
class Ui_QMyPopupADDlg;

class QMyPopupADDlg : public MyDialog
{
    Q_OBJECT

public:
    // rect: the news window's size (its position is not used); delay:
    // seconds until it closes itself, 0 or less for never.
    QMyPopupADDlg(QWidget* parent, const QString& url, const QRect& rect, const QString& id,
                  int delay);
    ~QMyPopupADDlg() override;

    Ui_QMyPopupADDlg* ui = nullptr;
    void* webView = nullptr;
    QString newsId;
    QTimer* closeTimer = nullptr;
    int elapsed = 0;
    int delay = 0;
    // Shows the page's address as a link while the engine offers no web view.
    QLabel* pageLink = nullptr;

public slots:
    void delayTimer();

protected:
    void closeEvent(QCloseEvent* e) override;
};
