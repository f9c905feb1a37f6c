// The update check from the version service's reply to what the title bar
// shows: the new-version dialog, "up to date", the connection failure, or
// nothing; the skipped version honoured only by the silent start-up check;
// the release picture never left behind; and the title bar waiting for its
// checks before it goes.
#include "zdloopbackhttp.h"
#include "zdtestmain.h"

#include "titlebartestsupport.h"

#include "checkadthread.h"
#include "checknewthread.h"
#include "myevent.h"
#include "qmytitlebar.h"
#include "qnewverdialog.h"

#include <QAction>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>

using titlebartest::BoxRecorder;

namespace
{

const std::string kVersionPath = "/cgi-bin/getversion?get&p=tarnex";
const std::string kPicturePath = "/veltrano-helper-for-mac/newver.png";

std::string pngBytes()
{
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

void allChecksDone(QMyTitleBar& bar)
{
    for (CheckNewThread* check : bar.findChildren<CheckNewThread*>())
        QTRY_VERIFY_WITH_TIMEOUT(check->isFinished(), 15000);
    QTRY_VERIFY(g_pCheckAdThread->isFinished());
    // Lets the posted results arrive.
    QTest::qWait(50);
}

void askForCheck(QMyTitleBar& bar)
{
    QAction action;
    action.setData(int(QMyTitleBar::MENU_CHECK_UPGRADE));
    bar.main_menu(&action);
}

// Records the new-version dialogs that come up, and closes them.
struct DialogWatcher {
    DialogWatcher()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QNewVerDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            newVersions << dialog->findChild<QLabel*>("label_2")->text();
            pictures << dialog->picturePath;
            parents << dialog->parentWidget();
            dialog->done(0);
        });
        timer.start();
    }
    QStringList newVersions;
    QStringList pictures;
    QList<QWidget*> parents;
    QTimer timer;
};

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void newerRule_data();
    void newerRule();
    void reaction_data();
    void reaction();
    void titleBarWaitsForItsChecks();

private:
    QWidget* mainWindow = nullptr;
};

void TestUpdateCheck::initTestCase()
{
    titlebartest::clearProxies();
    qputenv("VAZURIDAV_HTTP_TIMEOUT_MS", "1500");
    qunsetenv(URL_VERSION_SERVICE_ENV);
    qunsetenv(URL_FILE_SERVER_ENV);
    qunsetenv("ZDHELPER_NEWS_SERVICE");
    titlebartest::openSettings();
    g_Global.langFile = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
}

void TestUpdateCheck::cleanupTestCase()
{
    titlebartest::closeSettings();
}

void TestUpdateCheck::init()
{
    mainWindow = new QWidget;
    AfxSetMainWindow(mainWindow);
}

void TestUpdateCheck::cleanup()
{
    AfxSetMainWindow(nullptr);
    delete mainWindow;
    qunsetenv(URL_VERSION_SERVICE_ENV);
    qunsetenv(URL_FILE_SERVER_ENV);
    AfxWriteProfileString("CONFIG", "SKIPVERSION", QString());
}

void TestUpdateCheck::newerRule_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<bool>("newer");
    QTest::newRow("same") << 110 << 100 << false;
    QTest::newRow("higher build") << 110 << 101 << true;
    QTest::newRow("higher version, build 0") << 111 << 0 << true;
    QTest::newRow("lower build") << 110 << 99 << false;
    // An older version is not offered, whatever its build.
    QTest::newRow("older version, higher build") << 109 << 200 << false;
    QTest::newRow("unreadable version (0)") << 0 << 5000 << false;
    QTest::newRow("negative version") << -1 << 100 << false;
    QTest::newRow("negative build") << 110 << -1 << false;
}

void TestUpdateCheck::newerRule()
{
    QFETCH(int, version);
    QFETCH(int, build);
    QFETCH(bool, newer);
    QCOMPARE(CheckNewThread::IsNewer(version, build), newer);
}

