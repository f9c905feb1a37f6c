// Record start, stop, split and clock: file naming, the two-second guard of a
// user's stop and the stops the program asks for itself, a stop with nothing
// running, the split limit in 64 bits, pauses left out of the clock, the
// automatic stop, and where a finished file ends up and how it is listed.
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <ctime>

#include "capturetestsupport.h"
#include "qmyfileshelper.h"
#include "zdtestmain.h"

using namespace capturetest;

namespace
{

constexpr qint64 MiB = 1048576;

ZDHelperGUI* rec()
{
    return qobject_cast<ZDHelperGUI*>(AfxGetMainWindow());
}

int catalogued()
{
    return int(g_Global.pFilesCatalog->files.size());
}

const FILE_ITEM* lastEntry()
{
    return g_Global.pFilesCatalog->files.isEmpty() ? nullptr : g_Global.pFilesCatalog->files.last();
}

QString entryPath(const FILE_ITEM* item)
{
    return item ? FileItemPath(item) : QString();
}

QString entryInfo(const FILE_ITEM* item)
{
    return item ? FileItemText(item->info, sizeof item->info) : QString();
}

// Pretends the recording began `secs` seconds ago. The program counts whole
// seconds of the wall clock: taken just after a second begins, the test's
// next steps, which take milliseconds, stay inside that second instead of
// now and then seeing one second more.
void startedAgo(int secs)
{
    const std::time_t now = std::time(nullptr);
    while (std::time(nullptr) == now)
        QThread::msleep(2);
    g_Global.recStartTime = qint64(std::time(nullptr)) - secs;
}

} // namespace

class TestRecordStartStop : public QObject
{
    Q_OBJECT

