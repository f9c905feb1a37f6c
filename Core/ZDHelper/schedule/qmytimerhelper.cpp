#include "qmytimerhelper.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QtEndian>
#include <cstring>

#include "cpublic.h"
#include "qmystoredfile.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{

// Names created in this run share one counter across every store.
int g_scheduleCounter = 0;

constexpr int kScheduleNameBytes = 256;

// Reads fixed-size pieces from a byte block; a piece that is not all there
// fails and leaves the reader failed.
class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}
    bool read(void* out, qsizetype size)
    {
        if (m_bytes.size() - m_pos < size)
            return false;
        memcpy(out, m_bytes.constData() + m_pos, size);
        m_pos += size;
        return true;
    }
    bool readInt(qint32& value)
    {
        char raw[4];
        if (!read(raw, 4))
            return false;
        value = qFromLittleEndian<qint32>(raw);
        return true;
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

void appendInt(QByteArray& out, qint32 value)
{
    char raw[4];
    qToLittleEndian<qint32>(value, raw);
    out.append(raw, 4);
}

// UTF-8 of a name cut at a character boundary so it fits the field.
QByteArray fittedUtf8(const QString& text, qsizetype size)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= size)
        return bytes;
    qsizetype cut = size;
    while (cut > 0 && (uchar(bytes.at(cut)) & 0xC0) == 0x80)
        --cut;
    return bytes.left(cut);
}

// Files from before timers had distinct ids hold 0 in every id; the conflict
// test skips a timer whose id equals the tested one's, so such timers would
// never be found in conflict. Repeated ids get fresh ones.
void makeTimerIdsDistinct(QTimerSchedule* schedule)
{
    QSet<quint32> seen;
    for (const EVTIMER& t : schedule->timers)
        seen.insert(t.id);
    if (seen.size() == schedule->timers.size())
        return;
    QSet<quint32> kept;
    quint32 next = 1;
    for (EVTIMER& t : schedule->timers) {
        if (!kept.contains(t.id)) {
            kept.insert(t.id);
            continue;
        }
        while (seen.contains(next))
            ++next;
        t.id = next;
        seen.insert(next);
        kept.insert(next);
    }
}

} // namespace

QMyTimerHelper::QMyTimerHelper(QObject* parent, const QString& name) : QObject(parent), name(name)
{
}

QMyTimerHelper::~QMyTimerHelper()
{
    clearSchedules();
}

QString QMyTimerHelper::filePath() const
{
    return g_Public.GetCacheDataPath() + "/" + name + ".dat";
}

void QMyTimerHelper::clearSchedules()
{
    qDeleteAll(schedules);
    schedules.clear();
}

bool QMyTimerHelper::ParseSchedules(const QByteArray& bytes, QList<QTimerSchedule*>& out)
{
    Reader reader(bytes);
    qint32 count = 0;
    if (!reader.readInt(count))
        return false;
    // The stored counts only bound loops that stop at the end of the bytes;
    // they never size anything.
    for (qint32 s = 0; s < count; ++s) {
        qint32 enabled = 0;
        char nameField[kScheduleNameBytes];
        qint32 timerCount = 0;
        if (!reader.readInt(enabled) || !reader.read(nameField, sizeof(nameField)) ||
            !reader.readInt(timerCount))
            return false;
        auto* schedule = new QTimerSchedule;
        schedule->enabled = enabled != 0;
        schedule->name = QString::fromUtf8(nameField, qstrnlen(nameField, sizeof(nameField)));
        for (qint32 t = 0; t < timerCount; ++t) {
            EVTIMER timer;
            if (!reader.read(&timer, sizeof(timer))) {
                delete schedule;
                return false;
            }
            schedule->timers.append(timer);
        }
        makeTimerIdsDistinct(schedule);
        out.append(schedule);
    }
    return true;
}

QByteArray QMyTimerHelper::SerializeSchedules(const QList<QTimerSchedule*>& schedules)
{
    QByteArray out;
    appendInt(out, qint32(schedules.size()));
    for (const QTimerSchedule* schedule : schedules) {
        appendInt(out, schedule->enabled ? 1 : 0);
        char nameField[kScheduleNameBytes] = {};
        const QByteArray utf8 = fittedUtf8(schedule->name, kScheduleNameBytes);
        memcpy(nameField, utf8.constData(), utf8.size());
        out.append(nameField, sizeof(nameField));
        appendInt(out, qint32(schedule->timers.size()));
        for (const EVTIMER& timer : schedule->timers)
            out.append(reinterpret_cast<const char*>(&timer), sizeof(timer));
    }
    return out;
}

bool QMyTimerHelper::loadSchedules()
{
    clearSchedules();
    // A schedule file holds a few timers; a damaged or hostile one is only
    // ever walked, never trusted for a size.
    QByteArray bytes;
    if (QMyStoredFile::Read(filePath(), QMyStoredFile::kDefaultMaxBytes, bytes) !=
        QMyStoredFile::ReadResult::Ok)
        return false;
    if (!ParseSchedules(bytes, schedules)) {
        ZD_Log(8, "Read timer schedule data %s failed.", name.toLocal8Bit().constData());
        return false;
    }
    return true;
}

bool QMyTimerHelper::saveSchedules()
{
    if (!QMyStoredFile::Save(filePath(), SerializeSchedules(schedules))) {
        ZD_Log(8, "Save timer schedule %s failed.", name.toLocal8Bit().constData());
        return false;
    }
    return true;
}

QTimerSchedule* QMyTimerHelper::addNewSchedule()
{
    auto* schedule = new QTimerSchedule;
    schedule->enabled = true;
    schedule->name = QString::asprintf("Untitled-%d", ++g_scheduleCounter);
    schedules.append(schedule);
    return schedule;
}

bool QMyTimerHelper::delSchedule(QTimerSchedule* schedule)
{
    return schedules.removeOne(schedule);
}

QString QMyTimerHelper::getNextTimerString(unsigned int* nextStart, unsigned int* duration)
{
    if (schedules.isEmpty())
        addNewSchedule();
    const QTimerSchedule* schedule = schedules.first();
    if (schedule->timers.isEmpty())
        return QString();

    quint32 best = 0xFFFFFFFFu;
    int bestDuration = 0;
    bool found = false;
    for (const EVTIMER& timer : schedule->timers) {
        if (timer.enabled == 0)
            continue;
        unsigned int start = 0;
        int timerDuration = 0;
        if (QTimerSchedule::getTimerNext(timer, start, timerDuration, 0) != 1)
            continue;
        if (start < best) {
            best = start;
            bestDuration = timerDuration;
            found = true;
        }
    }
    if (!found)
        return QString();
    if (nextStart)
        *nextStart = best;
    if (duration)
        *duration = static_cast<unsigned int>(bestDuration);
    return getLang(12001, "Next start time:") + "\n\t" +
           QDateTime::fromSecsSinceEpoch(best, Qt::UTC).toString("yyyy-MM-dd hh:mm:ss") + "\n" +
           getLang(12002, "Record duration:") + "\n\t" + Time24HString(bestDuration);
}
