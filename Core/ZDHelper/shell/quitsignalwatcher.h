// Turns SIGTERM and SIGINT into a normal close of the program: the windows
// are closed and the event loop returns, so that the shut-down saves every
// store as after a close by the user.
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

private slots:
    void onSignal();

private:
    QSocketNotifier* m_notifier = nullptr;
};