    ZDHelperGUI* m_win = nullptr;
    MessageSpy* m_spy = nullptr;
    MessageBoxes m_boxes;
    QString m_videos;

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        g_Global.isRecordInterface = 1;
        m_win = new ZDHelperGUI(nullptr);
        m_spy = new MessageSpy(m_win);
        m_boxes.install();
        m_videos = CPublic::GetMyVideoPath();
    }

    void cleanupTestCase()
    {
        ZDT_ClearScript(nullptr);
        ReleaseGlobalSettings();
        delete m_spy;
        delete m_win;
    }

    void init()
    {
        ZDT_ClearScript(nullptr);
        ZDT_ClearTrace();
        ZDT_ScriptResult("ZD_StartRecord", 1);
        g_Global.recSaveTo = m_videos;
        g_Global.recFormat = 0;
        g_Global.recSplitMB = 0;
        g_Global.deviceHDR = 0;
        g_Global.recWidth = 0;
        g_Global.recHeight = 0;
        g_Global.recFps = 0;
        g_Global.devWidth = 1920;
        g_Global.devHeight = 1080;
        g_Global.devFps = 60;
        g_Global.recBmpCutDelay = 3;
        g_Global.recTargetPath.clear();
        g_Global.recAutoStopSecs = 0;
        QCoreApplication::processEvents();
        m_spy->seen.clear();
        m_boxes.clear();
    }

    void cleanup()
    {
        // Whatever a test left running ends here, as the program's own stop.
        rec()->StopRecord();
        QCOMPARE(rec()->recordClock()->isActive(), false);
    }

    void startNamesTheFileAndStopListsIt()
    {
        QCOMPARE(rec()->StartRecord(), 1);
        const QString path = g_Global.recFilePath;
        QVERIFY2(QFileInfo(path).fileName().contains(QRegularExpression("^Vid\\d{14}\\.mp4$")),
                 qPrintable(path));
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(m_videos).absoluteFilePath());
        QVERIFY(rec()->recordClock()->isActive());
        QCOMPARE(traceLines("ZD_StartRecord(").size(), 1);
        QVERIFY(traceLines("ZD_StartRecord(").first().contains("size=1920x1080,fps=60"));
        deliverReports();
        QCOMPARE(m_spy->of(MSG_RECORD_STATE).size(), 1);
        QCOMPARE(m_spy->of(MSG_RECORD_STATE).first().wParam, 0);

        writeFile(path, QByteArray(3000, 'v'));
        startedAgo(65);
        g_Global.recElapsedSecs = 65;
        const int before = catalogued();
        QCOMPARE(rec()->StopRecord(true), 1);
        QCOMPARE(catalogued(), before + 1);
        QCOMPARE(entryPath(lastEntry()), path);
        QVERIFY2(entryInfo(lastEntry()).startsWith("00:01:05,1920x1080,60fps,"),
                 qPrintable(entryInfo(lastEntry())));
        QCOMPARE(traceLines("ZD_StopRecord(").size(), 1);
        // The stop state reaches the main window before StopRecord returns.
        QCOMPARE(m_spy->of(MSG_RECORD_STATE).last().wParam, 1);
        QCOMPARE(g_Global.recStartTime, qint64(0));
        QCOMPARE(g_Global.isClosing, 0);
        QVERIFY(g_Global.recTargetPath.isEmpty());
        QVERIFY(g_Global.recThumbPath.isEmpty());
        QCOMPARE(g_Global.recFilePath, path);
    }

    void tsForHdrAndFormat4_data()
    {
        QTest::addColumn<int>("hdr");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("engineFormat");
        QTest::newRow("mp4") << 0 << 0 << ".mp4" << 0;
        QTest::newRow("ts setting") << 0 << 4 << ".ts" << 4;
        QTest::newRow("hdr source") << 1 << 0 << ".ts" << 100;
    }
    void tsForHdrAndFormat4()
    {
        QFETCH(int, hdr);
        QFETCH(int, format);
        QFETCH(QString, ext);
        QFETCH(int, engineFormat);
        g_Global.deviceHDR = hdr;
        g_Global.recFormat = format;
        g_Global.hwCap[13] = 1;
        QCOMPARE(rec()->StartRecord(), 1);
        QVERIFY(g_Global.recFilePath.endsWith(ext));
        QVERIFY(traceLines("ZD_StartRecord(")
                    .first()
                    .contains(QString("format=%1,").arg(engineFormat)));
        g_Global.hwCap[13] = 0;
    }

    void startWithTheUsersNameWritesThereAndMovesNothing()
    {
        const QString target = m_videos + "/My show.mp4";
        g_Global.recTargetPath = target;
        QCOMPARE(rec()->StartRecord(), 1);
        QCOMPARE(g_Global.recFilePath, target);
        writeFile(target, "x");
        QCOMPARE(rec()->StopRecord(), 1);
        QCOMPARE(entryPath(lastEntry()), target);
        QVERIFY(QFileInfo::exists(target));
        QFile::remove(target);
    }

    // A name typed without the format's extension (automatic names off)
    // gets it: the file is written, listed and shown as a video.
    void usersNameGetsTheFormatsExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("written");
        QTest::newRow("bare, mp4") << "holiday" << 0 << "holiday.mp4";
        QTest::newRow("bare, ts") << "holiday" << 4 << "holiday.ts";
        QTest::newRow("own extension") << "Trip.mp4" << 0 << "Trip.mp4";
        QTest::newRow("in capitals") << "Trip.MP4" << 0 << "Trip.mp4";
        QTest::newRow("another format's") << "clip.mp4" << 4 << "clip.mp4.ts";
    }
    void usersNameGetsTheFormatsExtension()
    {
        QFETCH(QString, typed);
        QFETCH(int, format);
        QFETCH(QString, written);
        g_Global.recFormat = format;
        g_Global.recTargetPath = m_videos + "/" + typed;
        QCOMPARE(rec()->StartRecord(), 1);
        const QString path = m_videos + "/" + written;
        QCOMPARE(g_Global.recFilePath, path);
        QVERIFY(traceLines("ZD_StartRecord(").first().contains("path=" + path + ","));
        writeFile(path, "x");
        QCOMPARE(rec()->StopRecord(), 1);
        QCOMPARE(entryPath(lastEntry()), path);
        QVERIFY(QMyFilesHelper::IsVideoItem(lastEntry()));
        QVERIFY(typed == written || !QFileInfo::exists(m_videos + "/" + typed));
        QFile::remove(path);
    }

    void startNeverWritesOverAnEarlierFile()
    {
        // Files of this second and the next already hold recordings (one
        // stopped by the program a moment ago): a new start picks a free name.
        const QDateTime now = QDateTime::currentDateTime();
        QStringList taken;
        for (int i = 0; i < 2; ++i) {
            taken << m_videos + "/Vid" + now.addSecs(i).toString("yyyyMMddHHmmss") + ".mp4";
            writeFile(taken.last(), "earlier");
        }
        QCOMPARE(rec()->StartRecord(), 1);
        QVERIFY2(!taken.contains(g_Global.recFilePath), qPrintable(g_Global.recFilePath));
        for (const QString& path : taken)
            QFile::remove(path);
    }

    void startRefused_data()
    {
        QTest::addColumn<int>("hdr");
        QTest::addColumn<int>("closing");
        QTest::addColumn<int>("engineRecording");
        QTest::addColumn<int>("engineResult");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("hdr without 10-bit hevc")
            << 1 << 0 << 0 << 1 << 0 << "Can not start record when cuda-hevc-10bit is not valid.";
        QTest::newRow("closing") << 0 << 1 << 0 << 1 << 0
                                 << "Can not start record when the closing is running";
        QTest::newRow("engine records") << 0 << 0 << 1 << 1 << 0 << "";
        QTest::newRow("engine refuses") << 0 << 0 << 0 << -3 << -3 << "";
    }
    void startRefused()
    {
        QFETCH(int, hdr);
        QFETCH(int, closing);
        QFETCH(int, engineRecording);
        QFETCH(int, engineResult);
        QFETCH(int, result);
        QFETCH(QString, logLine);
        g_Global.deviceHDR = hdr;
        g_Global.hwCap[13] = 0;
        g_Global.isClosing = closing;
        ZDT_ScriptResult("ZD_CheckState.recording", engineRecording);
        ZDT_ScriptResult("ZD_StartRecord", engineResult);
        const QString logBefore = logText();
        QCOMPARE(rec()->StartRecord(), result);
        g_Global.isClosing = 0;
        QVERIFY(!rec()->recordClock()->isActive());
        QCOMPARE(g_Global.recStartTime, qint64(0));
        deliverReports(0);
        QVERIFY(m_spy->of(MSG_RECORD_STATE).isEmpty());
        if (!logLine.isEmpty())
            QVERIFY(logText().mid(logBefore.size()).contains(logLine));
        // A stop after a refused start finds nothing to stop.
        const int before = catalogued();
        QCOMPARE(rec()->StopRecord(), 0);
        QCOMPARE(catalogued(), before);
    }

    void twoSecondGuard_data()
    {
        QTest::addColumn<bool>("userAsked");
        QTest::addColumn<int>("secondsAgo");
        QTest::addColumn<int>("result");
        QTest::newRow("user, at 2 s") << true << 2 << 0;
        QTest::newRow("user, at 3 s") << true << 3 << 1;
        QTest::newRow("program, at once") << false << 0 << 1;
        QTest::newRow("program, at 2 s") << false << 2 << 1;
    }
    void twoSecondGuard()
    {
        QFETCH(bool, userAsked);
        QFETCH(int, secondsAgo);
        QFETCH(int, result);
        QCOMPARE(rec()->StartRecord(), 1);
        writeFile(g_Global.recFilePath, "x");
        startedAgo(secondsAgo);
        const int before = catalogued();
        const QString logBefore = logText();
        QCOMPARE(rec()->StopRecord(userAsked), result);
        QCOMPARE(rec()->recordClock()->isActive(), result == 0);
        QCOMPARE(catalogued(), before + result);
        if (result == 0) {
            QVERIFY(logText()
                        .mid(logBefore.size())
                        .contains("Can not stop when record duration less 2 seconds"));
            QVERIFY(traceLines("ZD_StopRecord(").isEmpty());
        }
    }

    void stopWithNothingRunningDoesNothing()
    {
        QCOMPARE(rec()->StartRecord(), 1);
        writeFile(g_Global.recFilePath, "x");
        QCOMPARE(rec()->StopRecord(), 1);
        const int before = catalogued();
        ZDT_ClearTrace();
        // A repeated failure report, a second close: no second entry.
        QCOMPARE(rec()->StopRecord(), 0);
        QCOMPARE(rec()->StopRecord(true), 0);
        QCOMPARE(catalogued(), before);
        QVERIFY(traceLines("ZD_StopRecord(").isEmpty());
    }

    void splitLimit_data()
    {
        QTest::addColumn<int>("splitMB");
        QTest::addColumn<bool>("writableVolume");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("splits");
        QTest::newRow("0, writable: never") << 0 << true << (qint64(1) << 40) << false;
        QTest::newRow("0, not writable: 2000 MiB - 1 MiB") << 0 << false << 2096103424LL << true;
        QTest::newRow("0, not writable: one byte less") << 0 << false << 2096103423LL << false;
        QTest::newRow("1024 at 1023 MiB") << 1024 << true << 1023 * MiB << true;
        QTest::newRow("1024 below 1023 MiB") << 1024 << true << 1023 * MiB - 1 << false;
        QTest::newRow("4096 writable at 4095 MiB") << 4096 << true << 4095 * MiB << true;
        QTest::newRow("4096 writable at 4 GiB - 2 MiB") << 4096 << true << 4094 * MiB << false;
        QTest::newRow("4096 not writable at 1999 MiB") << 4096 << false << 1999 * MiB << true;
        QTest::newRow("negative: never") << -5 << true << (qint64(1) << 50) << false;
    }
    void splitLimit()
    {
        QFETCH(int, splitMB);
        QFETCH(bool, writableVolume);
        QFETCH(qint64, size);
        QFETCH(bool, splits);
        g_Global.recSplitMB = splitMB;
        QCOMPARE(rec()->StartRecord(), 1);
        g_Global.recDirIsNTFS = writableVolume;
        ZDT_ScriptResult("ZD_GetRecordFileSize", size);
        ZDT_ScriptResult("ZD_RestartRecord", 0); // failed: nothing moves
        ZDT_ClearTrace();
        rec()->timer_rec();
        QCOMPARE(traceLines("ZD_RestartRecord(").size(), splits ? 1 : 0);
        // A failed split is tried again at the next tick.
        rec()->timer_rec();
        QCOMPARE(traceLines("ZD_RestartRecord(").size(), splits ? 2 : 0);
    }

    void pauseIsLeftOutOfTheClock()
    {
        QCOMPARE(rec()->StartRecord(), 1);
        writeFile(g_Global.recFilePath, "x");
        const qint64 before = qint64(std::time(nullptr));
        g_Global.recStartTime = before - 60;
        ZDT_ScriptResult("ZD_IsPauseRecord", 1);
        for (int i = 0; i < 30; ++i)
            rec()->timer_rec();
        ZDT_ClearScript("ZD_IsPauseRecord");
        const qint64 after = qint64(std::time(nullptr));
        QCOMPARE(g_Global.recPausedSecs, 30);
        // Thirty of the sixty seconds were paused; the clock's next second
        // may have begun while the ticks ran.
        const int elapsed = g_Global.recElapsedSecs;
        QVERIFY2(elapsed >= 30 && elapsed <= 30 + int(after - before),
                 qPrintable(QString::number(elapsed)));
        deliverReports();
        QCOMPARE(m_spy->of(MSG_RECORD_STATE).last().wParam, 2);
        QCOMPARE(m_spy->of(MSG_RECORD_STATE).last().lParam, elapsed);
        QCOMPARE(rec()->StopRecord(true), 1);
        QVERIFY2(entryInfo(lastEntry()).startsWith(QString("00:00:%1,").arg(elapsed)),
                 qPrintable(entryInfo(lastEntry())));
    }

    void autoStop_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("secondsAgo");
        QTest::addColumn<bool>("stops");
        QTest::newRow("5 s, at 5 s") << 5 << 5 << false;
        QTest::newRow("5 s, at 6 s") << 5 << 6 << true;
        // A stop the program asks for itself is not held back by the guard
        // of the user's stop.
        QTest::newRow("1 s, at 2 s") << 1 << 2 << true;
    }
    void autoStop()
    {
        QFETCH(int, limit);
        QFETCH(int, secondsAgo);
        QFETCH(bool, stops);
        g_Global.recAutoStopSecs = limit;
        QCOMPARE(rec()->StartRecord(), 1);
        writeFile(g_Global.recFilePath, "x");
        startedAgo(secondsAgo);
        deliverReports(0); // the start has been heard before the first tick
        const int before = catalogued();
        rec()->timer_rec();
        QCOMPARE(!rec()->recordClock()->isActive(), stops);
        QCOMPARE(catalogued(), before + (stops ? 1 : 0));
        QCOMPARE(g_Global.recAutoStopSecs, stops ? 0 : limit);
        // After an automatic stop the last word the window hears is the stop.
        deliverReports();
        QCOMPARE(m_spy->of(MSG_RECORD_STATE).last().wParam, stops ? 1 : 2);
    }

    void thumbnailTakenAfterTheDelay()
    {
        g_Global.recBmpCutDelay = 3;
        QCOMPARE(rec()->StartRecord(), 1);
        startedAgo(3);
        rec()->timer_rec();
        QVERIFY(g_Global.recThumbPath.isEmpty());
        startedAgo(4);
        rec()->timer_rec();
        QVERIFY(!g_Global.recThumbPath.isEmpty());
        QCOMPARE(traceLines("ZD_ScreenShot_bmp(").size(), 1);
        QVERIFY(traceLines("ZD_ScreenShot_bmp(").first().endsWith(",mode=0)"));
    }

    void renamedToATakenNameGetsTheFirstFreeOne()
    {
        writeFile(m_videos + "/Concert.mp4", "old");
        writeFile(m_videos + "/Concert_2.mp4", "old");
        QCOMPARE(rec()->StartRecord(), 1);
        const QString written = g_Global.recFilePath;
        writeFile(written, "new");
        g_Global.recTargetPath = m_videos + "/Concert.mp4";
        QCOMPARE(rec()->StopRecord(), 1);
        QCOMPARE(entryPath(lastEntry()), m_videos + "/Concert_3.mp4");
        QVERIFY(!QFileInfo::exists(written));
        QFile f(m_videos + "/Concert_3.mp4");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("new"));
        QFile c(m_videos + "/Concert.mp4");
        QVERIFY(c.open(QIODevice::ReadOnly));
        QCOMPARE(c.readAll(), QByteArray("old"));
    }

    void failedMoveListsTheFileWhereItIs()
    {
        QCOMPARE(rec()->StartRecord(), 1);
        const QString written = g_Global.recFilePath;
        writeFile(written, "kept");
        g_Global.recTargetPath = m_videos + "/no such folder/Show.mp4";
        const QString logBefore = logText();
        QCOMPARE(rec()->StopRecord(), 1);
        QCOMPARE(entryPath(lastEntry()), written);
        QVERIFY(QFileInfo::exists(written));
        QVERIFY(logText().mid(logBefore.size()).contains("Move record file"));
    }
};

ZD_TEST_MAIN(TestRecordStartStop, GlobalApplication)
#include "tst_recordstartstop.moc"
