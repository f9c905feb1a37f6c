// The title bar: its menus and what each entry does (each reported first with
// GA_TrackClick), the window buttons' layout, the OBS plug-in install and
// removal into the sandbox's OBS folder, and clearing the application data,
// which ends the program and is therefore run in a child process.
#include "zdtestmain.h"
#include "zdzipbuilder.h"

#include "titlebartestsupport.h"

#include "checkadthread.h"
#include "checknewthread.h"
#include "globalsettings.h"
#include "myevent.h"
#include "qmypushbutton.h"
#include "qmytitlebar.h"
#include "screenscale.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using titlebartest::BoxRecorder;
using titlebartest::ModalCloser;

namespace
{

const QString kGuide = QStringLiteral("https://www.veltrano.com/support/veltrano-box-obs-plugin/");

// -1 stands for a separator.
QList<int> menuIds(const QMenu* menu)
{
    QList<int> ids;
    for (const QAction* action : menu->actions())
        ids << (action->isSeparator() ? -1 : action->data().toInt());
    return ids;
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    return texts;
}

void trigger(QMyTitleBar& bar, const QVariant& data)
{
    QAction action;
    action.setData(data);
    bar.main_menu(&action);
}

// The main window's form puts these buttons on the title bar.
void addFormButtons(QMyTitleBar& bar)
{
    for (const char* name : {"btnClose", "btnMin", "btnMax", "btnMenu", "btnFull"}) {
        auto* button = new QMyPushButton(&bar);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(0, 0, 21, 21);
    }
}

QStringList tree(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// ---- The child process of clearData ----------------------------------------

// Runs "Clear APP Data" in a process of its own, on the data folder the parent
// prepared; prints each message box, and "RETURNED" when the action returns.
[[noreturn]] void runClearDataChild()
{
    qputenv("XDG_DATA_HOME", qgetenv("ZD_CLEAR_DATA_HOME"));
    const int answer = qEnvironmentVariableIntValue("ZD_CLEAR_ANSWER");
    // The engine's removal of the privileged agent would stop the machine's
    // own agent (as root) or ask for an administrator; its test is the
    // agent's.
    ZDT_ScriptResult("ZD_RemoveVidrelayAsRoot", 1);
    InitGlobalSettings();
    MsgBoxDialog::setTestHook([answer](const QString& text, int kind) {
        std::printf("BOX:%d:%s\n", kind, text.toUtf8().constData());
        std::fflush(stdout);
        return answer;
    });
    {
        QWidget mainWindow;
        AfxSetMainWindow(&mainWindow);
        QMyTitleBar bar(&mainWindow);
        trigger(bar, QMyTitleBar::MENU_CLEAR_DATA);
        std::printf("RETURNED\n");
        std::fflush(stdout);
        AfxSetMainWindow(nullptr);
    }
    ReleaseGlobalSettings();
    std::exit(0);
}

} // namespace

class TestQMyTitleBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void menuBarMenus();
    void popupMenu();
    void menuActions_data();
    void menuActions();
    void otherIdsDoNothing_data();
    void otherIdsDoNothing();
    void buttonLayout_data();
    void buttonLayout();
    void windowButtons();
    void paintsTheStrip();
    void pluginInstallAndRemoval();
    void pluginInstallFailures_data();
    void pluginInstallFailures();
    void pluginRemovalDeclinedOrLinked();
    void clearData_data();
    void clearData();

public slots:
    void openUrl(const QUrl& url) { urls.append(url); }

private:
    QWidget* mainWindow = nullptr;
    QList<QUrl> urls;
};

void TestQMyTitleBar::initTestCase()
{
    if (qEnvironmentVariableIsSet("ZD_CLEAR_CHILD"))
        runClearDataChild();
    titlebartest::clearProxies();
    titlebartest::openSettings();
    g_Global.langFile = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
    QDesktopServices::setUrlHandler("https", this, "openUrl");
}

void TestQMyTitleBar::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("https");
    titlebartest::closeSettings();
}

void TestQMyTitleBar::init()
{
    mainWindow = new QWidget;
    mainWindow->resize(1000, 700);
    AfxSetMainWindow(mainWindow);
    urls.clear();
    ZDT_ClearTrace();
}

