// The maker's news and feedback services as the engine speaks to them: the
// request that reaches a loopback server, the reading of its replies, and the
// clean failure without a configured address.
#include "zdloopbackhttp.h"
#include "zdtestmain.h"

#include "vazURIdav.h"
#include "vazURIdav_test.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <memory>

namespace
{

const char* kNewsEnv = "ZDHELPER_NEWS_SERVICE";
const char* kFeedbackEnv = "ZDHELPER_FEEDBACK_SERVICE";
const char* kQuery = "tarnex:appname=Veltrano Helper&ver=1.10";

struct NewsDeleter {
    void operator()(POPUP_AD_DATA* p) const { delete p; }
};
using News = std::unique_ptr<POPUP_AD_DATA, NewsDeleter>;

struct Packet {
    char* data = nullptr;
    int length = 0;
    char message[ZD_TEXT_BUFFER_BYTES];
    ~Packet() { std::free(data); }
};

void pack(Packet& p, const QByteArray& name, const QByteArray& email, const QByteArray& report)
{
    std::memset(p.message, 'x', sizeof p.message);
    p.data = ZD_package_feedback_data(name.constData(), email.constData(), report.constData(),
                                      &p.length, p.message);
}

} // namespace

class TestEngineServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void newsWithoutServiceAsksNobody();
    void newsQueryReachesTheService();
    void newsReplies_data();
    void newsReplies();
    void newsServiceFailures_data();
    void newsServiceFailures();
    void feedbackPacket();
    void feedbackPacketBounds();
    void feedbackWithoutServiceAsksNobody();
    void feedbackPost_data();
    void feedbackPost();
};

void TestEngineServices::initTestCase()
{
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    qputenv("VAZURIDAV_HTTP_TIMEOUT_MS", "1000");
}

void TestEngineServices::cleanup()
{
    qunsetenv(kNewsEnv);
    qunsetenv(kFeedbackEnv);
}

void TestEngineServices::newsWithoutServiceAsksNobody()
{
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!News(ZD_GetPopupAd_Data(kQuery)));
    qputenv(kNewsEnv, "  ");
    QVERIFY(!News(ZD_GetPopupAd_Data(kQuery)));
    QVERIFY(clock.elapsed() < 500);
}

void TestEngineServices::newsQueryReachesTheService()
{
    zdtest::LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setReply(200, "id=3\n");
    qputenv(kNewsEnv, QByteArray::fromStdString(server.url("/")));
    QVERIFY(News(ZD_GetPopupAd_Data(kQuery)));
    QCOMPARE(server.requests().size(), size_t(1));
    QCOMPARE(server.requests()[0].method, std::string("GET"));
    QCOMPARE(server.requests()[0].path,
             std::string("/cgi-bin/popupad?q=tarnex%3Aappname%3DVeltrano%20Helper%26ver%3D1.10"));
}

void TestEngineServices::newsReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("show");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("force");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QByteArray>("url");

    QTest::newRow("everything") << QByteArray(
                                       "id=12\nshow=1\ndelay=5\nforce=1\nwidth=640\nheight=480\n"
                                       "url=https://news.example.org/item?id=12&x=1\n")
                                << true << 12 << 1 << 5 << 1 << 640 << 480
                                << QByteArray("https://news.example.org/item?id=12&x=1");
    QTest::newRow("defaults, CRLF, comment, unknown key")
        << QByteArray("# news\r\nid=-7\r\n\r\ncolour=blue\r\n") << true << -7 << 0 << 0 << 0 << 600
        << 400 << QByteArray();
    QTest::newRow("no final line end")
        << QByteArray("url=http://a.example/x\nshow=1\nid=32767") << true << 32767 << 1 << 0 << 0
        << 600 << 400 << QByteArray("http://a.example/x");
    const QByteArray longUrl = "https://a.example/" + QByteArray(1023 - 18, 'p');
    QTest::newRow("address of 1023 bytes") << QByteArray("id=1\nshow=1\nurl=" + longUrl) << true
                                           << 1 << 1 << 0 << 0 << 600 << 400 << longUrl;

    auto invalid = [](const char* name, const QByteArray& reply) {
        QTest::newRow(name) << reply << false << 0 << 0 << 0 << 0 << 0 << 0 << QByteArray();
    };
    invalid("empty", QByteArray());
    invalid("no id", "show=0\n");
    invalid("id out of range", "id=40000\n");
    invalid("id not a number", "id=12a\n");
    invalid("id with blank", "id= 12\n");
    invalid("id twice", "id=1\nid=2\n");
    invalid("show 2", "id=1\nshow=2\n");
    invalid("negative delay", "id=1\ndelay=-1\n");
    invalid("huge width", "id=1\nwidth=99999999999\n");
    invalid("tiny height", "id=1\nheight=10\n");
    invalid("shown without address", "id=1\nshow=1\n");
    invalid("file address", "id=1\nshow=1\nurl=file:///etc/passwd\n");
    invalid("address with a blank", "id=1\nurl=http://a.example/a b\n");
    invalid("bare scheme", "id=1\nurl=https://\n");
    invalid("address of 1024 bytes", "id=1\nurl=https://a.example/" + QByteArray(1024 - 18, 'p'));
    invalid("line without =", "id=1\nshow\n");
    invalid("NUL byte", QByteArray("id=1\n\0show=1\n", 13));
    invalid("longer than 4096 bytes", "id=1\n# " + QByteArray(5000, 'c') + "\n");
}

