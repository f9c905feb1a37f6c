// The RTMP server editor: its rules for adding, modifying and deleting, that
// each change reaches the "rtmpserver" file at once, the presets menu and the
// reload message it leaves behind.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>

#include "liveserveraddresshelper.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qliveservermanagdlg.h"
#include "stdafx.h"
#include "zdtestmain.h"

namespace
{

struct Box {
    QString text;
    int kind;
};

class FakeMainWindow : public QWidget
{
public:
    bool event(QEvent* e) override
    {
        if (e->type() == MyEvent::EventType) {
            messages << static_cast<MyEvent*>(e)->msg;
            return true;
        }
        return QWidget::event(e);
    }
    QList<uint64_t> messages;
};

// The list as the file holds it now.
QList<SERVER_ADDRITEM> fileServers()
{
    QFile f(QLiveServerAddressHelper::filePath());
    QList<SERVER_ADDRITEM> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QList<SERVER_ADDRITEM*> parsed;
    if (QLiveServerAddressHelper::ParseServers(f.readAll(), parsed)) {
        for (SERVER_ADDRITEM* item : parsed)
            out << *item;
    }
    qDeleteAll(parsed);
    return out;
}

QLineEdit* field(QLiveServerManagDlg& dlg, const char* name)
{
    return dlg.findChild<QLineEdit*>(QLatin1String(name));
}

QString text(int id)
{
    return getLang(id, "<missing>");
}

} // namespace

class TestQLiveServerManagDlg : public QObject
{
    Q_OBJECT

private:
    QList<Box> boxes;
    int answer = 1;
    FakeMainWindow* mainWindow = nullptr;

    void fill(QLiveServerManagDlg& dlg, const QString& name, const QString& address,
              const QString& key, const QString& room = QString(), bool enabled = true)
    {
        field(dlg, "edit1")->setText(name);
        field(dlg, "edit2")->setText(address);
        field(dlg, "edit3")->setText(key);
        field(dlg, "edit4")->setText(room);
        dlg.findChild<QCheckBox*>("chk")->setChecked(enabled);
    }

    void select(QLiveServerManagDlg& dlg, int row)
    {
        QListView* view = dlg.findChild<QListView*>("listView");
        const QModelIndex index = view->model()->index(row, 0);
        view->setCurrentIndex(index);
        dlg.onViewClick(index);
    }

