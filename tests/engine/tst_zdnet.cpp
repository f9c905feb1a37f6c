// The engine's two web requests: what reaches the server, what reaches the
// caller's buffer and file, and that every failure is a clean, bounded one.
#include "zdloopbackhttp.h"
#include "zdtestmain.h"

#include "vazURIdav.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

class TestZdNet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void getIntoBuffer_data();
    void getIntoBuffer();
    void postSendsBody();
    void replyToFile();
    void failedReplyKeepsFile_data();
    void failedReplyKeepsFile();
    void refusedAddresses_data();
    void refusedAddresses();
    void timesOut();
    void connectionRefused();
    void inconsistentBuffer();
};

static const char kSentinel = '\x5a';

void TestZdNet::initTestCase()
{
    // Loopback requests must never be handed to a proxy of the machine.
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    qunsetenv("VAZURIDAV_HTTP_TIMEOUT_MS");
}

void TestZdNet::getIntoBuffer_data()
{
    QTest::addColumn<int>("replyBytes");
    QTest::addColumn<int>("bufferBytes");
    QTest::addColumn<bool>("fits");
    QTest::newRow("empty reply") << 0 << 64 << true;
    QTest::newRow("short") << 5 << 64 << true;
    QTest::newRow("exactly the buffer") << 1024 << 1024 << true;
    QTest::newRow("one byte over") << 1025 << 1024 << false;
    QTest::newRow("3 MiB into 2 MiB") << 3 * 1024 * 1024 << 2 * 1024 * 1024 << false;
    QTest::newRow("zero-byte buffer, reply") << 1 << 0 << false;
}

void TestZdNet::getIntoBuffer()
{
    QFETCH(int, replyBytes);
    QFETCH(int, bufferBytes);
    QFETCH(bool, fits);

    zdtest::LoopbackHttpServer server;
    QVERIFY(server.isListening());
    std::string body(static_cast<size_t>(replyBytes), '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>('a' + i % 26);
    server.setReply(200, body);

    // One guard byte past the buffer shows any write beyond its size.
    std::vector<char> buffer(static_cast<size_t>(bufferBytes) + 1, kSentinel);
    int size = bufferBytes;
    const int result = ZD_ReadInternetFile(server.url("/cgi-bin/x?get&p=1").c_str(), nullptr,
                                           buffer.data(), &size);

    QCOMPARE(size, replyBytes);
    QCOMPARE(buffer.back(), kSentinel);
    if (fits) {
        QCOMPARE(result, 0);
        QVERIFY(std::equal(body.begin(), body.end(), buffer.begin()));
        QCOMPARE(buffer[static_cast<size_t>(replyBytes)], kSentinel);
    } else {
        QVERIFY(result != 0);
        QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == kSentinel; }));
    }
    const auto requests = server.requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].method, std::string("GET"));
    QCOMPARE(requests[0].path, std::string("/cgi-bin/x?get&p=1"));
}

void TestZdNet::postSendsBody()
{
    zdtest::LoopbackHttpServer server;
    server.setReply(200, "accepted");
    const std::string sent = "name=a%20b&text=%25s%25n";
    char buffer[64];
    int size = sizeof buffer;
    QCOMPARE(ZD_PostInternetData(server.url("/post").c_str(), sent.c_str(), buffer, &size), 0);
    QCOMPARE(QByteArray(buffer, size), QByteArray("accepted"));
    const auto requests = server.requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].method, std::string("POST"));
    QCOMPARE(requests[0].body, sent);
}

void TestZdNet::replyToFile()
{
    zdtest::LoopbackHttpServer server;
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100000, '\x01');
    server.setReply(200, png);
    QTemporaryDir dir;
    const QString path = dir.filePath("newver.png");

    // A file that exists (as a private temporary name does) is replaced whole
    // and keeps its mode.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old contents that are longer than nothing");
    old.close();
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0600) == 0);

    int size = 0;
    QCOMPARE(ZD_ReadInternetFile(server.url("/f.png").c_str(), QFile::encodeName(path).constData(),
                                 nullptr, &size),
             0);
    QCOMPARE(size, int(png.size()));
    QFile got(path);
    QVERIFY(got.open(QIODevice::ReadOnly));
    QCOMPARE(got.readAll(), QByteArray(png.data(), int(png.size())));
    struct stat st {
    };
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"newver.png"});

    // Without a size pointer and without a buffer, the file alone is the result.
    QCOMPARE(ZD_ReadInternetFile(server.url("/f.png").c_str(),
                                 QFile::encodeName(dir.filePath("second.png")).constData(), nullptr,
                                 nullptr),
             0);
    QCOMPARE(QFileInfo(dir.filePath("second.png")).size(), qint64(png.size()));
}

