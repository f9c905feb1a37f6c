// The pop-up news worker: asks the news service once for a news item and,
// when there is one to show, hands its object back to the title bar with
// message 301.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QRect>
#include <QString>
#include <QThread>

struct POPUP_AD_DATA;

class CheckAdThread : public QThread
{
    Q_OBJECT

public:
    explicit CheckAdThread(QObject* parent = nullptr);
    // Waits for run() to end, so the object never goes while it works.
    ~CheckAdThread() override;

    // The news query: product code + ":appname=" + application name +
    // "&ver=" + the running version with two decimals, in the local 8-bit
    // encoding, at most 1023 bytes.
    static QByteArray NewsQuery();
    // Copies the news record's values into this object; the page address is
    // read up to its field's end when it holds no NUL.
    void TakeRecord(const POPUP_AD_DATA& record);

    // Written by run() before message 301 is posted, read by the GUI thread
    // after it arrives.
    int show = 0;
    QString pageUrl;
    QString newsIdText;
    QRect windowRect;
    int closeDelay = 0;
    QObject* target = nullptr;

protected:
    void run() override;
};
