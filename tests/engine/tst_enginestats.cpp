// Usage statistics as the statistics service receives them: each GA_ call's
// event reaches a loopback service with its fields, no caller waits for the
// service, and without a configured service nothing is sent and no thread
// is started.
#include "zdloopbackhttp.h"
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include "vazURIdav.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace
{

const char* kStatsEnv = "ZDHELPER_STATS_SERVICE";

using Call = std::function<void()>;

int threadCount()
{
    return QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

// Every statistics call the application makes.
void callEverything()
{
    GA_SetAppInfo("tarnex", "Veltrano Helper", "Ver 1.10.100");
    GA_help_event_launch("2022-9-10", 1);
    GA_TrackClick("setup");
    GA_TrackScreen("record");
    GA_TrackError("open_device");
    GA_TrackLogging("opendev", "Cam");
    GA_help_exit();
    GA_SubmitByDelayExe();
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestEngineStats : public QObject
{
    Q_OBJECT

private slots:
    // First, while no event has started the sender in this process.
    void nothingWithoutTheService_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("unset") << false << QByteArray();
        QTest::newRow("empty") << true << QByteArray();
        QTest::newRow("blank") << true << QByteArray(" \t");
    }
    void nothingWithoutTheService()
    {
        QFETCH(bool, set);
        QFETCH(QByteArray, value);
        zdtest::LoopbackHttpServer others;
        QVERIFY(others.isListening());
        // The other services' addresses are no statistics service.
        qputenv("ZDHELPER_NEWS_SERVICE", others.url("").c_str());
        qputenv("ZDHELPER_FEEDBACK_SERVICE", others.url("").c_str());
        if (set)
            qputenv(kStatsEnv, value);
        else
            qunsetenv(kStatsEnv);
        const int threads = threadCount();
        callEverything();
        QTest::qWait(200);
        QCOMPARE(threadCount(), threads);
        QCOMPARE(others.connections(), 0);
        qunsetenv("ZDHELPER_NEWS_SERVICE");
        qunsetenv("ZDHELPER_FEEDBACK_SERVICE");
        qunsetenv(kStatsEnv);
    }

    void eventsArriveWithTheirFields_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("launch") << Call([] { GA_help_event_launch("2022-9-10", 1); }) << "launch"
                                << "2022-9-10"
                                << "1";
        QTest::newRow("click") << Call([] { GA_TrackClick("setup"); }) << "click"
                               << "setup"
                               << "";
        QTest::newRow("screen") << Call([] { GA_TrackScreen("record"); }) << "screen"
                                << "record"
                                << "";
        QTest::newRow("error") << Call([] { GA_TrackError("open_device"); }) << "error"
                               << "open_device"
                               << "";
        QTest::newRow("logging, quotes and a line break")
            << Call([] { GA_TrackLogging("opendev", "Cam \"1\"\n\\2"); }) << "logging"
            << "opendev"
            << "Cam \"1\"\n\\2";
        QTest::newRow("logging, bytes that are not UTF-8")
            << Call([] { GA_TrackLogging("opendev", "Cam \xff"); }) << "logging"
            << "opendev" << QString("Cam \uFFFD");
        QTest::newRow("no key") << Call([] { GA_TrackClick(nullptr); }) << "click"
                                << ""
                                << "";
        QTest::newRow("exit") << Call([] { GA_help_exit(); }) << "exit"
                              << ""
                              << "";
    }
    void eventsArriveWithTheirFields()
    {
        QFETCH(Call, call);
        QFETCH(QString, event);
        QFETCH(QString, key);
        QFETCH(QString, value);
        zdtest::LoopbackHttpServer service;
        QVERIFY(service.isListening());
        // A base address as users write it, with a trailing "/".
        qputenv(kStatsEnv, service.url("/").c_str());
        GA_SetAppInfo("tarnex", "Veltrano Helper", "Ver 1.10.100");
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        call();
        QVERIFY(zdtest::waitFor([&] { return service.requests().size() == 1; }));
        const zdtest::HttpExchange sent = service.requests().front();
        QCOMPARE(QByteArray::fromStdString(sent.method), QByteArray("POST"));
        QCOMPARE(QByteArray::fromStdString(sent.path), QByteArray("/cgi-bin/stats"));
        QVERIFY(QByteArray::fromStdString(sent.head).toLower().contains(
            "\r\ncontent-type: application/json"));
        QJsonParseError error;
        const QJsonObject body =
            QJsonDocument::fromJson(QByteArray::fromStdString(sent.body), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, sent.body.c_str());
        QCOMPARE(body.value("product").toString(), QString("tarnex"));
        QCOMPARE(body.value("name").toString(), QString("Veltrano Helper"));
        QCOMPARE(body.value("version").toString(), QString("Ver 1.10.100"));
        QCOMPARE(body.value("event").toString(), event);
        QCOMPARE(body.value("key").toString(), key);
        QCOMPARE(body.value("value").toString(), value);
        const qint64 time = body.value("time").toInteger(-1);
        QVERIFY(time >= before && time <= QDateTime::currentSecsSinceEpoch());
        // One event, one request.
        QTest::qWait(50);
        QCOMPARE(service.requests().size(), size_t(1));
        qunsetenv(kStatsEnv);
    }

    // The program's last calls: its exit event reaches the service before
    // the last call returns, in the order the events were made.
    void theLastCallSendsWhatIsQueued()
    {
        zdtest::LoopbackHttpServer service;
        QVERIFY(service.isListening());
        qputenv(kStatsEnv, service.url("").c_str());
        GA_TrackClick("about");
        GA_help_exit();
        GA_SubmitByDelayExe();
        const std::vector<zdtest::HttpExchange> sent = service.requests();
        QCOMPARE(sent.size(), size_t(2));
        QVERIFY(QByteArray::fromStdString(sent[0].body).contains("\"key\":\"about\""));
        QVERIFY(QByteArray::fromStdString(sent[1].body).contains("\"event\":\"exit\""));
        qunsetenv(kStatsEnv);
    }

    // A service that takes the request and never answers holds no caller:
    // not the events (more than are kept), and the last call only for its
    // grace and the cancelling of the transfer; then no sender thread is left.
    void noCallerWaitsForTheService()
    {
        zdtest::LoopbackHttpServer service;
        QVERIFY(service.isListening());
        service.setReply(200, "", true);
        qputenv(kStatsEnv, service.url("").c_str());
        const int threads = threadCount();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 400; ++i)
            GA_TrackClick("setup");
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(zdtest::waitFor([&] { return service.requests().size() == 1; }));
        timer.restart();
        GA_SubmitByDelayExe();
        QVERIFY2(timer.elapsed() < 3500, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(threadCount(), threads);
        QCOMPARE(service.requests().size(), size_t(1));
        qunsetenv(kStatsEnv);
    }
};

ZD_TEST_MAIN(TestEngineStats, QCoreApplication)
#include "tst_enginestats.moc"