void TestUpdateCheck::reaction_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("skipped");
    QTest::addColumn<QString>("dialogShows"); // version text, or empty
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("boxKind");

    const QByteArray v111 = "<v>V1.11</v><i>111</i><b>100</b>";
    QTest::newRow("newer, silent") << 200 << v111 << false << ""
                                   << "V1.11"
                                   << "" << -1;
    QTest::newRow("newer, asked") << 200 << v111 << true << ""
                                  << "V1.11"
                                  << "" << -1;
    QTest::newRow("newer build, silent")
        << 200 << QByteArray("<b>101</b><v>Ver 1.10.101</v><i>110</i>") << false << ""
        << "Ver 1.10.101"
        << "" << -1;
    QTest::newRow("up to date, silent")
        << 200 << QByteArray("<v>Ver 1.10.100</v><i>110</i><b>100</b>") << false << ""
        << ""
        << "" << -1;
    QTest::newRow("up to date, asked")
        << 200 << QByteArray("<v>Ver 1.10.100</v><i>110</i><b>100</b>") << true << ""
        << ""
        << "Your software is up to date." << int(MSGBOX_NOTICE);
    QTest::newRow("older version with higher build, asked")
        << 200 << QByteArray("<v>V1.09</v><i>109</i><b>200</b>") << true << ""
        << ""
        << "Your software is up to date." << int(MSGBOX_NOTICE);
    QTest::newRow("skipped version, silent") << 200 << v111 << false << "V1.11"
                                             << ""
                                             << "" << -1;
    // A check the user asked for offers even a skipped version.
    QTest::newRow("skipped version, asked") << 200 << v111 << true << "V1.11"
                                            << "V1.11"
                                            << "" << -1;
    QTest::newRow("another version skipped, silent") << 200 << v111 << false << "V1.10"
                                                     << "V1.11"
                                                     << "" << -1;
    QTest::newRow("skip compared case-sensitively") << 200 << v111 << false << "v1.11"
                                                    << "V1.11"
                                                    << "" << -1;
    QTest::newRow("server error, silent") << 500 << v111 << false << ""
                                          << ""
                                          << "" << -1;
    QTest::newRow("server error, asked") << 500 << v111 << true << ""
                                         << ""
                                         << "Can not connect to the server." << int(MSGBOX_ERROR);
    QTest::newRow("no service, asked") << 0 << QByteArray() << true << ""
                                       << ""
                                       << "Can not connect to the server." << int(MSGBOX_ERROR);
}

void TestUpdateCheck::reaction()
{
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(bool, asked);
    QFETCH(QString, skipped);
    QFETCH(QString, dialogShows);
    QFETCH(QString, box);
    QFETCH(int, boxKind);

    zdtest::LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setReply(kVersionPath, status, reply.toStdString());
    server.setReply(kPicturePath, 200, pngBytes());
    AfxWriteProfileString("CONFIG", "SKIPVERSION", skipped);
    BoxRecorder recorder;
    DialogWatcher watcher;

    auto setService = [&] {
        if (status == 0)
            return;
        qputenv(URL_VERSION_SERVICE_ENV, QByteArray::fromStdString(server.url("")));
        qputenv(URL_FILE_SERVER_ENV, QByteArray::fromStdString(server.url("")));
    };
    if (!asked)
        setService();
    QMyTitleBar bar(mainWindow);
    allChecksDone(bar);
    if (asked) {
        // The start-up check found no service and said nothing.
        QVERIFY(recorder.boxes.isEmpty());
        QVERIFY(watcher.newVersions.isEmpty());
        setService();
        askForCheck(bar);
        allChecksDone(bar);
    }

    const QList<CheckNewThread*> checks = bar.findChildren<CheckNewThread*>();
    CheckNewThread* check = checks.last();
    QCOMPARE(check->silent, !asked);
    if (dialogShows.isEmpty()) {
        QVERIFY(watcher.newVersions.isEmpty());
    } else {
        QCOMPARE(watcher.newVersions, QStringList({"New released version: ver " + dialogShows}));
        QCOMPARE(watcher.parents.value(0), mainWindow);
        // The picture was fetched and shown.
        QVERIFY(!watcher.pictures.value(0).isEmpty());
    }
    if (box.isEmpty()) {
        QVERIFY(recorder.boxes.isEmpty());
    } else {
        QCOMPARE(recorder.texts(), QStringList({box}));
        QCOMPARE(recorder.boxes.at(0).kind, boxKind);
    }
    // The release picture is a temporary file of the check: gone afterwards,
    // whether or not it was shown.
    for (CheckNewThread* c : checks) {
        if (!c->picturePath.isEmpty())
            QVERIFY2(!QFileInfo::exists(c->picturePath), qPrintable(c->picturePath));
    }
    if (status == 200)
        QVERIFY(!check->picturePath.isEmpty());
}

void TestUpdateCheck::titleBarWaitsForItsChecks()
{
    zdtest::LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setReply(200, "", true);
    qputenv(URL_VERSION_SERVICE_ENV, QByteArray::fromStdString(server.url("")));
    BoxRecorder recorder;

    auto* bar = new QMyTitleBar(mainWindow);
    askForCheck(*bar);
    askForCheck(*bar);
    QList<QPointer<CheckNewThread>> checks;
    for (CheckNewThread* c : bar->findChildren<CheckNewThread*>())
        checks << c;
    QCOMPARE(checks.size(), 3);
    QTRY_VERIFY(server.connections() >= 1);
    QVERIFY(!checks.first()->isFinished());

    // Every check ends within the engine's time limit; the bar waits for all,
    // and what they posted goes with it.
    QElapsedTimer clock;
    clock.start();
    delete bar;
    QVERIFY(clock.elapsed() < 15000);
    for (const auto& c : checks)
        QVERIFY(c.isNull());
    QTest::qWait(100);
    QVERIFY(recorder.boxes.isEmpty());
}

ZD_TEST_MAIN(TestUpdateCheck, QApplication)
#include "tst_updatecheck.moc"
