// The application's web requests against a loopback server: what reaches the
// caller's buffer and file, and what the version check makes of a reply.
#include "zdfilesizelimit.h"
#include "zdloopbackhttp.h"
#include "zdtestmain.h"

#include "cnetwork.h"
#include "cpublic.h"
#include "stdafx.h"
#include "vazURIdav.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <sys/stat.h>

namespace
{

const std::string kPicture = std::string("\x89PNG\r\n\x1a\n", 8) + "picture bytes";
const std::string kVersionPath = "/cgi-bin/getversion?get&p=tarnex";
const std::string kPicturePath = "/veltrano-helper-for-mac/newver.png";

std::string bytes(int n)
{
    std::string s(static_cast<size_t>(n), '\0');
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char>('A' + i % 23);
    return s;
}

bool fetched(const zdtest::LoopbackHttpServer& server, const std::string& path)
{
    for (const auto& request : server.requests())
        if (request.path == path)
            return true;
    return false;
}

} // namespace

class TestCNetwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void readIntoBuffer_data();
    void readIntoBuffer();
    void readIntoFile();
    void httpGetHandsOutItsBuffer();
    void httpPostSendsTheBody();
    void versionCheck_data();
    void versionCheck();
    void versionCheckWithoutAddress();
    void versionCheckFailures_data();
    void versionCheckFailures();
    void logTextIsNeverAFormat();
};

void TestCNetwork::initTestCase()
{
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    qputenv("VAZURIDAV_HTTP_TIMEOUT_MS", "1000");
}

void TestCNetwork::cleanup()
{
    qunsetenv(URL_VERSION_SERVICE_ENV);
    qunsetenv(URL_FILE_SERVER_ENV);
}

void TestCNetwork::readIntoBuffer_data()
{
    QTest::addColumn<int>("replyBytes");
    QTest::addColumn<int>("bufferBytes");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("copied");
    QTest::newRow("fits") << 100 << 1024 << 100 << true;
    QTest::newRow("exactly the buffer") << 1024 << 1024 << 1024 << true;
    // Not copied at all, but its length is told.
    QTest::newRow("longer than the buffer") << 1500 << 1024 << 1500 << false;
    QTest::newRow("no reply") << 0 << 1024 << 0 << false;
    QTest::newRow("larger than a request may be") << 3 * 1024 * 1024 << 1024 << 0 << false;
}

void TestCNetwork::readIntoBuffer()
{
    QFETCH(int, replyBytes);
    QFETCH(int, bufferBytes);
    QFETCH(int, expected);
    QFETCH(bool, copied);
    zdtest::LoopbackHttpServer server;
    const std::string body = bytes(replyBytes);
    server.setReply(200, body);
    std::vector<char> buffer(static_cast<size_t>(bufferBytes) + 1, '\x7f');
    const int got = CURL_ReadInternetFile(QString::fromStdString(server.url("/r")), nullptr,
                                          buffer.data(), bufferBytes);
    QCOMPARE(got, expected);
    if (copied) {
        QVERIFY(std::equal(body.begin(), body.end(), buffer.begin()));
        // No terminator is added.
        QCOMPARE(buffer[body.size()], '\x7f');
    } else {
        QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == '\x7f'; }));
    }
}

