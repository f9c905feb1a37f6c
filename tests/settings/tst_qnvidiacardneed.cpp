// The hardware-encoder test dialog: when it shows, the test run it makes,
// what it keeps and hands the engine, and what it tells the user.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "qnvidiacardneed.h"
#include "settingstestsupport.h"
#include "zdtestmain.h"

using namespace settingstest;

namespace
{

void scriptTests(int test1, int test6)
{
    ZDT_ScriptResult("ZD_TestHWData.1", test1);
    ZDT_ScriptResult("ZD_TestHWData.2", 0);
    ZDT_ScriptResult("ZD_TestHWData.3", 1);
    ZDT_ScriptResult("ZD_TestHWData.4", 0);
    ZDT_ScriptResult("ZD_TestHWData.5", 1);
    ZDT_ScriptResult("ZD_TestHWData.6", test6);
}

// Runs `step` on the dialog once it is the modal window, while exec() runs.
void whenModal(std::function<void(qNvidiaCardNeed*)> step)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, step] {
        auto* dlg = qobject_cast<qNvidiaCardNeed*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        poll->stop();
        poll->deleteLater();
        step(dlg);
    });
    poll->start();
}

} // namespace

class TestQNvidiaCardNeed : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        startUp();
        ZDT_ClearScript(nullptr);
        ZDT_ClearTrace();
    }
    void cleanup() { ZDT_ClearScript(nullptr); }

    void fastPathWhenTestedAndPassed()
    {
        g_Global.hwCap[13] = 1;
        g_Global.hwCap[14] = 1;
        bool shown = false;
        whenModal([&](qNvidiaCardNeed* dlg) {
            shown = true;
            dlg->onCloseClicked();
        });
        QCOMPARE(qNvidiaCardNeed::CheckNeedCudaHevcEncoder(nullptr), 1);
        QTest::qWait(50);
        QVERIFY(!shown);
        QVERIFY(!engineTrace().contains("ZD_TestHWData"));
        // The watcher is still waiting for a dialog; let it end with one.
        qNvidiaCardNeed spare(nullptr);
        spare.open();
        QTRY_VERIFY(shown);
    }

    void testRunFromTheDialog_data()
    {
        QTest::addColumn<int>("test6");
        QTest::addColumn<QString>("title");
        QTest::newRow("passes") << 1 << getLang(41006, "<missing>");
        QTest::newRow("fails") << 0 << getLang(41007, "<missing>");
    }

    // Never tested: the dialog shows even though slot 13 says available; its
    // test run fills every slot, hands the engine slots 0, 1, 2 and 6, saves
    // setting.ini and Close returns 1 whatever the test found.
    void testRunFromTheDialog()
    {
        QFETCH(int, test6);
        QFETCH(QString, title);
        g_Global.hwCap[13] = 1;
        g_Global.hwCap[14] = 0;
        scriptTests(1, test6);
        bool sawRequest = false;
        bool sawTesting = false;
        QString resultTitle;
        bool warnShown = false;
        whenModal([&](qNvidiaCardNeed* dlg) {
            sawRequest = dlg->findChild<QWidget*>("widget_1")->isVisible() &&
                         !dlg->findChild<QWidget*>("widget_2")->isVisible() &&
                         dlg->findChild<QLabel*>("w1_title")->text() == getLang(41001, "");
            dlg->findChild<QPushButton*>("w1_btn")->click();
            auto* title2 = dlg->findChild<QLabel*>("w2_title");
            sawTesting = title2->text() == getLang(41004, "") &&
                         dlg->findChild<QPushButton*>("w2_btn")->isHidden();
            auto* wait = new QTimer(dlg);
            QObject::connect(wait, &QTimer::timeout, [&, dlg, wait] {
                QPushButton* close = dlg->findChild<QPushButton*>("w2_btn");
                if (close->isHidden())
                    return;
                wait->stop();
                resultTitle = dlg->findChild<QLabel*>("w2_title")->text();
                const QPixmap shown = dlg->findChild<QLabel*>("w2_ico")->pixmap();
                warnShown = shown.toImage() == QPixmap(":/images/res/warn.png").toImage();
                close->click();
            });
            wait->start(20);
        });
        QCOMPARE(qNvidiaCardNeed::CheckNeedCudaHevcEncoder(nullptr), 1);
        QVERIFY(sawRequest);
        QVERIFY(sawTesting);
        QCOMPARE(resultTitle, title);
        QCOMPARE(warnShown, test6 == 0);
        const taghwgpu& cap = g_Global.hwCap;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(cap[i], 1);
        for (int i = 3; i < 6; ++i)
            QCOMPARE(cap[i], 0);
        for (int i = 6; i < 9; ++i)
            QCOMPARE(cap[i], 1);
        QCOMPARE(cap[12], 1);
        QCOMPARE(cap[13], test6);
        QCOMPARE(cap[14], 1);
        const QString trace = engineTrace();
        // Kinds 1 to 6 in order, then the four slots to the engine.
        int at = 0;
        for (int kind = 1; kind <= 6; ++kind) {
            at = trace.indexOf(QString("ZD_TestHWData(kind=%1)").arg(kind), at);
            QVERIFY2(at >= 0, qPrintable(trace));
        }
        QVERIFY(trace.indexOf("ZD_SetHWData(1,1,1,1)\n", at) > at);
        QCOMPARE(iniValue("RECORD/HW-CAP").toString(), cap.Text());
    }

    void testsStartAtOnceInCheckSetupAllCodecs()
    {
        scriptTests(0, 0);
        bool testingFirst = false;
        whenModal([&](qNvidiaCardNeed* dlg) {
            testingFirst = !dlg->findChild<QWidget*>("widget_1")->isVisible();
            auto* wait = new QTimer(dlg);
            QObject::connect(wait, &QTimer::timeout, [dlg] {
                QPushButton* close = dlg->findChild<QPushButton*>("w2_btn");
                if (!close->isHidden())
                    close->click();
            });
            wait->start(20);
        });
        QCOMPARE(qNvidiaCardNeed::CheckSetupAllCodecs(nullptr), 1);
        QVERIFY(testingFirst);
        QCOMPARE(g_Global.hwCap[14], 1);
    }

    // Return and Escape do not end the dialog; only Close does.
    void keysDoNotCloseIt()
    {
        qNvidiaCardNeed dlg(nullptr);
        dlg.ShowHdr();
        dlg.show();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.windowTitle(), getLang(41000, ""));
    }
};

ZD_TEST_MAIN(TestQNvidiaCardNeed, QApplication)
#include "tst_qnvidiacardneed.moc"
