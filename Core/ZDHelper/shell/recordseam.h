// SEAM (main window not merged yet): the record start, stop, split and clock
// of the main window, held here until ZDHelperGUI takes them over. The panels
// and the schedule strip call these where they will call
// ZDHelperGUI::StartRecord / StopRecord / HideBar.
#pragma once

#include <QObject>

class QTimer;

class RecordSeam : public QObject
{
    Q_OBJECT
public:
    static RecordSeam* instance();

    int StartRecord();
    // userAsked: the user's own stop (record button, hot key, menu), which
    // is refused in the first two seconds; every stop the program asks for
    // itself goes through at once.
    int StopRecord(bool userAsked = false);
    void HideBar();

    QTimer* recordClock() const { return m_recordClock; }

public slots:
    void timer_rec();

private:
    RecordSeam();
    // Moves a finished file to the asked-for name; returns where the file
    // really is.
    QString moveToTarget(const QString& file);
    QString fileDescription(const QString& file) const;

    QTimer* m_recordClock = nullptr;
};