void TestQMyTitleBar::cleanup()
{
    AfxSetMainWindow(nullptr);
    delete mainWindow;
    mainWindow = nullptr;
    g_dpi_percent = 1.0;
    QMyTitleBar::setPluginZipPath(QString());
    QDir(CPublic::GetOBSPluginPath()).removeRecursively();
}

void TestQMyTitleBar::menuBarMenus()
{
    QMyTitleBar bar(mainWindow);
    QMenu first, help;
    bar.CreateTopMenu(&first, &help);
    QCOMPARE(menuIds(&first), QList<int>({1}));
    QCOMPARE(menuTexts(&first), QStringList({"Setup"}));
    QCOMPARE(menuIds(&help), QList<int>({4, 5, -1, 51, -1, 52, 53, -1, 6, 7, 8}));
    QCOMPARE(menuTexts(&help),
             QStringList({"Check upgrade", "Feedback", "Clear APP Data", "Install OBS plugin",
                          "Uninstall OBS plugin", "Contact us", "Online help", "About"}));

    // Both menus carry their entries out.
    ModalCloser closer;
    help.actions().at(8)->trigger();
    first.actions().at(0)->trigger();
    QCOMPARE(closer.seen, QStringList({"QSetupWnd"}));
    QTRY_COMPARE(urls, QList<QUrl>({QUrl("https://www.veltrano.com/contact/")}));
    QVERIFY(titlebartest::engineTrace().contains("GA_TrackClick(key=supportlink)"));
    QVERIFY(titlebartest::engineTrace().contains("GA_TrackClick(key=setup)"));
}

void TestQMyTitleBar::popupMenu()
{
    QMyTitleBar bar(mainWindow);
    addFormButtons(bar);
    QList<int> ids;
    QString sheet;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ids = menuIds(menu);
        sheet = menu->styleSheet();
        // Choosing an entry carries it out once the menu has closed.
        menu->actions().at(6)->trigger();
        menu->close();
    });
    bar.btnMenuClick();
    // No data clearing or plug-in entries in the pop-up menu.
    QCOMPARE(ids, QList<int>({1, -1, 4, 5, -1, 6, 7, 8}));
    QVERIFY(sheet.startsWith("QMenu{background:rgb(71,73,78);color:rgb(240,240,240);}"));
    QCOMPARE(urls, QList<QUrl>({QUrl("https://www.veltrano.com/support/veltrano-helper/")}));
    QVERIFY(titlebartest::engineTrace().contains("GA_TrackClick(key=helplink)"));
}

void TestQMyTitleBar::menuActions_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("modal");
    QTest::addColumn<QString>("url");

    QTest::newRow("setup") << 1 << "setup" << QStringList() << "QSetupWnd" << QString();
    QTest::newRow("check upgrade, no service")
        << 4 << "checkupgrade" << QStringList({"Can not connect to the server."}) << QString()
        << QString();
    QTest::newRow("feedback") << 5 << "feedback" << QStringList() << "QMyFeedBackDlg" << QString();
    QTest::newRow("contact") << 6 << "supportlink" << QStringList() << QString()
                             << "https://www.veltrano.com/contact/";
    QTest::newRow("help") << 7 << "helplink" << QStringList() << QString()
                          << "https://www.veltrano.com/support/veltrano-helper/";
    QTest::newRow("about") << 8 << "about" << QStringList() << "QAboutDialog" << QString();
    QTest::newRow("clear data, declined")
        << 51 << "cleardata" << QStringList({"Are you sure to clear all program data?"})
        << QString() << QString();
    QTest::newRow("install plug-in, declined")
        << 52 << "install_obs_plugin"
        << QStringList({"do you want to install Veltrano Box plugin?"}) << QString() << QString();
    QTest::newRow("uninstall plug-in, none installed")
        << 53 << "uninstall_obs_plugin" << QStringList({"the plugin has not install yet."})
        << QString() << QString();
}