void TestCNetwork::readIntoFile()
{
    zdtest::LoopbackHttpServer server;
    server.setReply("/ok", 200, kPicture);
    server.setReply("/missing", 404, "not here");
    QTemporaryDir dir;
    const QString path = dir.filePath("p.png");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older, longer picture file");
    old.close();

    QCOMPARE(CURL_ReadInternetFile(QString::fromStdString(server.url("/ok")),
                                   QFile::encodeName(path).constData(), nullptr, 0),
             int(kPicture.size()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toStdString(), kPicture);
    file.close();

    // A failed request leaves the file as it was.
    QCOMPARE(CURL_ReadInternetFile(QString::fromStdString(server.url("/missing")),
                                   QFile::encodeName(path).constData(), nullptr, 0),
             0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toStdString(), kPicture);
    file.close();

    // So does a disk that takes no more bytes: the file is not replaced by
    // the short one.
    server.setReply("/other", 200, "another picture");
    {
        zdtest::FileSizeLimit full;
        QVERIFY(full.active());
        CURL_ReadInternetFile(QString::fromStdString(server.url("/other")),
                              QFile::encodeName(path).constData(), nullptr, 0);
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toStdString(), kPicture);
}

void TestCNetwork::httpGetHandsOutItsBuffer()
{
    zdtest::LoopbackHttpServer server;
    server.setReply(404, "not here");
    server.setReply("/ok", 200, "reply");
    char* data = nullptr;
    int length = 0;
    QCOMPARE(getNetworkInstance()->HttpGet(server.url("/ok").c_str(), &data, &length), 0);
    QVERIFY(data != nullptr);
    QCOMPARE(QByteArray(data, length), QByteArray("reply"));
    std::free(data);

    data = nullptr;
    length = -1;
    QVERIFY(getNetworkInstance()->HttpGet(server.url("/nothing-here").c_str(), &data, &length) !=
            0);
    QVERIFY(data == nullptr);
    QVERIFY(getNetworkInstance()->HttpGet("", &data, &length) != 0);
    QVERIFY(data == nullptr);
    QVERIFY(HttpDowload("", nullptr) != 0);
}

void TestCNetwork::httpPostSendsTheBody()
{
    zdtest::LoopbackHttpServer server;
    server.setReply(200, "thanks");
    char body[] = "name=n&email=e%40x&text=100%25";
    char* data = nullptr;
    int length = 0;
    QCOMPARE(getNetworkInstance()->HttpPost(server.url("/fb").c_str(), body, &data, &length), 0);
    QCOMPARE(QByteArray(data, length), QByteArray("thanks"));
    std::free(data);
    QCOMPARE(server.requests().at(0).method, std::string("POST"));
    QCOMPARE(server.requests().at(0).body, std::string(body));
}

void TestCNetwork::versionCheck_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("build");
    QTest::addColumn<bool>("picture");

    const QString same = "unchanged";
    QTest::newRow("all three") << QByteArray("<v>V1.11</v><i>111</i><b>100</b>") << "V1.11" << 111
                               << 100 << true;
    QTest::newRow("any order, text around")
        << QByteArray("hi <b>3</b>\n<i>112</i> <v>V</v> bye") << "V" << 112 << 3 << true;
    QTest::newRow("only v") << QByteArray("<v>V1.11</v>") << "V1.11" << 110 << 100 << true;
    QTest::newRow("only i") << QByteArray("<i>111</i>") << same << 111 << 100 << true;
    QTest::newRow("i not a number") << QByteArray("<i>abc</i>") << same << 0 << 100 << true;
    QTest::newRow("i too large") << QByteArray("<i>99999999999</i>") << same << 0 << 100 << true;
    QTest::newRow("last found is an empty b")
        << QByteArray("<v>V2</v><b></b>") << "V2" << 110 << 0 << false;
    QTest::newRow("closing before opening")
        << QByteArray("</i><i>111") << same << 0 << 100 << false;
    QTest::newRow("closing before opening, later element with content")
        << QByteArray("</v>x<v>V9<b>7</b>") << "V9<b>7</b>" << 110 << 7 << true;
    QTest::newRow("tags are case-sensitive")
        << QByteArray("<V>x</V><I>5</I>") << same << 110 << 100 << false;
    QTest::newRow("no elements") << QByteArray("hello") << same << 110 << 100 << false;
    QTest::newRow("text ends at a zero byte")
        << QByteArray("<v>A</v>").append('\0').append("<i>5</i>") << "A" << 110 << 100 << true;
    QTest::newRow("exactly 1024 bytes")
        << (QByteArray("<i>120</i>") + QByteArray(1014, ' ')) << same << 120 << 100 << true;
    // Not copied into the 1024-byte buffer: parses as empty, still a reply.
    QTest::newRow("longer than 1024 bytes")
        << (QByteArray("<i>120</i>") + QByteArray(1015, ' ')) << same << 110 << 100 << false;
}

