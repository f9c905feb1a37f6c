// The share dialog: its search-reply table, the server half's results and
// messages, the player started with the link as its one argument, and a
// search answer that comes after the dialog has closed.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "enginereceivers.h"
#include "globalsettings.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "picturebox.h"
#include "qdudmanagerdlg.h"
#include "qglobalapplication.h"
#include "qhyperlink.h"
#include "qmypushbutton.h"
#include "qmyrecordwidget.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "vazURIdav_test.h"
#include "zddialogdriver.h"
#include "zdloopbackport.h"
#include "zdtestmain.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

struct Box {
    QString text;
    int kind;
};

// A child of the dialog's form, by its name.
template <typename T> T* part(QDudManagerDlg& dlg, const char* name)
{
    T* w = dlg.findChild<T*>(name);
    if (!w)
        qFatal("no %s in the share dialog", name);
    return w;
}

} // namespace

class TestQDudManagerDlg : public QObject
{
    Q_OBJECT
    QList<Box> boxes;
    QWidget* mainWindow = nullptr;

    // Lets the dialog's own search (started on opening) answer first.
    void settle(QDudManagerDlg& dlg)
    {
        QTRY_VERIFY_WITH_TIMEOUT(part<QPushButton>(dlg, "btnRefresh")->isEnabled(), 20000);
    }

private slots:
    void initTestCase()
    {
        g_Global.langFile = QString(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
        MsgBoxDialog::setTestHook([this](const QString& t, int kind) {
            boxes << Box{t, kind};
            return 1;
        });
        // No mDNS daemon is reachable: every search answers at once, empty.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        QVERIFY(g_Global.hCore);
    }
    void cleanupTestCase() { ReleaseGlobalSettings(); }

    void init()
    {
        boxes.clear();
        mainWindow = new QWidget;
        AfxSetMainWindow(mainWindow);
    }
    void cleanup()
    {
        ZDT_ClearScript(nullptr);
        ZD_StopDUD_Server(g_Global.hCore);
        g_Global.dudRunning = 0;
        AfxSetMainWindow(nullptr);
        delete mainWindow;
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("server and one live share")
            << QByteArray("<DUD>10.0.0.5:9875</DUD><DUD-LIVE>10.0.0.7:9875|Desk</DUD-LIVE>")
            << "http://10.0.0.5:9875" << QStringList{"Desk"}
            << QStringList{"http://10.0.0.7:9875/preview"};
        QTest::newRow("two shares")
            << QByteArray("<DUD>h:1</DUD><DUD-LIVE>a:1|A</DUD-LIVE>x<DUD-LIVE>b:2|B</DUD-LIVE>")
            << "http://h:1" << QStringList{"A", "B"}
            << QStringList{"http://a:1/preview", "http://b:2/preview"};
        QTest::newRow("item starting with |")
            << QByteArray("<DUD>h:1</DUD><DUD-LIVE>|x</DUD-LIVE><DUD-LIVE>a|n</DUD-LIVE>")
            << "http://h:1" << QStringList{"n"} << QStringList{"http://a/preview"};
        QTest::newRow("two |: the second stays in the name")
            << QByteArray("<DUD-LIVE>a|b|c</DUD-LIVE>") << QString() << QStringList{"b|c"}
            << QStringList{"http://a/preview"};
        QTest::newRow("item without |") << QByteArray("<DUD-LIVE>abc</DUD-LIVE>") << QString()
                                        << QStringList{} << QStringList{};
        QTest::newRow("no server element keeps the link")
            << QByteArray("<DUD-LIVE>a|n</DUD-LIVE>") << QString() << QStringList{"n"}
            << QStringList{"http://a/preview"};
        QTest::newRow("empty") << QByteArray("") << QString() << QStringList{} << QStringList{};
        QTest::newRow("null") << QByteArray() << QString() << QStringList{} << QStringList{};
        QTest::newRow("server end tag before its start")
            << QByteArray("</DUD><DUD>h:2</DUD>") << "http://h:2" << QStringList{} << QStringList{};
        QTest::newRow("server end tag only before")
            << QByteArray("</DUD>junk<DUD>h:2") << QString() << QStringList{} << QStringList{};
        QTest::newRow("item end tag before its start")
            << QByteArray("</DUD-LIVE><DUD-LIVE>a|n</DUD-LIVE>") << QString() << QStringList{"n"}
            << QStringList{"http://a/preview"};
        QTest::newRow("unterminated item stops")
            << QByteArray("<DUD-LIVE>a|n</DUD-LIVE><DUD-LIVE>b|m") << QString() << QStringList{"n"}
            << QStringList{"http://a/preview"};
    }
    void replies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, url);
        QFETCH(QStringList, names);
        QFETCH(QStringList, links);
        QDudManagerDlg dlg(nullptr);
        settle(dlg);
        const QString before = part<QHyperLink>(dlg, "btnURL")->text();
        dlg.showDUDInfo(reply.isNull() ? nullptr : reply.constData());
        QCOMPARE(part<QHyperLink>(dlg, "btnURL")->text(), url.isEmpty() ? before : url);
        if (!url.isEmpty())
            QCOMPARE(part<QHyperLink>(dlg, "btnURL")->url, url);
        QStringList shown;
        for (int i = 0; i < part<QComboBox>(dlg, "clientcbx")->count(); ++i)
            shown << part<QComboBox>(dlg, "clientcbx")->itemText(i);
        QCOMPARE(shown, names);
        QCOMPARE(dlg.links, links);
        QVERIFY(!part<QWidget>(dlg, "widget_c1")->isHidden());
        QVERIFY(part<QWidget>(dlg, "widget_c2")->isHidden());
    }

    void noServerFound()
    {
        QDudManagerDlg dlg(nullptr);
        QVERIFY(!part<QPushButton>(dlg, "btnRefresh")->isEnabled());
        QVERIFY(!part<QWidget>(dlg, "widget_c2")->isHidden());
        settle(dlg);
        QCOMPARE(part<QLabel>(dlg, "label_tip4")->text(), QString("No found DUD sever."));
        QVERIFY(!part<QWidget>(dlg, "widget_c2")->isHidden());
        QVERIFY(!part<QPushButton>(dlg, "btnRefresh2")->isHidden());
        QVERIFY(part<QWidget>(dlg, "label_anim")->isHidden());
        // A refresh searches again.
        dlg.onRefresh();
        QCOMPARE(part<QLabel>(dlg, "label_tip4")->text(), QString("Searching DUD server..."));
        QVERIFY(part<QPushButton>(dlg, "btnRefresh2")->isHidden());
        settle(dlg);
    }

    // A search the engine refuses to start sends no answer: the dialog ends
    // it as one that found nothing, with both ways to search again open.
    void refusedSearchCanBeRepeated()
    {
        ZDT_ScriptResult("ZD_SearchDUDServer", 0);
        QDudManagerDlg dlg(nullptr);
        QVERIFY(part<QPushButton>(dlg, "btnRefresh")->isEnabled());
        QVERIFY(!part<QPushButton>(dlg, "btnRefresh2")->isHidden());
        QVERIFY(part<QWidget>(dlg, "label_anim")->isHidden());
        QCOMPARE(part<QLabel>(dlg, "label_tip4")->text(), QString("No found DUD sever."));
        // Searching again, with the engine willing now, runs a real search.
        ZDT_ClearScript("ZD_SearchDUDServer");
        part<QPushButton>(dlg, "btnRefresh2")->click();
        QCOMPARE(part<QLabel>(dlg, "label_tip4")->text(), QString("Searching DUD server..."));
        settle(dlg);
        QCOMPARE(part<QLabel>(dlg, "label_tip4")->text(), QString("No found DUD sever."));
    }

    // A search answer for a dialog that has closed is dropped where the
    // engine's reports are delivered; an open dialog gets its answer.
    void lateAnswerNeverReachesAClosedDialog()
    {
        auto* dlg = new QDudManagerDlg(nullptr);
        QVERIFY(EngineReceivers::contains(dlg));
        QObject* gone = dlg;
        delete dlg;
        QVERIFY(!EngineReceivers::contains(gone));
        QVERIFY(ZDT_InjectReport(g_Global.hCore, gone, MSG_DUD_SEARCH_DONE, 1, 0,
                                 "<DUD-LIVE>a|late</DUD-LIVE>", ZDT_TEXT_IN_LPARAM));
        QVERIFY(ZDT_WaitReportsDelivered(g_Global.hCore, 5000));
        QCoreApplication::processEvents();

        QDudManagerDlg open(nullptr);
        settle(open);
        QVERIFY(ZDT_InjectReport(g_Global.hCore, &open, MSG_DUD_SEARCH_DONE, 1, 0,
                                 "<DUD-LIVE>a|Desk</DUD-LIVE>", ZDT_TEXT_IN_LPARAM));
        QTRY_COMPARE_WITH_TIMEOUT(part<QComboBox>(open, "clientcbx")->count(), 1, 10000);
        QCOMPARE(part<QComboBox>(open, "clientcbx")->itemText(0), QString("Desk"));
    }

    void startAndStop()
    {
        const int port = zdtest::freeLoopbackPort();
        AfxWriteProfileInt("DUD", "server-port", port);
        AfxWriteProfileInt("DUD", "enable-live", 1);
        QDudManagerDlg dlg(nullptr);
        settle(dlg);
        QVERIFY(!part<QWidget>(dlg, "widget_s1")->isHidden());
        dlg.onStartDUD();
        QVERIFY(boxes.isEmpty());
        QCOMPARE(g_Global.dudRunning, 1);
        QVERIFY(part<QWidget>(dlg, "widget_s1")->isHidden());
        QVERIFY(!part<QWidget>(dlg, "widget_s2")->isHidden());
        // No preview runs: no live picture, even with enable-live set.
        QCOMPARE(ZD_StopDUD_live(g_Global.hCore), 0);
        {
            QDudManagerDlg again(nullptr); // opens on the running half
            QVERIFY(part<QWidget>(again, "widget_s1")->isHidden());
            settle(again);
        }
        dlg.onStopDUD();
        QCOMPARE(g_Global.dudRunning, 0);
        QVERIFY(!part<QWidget>(dlg, "widget_s1")->isHidden());
        QVERIFY(part<QWidget>(dlg, "widget_s2")->isHidden());
    }

    // Without an mDNS daemon nothing else names a server: once "Start DUD"
    // succeeds, the link shows this computer's address and port, the one
    // other machines open; once stopped, the link is out of sight again.
    void startedServerShowsItsAddress()
    {
        const int port = zdtest::freeLoopbackPort();
        AfxWriteProfileInt("DUD", "server-port", port);
        char link1[ZD_TEXT_BUFFER_BYTES] = {}, link2[ZD_TEXT_BUFFER_BYTES] = {},
             player[ZD_TEXT_BUFFER_BYTES] = {};
        QCOMPARE(ZD_GetDUDLinks(link1, link2, port, player), 1);
        const QString address = QString::fromUtf8(link1).chopped(1); // without the final "/"
        QVERIFY(address.endsWith(":" + QString::number(port)));
        QDudManagerDlg dlg(nullptr);
        settle(dlg);
        QVERIFY(part<QWidget>(dlg, "widget_c1")->isHidden());
        dlg.onStartDUD();
        settle(dlg);
        QCOMPARE(part<QHyperLink>(dlg, "btnURL")->text(), address);
        QCOMPARE(part<QHyperLink>(dlg, "btnURL")->url, address);
        QVERIFY(!part<QWidget>(dlg, "widget_c1")->isHidden());
        QVERIFY(part<QWidget>(dlg, "widget_c2")->isHidden());
        QCOMPARE(part<QComboBox>(dlg, "clientcbx")->count(), 0);
        dlg.onStopDUD();
        settle(dlg);
        QVERIFY(part<QWidget>(dlg, "widget_c1")->isHidden());
        QCOMPARE(part<QLabel>(dlg, "label_tip4")->text(), QString("No found DUD sever."));
    }

    void failuresAreShown_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << false << -3 << "Start DUD server failed. (-3)";
        QTest::newRow("stop") << true << 0 << "Stop DUD server failed. (0)";
    }
    void failuresAreShown()
    {
        QFETCH(bool, stop);
        QFETCH(int, code);
        QFETCH(QString, text);
        AfxWriteProfileInt("DUD", "server-port", zdtest::freeLoopbackPort());
        QDudManagerDlg dlg(nullptr);
        settle(dlg);
        if (stop) {
            dlg.onStartDUD();
            QCOMPARE(g_Global.dudRunning, 1);
            ZDT_ScriptResult("ZD_StopDUD_Server", code);
            dlg.onStopDUD();
            // The running half and the flag stay.
            QCOMPARE(g_Global.dudRunning, 1);
            QVERIFY(!part<QWidget>(dlg, "widget_s2")->isHidden());
        } else {
            g_Global.dudRunning = 1;
            ZDT_ScriptResult("ZD_StartDUD_Server", code);
            dlg.onStartDUD();
            QCOMPARE(g_Global.dudRunning, 0);
            QVERIFY(!part<QWidget>(dlg, "widget_s1")->isHidden());
        }
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).text, text);
        QCOMPARE(boxes.at(0).kind, int(MSGBOX_ERROR));
    }

    // The link comes from the network: whatever it holds, the player gets
    // it as its one argument and no shell reads it.
    void playerGetsTheLinkAsOneArgument()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("args");
        const QString player = dir.filePath("player");
        QFile script(player);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"" +
                     out.toUtf8() + "\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("VAZURIDAV_PLAYER", player.toUtf8());

        const QString marker = dir.filePath("made");
        const QByteArray address = "h:1; touch " + marker.toUtf8() + " $(touch " + marker.toUtf8() +
                                   ") \"q q\" 'r' `touch " + marker.toUtf8() + "` &&x";
        QDudManagerDlg dlg(nullptr);
        settle(dlg);
        dlg.showDUDInfo(QByteArray("<DUD-LIVE>" + address + "|Desk</DUD-LIVE>").constData());
        QCOMPARE(dlg.links.size(), 1);
        dlg.onOpenClient();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 20000);
        qunsetenv("VAZURIDAV_PLAYER");
        QFile args(out);
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(args.readAll()),
                 "1\nhttp://" + QString::fromUtf8(address) + "/preview\n");
        QVERIFY(!QFile::exists(marker));
        QVERIFY(boxes.isEmpty());
    }

    // The panel's share button is shown and opens the dialog modally, with
    // the panel as its parent.
    void shareButtonOpensTheDialog()
    {
        struct Panel : QMyRecordWidget {
            using QMyRecordWidget::QMyRecordWidget;
            void first_show() override {}
        } panel(nullptr);
        panel.resize(300, 600);
        panel.resizeAll();
        panel.show();
        QVERIFY(panel.btnDUD->isVisible());
        QVERIFY(panel.btnDUD->width() > 0);
        QWidget* parentSeen = nullptr;
        zdtest::whenModal<QDudManagerDlg>([&](QDudManagerDlg* dlg) {
            parentSeen = dlg->parentWidget();
            dlg->done(0);
        });
        panel.btnDUD->click();
        QCOMPARE(parentSeen, static_cast<QWidget*>(&panel));
    }

    void openWithoutPlayerOrList()
    {
        QDudManagerDlg dlg(nullptr);
        settle(dlg);
        dlg.onOpenClient(); // empty list: nothing
        QVERIFY(boxes.isEmpty());
        qputenv("VAZURIDAV_PLAYER", "/nonexistent/player");
        dlg.showDUDInfo("<DUD-LIVE>a:1|Desk</DUD-LIVE>");
        dlg.onOpenClient();
        qunsetenv("VAZURIDAV_PLAYER");
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).text, QString("Not found VLC program. Please install it firstly."));
    }
};

ZD_TEST_MAIN(TestQDudManagerDlg, QApplication)
#include "tst_qdudmanagerdlg.moc"
