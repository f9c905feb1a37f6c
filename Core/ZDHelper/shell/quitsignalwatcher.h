// Turns SIGTERM and SIGINT into a normal close of the program: the windows
// are closed and the event loop returns, so that the shut-down saves every
// store as after a close by the user. It is the program's own close, not the
// user's: nothing is asked, what records is finished and listed.
#pragma once

#include <QObject>

class QSocketNotifier;

class QuitSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignalWatcher(QObject* parent = nullptr);
    ~QuitSignalWatcher() override;

    bool isActive() const { return m_notifier != nullptr; }

signals:
    // Before the windows are closed: the program ends because it was told
    // to, so no window asks whether it may close.
    void quitRequested();

private slots:
    void onSignal();

private:
    QSocketNotifier* m_notifier = nullptr;
};