    QStringList rows(QLiveServerManagDlg& dlg) { return dlg.model->stringList(); }

private slots:
    void initTestCase()
    {
        g_Global.langFile = QString(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
        MsgBoxDialog::setTestHook([this](const QString& t, int kind) {
            boxes << Box{t, kind};
            return answer;
        });
    }

    void init()
    {
        QFile::remove(QLiveServerAddressHelper::filePath());
        g_Global.pServerList = new QLiveServerAddressHelper;
        g_Global.pServerList->Add("Home", "rtmp://home.example/live", "k1", true, "");
        g_Global.pServerList->Add("Work", "rtmp://work.example/app", "k2", false,
                                  "https://room.example/2");
        g_Global.pServerList->Save();
        boxes.clear();
        answer = 1;
        mainWindow = new FakeMainWindow;
        AfxSetMainWindow(mainWindow);
    }

    void cleanup()
    {
        delete g_Global.pServerList;
        g_Global.pServerList = nullptr;
        AfxSetMainWindow(nullptr);
        delete mainWindow;
        mainWindow = nullptr;
    }

    void cleanupTestCase() { MsgBoxDialog::setTestHook(MsgBoxDialog::TestHook()); }

    void opensWithEveryServerAndEditingDisabled()
    {
        QLiveServerManagDlg dlg(nullptr);
        QCOMPARE(rows(dlg), QStringList({"Home (rtmp://home.example/live/*******)",
                                         "Work (rtmp://work.example/app/*******)"}));
        QVERIFY(!dlg.findChild<QPushButton*>("btnDel")->isEnabled());
        QVERIFY(!dlg.findChild<QPushButton*>("btnMod")->isEnabled());
        QCOMPARE(dlg.windowTitle(), text(24014));
        QCOMPARE(field(dlg, "edit4")->placeholderText(), text(24013));
    }

    void clickingARowFillsTheFields()
    {
        QLiveServerManagDlg dlg(nullptr);
        select(dlg, 1);
        QCOMPARE(field(dlg, "edit1")->text(), QString("Work"));
        QCOMPARE(field(dlg, "edit2")->text(), QString("rtmp://work.example/app"));
        QCOMPARE(field(dlg, "edit3")->text(), QString("k2"));
        QCOMPARE(field(dlg, "edit3")->echoMode(), QLineEdit::Normal);
        QCOMPARE(field(dlg, "edit4")->text(), QString("https://room.example/2"));
        QVERIFY(!dlg.findChild<QCheckBox*>("chk")->isChecked());
        QVERIFY(dlg.findChild<QPushButton*>("btnDel")->isEnabled());
        QVERIFY(dlg.findChild<QPushButton*>("btnMod")->isEnabled());
    }

    void add_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("room");
        QTest::addColumn<int>("message"); // 0: added
        const QString longText(1024, 'a');
        const QString fits(1023, 'a');
        QTest::newRow("plain") << "New"
                               << "rtmp://new.example/live"
                               << ""
                               << "" << 0;
        QTest::newRow("blank name is a name") << " "
                                              << "rtmps://new.example/live"
                                              << "x"
                                              << "" << 0;
        QTest::newRow("no name") << ""
                                 << "rtmp://new.example/live"
                                 << ""
                                 << "" << 24000;
        QTest::newRow("no address") << "New"
                                    << ""
                                    << ""
                                    << "" << 24000;
        QTest::newRow("upper-case RTMP") << "New"
                                         << "RTMP://new.example/live"
                                         << ""
                                         << "" << 24003;
        QTest::newRow("not rtmp") << "New"
                                  << "http://new.example/live"
                                  << ""
                                  << "" << 24003;
        QTest::newRow("same address and key") << "Other"
                                              << "rtmp://home.example/live"
                                              << "k1"
                                              << "" << 24001;
        QTest::newRow("same address, other key") << "Other"
                                                 << "rtmp://home.example/live"
                                                 << "k9"
                                                 << "" << 0;
        QTest::newRow("name of 1023 bytes") << fits << "rtmp://a"
                                            << ""
                                            << "" << 0;
        QTest::newRow("name of 1024 bytes") << longText << "rtmp://a"
                                            << ""
                                            << "" << 24015;
        QTest::newRow("address of 1024 bytes") << "New"
                                               << "rtmp://" + longText << ""
                                               << "" << 24015;
        QTest::newRow("key of 1024 bytes") << "New"
                                           << "rtmp://a" << longText << "" << 24015;
        QTest::newRow("room of 1024 bytes") << "New"
                                            << "rtmp://a"
                                            << "" << longText << 24015;
        // Two bytes per character in UTF-8.
        QTest::newRow("512 two-byte characters") << QString(512, QChar(0xe9)) << "rtmp://a"
                                                 << ""
                                                 << "" << 24015;
    }