void TestQMyTitleBar::menuActions()
{
    QFETCH(int, id);
    QFETCH(QString, key);
    QFETCH(QStringList, boxes);
    QFETCH(QString, modal);
    QFETCH(QString, url);

    QMyTitleBar bar(mainWindow);
    // Let the start-up checks report first (silently: no services are set).
    QTRY_VERIFY(g_pCheckNewThread->isFinished() && g_pCheckAdThread->isFinished());
    QTest::qWait(50);
    ZDT_ClearTrace();
    BoxRecorder recorder;
    recorder.answers = {0};
    ModalCloser closer;
    const QString dataFolder = CPublic::GetAppDatePath();

    trigger(bar, id);
    QTRY_COMPARE(recorder.texts(), boxes);
    QCOMPARE(closer.seen, modal.isEmpty() ? QStringList() : QStringList({modal}));
    if (!modal.isEmpty())
        QCOMPARE(closer.parents.value(0).data(), mainWindow);
    QCOMPARE(urls, url.isEmpty() ? QList<QUrl>() : QList<QUrl>({QUrl(url)}));

    // The analytics key is reported once, before anything else the entry does.
    const QString trace = titlebartest::engineTrace();
    QCOMPARE(trace.count("GA_TrackClick("), 1);
    QVERIFY(trace.startsWith("GA_TrackClick(key=" + key + ")\n"));
    QVERIFY(QFileInfo::exists(dataFolder));
    if (id == QMyTitleBar::MENU_CHECK_UPGRADE) {
        QCOMPARE(recorder.boxes.at(0).kind, int(MSGBOX_ERROR));
        // A check the user asked for is a new, non-silent worker of the bar.
        const auto checks = bar.findChildren<CheckNewThread*>();
        QCOMPARE(checks.size(), 2);
        QVERIFY(!checks.last()->silent);
    }
}

void TestQMyTitleBar::otherIdsDoNothing_data()
{
    QTest::addColumn<QVariant>("data");
    for (int id : {0, 2, 3, 9, 50, 54, 100, -1})
        QTest::newRow(qPrintable(QString::number(id))) << QVariant(id);
    QTest::newRow("text") << QVariant("about");
    QTest::newRow("none") << QVariant();
}

void TestQMyTitleBar::otherIdsDoNothing()
{
    QFETCH(QVariant, data);
    QMyTitleBar bar(mainWindow);
    QTRY_VERIFY(g_pCheckNewThread->isFinished() && g_pCheckAdThread->isFinished());
    ZDT_ClearTrace();
    BoxRecorder recorder;
    ModalCloser closer;
    trigger(bar, data);
    bar.main_menu(nullptr);
    QTest::qWait(30);
    QVERIFY(!titlebartest::engineTrace().contains("GA_TrackClick"));
    QVERIFY(recorder.boxes.isEmpty());
    QVERIFY(closer.seen.isEmpty());
    QVERIFY(urls.isEmpty());
}

void TestQMyTitleBar::buttonLayout_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("1.0") << 1.0 << false;
    QTest::newRow("1.5 maximised") << 1.5 << true;
    QTest::newRow("1.25") << 1.25 << false;
}