void TestEngineServices::newsReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, valid);

    zdtest::LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setReply(200, reply.toStdString());
    qputenv(kNewsEnv, QByteArray::fromStdString(server.url("")));
    News news(ZD_GetPopupAd_Data(kQuery));
    QCOMPARE(bool(news), valid);
    if (!valid)
        return;
    QTEST(int(news->newsId), "id");
    QTEST(int(news->show), "show");
    QTEST(int(news->closeDelaySecs), "delay");
    QTEST(int(news->force), "force");
    QTEST(int(news->width), "width");
    QTEST(int(news->height), "height");
    QTEST(QByteArray(news->url, int(strnlen(news->url, sizeof news->url))), "url");
    QVERIFY(strnlen(news->url, sizeof news->url) < sizeof news->url);
}

void TestEngineServices::newsServiceFailures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("hang");
    QTest::newRow("server error") << 500 << false;
    QTest::newRow("not found") << 404 << false;
    QTest::newRow("no answer") << 200 << true;
}

void TestEngineServices::newsServiceFailures()
{
    QFETCH(int, status);
    QFETCH(bool, hang);
    zdtest::LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setReply(status, "id=1\nshow=0\n", hang);
    qputenv(kNewsEnv, QByteArray::fromStdString(server.url("")));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!News(ZD_GetPopupAd_Data(kQuery)));
    QVERIFY(clock.elapsed() < 5000);
}

void TestEngineServices::feedbackPacket()
{
    Packet p;
    const QByteArray name = QString::fromUtf8("Zoë Łukasz 测试").toUtf8();
    pack(p, name, "someone@example.invalid", "Line one\nline \"two\" with \\ and \t");
    QVERIFY(p.data);
    QCOMPARE(int(strlen(p.data)), p.length);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray(p.data, p.length), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json["format"].toInt(), 1);
    QCOMPARE(json["name"].toString(), QString::fromUtf8(name));
    QCOMPARE(json["email"].toString(), QStringLiteral("someone@example.invalid"));
    QCOMPARE(json["report"].toString(), QStringLiteral("Line one\nline \"two\" with \\ and \t"));
    QVERIFY(json["system"].toString().startsWith("Linux"));
    // The message names the packet by its id.
    const QString id = json["id"].toString();
    QCOMPARE(id.size(), 16);
    QCOMPARE(QString::fromUtf8(p.message), id);

    Packet other;
    pack(other, "a", "b", "c");
    QVERIFY(QString::fromUtf8(other.message) != id);
}

void TestEngineServices::feedbackPacketBounds()
{
    // A report over 64 KiB is cut at a character boundary; bytes that are not
    // UTF-8 do not break the packet.
    QByteArray report = QByteArray(65535, 'a') + QString::fromUtf8("é").toUtf8() + "tail";
    Packet p;
    pack(p, QByteArray(300, 'n'), QByteArray("bad \xff\xfe bytes"), report);
    QVERIFY(p.data);
    const QJsonObject json = QJsonDocument::fromJson(QByteArray(p.data, p.length)).object();
    QCOMPARE(json["report"].toString(), QString(65535, 'a'));
    QCOMPARE(json["name"].toString().size(), 256);
    QVERIFY(json["email"].toString().startsWith("bad "));

    int length = 7;
    char message[ZD_TEXT_BUFFER_BYTES] = "x";
    QVERIFY(!ZD_package_feedback_data("n", "e", nullptr, &length, message));
    QCOMPARE(length, 0);
    QCOMPARE(message[0], '\0');
    QVERIFY(!ZD_package_feedback_data("n", "e", "r", nullptr, message));
}

void TestEngineServices::feedbackWithoutServiceAsksNobody()
{
    Packet p;
    pack(p, "n", "e@example.invalid", "report");
    QVERIFY(p.data);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(ZD_PostFeedback(p.data, p.length, p.message), 0);
    QVERIFY(clock.elapsed() < 500);
    QCOMPARE(ZD_PostFeedback(nullptr, 5, p.message), 0);
    QCOMPARE(ZD_PostFeedback(p.data, 0, p.message), 0);
}

void TestEngineServices::feedbackPost_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("hang");
    QTest::addColumn<int>("expected");
    QTest::newRow("OK") << 200 << QByteArray("OK\n") << false << 1;
    QTest::newRow("OK with CRLF and more") << 200 << QByteArray("OK\r\nthanks\r\n") << false << 1;
    QTest::newRow("OK without line end") << 200 << QByteArray("OK") << false << 1;
    QTest::newRow("refusal") << 200 << QByteArray("FAIL: too long\n") << false << 0;
    QTest::newRow("lower case") << 200 << QByteArray("ok\n") << false << 0;
    QTest::newRow("empty") << 200 << QByteArray() << false << 0;
    QTest::newRow("server error") << 500 << QByteArray("OK\n") << false << 0;
    QTest::newRow("no answer") << 200 << QByteArray() << true << 0;
}

void TestEngineServices::feedbackPost()
{
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(bool, hang);
    QFETCH(int, expected);

    zdtest::LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setReply(status, reply.toStdString(), hang);
    qputenv(kFeedbackEnv, QByteArray::fromStdString(server.url("/")));

    Packet p;
    pack(p, "name", "e@example.invalid", "the report");
    QVERIFY(p.data);
    ZDT_ClearTrace();
    QCOMPARE(ZD_PostFeedback(p.data, p.length, p.message), expected);
    QVERIFY(strnlen(p.message, sizeof p.message) < sizeof p.message);

    const auto requests = server.requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].method, std::string("POST"));
    QCOMPARE(requests[0].path, std::string("/cgi-bin/feedback"));
    QCOMPARE(requests[0].body, std::string(p.data, size_t(p.length)));
    QVERIFY(QByteArray::fromStdString(requests[0].head)
                .toLower()
                .contains("\r\ncontent-type: application/json"));
}

ZD_TEST_MAIN(TestEngineServices, QCoreApplication)
#include "tst_engineservices.moc"
