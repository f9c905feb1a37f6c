// The whole road with the engine's test-pattern camera, nothing scripted:
// the record panel opens the camera, the record button records into a
// time-named MP4, the button stops it, and the file is on disk, playable in
// size, in files.dat and with its thumbnail; a recording split at a small
// limit lists every part with its own duration.
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>

#include <ctime>

#include "capturetestsupport.h"
#include "qmyfileshelper.h"
#include "qmypushbutton.h"
#include "qmyrecordbar.h"
#include "zdtestmain.h"

using namespace capturetest;

namespace
{

// files.dat as a new start would read it.
QList<FILE_ITEM> listOnDisk()
{
    QMyFilesHelper reader;
    reader.LoadAllFiles();
    QList<FILE_ITEM> items;
    for (const FILE_ITEM* item : reader.files)
        items << *item;
    return items;
}

bool listed(const QList<FILE_ITEM>& items, const QString& path)
{
    for (const FILE_ITEM& item : items) {
        if (FileItemPath(&item) == path)
            return true;
    }
    return false;
}

} // namespace

class TestRecordRoad : public QObject
{
    Q_OBJECT

    ZDHelperGUI* m_win = nullptr;
    QMyRecordBar* m_bar = nullptr;
    MessageBoxes m_boxes;

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        m_boxes.install();
        g_Global.isRecordInterface = 1;
        g_Global.recSaveTo = CPublic::GetMyVideoPath();
        g_Global.recAutoName = true;
        g_Global.recFormat = 0;
        g_Global.recVCodec = 0;
        g_Global.recWidth = 640;
        g_Global.recHeight = 360;
        g_Global.recFps = 30;
        g_Global.recBmpCutDelay = 1;
        AfxWriteProfileString("Record", "default-video-device-name", "Test Pattern Camera");
        AfxWriteProfileString("Record", "default-video-device-path", "VIRTUAL_TEST_PATTERN_CAMERA");
        // As a new user starts it: the window opens the remembered camera by
        // itself once its record panel is shown.
        m_win = new ZDHelperGUI(nullptr);
        m_win->show();
        m_bar = qobject_cast<QMyRecordBar*>(m_win->recordPanel());
        QVERIFY(m_bar);
        QTRY_VERIFY_WITH_TIMEOUT(g_Global.devWidth > 0, 5000);
        QCOMPARE(m_bar->videoCombo->currentText(), QString("Test Pattern Camera"));
    }

    void cleanupTestCase()
    {
        // Closing the window stops what runs, as at the end of the program.
        m_win->close();
        ReleaseGlobalSettings();
        delete m_win;
    }

    void init() { m_boxes.clear(); }

    void recordButtonRecordsAndStops()
    {
        g_Global.recSplitMB = 0;
        m_bar->btnRecordStartClick();
        QVERIFY2(m_win->recordClock()->isActive(), qPrintable(m_boxes.texts().join(" | ")));
        const QString path = g_Global.recFilePath;
        QVERIFY(QFileInfo(path).fileName().startsWith("Vid"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_bar->btnPause->isHidden(), 2000);
        // A stop in the first two seconds is the user's and is refused.
        m_bar->btnRecordStartClick();
        QVERIFY(m_win->recordClock()->isActive());
        QTest::qWait(3500);
        m_bar->btnRecordStartClick();
        QVERIFY(!m_win->recordClock()->isActive());
        QVERIFY(m_bar->btnPause->isHidden());

        QVERIFY(QFileInfo(path).size() > 1000);
        // The file plays: a media prober reads a video stream of some
        // seconds from it.
        const QString prober = QStandardPaths::findExecutable("ffprobe");
        if (!prober.isEmpty()) {
            QProcess probe;
            probe.start(prober, {"-v", "error", "-show_entries", "format=duration", "-of",
                                 "default=noprint_wrappers=1:nokey=1", path});
            QVERIFY(probe.waitForFinished(20000));
            QCOMPARE(probe.exitCode(), 0);
            const double seconds = probe.readAllStandardOutput().trimmed().toDouble();
            QVERIFY2(seconds > 2.0 && seconds < 10.0, qPrintable(QString::number(seconds)));
        }
        const QList<FILE_ITEM> items = listOnDisk();
        QVERIFY2(listed(items, path), qPrintable(path));
        for (const FILE_ITEM& item : items) {
            if (FileItemPath(&item) != path)
                continue;
            QVERIFY(QFileInfo::exists(getFileItemThumbPicture(&item)));
            QVERIFY2(FileItemText(item.info, sizeof item.info).startsWith("00:00:0"), item.info);
            QVERIFY(FileItemText(item.info, sizeof item.info).contains(",640x360,30fps,"));
        }
    }

    void splitPartsEachListed()
    {
        // 1 MiB: every tick finds the file over its limit less 1 MiB.
        g_Global.recSplitMB = 1;
        QCOMPARE(m_win->StartRecord(), 1);
        const QString first = g_Global.recFilePath;
        QTest::qWait(3600);
        g_Global.recSplitMB = 0;
        QCOMPARE(m_win->StopRecord(true), 1);
        const QList<FILE_ITEM> items = listOnDisk();
        QStringList parts;
        for (const FILE_ITEM& item : items) {
            const QString p = FileItemPath(&item);
            if (p == first || p.startsWith(first.left(first.size() - 4) + "_"))
                parts << p + " " + FileItemText(item.info, sizeof item.info);
        }
        QVERIFY2(parts.size() >= 3, qPrintable(parts.join("\n")));
        for (const QString& part : parts) {
            QVERIFY(QFileInfo::exists(part.section(' ', 0, 0)));
            // Each part lasts about a second, not the time since the start.
            QVERIFY2(part.section(' ', 1).startsWith("00:00:01") ||
                         part.section(' ', 1).startsWith("00:00:00") ||
                         part.section(' ', 1).startsWith("00:00:02"),
                     qPrintable(part));
        }
    }
};

ZD_TEST_MAIN(TestRecordRoad, GlobalApplication)
#include "tst_recordroad.moc"
