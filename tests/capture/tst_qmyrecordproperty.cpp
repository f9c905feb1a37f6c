// The recording information dialog: the auto-stop fields from and back into
// the shared record, the invalid time, the name the finished file is to get
// (with the recording's own extension), and a dialog that outlives its
// recording.
#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "msgboxdialog.h"
#include "qmyrecordproperty.h"
#include "stdafx.h"
#include "zdformchild.h"
#include "zdtestmain.h"

using zdtest::child;

class TestQMyRecordProperty : public QObject
{
    Q_OBJECT

    QStringList m_boxes;

private slots:
    void initTestCase()
    {
        MsgBoxDialog::setTestHook([this](const QString& text, int) {
            m_boxes << text;
            return 1;
        });
    }
    void cleanupTestCase() { MsgBoxDialog::setTestHook({}); }
    void init()
    {
        m_boxes.clear();
        g_Global.recFilePath = "/videos/Vid20300506090000.mp4";
        g_Global.recTargetPath.clear();
        g_Global.recAutoStopSecs = 0;
        g_Global.recStartTime = QDateTime::currentSecsSinceEpoch() - 10;
    }
    void cleanup() { g_Global.recStartTime = 0; }

    void fieldsFromTheAutoStop()
    {
        g_Global.recAutoStopSecs = 3725;
        QMyRecordProperty d(nullptr);
        QCOMPARE(child<QLineEdit>(&d, "edit_hour")->text(), QString("1"));
        QCOMPARE(child<QLineEdit>(&d, "edit_minute")->text(), QString("2"));
        QCOMPARE(child<QLineEdit>(&d, "edit_second")->text(), QString("5"));
        QVERIFY(child<QCheckBox>(&d, "chk_stop")->isChecked());
        QVERIFY(child<QLineEdit>(&d, "edit_hour")->isEnabled());
        QCOMPARE(child<QLineEdit>(&d, "edit_title")->text(), QString("Vid20300506090000.mp4"));

        g_Global.recAutoStopSecs = 0;
        QMyRecordProperty none(nullptr);
        QVERIFY(child<QLineEdit>(&none, "edit_hour")->text().isEmpty());
        QVERIFY(!child<QCheckBox>(&none, "chk_stop")->isChecked());
        QVERIFY(!child<QLineEdit>(&none, "edit_second")->isEnabled());
    }

    void tickedWithoutATime()
    {
        QMyRecordProperty d(nullptr);
        child<QCheckBox>(&d, "chk_stop")->setChecked(true);
        d.onCheckStopClick();
        d.onOKClick();
        QCOMPARE(m_boxes, QStringList{"Your time setting is invalid"});
        QCOMPARE(d.result(), 0);
        QCOMPARE(g_Global.recAutoStopSecs, 0);
    }

    void autoStopStored()
    {
        QMyRecordProperty d(nullptr);
        child<QCheckBox>(&d, "chk_stop")->setChecked(true);
        d.onCheckStopClick();
        child<QLineEdit>(&d, "edit_minute")->setText("2");
        child<QLineEdit>(&d, "edit_second")->setText("30");
        d.onOKClick();
        QCOMPARE(d.result(), 1);
        QCOMPARE(g_Global.recAutoStopSecs, 150);
        // Unticking clears the fields and the stop.
        g_Global.recAutoStopSecs = 150;
        QMyRecordProperty again(nullptr);
        child<QCheckBox>(&again, "chk_stop")->setChecked(false);
        again.onCheckStopClick();
        QVERIFY(child<QLineEdit>(&again, "edit_minute")->text().isEmpty());
        again.onOKClick();
        QCOMPARE(g_Global.recAutoStopSecs, 0);
    }

    void targetName_data()
    {
        QTest::addColumn<QString>("recording");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("target");
        const QString mp4 = "/videos/Vid20300506090000.mp4";
        const QString ts = "/videos/Vid20300506090000.ts";
        QTest::newRow("no extension") << mp4 << "Show"
                                      << "/videos/Show.mp4";
        // The files list tells a video by its extension's exact letters.
        QTest::newRow("capital extension") << mp4 << "Show.MP4"
                                           << "/videos/Show.mp4";
        QTest::newRow("another extension") << mp4 << "Show.mov"
                                           << "/videos/Show.mov.mp4";
        QTest::newRow("ts recording stays ts") << ts << "Show"
                                               << "/videos/Show.ts";
        QTest::newRow("ts typed as mp4") << ts << "Show.mp4"
                                         << "/videos/Show.mp4.ts";
        QTest::newRow("own name") << mp4 << "Vid20300506090000.mp4"
                                  << "unchanged";
        QTest::newRow("cleared") << mp4 << ""
                                 << "";
    }
    void targetName()
    {
        QFETCH(QString, recording);
        QFETCH(QString, typed);
        QFETCH(QString, target);
        g_Global.recFilePath = recording;
        g_Global.recTargetPath = "unchanged";
        QMyRecordProperty d(nullptr);
        child<QLineEdit>(&d, "edit_title")->setText(typed);
        d.onOKClick();
        QCOMPARE(d.result(), 1);
        QCOMPARE(g_Global.recTargetPath, target);
    }

    void nameThatIsAPathIsRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("up") << "../Show";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("dot dot") << "..";
    }
    void nameThatIsAPathIsRefused()
    {
        QFETCH(QString, typed);
        QMyRecordProperty d(nullptr);
        child<QLineEdit>(&d, "edit_title")->setText(typed);
        d.onOKClick();
        QCOMPARE(d.result(), 0);
        QCOMPARE(m_boxes, QStringList{"Invalid file name"});
        QVERIFY(g_Global.recTargetPath.isEmpty());
    }

    void clockAndEndOfTheRecording()
    {
        g_Global.recStartTime = QDateTime::currentSecsSinceEpoch() - (3 * 3600 + 4 * 60 + 5);
        QMyRecordProperty d(nullptr);
        d.timer1();
        QCOMPARE(child<QLabel>(&d, "lab_dur")->text(), QString("03:04:05"));
        g_Global.recStartTime = QDateTime::currentSecsSinceEpoch() - 100 * 3600;
        d.timer1();
        QCOMPARE(child<QLabel>(&d, "lab_dur")->text(), QString("100:00:00"));
        // The recording ends (stopped by its duration) while the dialog is
        // open: its name and duration would land on the next recording.
        g_Global.recStartTime = 0;
        d.timer1();
        QVERIFY(!child<QPushButton>(&d, "btnOK")->isEnabled());
        child<QLineEdit>(&d, "edit_title")->setText("Late");
        d.onOKClick();
        QVERIFY(g_Global.recTargetPath.isEmpty());
    }
};

ZD_TEST_MAIN(TestQMyRecordProperty, QApplication)
#include "tst_qmyrecordproperty.moc"
