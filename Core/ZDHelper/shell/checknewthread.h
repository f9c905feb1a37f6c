// The update check's worker: asks the version service once for the newest
// version and hands its object back to the title bar with message 300.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>

class CheckNewThread : public QThread
{
    Q_OBJECT

public:
    explicit CheckNewThread(QObject* parent = nullptr);
    // Waits for run() to end, so the object never goes while it works.
    ~CheckNewThread() override;

    // A newer release is a higher version number, or the same version number
    // with a higher build; an older version with a higher build is not newer.
    static bool IsNewer(int versionNumber, int buildNumber);
    bool IsNewer() const { return IsNewer(versionNumber, buildNumber); }

    // Written by run() before message 300 is posted, read by the GUI thread
    // after it arrives.
    QString versionText;
    QString picturePath;
    int versionNumber = 0;
    int buildNumber = 0;
    // Set before start(): a start-up check is silent, a check the user asked
    // for is not.
    bool silent = true;
    QObject* target = nullptr;

protected:
    void run() override;
};
