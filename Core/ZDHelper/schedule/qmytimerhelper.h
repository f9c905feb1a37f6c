// A named store of recording schedules, kept in <cache folder>/<name>.dat.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "qtimerschedule.h"

class QMyTimerHelper : public QObject
{
    Q_OBJECT
public:
    QMyTimerHelper(QObject* parent, const QString& name);
    ~QMyTimerHelper() override;

    bool loadSchedules();
    bool saveSchedules();
    QTimerSchedule* addNewSchedule();
    bool delSchedule(QTimerSchedule* schedule);
    void clearSchedules();
    QString getNextTimerString(unsigned int* nextStart, unsigned int* duration);

    QString filePath() const;

    // The file's bytes of a list of schedules, and the reverse; the reader
    // keeps the schedules read whole before any damage and says whether the
    // bytes were read to their end.
    static QByteArray SerializeSchedules(const QList<QTimerSchedule*>& schedules);
    static bool ParseSchedules(const QByteArray& bytes, QList<QTimerSchedule*>& out);

    QList<QTimerSchedule*> schedules;
    QString name;
};