void TestQMyTitleBar::buttonLayout()
{
    QFETCH(double, scale);
    QFETCH(bool, maximized);
    g_dpi_percent = scale;
    QMyTitleBar bar(mainWindow);
    addFormButtons(bar);
    mainWindow->resize(1001, 700);
    if (maximized)
        mainWindow->setWindowState(Qt::WindowMaximized);
    bar.resizeall();

    const int w = mainWindow->width();
    const int b = int(18 * scale);
    const int y = int(10 * scale);
    auto button = [&](const char* name) { return bar.findChild<QMyPushButton*>(name); };
    QCOMPARE(button("btnClose")->geometry(), QRect(int(w - (8 * scale + b)), y, b, b));
    QCOMPARE(button("btnMax")->geometry(), QRect(int(w - 2 * (12 * scale + b)), y, b, b));
    QCOMPARE(button("btnMin")->geometry(), QRect(int(w - 3 * (12 * scale + b)), y, b, b));
    QCOMPARE(button("btnMenu")->geometry(), QRect(int(w - 4 * (12 * scale + b)), y, b, b));
    for (const char* name : {"btnClose", "btnMax", "btnMin", "btnMenu"}) {
        QCOMPARE(button(name)->stateCount(), 4);
        QVERIFY(button(name)->isHidden());
    }

    // btnMax follows the window's state on every layout.
    auto cell = [&](const char* file) {
        const QPixmap sprite(QString(":/images/res/") + file);
        const int fw = sprite.width() / 4;
        return sprite.copy(0, 0, fw, sprite.height())
            .scaled(b, b, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .toImage();
    };
    QCOMPARE(button("btnMax")->toolTip(), QString(maximized ? "Restore" : "Maximize"));
    QCOMPARE(button("btnMax")->stateImage(0).toImage(),
             cell(maximized ? "top-small.png" : "top-big.png"));
    mainWindow->setWindowState(maximized ? Qt::WindowNoState : Qt::WindowMaximized);
    bar.resizeall();
    QCOMPARE(button("btnMax")->toolTip(), QString(maximized ? "Maximize" : "Restore"));
    QCOMPARE(button("btnMax")->stateImage(0).toImage(),
             cell(maximized ? "top-big.png" : "top-small.png"));
    QVERIFY(button("btnMax")->isHidden());
}

void TestQMyTitleBar::windowButtons()
{
    QMyTitleBar bar(mainWindow);
    mainWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(mainWindow));
    bar.btnMaxClick();
    QTRY_VERIFY(mainWindow->isMaximized());
    bar.btnMaxClick();
    QTRY_VERIFY(!mainWindow->isMaximized());
    bar.btnMinClick();
    QTRY_VERIFY(mainWindow->isMinimized());
    mainWindow->showNormal();
    bar.btnCloseClick();
    QTRY_VERIFY(!mainWindow->isVisible());
}

