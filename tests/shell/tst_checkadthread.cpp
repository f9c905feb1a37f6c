// The pop-up news thread against a loopback news service: the query it sends,
// the record it keeps, the declined and forced items, the rule that nothing
// is posted without a main window, and the title bar showing the news dialog.
#include "zdloopbackhttp.h"
#include "zdtestmain.h"

#include "titlebartestsupport.h"

#include "checkadthread.h"
#include "checknewthread.h"
#include "myevent.h"
#include "qmypopupaddlg.h"
#include "qmytitlebar.h"
#include "vazURIdav.h"

#include <QLocale>

namespace
{

const char* kNewsEnv = "ZDHELPER_NEWS_SERVICE";

// A widget, so that it can stand in for the main window too.
class Receiver : public QWidget
{
public:
    bool event(QEvent* e) override
    {
        if (e->type() != MyEvent::EventType)
            return QWidget::event(e);
        const auto* m = static_cast<MyEvent*>(e);
        messages.append({m->msg, m->wParam, m->lParam});
        return true;
    }
    struct Message {
        uint64_t msg;
        int64_t wParam;
        int64_t lParam;
    };
    QList<Message> messages;
};

} // namespace

class TestCheckAdThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void queryText();
    void newsItems_data();
    void newsItems();
    void noMainWindowNoMessage();
    void addressFillingItsField();
    void titleBarShowsTheNews_data();
    void titleBarShowsTheNews();

private:
    QWidget* mainWindow = nullptr;
};

void TestCheckAdThread::initTestCase()
{
    titlebartest::clearProxies();
    qputenv("VAZURIDAV_HTTP_TIMEOUT_MS", "1500");
    qunsetenv(URL_VERSION_SERVICE_ENV);
    titlebartest::openSettings();
}

void TestCheckAdThread::cleanupTestCase()
{
    titlebartest::closeSettings();
}

void TestCheckAdThread::init()
{
    mainWindow = new QWidget;
    AfxSetMainWindow(mainWindow);
}

void TestCheckAdThread::cleanup()
{
    AfxSetMainWindow(nullptr);
    delete mainWindow;
    qunsetenv(kNewsEnv);
    QMutexLocker lock(&g_iniLock);
    g_pIni->remove("POPUPAD");
}

void TestCheckAdThread::queryText()
{
    // The version is written with a decimal point in every locale.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(CheckAdThread::NewsQuery(), QByteArray("tarnex:appname=Veltrano Helper&ver=1.10"));
    QLocale::setDefault(QLocale::c());

    zdtest::LoopbackHttpServer server;
    server.setReply(404, "");
    qputenv(kNewsEnv, QByteArray::fromStdString(server.url("")));
    Receiver receiver;
    CheckAdThread thread;
    thread.target = &receiver;
    thread.start();
    QVERIFY(thread.wait(10000));
    QCOMPARE(server.requests().size(), size_t(1));
    QCOMPARE(server.requests()[0].path,
             std::string("/cgi-bin/popupad?q=tarnex%3Aappname%3DVeltrano%20Helper%26ver%3D1.10"));
    // No record: no message.
    QTest::qWait(30);
    QVERIFY(receiver.messages.isEmpty());
}

void TestCheckAdThread::newsItems_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("declined"); // POPUPAD/<id> before the query; -1: not set
    QTest::addColumn<bool>("posted");
    QTest::addColumn<int>("show");

    const QByteArray item = "id=42\nshow=1\ndelay=7\nwidth=640\nheight=480\n"
                            "url=https://news.example.org/42\n";
    QTest::newRow("shown") << item << -1 << true << 1;
    QTest::newRow("declined") << item << 1 << false << 0;
    QTest::newRow("key present but 0") << item << 0 << true << 1;
    QTest::newRow("forced although declined") << item + "force=1\n" << 1 << true << 1;
    QTest::newRow("forced, show 0, declined")
        << QByteArray("id=42\nshow=0\nforce=1\n") << 1 << true << 1;
    // Posted, but the title bar shows nothing for it.
    QTest::newRow("show 0") << QByteArray("id=42\nshow=0\n") << -1 << true << 0;
    QTest::newRow("no news: invalid reply") << QByteArray("garbage") << -1 << false << 0;
}