    void add()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, key);
        QFETCH(QString, room);
        QFETCH(int, message);
        QLiveServerManagDlg dlg(nullptr);
        fill(dlg, name, address, key, room, false);
        dlg.onBtnAddClick();
        if (message != 0) {
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, text(message));
            QCOMPARE(boxes[0].kind, 0);
            QCOMPARE(rows(dlg).size(), 2);
            QCOMPARE(fileServers().size(), 2);
            // The fields keep what was typed.
            QCOMPARE(field(dlg, "edit1")->text(), name);
            return;
        }
        QVERIFY(boxes.isEmpty());
        QCOMPARE(rows(dlg).size(), 3);
        QCOMPARE(rows(dlg).last(), name + " (" + address + "/*******)");
        for (const char* name : {"edit1", "edit2", "edit3", "edit4"})
            QVERIFY(field(dlg, name)->text().isEmpty());
        QVERIFY(!dlg.findChild<QCheckBox*>("chk")->isChecked());
        // On disk at once, whole.
        const QList<SERVER_ADDRITEM> saved = fileServers();
        QCOMPARE(saved.size(), 3);
        QCOMPARE(saved.last().name, name);
        QCOMPARE(saved.last().address, address);
        QCOMPARE(saved.last().key, key);
        QCOMPARE(saved.last().enabled, false);
    }

    void modify()
    {
        QLiveServerManagDlg dlg(nullptr);
        // Without a current row nothing happens.
        fill(dlg, "X", "rtmp://x", "");
        dlg.onBtnModifyClick();
        QVERIFY(boxes.isEmpty());
        QCOMPARE(fileServers().first().name, QString("Home"));

        // Its own unchanged values: its own row does not count as a duplicate.
        select(dlg, 0);
        dlg.onBtnModifyClick();
        QVERIFY(boxes.isEmpty());

        // An address Add refuses can be stored by modifying.
        fill(dlg, "Home 2", "RTMP://home.example/live", "k1", "https://r", false);
        dlg.onBtnModifyClick();
        QVERIFY(boxes.isEmpty());
        QCOMPARE(rows(dlg).first(), QString("Home 2 (RTMP://home.example/live/*******)"));
        SERVER_ADDRITEM saved = fileServers().first();
        QCOMPARE(saved.name, QString("Home 2"));
        QCOMPARE(saved.address, QString("RTMP://home.example/live"));
        QCOMPARE(saved.roomUrl, QString("https://r"));
        QCOMPARE(saved.enabled, false);
        QCOMPARE(field(dlg, "edit1")->text(), QString("Home 2"));

        // Another entry's address and key.
        fill(dlg, "Home", "rtmp://work.example/app", "k2");
        dlg.onBtnModifyClick();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, text(24001));
        fill(dlg, "", "rtmp://x", "");
        dlg.onBtnModifyClick();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[1].text, text(24000));
        fill(dlg, "Home", "rtmp://x", QString(1024, 'k'));
        dlg.onBtnModifyClick();
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[2].text, text(24015));
        QCOMPARE(fileServers().first().name, QString("Home 2"));
        QCOMPARE(fileServers().first().key, QString("k1"));
    }

    void remove()
    {
        QLiveServerManagDlg dlg(nullptr);
        dlg.onBtnDelClick(); // no current row
        QVERIFY(boxes.isEmpty());

        select(dlg, 0);
        const QByteArray before = [] {
            QFile f(QLiveServerAddressHelper::filePath());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        answer = 0;
        dlg.onBtnDelClick();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, getLang(24002, "", "Home"));
        QCOMPARE(boxes[0].kind, 2);
        QCOMPARE(rows(dlg).size(), 2);
        QFile f(QLiveServerAddressHelper::filePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);

        answer = 1;
        dlg.onBtnDelClick();
        QCOMPARE(rows(dlg), QStringList({"Work (rtmp://work.example/app/*******)"}));
        QCOMPARE(g_Global.pServerList->servers.size(), 1);
        QCOMPARE(fileServers().size(), 1);
        QCOMPARE(fileServers().first().name, QString("Work"));
        QVERIFY(field(dlg, "edit1")->text().isEmpty());
        QVERIFY(dlg.findChild<QPushButton*>("btnDel")->isEnabled());
    }

    void presetFillsOnlyTheAddress()
    {
        QLiveServerManagDlg dlg(nullptr);
        fill(dlg, "Mine", "rtmp://old", "key");
        dlg.presetUrls = {"rtmp://a.example/live", "rtmp://b.example/live"};
        QAction chosen;
        chosen.setData(1);
        dlg.menu_tt(&chosen);
        QCOMPARE(field(dlg, "edit2")->text(), QString("rtmp://b.example/live"));
        QCOMPARE(field(dlg, "edit1")->text(), QString("Mine"));
        QCOMPARE(field(dlg, "edit3")->text(), QString("key"));
        chosen.setData(2);
        dlg.menu_tt(&chosen);
        chosen.setData(-1);
        dlg.menu_tt(&chosen);
        QCOMPARE(field(dlg, "edit2")->text(), QString("rtmp://b.example/live"));
        QCOMPARE(rows(dlg).size(), 2);
    }

    // The "<<" button pops up the shipped presets; picking one fills the
    // address field.
    void presetMenuFromTheShippedFile()
    {
        QLiveServerManagDlg dlg(nullptr);
        dlg.show();
        QString picked;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QMenu* firstService = menu->actions().first()->menu();
            QVERIFY(firstService);
            QAction* firstServer = firstService->actions().first();
            picked = dlg.presetUrls.value(firstServer->data().toInt());
            firstServer->trigger();
            menu->close();
        });
        dlg.onBtnMenu();
        QVERIFY(!dlg.presetUrls.isEmpty());
        QVERIFY(picked.startsWith("rtmp"));
        QCOMPARE(field(dlg, "edit2")->text(), picked);
    }

    void closingPostsTheReloadMessage()
    {
        {
            QLiveServerManagDlg dlg(nullptr);
        }
        QCoreApplication::sendPostedEvents(mainWindow, MyEvent::EventType);
        QCOMPARE(mainWindow->messages, QList<uint64_t>{MSG_RELOAD_SERVERS});
    }
};

ZD_TEST_MAIN(TestQLiveServerManagDlg, QApplication)
#include "tst_qliveservermanagdlg.moc"