void TestQMyTitleBar::paintsTheStrip()
{
    QMyTitleBar bar(mainWindow);
    bar.resize(600, 35);
    QImage image(bar.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    bar.render(&image);
    QCOMPARE(image.pixelColor(2, 2), QColor(39, 43, 47));
    QCOMPARE(image.pixelColor(598, 33), QColor(39, 43, 47));
    // The title picture lies in (600 - 1 - 199) / 2 = 200 .. 399.
    int picturePixels = 0;
    for (int x = 200; x < 399; ++x) {
        for (int y = 0; y < 35; ++y)
            picturePixels += image.pixelColor(x, y) != QColor(39, 43, 47);
    }
    QVERIFY(picturePixels > 200);
    for (int y = 0; y < 35; ++y)
        QCOMPARE(image.pixelColor(150, y), QColor(39, 43, 47));
}

void TestQMyTitleBar::pluginInstallAndRemoval()
{
    QTemporaryDir work(QDir::homePath() + "/zip-XXXXXX");
    const QString zip = work.filePath("veltranobox.plugin.zip");
    QVERIFY(zdtest::ZipBuilder()
                .addDir("veltranobox")
                .add("veltranobox/bin/64bit/veltranobox.so", QByteArray(5000, 'E'))
                .add("veltranobox/data/locale/en-US.ini", "VideoSource=Veltrano Box\n")
                .add("__MACOSX/veltranobox/._veltranobox.so", "resource fork")
                .write(zip));
    QMyTitleBar::setPluginZipPath(zip);
    QMyTitleBar bar(mainWindow);
    const QString folder = CPublic::GetOBSPluginPath();
    // OBS looks for a user's plug-ins under its configuration folder.
    QCOMPARE(folder, QDir::homePath() + "/.config/obs-studio/plugins");
    const QString plugin = QMyTitleBar::InstalledPluginPath();
    QCOMPARE(plugin, folder + "/veltranobox");

    for (int round = 0; round < 2; ++round) {
        BoxRecorder recorder;
        recorder.answers = {1, 1};
        trigger(bar, QMyTitleBar::MENU_INSTALL_OBS_PLUGIN);
        // Asked every time, the guide's address handed to the question.
        QCOMPARE(recorder.texts(), QStringList({"do you want to install Veltrano Box plugin?",
                                                "install done." + kGuide}));
        QCOMPARE(recorder.boxes.at(1).kind, int(MSGBOX_NOTICE));
        QCOMPARE(tree(folder),
                 QStringList({"veltranobox", "veltranobox/bin", "veltranobox/bin/64bit",
                              "veltranobox/bin/64bit/veltranobox.so", "veltranobox/data",
                              "veltranobox/data/locale", "veltranobox/data/locale/en-US.ini"}));
    }
    const QString log = titlebartest::logText();
    QVERIFY(log.contains("Instal OBS plugin (" + zip + ") (" + folder + ")"));
    QVERIFY(log.contains("install done." + kGuide));

    BoxRecorder recorder;
    recorder.answers = {1, 1};
    trigger(bar, QMyTitleBar::MENU_UNINSTALL_OBS_PLUGIN);
    QCOMPARE(recorder.texts(),
             QStringList({"do you want to uninstall Veltrano Box plugin?", "uninstall done."}));
    QVERIFY(!QFileInfo::exists(plugin));
    trigger(bar, QMyTitleBar::MENU_UNINSTALL_OBS_PLUGIN);
    QCOMPARE(recorder.texts().last(), QString("the plugin has not install yet."));
    QVERIFY(titlebartest::logText().contains("uninstall done."));
}

void TestQMyTitleBar::pluginInstallFailures_data()
{
    QTest::addColumn<QByteArray>("zipBytes");
    QTest::addColumn<bool>("zipExists");
    QTest::newRow("no plug-in zip in the resources") << QByteArray() << false;
    QTest::newRow("entry leaving the folder") << zdtest::ZipBuilder()
                                                     .add("veltranobox/ok.txt", "fine")
                                                     .add("../../evil.txt", "escape")
                                                     .bytes()
                                              << true;
    QTest::newRow("link entry")
        << zdtest::ZipBuilder().addSymlink("veltranobox", "/usr/lib").bytes() << true;
    QTest::newRow("not a zip") << QByteArray("plain text") << true;
}

void TestQMyTitleBar::pluginInstallFailures()
{
    QFETCH(QByteArray, zipBytes);
    QFETCH(bool, zipExists);
    QTemporaryDir work(QDir::homePath() + "/zip-XXXXXX");
    const QString zip = work.filePath("veltranobox.plugin.zip");
    if (zipExists)
        writeFile(zip, zipBytes);
    QMyTitleBar::setPluginZipPath(zip);
    QMyTitleBar bar(mainWindow);
    BoxRecorder recorder;
    recorder.answers = {1};
    trigger(bar, QMyTitleBar::MENU_INSTALL_OBS_PLUGIN);
    // Only the question; the failure goes to the log.
    QCOMPARE(recorder.texts(), QStringList({"do you want to install Veltrano Box plugin?"}));
    QVERIFY(titlebartest::logText().contains("Install obs-plugin failed."));
    QCOMPARE(tree(CPublic::GetOBSPluginPath()), QStringList());
    QVERIFY(!QFileInfo::exists(QDir::homePath() + "/.config/evil.txt"));
    QVERIFY(!QFileInfo::exists(QDir::homePath() + "/.config/obs-studio/evil.txt"));
}

void TestQMyTitleBar::pluginRemovalDeclinedOrLinked()
{
    QMyTitleBar bar(mainWindow);
    const QString plugin = QMyTitleBar::InstalledPluginPath();
    QTemporaryDir elsewhere(QDir::homePath() + "/keep-XXXXXX");
    writeFile(elsewhere.filePath("precious.txt"), "keep");
    writeFile(plugin + "/bin/64bit/veltranobox.so", "so");
    writeFile(plugin + "/.hidden", "hidden files go too");
    QVERIFY(QFile::link(elsewhere.path(), plugin + "/data"));
    {
        BoxRecorder recorder;
        recorder.answers = {0};
        trigger(bar, QMyTitleBar::MENU_UNINSTALL_OBS_PLUGIN);
        QCOMPARE(recorder.texts(), QStringList({"do you want to uninstall Veltrano Box plugin?"}));
        QVERIFY(QFileInfo::exists(plugin + "/bin/64bit/veltranobox.so"));
    }
    {
        BoxRecorder recorder;
        recorder.answers = {1, 1};
        trigger(bar, QMyTitleBar::MENU_UNINSTALL_OBS_PLUGIN);
        QCOMPARE(recorder.texts().last(), QString("uninstall done."));
        QVERIFY(!QFileInfo::exists(plugin));
        QVERIFY(QFileInfo::exists(elsewhere.filePath("precious.txt")));
    }

    // A link in place of the plug-in goes as a link; what it points to stays.
    QVERIFY(QFile::link(elsewhere.path(), plugin));
    BoxRecorder recorder;
    recorder.answers = {1, 1};
    trigger(bar, QMyTitleBar::MENU_UNINSTALL_OBS_PLUGIN);
    QCOMPARE(recorder.texts().last(), QString("uninstall done."));
    QVERIFY(!QFileInfo(plugin).isSymLink());
    QVERIFY(QFileInfo::exists(elsewhere.filePath("precious.txt")));
}

void TestQMyTitleBar::clearData_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("withLog");
    QTest::addColumn<bool>("foreignFile");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("lastBox");
    QTest::addColumn<bool>("returned");

    QTest::newRow("yes") << 1 << true << false << 0 << "BOX:1:Clear OK!" << false;
    // The data go whether or not the log exists.
    QTest::newRow("yes, no Log.txt") << 1 << false << false << 0 << "BOX:1:Clear OK!" << false;
    QTest::newRow("no") << 0 << true << false << 0
                        << "BOX:2:Are you sure to clear all program data?" << true;
    // Something of the user's own in the data folder: the program's files go,
    // the folder stays, and the box says so.
    QTest::newRow("yes, a file of the user's own")
        << 1 << true << true << 1 << "BOX:0:Some program data could not be removed from " << false;
}

