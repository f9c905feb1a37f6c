// Hot keys and the preview context menu: which key becomes which command (a
// posted 404), the full-screen and Escape keys, and the menu's entries and
// actions.
#include "zdtestmain.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <memory>

#include "globalsettings.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qdisablepreviewwidget.h"
#include "qmyplayerbar.h"
#include "qsetupwnd.h"
#include "shelltestsupport.h"
#include "stdafx.h"
#include "zdhelpergui.h"
#include "zdshotcut.h"

using namespace shelltest;

class TestZDShotCut : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ZDHelperGUI> m_window;
    std::unique_ptr<MessageSpy> m_spy;

    // The commands posted since the last call, with the sounds played.
    QStringList takeCommands()
    {
        QCoreApplication::processEvents();
        QStringList out;
        for (const SeenMessage& m : m_spy->of(MSG_HOTKEY_COMMAND))
            out << QString::number(m.wParam);
        for (const QString& line : traceLines("ZD_play_system_sound"))
            out << line;
        m_spy->seen.clear();
        ZDT_ClearTrace();
        return out;
    }

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
        MsgBoxDialog::setTestHook([](const QString&, int) { return 1; });
    }

    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        ReleaseGlobalSettings();
    }

    void init()
    {
        g_Global.recHotkeyRec = 2;
        g_Global.recHotkeyPause = 3;
        g_Global.picHotkey = 4;
        g_Global.isRecordInterface = 1;
        m_window = std::make_unique<ZDHelperGUI>(nullptr);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_spy = std::make_unique<MessageSpy>(m_window.get(), "main");
        QCoreApplication::processEvents();
        takeCommands();
    }

    void cleanup()
    {
        ZDT_ClearScript(nullptr);
        m_spy.reset();
        m_window.reset();
    }

    void keysInIdOrder()
    {
        const QList<QKeySequence> keys = ZDShotCut::boundKeys();
        QCOMPARE(keys.size(), 12);
        QCOMPARE(keys[0], QKeySequence(Qt::Key_F1));
        QCOMPARE(keys[9], QKeySequence(Qt::Key_F10));
        QCOMPARE(keys[10], QKeySequence(Qt::Key_Escape));
        QCOMPARE(keys[11], ZDHelperGUI::fullScreenKey());
        QVERIFY(!keys[11].isEmpty());
    }

    void hotKeyMap_data()
    {
        QTest::addColumn<int>("rec");
        QTest::addColumn<int>("pause");
        QTest::addColumn<int>("picture");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("expected");

        const QStringList record = {"4097", "ZD_play_system_sound(kind=0)"};
        const QStringList pause = {"4098", "ZD_play_system_sound(kind=1)"};
        const QStringList picture = {"4099", "ZD_play_system_sound(kind=2)"};
        QTest::newRow("F2 records") << 2 << 3 << 4 << int(Qt::Key_F2) << record;
        QTest::newRow("F3 pauses") << 2 << 3 << 4 << int(Qt::Key_F3) << pause;
        QTest::newRow("F4 takes a picture") << 2 << 3 << 4 << int(Qt::Key_F4) << picture;
        QTest::newRow("F1 unset") << 2 << 3 << 4 << int(Qt::Key_F1) << QStringList();
        QTest::newRow("F10 set") << 2 << 10 << 4 << int(Qt::Key_F10) << pause;
        QTest::newRow("0 acts as F1") << 0 << 3 << 4 << int(Qt::Key_F1) << record;
        QTest::newRow("negative acts as F1") << 2 << -7 << 4 << int(Qt::Key_F1) << pause;
        QTest::newRow("11 is not F11") << 11 << 3 << 4 << int(Qt::Key_F11) << QStringList();
        QTest::newRow("11 is not Escape") << 11 << 3 << 4 << int(Qt::Key_Escape) << QStringList();
        QTest::newRow("12 is never bound") << 2 << 12 << 4 << int(Qt::Key_F12) << QStringList();
        QTest::newRow("record wins a shared key") << 5 << 5 << 5 << int(Qt::Key_F5) << record;
        QTest::newRow("pause wins over picture") << 2 << 6 << 6 << int(Qt::Key_F6) << pause;
    }

    void hotKeyMap()
    {
        QFETCH(int, rec);
        QFETCH(int, pause);
        QFETCH(int, picture);
        QFETCH(int, key);
        QFETCH(QStringList, expected);
        g_Global.recHotkeyRec = rec;
        g_Global.recHotkeyPause = pause;
        g_Global.picHotkey = picture;
        const bool fullScreenKey = QKeySequence(key) == ZDHelperGUI::fullScreenKey();

        QTest::keyClick(m_window.get(), Qt::Key(key));
        QCOMPARE(takeCommands(), expected);
        // Only the platform's full-screen key changes the window here.
        QCOMPARE(m_window->isFullScreenMode(), fullScreenKey);
    }

    void fullScreenAndEscape()
    {
        const QKeySequence fs = ZDHelperGUI::fullScreenKey();
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QVERIFY(!m_window->isFullScreenMode());

        QTest::keySequence(m_window.get(), fs);
        QVERIFY(m_window->isFullScreenMode());
        QTest::keySequence(m_window.get(), fs);
        QVERIFY(!m_window->isFullScreenMode());

        QTest::keySequence(m_window.get(), fs);
        QVERIFY(m_window->isFullScreenMode());
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QVERIFY(!m_window->isFullScreenMode());
        QVERIFY(takeCommands().isEmpty());
    }

    void rightMenuEntries_data()
    {
        QTest::addColumn<bool>("previewing");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<QStringList>("texts");
        const QString fs =
            "Full Screen(" + ZDHelperGUI::fullScreenKey().toString(QKeySequence::NativeText) + ")";
        QTest::newRow("no preview")
            << false << false
            << QStringList{"Open preview",  fs,     "Start Record (F2)", "Capture picture(F4)",
                           "Files manager", "Setup"};
        QTest::newRow("previewing")
            << true << false
            << QStringList{"Open preview",  fs,     "Start Record (F2)", "Capture picture(F4)",
                           "Files manager", "Setup"};
        QTest::newRow("recording")
            << true << true
            << QStringList{"Open preview",  fs,     "Stop Record (F2)", "Capture picture(F4)",
                           "Files manager", "Setup"};
    }

    // Preview, full screen and record need a running preview; picture,
    // files and settings are always offered.
    void rightMenuEntries()
    {
        QFETCH(bool, previewing);
        QFETCH(bool, recording);
        QFETCH(QStringList, texts);
        if (previewing)
            ZDT_ScriptResult("ZD_CheckState.previewing", 1);
        if (recording)
            ZDT_ScriptResult("ZD_CheckState.recording", 1);
        ZDT_ScriptResult("ZD_PreviewEnable", 0);

        std::unique_ptr<QMenu> menu(m_window->createRightMenu());
        QStringList seen;
        QList<int> data;
        QList<bool> enabled;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            seen << a->text();
            data << a->data().toInt();
            enabled << a->isEnabled();
        }
        QCOMPARE(seen, texts);
        QCOMPARE(data, (QList<int>{6, 1, 2, 3, 4, 5}));
        QCOMPARE(enabled, (QList<bool>{previewing, previewing, previewing, true, true, true}));
        // A separator follows every entry.
        QCOMPARE(menu->actions().size(), 12);
    }

    void rightMenuFollowsTheSwitches()
    {
        ZDT_ScriptResult("ZD_PreviewEnable", 1);
        g_Global.recHotkeyRec = 7;
        m_window->onFullScreen();
        std::unique_ptr<QMenu> menu(m_window->createRightMenu());
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions[0]->text(), QString("Close preview"));
        QCOMPARE(actions[2]->text(), QString("Restore"));
        QCOMPARE(actions[4]->text(), QString("Start Record (F7)"));
        m_window->onFullScreen();
    }

    void rightMenuActions_data()
    {
        QTest::addColumn<int>("data");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("record") << 2 << QStringList{"4097"};
        QTest::newRow("picture") << 3 << QStringList{"4099"};
        QTest::newRow("files") << 4 << QStringList{"4100"};
        QTest::newRow("unknown") << 9 << QStringList();
    }

    void rightMenuActions()
    {
        QFETCH(int, data);
        QFETCH(QStringList, expected);
        QAction action;
        action.setData(data);
        m_window->menu_right(&action);
        QCOMPARE(takeCommands(), expected);
    }

    // "Setup" runs the settings window modally over the main window and
    // leaves nothing behind.
    void setupEntryRunsTheSettingsWindow()
    {
        QAction action;
        action.setData(5);
        QWidget* parent = nullptr;
        bool wasSettingsWindow = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            wasSettingsWindow = qobject_cast<QSetupWnd*>(modal) != nullptr;
            if (modal) {
                parent = modal->parentWidget();
                static_cast<QDialog*>(modal)->reject();
            }
        });
        m_window->menu_right(&action);
        QVERIFY(wasSettingsWindow);
        QCOMPARE(parent, m_window.get());
        QVERIFY(m_window->findChildren<QSetupWnd*>().isEmpty());
        QVERIFY(takeCommands().isEmpty());
    }

    // Switching the preview off freezes the last frame under the cover;
    // switching it on takes the cover away.
    void previewSwitch()
    {
        QAction action;
        action.setData(6);
        QDisablePreviewWidget* cover = m_window->playerBar()->disableWidget();
        ZDT_ClearTrace();

        m_window->menu_right(&action);
        QVERIFY(traceLines("ZD_PreviewEnable").contains("ZD_PreviewEnable(enable=0)"));
        QVERIFY(cover->isVisible());
        QVERIFY(!cover->frozenFramePath().isEmpty());
        QVERIFY(traceLines("ZD_ScreenShot_bmp").first().endsWith(",mode=-1)"));
        QCOMPARE(cover->geometry(), m_window->playerBar()->geometry());

        ZDT_ClearTrace();
        m_window->menu_right(&action);
        QVERIFY(traceLines("ZD_PreviewEnable").contains("ZD_PreviewEnable(enable=1)"));
        QVERIFY(!cover->isVisible());
    }
};

ZD_TEST_MAIN(TestZDShotCut, QApplication)
#include "tst_zdshotcut.moc"
