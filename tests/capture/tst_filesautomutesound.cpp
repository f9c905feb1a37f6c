// "Mute while the files manager is open", heard: the main window plays the
// test camera's tone on a sound server of the test's own; opening the files
// manager silences it, closing it brings the tone back.
#include <QTemporaryDir>

#include "capturetestsupport.h"
#include "qfilesmanagerdlg.h"
#include "qmyrecordbar.h"
#include "zdpulseserver.h"
#include "zdtestcamera.h"
#include "zdtestmain.h"

using namespace capturetest;

class TestFilesAutoMuteSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const char* why = zdtest::pulseToolsMissing())
            QSKIP(why);
        QVERIFY(m_dir.isValid());
        QVERIFY(m_server.start(m_dir.filePath("pulse").toStdString()));
        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
    }

    void cleanupTestCase()
    {
        if (m_server.pid > 0)
            ReleaseGlobalSettings();
    }

    void filesManagerSilencesThePreviewWhileOpen()
    {
        const DEV_NAME camera = zdtest::testCamera();
        AfxWriteProfileString("Record", "default-video-device-name", camera.name);
        AfxWriteProfileString("Record", "default-video-device-path", camera.path);
        AfxWriteProfileString(camera.name, "audio-device-name", zdtest::testMicrophone().name);
        g_Global.autoMuteWhenShowFilesDlg = 1;
        g_Global.isRecordInterface = 1;
        auto* win = new ZDHelperGUI(nullptr);
        auto* bar = qobject_cast<QMyRecordBar*>(win->recordPanel());
        QVERIFY(bar);
        QVERIFY(m_recording.start(m_dir.filePath("heard.raw").toStdString()));
        win->show();
        const double tone = 0.12 / 1.41421356;
        QVERIFY2(QTest::qWaitFor([&] { return m_recording.lastRms() > tone * 0.8; }, 8000),
                 qPrintable(QString::number(m_recording.lastRms())));

        bar->btnFilesClick();
        QVERIFY(QFilesManagerDlg::openInstance());
        QVERIFY(QTest::qWaitFor(
            [&] { return m_recording.lastRms() >= 0 && m_recording.lastRms() < 1e-4; }, 5000));

        QFilesManagerDlg::openInstance()->close();
        QTRY_VERIFY(!QFilesManagerDlg::openInstance());
        QVERIFY(QTest::qWaitFor([&] { return m_recording.lastRms() > tone * 0.8; }, 5000));

        m_recording.stop();
        quietEngine();
        delete win;
    }

private:
    QTemporaryDir m_dir;
    zdtest::PulseServer m_server;
    zdtest::PulseRecording m_recording;
};

ZD_TEST_MAIN(TestFilesAutoMuteSound, GlobalApplication)
#include "tst_filesautomutesound.moc"