void TestCheckAdThread::newsItems()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, declined);
    QFETCH(bool, posted);
    QFETCH(int, show);

    zdtest::LoopbackHttpServer server;
    server.setReply(200, reply.toStdString());
    qputenv(kNewsEnv, QByteArray::fromStdString(server.url("")));
    if (declined >= 0)
        AfxWriteProfileInt("POPUPAD", "42", declined);

    Receiver receiver;
    auto* thread = new CheckAdThread(&receiver);
    thread->target = &receiver;
    thread->start(QThread::InheritPriority);
    QVERIFY(thread->wait(10000));
    QTest::qWait(30);

    QCOMPARE(receiver.messages.size(), posted ? 1 : 0);
    if (!posted)
        return;
    QCOMPARE(receiver.messages[0].msg, uint64_t(MSG_POPUP_NEWS_READY));
    QCOMPARE(receiver.messages[0].wParam, int64_t(1));
    QCOMPARE(receiver.messages[0].lParam, int64_t(reinterpret_cast<qintptr>(thread)));
    QCOMPARE(thread->show, show);
    QCOMPARE(thread->newsIdText, QString("42"));
    if (reply.contains("url=")) {
        QCOMPARE(thread->pageUrl, QString("https://news.example.org/42"));
        QCOMPARE(thread->windowRect, QRect(0, 0, 640, 480));
        QCOMPARE(thread->closeDelay, 7);
    }
}

void TestCheckAdThread::noMainWindowNoMessage()
{
    zdtest::LoopbackHttpServer server;
    server.setReply(200, "id=5\nshow=1\nurl=https://news.example.org/5\n");
    qputenv(kNewsEnv, QByteArray::fromStdString(server.url("")));
    AfxSetMainWindow(nullptr);
    Receiver receiver;
    CheckAdThread thread;
    thread.target = &receiver;
    thread.start();
    QVERIFY(thread.wait(10000));
    QTest::qWait(30);
    QCOMPARE(server.requests().size(), size_t(1));
    QVERIFY(receiver.messages.isEmpty());

    // With a main window and no target, the main window gets it.
    Receiver window;
    AfxSetMainWindow(&window);
    CheckAdThread second;
    second.start();
    QVERIFY(second.wait(10000));
    QTest::qWait(30);
    QVERIFY(receiver.messages.isEmpty());
    QCOMPARE(window.messages.size(), 1);
    QCOMPARE(window.messages[0].lParam, int64_t(reinterpret_cast<qintptr>(&second)));
    AfxSetMainWindow(nullptr);
}

void TestCheckAdThread::addressFillingItsField()
{
    POPUP_AD_DATA record{};
    record.newsId = -12;
    record.show = 1;
    record.width = 600;
    record.height = 400;
    record.closeDelaySecs = 3;
    std::memset(record.url, 'u', sizeof record.url); // no NUL anywhere
    CheckAdThread thread;
    thread.TakeRecord(record);
    QCOMPARE(thread.pageUrl, QString(1024, 'u'));
    QCOMPARE(thread.newsIdText, QString("-12"));
    QCOMPARE(thread.windowRect, QRect(0, 0, 600, 400));
    QCOMPARE(thread.closeDelay, 3);

    const char shortUrl[] = "https://a.example/x";
    std::memcpy(record.url, shortUrl, sizeof shortUrl);
    thread.TakeRecord(record);
    QCOMPARE(thread.pageUrl, QString(shortUrl));
}

void TestCheckAdThread::titleBarShowsTheNews_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("dialog");
    QTest::newRow("shown") << QByteArray("id=8\nshow=1\ndelay=0\nwidth=600\nheight=400\n"
                                         "url=https://news.example.org/8\n")
                           << true;
    QTest::newRow("show 0") << QByteArray("id=8\nshow=0\n") << false;
}

void TestCheckAdThread::titleBarShowsTheNews()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, dialog);
    zdtest::LoopbackHttpServer server;
    server.setReply(200, reply.toStdString());
    qputenv(kNewsEnv, QByteArray::fromStdString(server.url("")));

    QStringList seen;
    QList<QWidget*> parents;
    QSize size;
    QTimer watcher;
    watcher.setInterval(10);
    connect(&watcher, &QTimer::timeout, [&] {
        auto* news = qobject_cast<QMyPopupADDlg*>(QApplication::activeModalWidget());
        if (!news || !news->isVisible())
            return;
        seen << news->newsId;
        parents << news->parentWidget();
        size = news->size();
        news->done(0);
    });
    watcher.start();

    QMyTitleBar bar(mainWindow);
    QTRY_VERIFY(g_pCheckAdThread->isFinished() && g_pCheckNewThread->isFinished());
    QTest::qWait(100);
    QCOMPARE(seen, dialog ? QStringList({"8"}) : QStringList());
    if (dialog) {
        QCOMPARE(parents.value(0), mainWindow);
        QCOMPARE(size, QSize(600, 400));
    }
}

ZD_TEST_MAIN(TestCheckAdThread, QApplication)
#include "tst_checkadthread.moc"