void TestZdNet::failedReplyKeepsFile_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("hang");
    QTest::newRow("not found") << 404 << false;
    QTest::newRow("server error") << 500 << false;
    QTest::newRow("no answer") << 200 << true;
}

void TestZdNet::failedReplyKeepsFile()
{
    QFETCH(int, status);
    QFETCH(bool, hang);
    qputenv("VAZURIDAV_HTTP_TIMEOUT_MS", "700");
    zdtest::LoopbackHttpServer server;
    server.setReply(status, "error page", hang);
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.png");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier picture");
    old.close();

    char buffer[64];
    memset(buffer, kSentinel, sizeof buffer);
    int size = sizeof buffer;
    QVERIFY(ZD_ReadInternetFile(server.url("/x").c_str(), QFile::encodeName(path).constData(),
                                buffer, &size) != 0);
    qunsetenv("VAZURIDAV_HTTP_TIMEOUT_MS");
    QCOMPARE(size, 0);
    QVERIFY(std::all_of(buffer, buffer + sizeof buffer, [](char c) { return c == kSentinel; }));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("earlier picture"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.png"});
}

void TestZdNet::refusedAddresses_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<bool>("isNull");
    QTest::newRow("null") << QByteArray() << true;
    QTest::newRow("empty, not configured") << QByteArray("") << false;
    QTest::newRow("no scheme") << QByteArray("127.0.0.1:PORT/x") << false;
    QTest::newRow("ftp") << QByteArray("ftp://127.0.0.1:PORT/x") << false;
    QTest::newRow("local file") << QByteArray("file://FILE") << false;
    QTest::newRow("scheme in the middle") << QByteArray(" http://127.0.0.1:PORT/x") << false;
}

void TestZdNet::refusedAddresses()
{
    QFETCH(QByteArray, url);
    QFETCH(bool, isNull);
    zdtest::LoopbackHttpServer server;
    server.setReply(200, "should not be fetched");
    QTemporaryDir dir;
    const QString secret = dir.filePath("secret.txt");
    QFile f(secret);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("private");
    f.close();
    QByteArray address = url;
    address.replace("PORT", QByteArray::number(server.port())).replace("FILE", secret.toUtf8());
    char buffer[64];
    memset(buffer, kSentinel, sizeof buffer);
    int size = sizeof buffer;
    QVERIFY(ZD_ReadInternetFile(isNull ? nullptr : address.constData(), nullptr, buffer, &size) !=
            0);
    QCOMPARE(size, 0);
    QVERIFY(std::all_of(buffer, buffer + sizeof buffer, [](char c) { return c == kSentinel; }));
    size = sizeof buffer;
    QVERIFY(ZD_PostInternetData(isNull ? nullptr : address.constData(), "a=1", buffer, &size) != 0);
    QCOMPARE(size, 0);
    QCOMPARE(server.connections(), 0);
}

void TestZdNet::timesOut()
{
    zdtest::LoopbackHttpServer server;
    server.setReply(200, "", true);
    qputenv("VAZURIDAV_HTTP_TIMEOUT_MS", "800");
    char buffer[64];
    int size = sizeof buffer;
    QElapsedTimer clock;
    clock.start();
    const int result = ZD_ReadInternetFile(server.url("/slow").c_str(), nullptr, buffer, &size);
    const qint64 tookMs = clock.elapsed();
    qunsetenv("VAZURIDAV_HTTP_TIMEOUT_MS");
    QVERIFY(result != 0);
    QCOMPARE(size, 0);
    QVERIFY2(tookMs >= 700 && tookMs < 5000, qPrintable(QString::number(tookMs)));
    QCOMPARE(server.connections(), 1);
}

void TestZdNet::connectionRefused()
{
    int port = 0;
    {
        zdtest::LoopbackHttpServer gone;
        port = gone.port();
    }
    char buffer[16];
    int size = sizeof buffer;
    QElapsedTimer clock;
    clock.start();
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(port) + "/x";
    QVERIFY(ZD_ReadInternetFile(url.constData(), nullptr, buffer, &size) != 0);
    QCOMPARE(size, 0);
    QVERIFY(clock.elapsed() < 5000);
}

void TestZdNet::inconsistentBuffer()
{
    zdtest::LoopbackHttpServer server;
    server.setReply(200, "x");
    char buffer[16];
    QVERIFY(ZD_ReadInternetFile(server.url("/x").c_str(), nullptr, buffer, nullptr) != 0);
    int size = -5;
    QVERIFY(ZD_ReadInternetFile(server.url("/x").c_str(), nullptr, buffer, &size) != 0);
    QCOMPARE(size, 0);
    QCOMPARE(server.connections(), 0);
}

ZD_TEST_MAIN(TestZdNet, QCoreApplication)
#include "tst_zdnet.moc"