void TestCNetwork::versionCheck()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, version);
    QFETCH(int, number);
    QFETCH(int, build);
    QFETCH(bool, picture);

    zdtest::LoopbackHttpServer server;
    server.setReply(kVersionPath, 200, reply.toStdString());
    server.setReply(kPicturePath, 200, kPicture);
    const QByteArray base = "http://127.0.0.1:" + QByteArray::number(server.port());
    qputenv(URL_VERSION_SERVICE_ENV, base);
    qputenv(URL_FILE_SERVER_ENV, base + "/");

    QString gotVersion = "unchanged";
    QString gotPicture;
    int gotNumber = -7;
    int gotBuild = -7;
    QVERIFY(CheckNewVersion2(gotVersion, gotNumber, gotBuild, gotPicture));
    QCOMPARE(gotVersion, version);
    QCOMPARE(gotNumber, number);
    QCOMPARE(gotBuild, build);
    QVERIFY(fetched(server, kVersionPath));
    QCOMPARE(fetched(server, kPicturePath), picture);
    if (picture) {
        QVERIFY(gotPicture.startsWith(CPublic::GetTempDir() + "/zd-tmp-"));
        QVERIFY(gotPicture.endsWith(".png"));
        QFile file(gotPicture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), kPicture);
        struct stat st {
        };
        QVERIFY(::stat(QFile::encodeName(gotPicture).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QFile::remove(gotPicture);
    } else {
        QVERIFY(gotPicture.isEmpty());
    }
}

void TestCNetwork::versionCheckWithoutAddress()
{
    zdtest::LoopbackHttpServer server;
    server.setReply(200, "<i>999</i>");
    QVERIFY(URL_CHECK_UPGRADE().isEmpty());
    QVERIFY(URL_NEWVER().isEmpty());
    QString version = "unchanged";
    QString picture = "unchanged";
    int number = -7;
    int build = -7;
    QVERIFY(!CheckNewVersion2(version, number, build, picture));
    QCOMPARE(version, QStringLiteral("unchanged"));
    QCOMPARE(picture, QStringLiteral("unchanged"));
    QCOMPARE(number, NUM_IVER);
    QCOMPARE(build, NUM_BUILD);
    QCOMPARE(server.connections(), 0);

    // The version service alone: the reply is read, the picture's address is
    // empty and the picture stays missing.
    qputenv(URL_VERSION_SERVICE_ENV, QByteArray::fromStdString(server.url("")));
    QVERIFY(CheckNewVersion2(version, number, build, picture));
    QCOMPARE(number, 999);
    QCOMPARE(server.connections(), 1);
    QCOMPARE(QFileInfo(picture).size(), qint64(0));
    QFile::remove(picture);
}

void TestCNetwork::versionCheckFailures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("hang");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("not found") << 404 << false << QByteArray("<i>999</i>");
    QTest::newRow("empty reply") << 200 << false << QByteArray();
    QTest::newRow("no answer") << 200 << true << QByteArray();
}

void TestCNetwork::versionCheckFailures()
{
    QFETCH(int, status);
    QFETCH(bool, hang);
    QFETCH(QByteArray, reply);
    zdtest::LoopbackHttpServer server;
    server.setReply(status, reply.toStdString(), hang);
    qputenv(URL_VERSION_SERVICE_ENV, QByteArray::fromStdString(server.url("")));
    QString version = "unchanged";
    QString picture;
    int number = 0;
    int build = 0;
    QVERIFY(!CheckNewVersion2(version, number, build, picture));
    QCOMPARE(number, NUM_IVER);
    QCOMPARE(build, NUM_BUILD);
    QCOMPARE(version, QStringLiteral("unchanged"));
    QVERIFY(picture.isEmpty());
}

void TestCNetwork::logTextIsNeverAFormat()
{
    void* handle = nullptr;
    const QByteArray data = CPublic::GetAppDatePath().toLocal8Bit();
    const QByteArray exe = CPublic::GetExePath().toLocal8Bit();
    const QByteArray res = CPublic::GetResourcePath().toLocal8Bit();
    ZD_Initalize(&handle, data.constData(), exe.constData(), res.constData(),
                 APP_NAME.toLocal8Bit().constData(), APP_VERSION.toLocal8Bit().constData());
    AddLog(2, QStringLiteral("probe 100% %s%n%d done, \u00e9t\u00e9 \u4e2d"));
    ZD_Release(&handle);
    QFile log(CPublic::GetAppDatePath() + "/Log.txt");
    if (!log.open(QIODevice::ReadOnly))
        QSKIP("this engine keeps no log file");
    const QByteArray text = log.readAll();
    // Latin-1, with characters outside it as "?".
    QVERIFY2(text.contains(QByteArray("probe 100% %s%n%d done, \xe9t\xe9 ?")), text.constData());
}

ZD_TEST_MAIN(TestCNetwork, QCoreApplication)
#include "tst_cnetwork.moc"