void TestQMyTitleBar::clearData()
{
    QFETCH(int, answer);
    QFETCH(bool, withLog);
    QFETCH(bool, foreignFile);
    QFETCH(int, exitCode);
    QFETCH(QString, lastBox);
    QFETCH(bool, returned);

    QTemporaryDir home(QDir::homePath() + "/clear-XXXXXX");
    const QString data = home.filePath("share/Veltrano Helper");
    writeFile(data + "/setting.ini", "[CONFIG]\nSKIPVERSION=Ver 9\n");
    writeFile(data + "/files.dat", QByteArray(4, '\0'));
    writeFile(data + "/Thumbs/a.png", "png");
    writeFile(data + "/tmp/part", "tmp");
    writeFile(data + "/CacheData/RecordTimer.dat", QByteArray(4, '\0'));
    writeFile(data + "/CacheData/scene/default", "scene");
    if (withLog)
        writeFile(data + "/Log.txt", "old log\n");
    if (foreignFile)
        writeFile(data + "/mine/keep.txt", "the user's");

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZD_CLEAR_CHILD", "1");
    env.insert("ZD_CLEAR_DATA_HOME", home.filePath("share"));
    env.insert("ZD_CLEAR_ANSWER", QString::number(answer));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), exitCode);

    const QStringList boxes = out.split('\n').filter("BOX:");
    QVERIFY2(!boxes.isEmpty(), qPrintable(out));
    QCOMPARE(boxes.first(), QString("BOX:2:Are you sure to clear all program data?"));
    QVERIFY2(boxes.last().startsWith(lastBox), qPrintable(out));
    QCOMPARE(out.contains("RETURNED"), returned);

    if (returned) {
        // Declined: everything is still there.
        QVERIFY(QFileInfo::exists(data + "/Thumbs/a.png"));
        QVERIFY(QFileInfo::exists(data + "/CacheData/scene/default"));
        return;
    }
    // Nothing was written back after the clearing: no setting.ini, no lists.
    QVERIFY(!QFileInfo::exists(data + "/setting.ini"));
    QVERIFY(!QFileInfo::exists(data + "/files.dat"));
    QVERIFY(!QFileInfo::exists(data + "/Log.txt"));
    QVERIFY(!QFileInfo::exists(data + "/Thumbs"));
    QVERIFY(!QFileInfo::exists(data + "/CacheData"));
    QCOMPARE(QFileInfo::exists(data), foreignFile);
    // The folders above the data folder are not the program's: they stay,
    // empty or not.
    QVERIFY(QFileInfo(home.filePath("share")).isDir());
    if (foreignFile)
        QCOMPARE(tree(data), QStringList({"mine", "mine/keep.txt"}));
}

ZD_TEST_MAIN(TestQMyTitleBar, QApplication)
#include "tst_qmytitlebar.moc"
