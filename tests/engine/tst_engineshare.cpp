#include "enginetestsupport.h"
#include "zdloopbackport.h"
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace
{

int running(void* handle)
{
    int flag = -1;
    if (ZD_IsDUDRunning(handle, &flag) <= 0)
        return -1;
    return flag;
}

// One files.dat record, laid out as the files list writes it.
QByteArray fileRecord(const QByteArray& path, quint32 idTime, quint32 idTick,
                      const QByteArray& info = {}, qint32 addedTime = 0)
{
    QByteArray r(464, '\0');
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    std::memcpy(r.data(), name.constData(), std::min<qsizetype>(name.size(), 128));
    std::memcpy(r.data() + 128, info.constData(), std::min<qsizetype>(info.size(), 60));
    for (int i = 0; i < 4; ++i)
        r[188 + i] = char((quint32(addedTime) >> (8 * i)) & 0xff);
    std::memcpy(r.data() + 192, path.constData(), std::min<qsizetype>(path.size(), 256));
    for (int i = 0; i < 4; ++i) {
        r[448 + i] = char((idTime >> (8 * i)) & 0xff);
        r[452 + i] = char((idTick >> (8 * i)) & 0xff);
    }
    return r;
}

QByteArray patternBytes(int size)
{
    QByteArray b(size, '\0');
    quint32 x = 12345;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = char(x >> 24);
    }
    return b;
}

struct Fetched {
    int status = 0;
    QByteArray body;
};

// curl, started with an argument vector; --path-as-is keeps "../" as sent.
Fetched fetch(const QString& url, const QStringList& extra = {}, int timeoutMs = 60000)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("body");
    QProcess p;
    QStringList args{"-s", "-g", "--path-as-is", "-o", out, "-w", "%{http_code}"};
    args << extra << url;
    p.start("curl", args);
    Fetched f;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return f;
    }
    f.status = p.readAllStandardOutput().trimmed().toInt();
    QFile body(out);
    if (body.open(QIODevice::ReadOnly))
        f.body = body.readAll();
    return f;
}

int localPort(int fd)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

// The kernel's state of the server's socket of a loopback connection, from
// /proc/net/tcp (1: established); 0 when the socket is gone.
constexpr int kTcpEstablished = 1;
int serverSideState(int serverPort, int clientPort)
{
    QFile f("/proc/net/tcp");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString local = QString(":%1").arg(serverPort, 4, 16, QLatin1Char('0')).toUpper();
    const QString remote = QString(":%1").arg(clientPort, 4, 16, QLatin1Char('0')).toUpper();
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QStringList cols = QString::fromLatin1(line).simplified().split(' ');
        if (cols.size() > 3 && cols.at(1).endsWith(local) && cols.at(2).endsWith(remote))
            return cols.at(3).toInt(nullptr, 16);
    }
    return 0;
}

// Reads until the peer closes or the time is up.
QByteArray readAll(int fd, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, n);
    }
    return got;
}

// The first IPv4 address of an interface that is up and not the loopback;
// the loopback address on a machine without one.
QByteArray lanAddress()
{
    QByteArray found = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return found;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET && (a->ifa_flags & IFF_UP) &&
            !(a->ifa_flags & IFF_LOOPBACK)) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr, text,
                        sizeof text);
            found = text;
            break;
        }
    }
    ::freeifaddrs(list);
    return found;
}

// An H.264/AAC recording (MP4, or TS by its name) of the test picture and a
// tone, made by ffmpeg; empty
// when that worked, else what went wrong.
QString makeRecording(const QString& path, const QString& size, int seconds)
{
    QProcess make;
    const QStringList args{"-v",
                           "error",
                           "-y",
                           "-f",
                           "lavfi",
                           "-i",
                           "testsrc2=size=" + size + ":rate=25",
                           "-f",
                           "lavfi",
                           "-i",
                           "sine=frequency=440",
                           "-t",
                           QString::number(seconds),
                           "-c:v",
                           "libx264",
                           "-pix_fmt",
                           "yuv420p",
                           "-c:a",
                           "aac",
                           "-f",
                           path.endsWith(".ts") ? "mpegts" : "mp4",
                           path};
    make.start("ffmpeg", args);
    if (!make.waitForFinished(60000) || make.exitCode() != 0)
        return "ffmpeg failed: " + QString::fromUtf8(make.readAllStandardError());
    return {};
}

// Why a page cannot be shown in headless Chromium here; empty when it can.
QString noBrowser()
{
    if (QStandardPaths::findExecutable("chromium").isEmpty() ||
        QStandardPaths::findExecutable("ffmpeg").isEmpty())
        return "chromium or ffmpeg is not installed";
    QProcess check;
    check.start("/usr/bin/python3", {"-c", "import websocket"});
    if (!check.waitForFinished(30000) || check.exitCode() != 0)
        return "python3-websocket is not installed";
    return {};
}

// A size as the page writes it ("12.3 MB"), in bytes.
double bytesOf(const QString& text)
{
    const QStringList parts = text.split(' ');
    if (parts.size() != 2)
        return -1;
    const QStringList units{"bytes", "KB", "MB", "GB"};
    const int unit = int(units.indexOf(parts.at(1)));
    return unit < 0 ? -1 : parts.at(0).toDouble() * std::pow(1024.0, unit);
}

// Stops the share server from another thread: true when it returned 1 within
// the time. A server that never returns holds the engine for good, and the
// test program cannot release it, so it ends here instead of hanging.
bool stopWithin(void* handle, int timeoutMs)
{
    auto done = std::make_shared<std::atomic<int>>(-1);
    std::thread([handle, done] { *done = ZD_StopDUD_Server(handle); }).detach();
    if (!zdtest::waitFor([&] { return *done >= 0; }, timeoutMs)) {
        if (!zdtest::waitFor([&] { return *done >= 0; }, 20000))
            qFatal("ZD_StopDUD_Server did not return: the share server hangs");
        return false;
    }
    return *done == 1;
}

} // namespace

class TestEngineShare : public QObject
{
    Q_OBJECT
    void* m_handle = nullptr;
    QByteArray m_dataDir;
    QByteArray m_video; // bytes of the catalogued MP4
    QString m_videoPath;
    int m_port = 0;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // files.dat with a recording (id 650000001234) and a picture (id
    // 65000001abcd), the recording of size bytes; a file beside them that is
    // not catalogued.
    void writeCatalogue(int size)
    {
        m_video = patternBytes(size);
        m_videoPath = QString::fromUtf8(m_dataDir) + "/media/Vid20260101120000.mp4";
        QDir().mkpath(QString::fromUtf8(m_dataDir) + "/media");
        QDir().mkpath(QString::fromUtf8(m_dataDir) + "/Thumbs");
        QFile v(m_videoPath);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write(m_video);
        v.close();
        const QString picture = QString::fromUtf8(m_dataDir) + "/media/Pic<b>&.png";
        QFile p(picture);
        QVERIFY(p.open(QIODevice::WriteOnly));
        p.write("\x89PNG picture");
        p.close();
        QFile thumb(QString::fromUtf8(m_dataDir) + "/Thumbs/650000001234.png");
        QVERIFY(thumb.open(QIODevice::WriteOnly));
        thumb.write("thumbnail");
        thumb.close();
        QFile secret(QString::fromUtf8(m_dataDir) + "/media/secret.txt");
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("secret");
        secret.close();
        QFile list(QString::fromUtf8(m_dataDir) + "/files.dat");
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(fileRecord(m_videoPath.toUtf8(), 0x65000000, 0x1234));
        list.write(fileRecord(picture.toUtf8(), 0x65000001, 0xabcd));
        list.close();
    }

    void startServer()
    {
        m_port = zdtest::freeLoopbackPort();
        QVERIFY(m_port > 0);
        QCOMPARE(ZD_StartDUD_Server(m_handle, m_port), 1);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("curl").isEmpty())
            QSKIP("curl is not installed");
    }

    void init()
    {
        m_handle = initEngine("share");
        QVERIFY(m_handle);
        m_dataDir = engineDataDir("share");
        QFile::remove(QString::fromUtf8(m_dataDir) + "/files.dat");
    }
    void cleanup() { ZD_Release(&m_handle); }

    void takenPortFails()
    {
        zdtest::LoopbackListener holder;
        QVERIFY(holder.port > 0);
        QCOMPARE(ZD_StartDUD_Server(m_handle, holder.port), 0);
        QCOMPARE(running(m_handle), 0);
    }

    void freePortIsListenedOnUntilStopped()
    {
        const int port = zdtest::freeLoopbackPort();
        QCOMPARE(ZD_StartDUD_Server(m_handle, port), 1);
        QCOMPARE(running(m_handle), 1);
        QVERIFY(zdtest::loopbackAccepts(port));
        QCOMPARE(ZD_StartDUD_Server(m_handle, port), 1); // already listening there
        QCOMPARE(ZD_StopDUD_Server(m_handle), 1);
        QCOMPARE(running(m_handle), 0);
        QVERIFY(!zdtest::loopbackAccepts(port));
        // The port can be taken again at once.
        QCOMPARE(ZD_StartDUD_Server(m_handle, port), 1);
        QCOMPARE(running(m_handle), 1);
    }

    void releaseEndsTheServer()
    {
        const int port = zdtest::freeLoopbackPort();
        void* handle = initEngine("share-release");
        QCOMPARE(ZD_StartDUD_Server(handle, port), 1);
        ZD_Release(&handle);
        QVERIFY(!zdtest::loopbackAccepts(port));
    }

    void badPortsAndHandles()
    {
        QCOMPARE(ZD_StartDUD_Server(m_handle, 0), 0);
        QCOMPARE(ZD_StartDUD_Server(m_handle, 65536), 0);
        QCOMPARE(ZD_StartDUD_Server(m_handle, -1), 0);
        QCOMPARE(ZD_StartDUD_Server(nullptr, 9875), 0);
        int flag = 7;
        QCOMPARE(ZD_IsDUDRunning(nullptr, &flag), 0);
        QCOMPARE(flag, 0);
        QCOMPARE(ZD_IsDUDRunning(m_handle, nullptr), 0);
    }

    void pageListsTheCatalogue()
    {
        writeCatalogue(4096);
        startServer();
        const Fetched page = fetch(base() + "/");
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("Vid20260101120000.mp4"));
        // The recording's own first frame, not the small thumbnail stretched.
        QVERIFY(page.body.contains("src=\"/file/650000001234#t=0.1\""));
        QVERIFY(!page.body.contains("poster="));
        QVERIFY(page.body.contains("/file/65000001abcd"));
        // Newest first.
        QVERIFY(page.body.indexOf("65000001abcd") < page.body.indexOf("650000001234"));
        // A name is text, never markup.
        QVERIFY(page.body.contains("Pic&lt;b&gt;&amp;.png"));
        QVERIFY(!page.body.contains("Pic<b>"));
        QVERIFY(!page.body.contains("/preview"));

        const Fetched thumb = fetch(base() + "/thumb/650000001234");
        QCOMPARE(thumb.status, 200);
        QCOMPARE(thumb.body, QByteArray("thumbnail"));
        // The picture has no thumbnail file.
        QCOMPARE(fetch(base() + "/thumb/65000001abcd").status, 404);
    }

    // A recording's length comes from its description in the files list;
    // one the description does not give is left for the page to read from
    // the file.
    void durationFromDescription_data()
    {
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("shown");
        const QByteArray unknown = "<li class=\"duration\" data-unknown>";
        QTest::newRow("seconds") << QByteArray("00:00:05,1280x720,30fps,1.2 MB")
                                 << QByteArray("<li class=\"duration\">0:05</li>");
        QTest::newRow("hours") << QByteArray("01:02:03,1280x720,30fps,1 GB")
                               << QByteArray("<li class=\"duration\">1:02:03</li>");
        QTest::newRow("many hours") << QByteArray("123:00:09,640x480,25fps,")
                                    << QByteArray("<li class=\"duration\">123:00:09</li>");
        QTest::newRow("empty") << QByteArray() << unknown;
        QTest::newRow("a size only") << QByteArray("1.2 MB") << unknown;
        QTest::newRow("one digit") << QByteArray("0:0:5,640x480,") << unknown;
        QTest::newRow("minutes past 59") << QByteArray("00:61:00,640x480,") << unknown;
        QTest::newRow("no comma") << QByteArray("00:01:00") << unknown;
        QTest::newRow("too many hours") << QByteArray("999999:00:00,") << unknown;
        QTest::newRow("sign") << QByteArray("-1:00:00,") << unknown;
    }
    void durationFromDescription()
    {
        QFETCH(QByteArray, info);
        QFETCH(QByteArray, shown);
        writeCatalogue(100);
        QFile list(QString::fromUtf8(m_dataDir) + "/files.dat");
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(fileRecord(m_videoPath.toUtf8(), 0x65000000, 0x1234, info, 1767268800));
        list.close();
        startServer();
        const Fetched page = fetch(base() + "/");
        QCOMPARE(page.status, 200);
        QVERIFY2(page.body.contains(shown), page.body.constData());
        QVERIFY(page.body.contains("<time datetime=\"2026-01-01T12:00:00Z\">"));
        QVERIFY(page.body.contains("<li class=\"size\">100 bytes</li>"));
    }

    void changedCatalogueIsServed()
    {
        startServer();
        QCOMPARE(fetch(base() + "/file/650000001234").status, 404);
        writeCatalogue(100);
        QCOMPARE(fetch(base() + "/file/650000001234").status, 404); // not told yet
        QCOMPARE(ZD_DUDFilesChanged(m_handle), 1);
        const Fetched f = fetch(base() + "/file/650000001234");
        QCOMPARE(f.status, 200);
        QCOMPARE(f.body, m_video);
    }

    void byteRanges_data()
    {
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("length");
        const int size = 100000;
        QTest::newRow("none") << QString() << 200 << 0 << size;
        QTest::newRow("first ten") << "bytes=0-9" << 206 << 0 << 10;
        QTest::newRow("middle") << "bytes=5000-5999" << 206 << 5000 << 1000;
        QTest::newRow("open end") << "bytes=99990-" << 206 << 99990 << 10;
        QTest::newRow("last five") << "bytes=-5" << 206 << size - 5 << 5;
        QTest::newRow("end past the size") << "bytes=99000-200000" << 206 << 99000 << 1000;
        QTest::newRow("suffix longer than the file") << "bytes=-200000" << 206 << 0 << size;
        QTest::newRow("start past the end") << "bytes=100000-" << 416 << 0 << 0;
        QTest::newRow("two ranges: whole file") << "bytes=0-1,5-6" << 200 << 0 << size;
        QTest::newRow("malformed: whole file") << "bytes=x-1" << 200 << 0 << size;
        QTest::newRow("reversed: whole file") << "bytes=9-2" << 200 << 0 << size;
    }
    void byteRanges()
    {
        QFETCH(QString, range);
        QFETCH(int, status);
        QFETCH(int, from);
        QFETCH(int, length);
        writeCatalogue(100000);
        startServer();
        QStringList extra;
        if (!range.isEmpty())
            extra << "-H"
                  << "Range: " + range;
        const Fetched f = fetch(base() + "/file/650000001234", extra);
        QCOMPARE(f.status, status);
        QCOMPARE(f.body.size(), length);
        QVERIFY(f.body == m_video.mid(from, length));
    }

    void onlyCatalogueEntriesAreReached_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("parent") << "/../files.dat";
        QTest::newRow("parent after file") << "/file/../files.dat";
        QTest::newRow("two parents") << "/file/../../etc/passwd";
        QTest::newRow("encoded dots") << "/file/%2e%2e/files.dat";
        QTest::newRow("encoded dots and slash") << "/file/%2e%2e%2ffiles.dat";
        QTest::newRow("encoded slash") << "/file%2f650000001234";
        QTest::newRow("absolute path") << "/etc/passwd";
        QTest::newRow("doubled slash") << "//etc/passwd";
        QTest::newRow("file path") << "/file//etc/passwd";
        QTest::newRow("data folder file") << "/files.dat";
        QTest::newRow("not catalogued") << "/media/secret.txt";
        QTest::newRow("unknown entry") << "/file/deadbeef0000";
        QTest::newRow("upper-case id") << "/file/650000001ABC";
        QTest::newRow("id with more") << "/file/650000001234/x";
        QTest::newRow("id with parent") << "/file/650000001234/../65000001abcd";
        QTest::newRow("encoded id end") << "/file/650000001234%00";
        QTest::newRow("thumb traversal") << "/thumb/..%2f..%2ffiles.dat";
        QTest::newRow("preview while not live") << "/preview";
        QTest::newRow("MP4 preview while not live") << "/preview.mp4";
        QTest::newRow("remuxing an MP4 recording") << "/play/650000001234";
        QTest::newRow("remuxing a picture") << "/play/65000001abcd";
    }
    void onlyCatalogueEntriesAreReached()
    {
        QFETCH(QString, path);
        writeCatalogue(100);
        startServer();
        const Fetched f = fetch(base() + path);
        QCOMPARE(f.status, 404);
        QVERIFY(!f.body.contains("secret"));
        QVERIFY(!f.body.contains("root:"));
    }

    void otherMethodsAreRefused()
    {
        writeCatalogue(100);
        startServer();
        QCOMPARE(fetch(base() + "/file/650000001234", {"-X", "DELETE"}).status, 405);
        QCOMPARE(fetch(base() + "/", {"-X", "POST", "-d", "x=1"}).status, 405);
        QVERIFY(QFile::exists(m_videoPath));
    }

    // A client that asked for a large file and stops reading holds only its
    // own connection: many clients at once still get every byte.
    void parallelClientsAndAStalledOne()
    {
        writeCatalogue(16 * 1024 * 1024);
        startServer();
        const int stalled = zdtest::connectLoopback(m_port);
        QVERIFY(stalled >= 0);
        const int small = 4096;
        ::setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        const QByteArray request = "GET /file/650000001234 HTTP/1.1\r\nHost: x\r\n\r\n";
        QCOMPARE(::write(stalled, request.constData(), size_t(request.size())),
                 ssize_t(request.size()));

        QTemporaryDir dir;
        std::vector<std::unique_ptr<QProcess>> clients;
        for (int i = 0; i < 12; ++i) {
            auto p = std::make_unique<QProcess>();
            p->start("curl", {"-s", "-o", dir.filePath(QString::number(i)), "-w", "%{http_code}",
                              base() + "/file/650000001234"});
            clients.push_back(std::move(p));
        }
        const QByteArray want = QCryptographicHash::hash(m_video, QCryptographicHash::Sha256);
        for (int i = 0; i < 12; ++i) {
            QVERIFY(clients[i]->waitForFinished(120000));
            QCOMPARE(clients[i]->readAllStandardOutput(), QByteArray("200"));
            QFile f(dir.filePath(QString::number(i)));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256), want);
        }
        QCOMPARE(fetch(base() + "/").status, 200);
        ::close(stalled);
    }

    // Out of descriptors, the pending connection leaves the listening socket
    // readable: the server waits instead of trying again at once, and serves
    // the connection once descriptors are free again.
    void outOfDescriptorsDoesNotSpin()
    {
        writeCatalogue(100);
        startServer();
        const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(client >= 0);

        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit low = saved;
        low.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 1024);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        std::vector<int> fillers;
        for (;;) {
            const int fd = ::dup(client);
            if (fd < 0) {
                QCOMPARE(errno, EMFILE);
                break;
            }
            fillers.push_back(fd);
        }
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(m_port));
        const bool connected = ::connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;

        // Every thread of the process in a second and a half: a server
        // polling its listening socket again and again would use all of it.
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        QThread::msleep(1500);
        ::getrusage(RUSAGE_SELF, &after);
        auto us = [](const rusage& r) {
            return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000LL + r.ru_utime.tv_usec +
                   r.ru_stime.tv_usec;
        };
        const long long cpuUs = us(after) - us(before);

        for (int fd : fillers)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY(connected);
        QVERIFY2(cpuUs < 300000, qPrintable(QString("%1 us of CPU").arg(cpuUs)));

        const QByteArray request = "GET /file/650000001234 HTTP/1.0\r\n\r\n";
        QCOMPARE(::write(client, request.constData(), size_t(request.size())),
                 ssize_t(request.size()));
        const QByteArray reply = readAll(client, 20000);
        ::close(client);
        QVERIFY2(reply.startsWith("HTTP/1.1 200") || reply.startsWith("HTTP/1.0 200"),
                 reply.left(80).constData());
        QVERIFY(reply.endsWith(m_video));
    }

    // A client that sends nothing is dropped after the idle time, and so is
    // one that stops reading a file in the middle (its socket is closed on
    // the server's side, whatever the kernel still holds to send).
    void idleClientsAreDropped()
    {
        writeCatalogue(16 * 1024 * 1024);
        ZDT_SetShareIdleTimeout(1);
        startServer();
        ZDT_SetShareIdleTimeout(0);
        const int silent = zdtest::connectLoopback(m_port);
        const int stalled = zdtest::connectLoopback(m_port);
        QVERIFY(silent >= 0 && stalled >= 0);
        const int small = 4096;
        ::setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        const QByteArray request = "GET /file/650000001234 HTTP/1.1\r\nHost: x\r\n\r\n";
        QCOMPARE(::write(stalled, request.constData(), size_t(request.size())),
                 ssize_t(request.size()));
        QVERIFY(serverSideState(m_port, localPort(stalled)) == kTcpEstablished);
        QCOMPARE(readAll(silent, 30000), QByteArray()); // the server's end
        QTRY_VERIFY_WITH_TIMEOUT(serverSideState(m_port, localPort(stalled)) != kTcpEstablished,
                                 30000);
        ::close(silent);
        ::close(stalled);
    }

    // Idle clients fill every place while new ones are turned away; once the
    // idle ones are dropped the server answers again, and stopping it does
    // not wait on anything that flood left behind.
    void fullServerComesBackAfterIdleClientsAreDropped()
    {
        writeCatalogue(100);
        ZDT_SetShareIdleTimeout(2);
        startServer();
        ZDT_SetShareIdleTimeout(0);
        constexpr int kLimit = 64;
        std::vector<int> idle;
        for (int i = 0; i < kLimit; ++i) {
            const int fd = zdtest::connectLoopback(m_port);
            QVERIFY(fd >= 0);
            idle.push_back(fd);
        }
        // Refused clients while the idle ones hold every place, and on past
        // the moment they are dropped.
        const QByteArray request = "GET / HTTP/1.0\r\n\r\n";
        QElapsedTimer flood;
        flood.start();
        while (flood.elapsed() < 4000) {
            const int fd = zdtest::connectLoopback(m_port);
            if (fd >= 0) {
                [[maybe_unused]] ssize_t n =
                    ::write(fd, request.constData(), size_t(request.size()));
                ::close(fd);
            }
            QThread::msleep(250);
        }
        for (int fd : idle)
            QCOMPARE(readAll(fd, 10000), QByteArray()); // each dropped by the server
        const Fetched page = fetch(base() + "/", {"-m", "10"}, 15000);

        QElapsedTimer stopping;
        stopping.start();
        const bool stopped = stopWithin(m_handle, 2000);
        const qint64 stopMs = stopping.elapsed();
        for (int fd : idle)
            ::close(fd);
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("Vid20260101120000.mp4"));
        QVERIFY2(stopped, qPrintable(QString("stopping took %1 ms").arg(stopMs)));
    }

    void linksAndPlayer()
    {
        char link1[ZD_TEXT_BUFFER_BYTES], link2[ZD_TEXT_BUFFER_BYTES], player[ZD_TEXT_BUFFER_BYTES];
        qputenv("VAZURIDAV_PLAYER", "/opt/player/bin/play");
        QCOMPARE(ZD_GetDUDLinks(link1, link2, 9875, player), 1);
        qunsetenv("VAZURIDAV_PLAYER");
        QVERIFY(QByteArray(link1).startsWith("http://"));
        QVERIFY(QByteArray(link1).endsWith(":9875/"));
        QVERIFY(QByteArray(link2).endsWith(":9875/preview"));
        QCOMPARE(QByteArray(player), QByteArray("/opt/player/bin/play"));
        QCOMPARE(ZD_GetDUDLinks(link1, link2, 0, player), 0);
        QCOMPARE(link1[0], '\0');
    }

    // While the live picture runs, /preview is an MPEG-TS stream of H.264
    // and AAC at the share settings that a media player opens.
    void livePictureIsAStream()
    {
        if (QStandardPaths::findExecutable("ffprobe").isEmpty())
            QSKIP("ffprobe is not installed");
        ReportSink sink;
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        startServer();
        QCOMPARE(ZD_StartDUD_live(m_handle, 320, 240, 15, 300), 0); // no device open yet
        QCOMPARE(openTestCamera(m_handle, &sink, 640, 480, 15), 1);
        QCOMPARE(ZD_StartDUD_live(m_handle, 320, 240, 15, 300), 1);
        QVERIFY(fetch(base() + "/").body.contains("href=\"/preview\""));

        // The player comes to a stream that has run for a while: it joins
        // somewhere in a group of pictures, never at the stream's start.
        QTest::qWait(2500);
        QProcess probe;
        probe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height",
                                "-of", "default=nw=1", base() + "/preview"});
        QVERIFY(probe.waitForFinished(60000));
        const QByteArray out = probe.readAllStandardOutput();
        QVERIFY2(out.contains("codec_name=h264"), out.constData());
        QVERIFY2(out.contains("codec_name=aac"), out.constData());
        QVERIFY2(out.contains("width=320") && out.contains("height=240"), out.constData());
        // A player joins at a key frame with its parameter sets: nothing to
        // complain about.
        const QByteArray complaints = probe.readAllStandardError();
        QVERIFY2(complaints.isEmpty(), complaints.left(400).constData());

        QCOMPARE(ZD_StopDUD_live(m_handle), 1);
        QCOMPARE(fetch(base() + "/preview").status, 404);
        QCOMPARE(ZD_StopDUD_live(m_handle), 0);
        ZD_CloseDevice(m_handle);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }

    // The page as a browser shows it: headless Chromium, driven through its
    // debugging port, loads the page and plays the listed MP4, which it
    // fetches in byte ranges.
    void browserPlaysAListedRecording()
    {
        const QString missing = noBrowser();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        writeCatalogue(100);
        const QString made = makeRecording(m_videoPath, "320x240", 4);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        startServer();

        QTemporaryDir profile;
        QProcess browser;
        browser.start("/usr/bin/python3",
                      {QStringLiteral(ZD_TEST_SOURCE_DIR "/tests/common/browserplay.py"),
                       QStandardPaths::findExecutable("chromium"), base() + "/", profile.path(),
                       "90"});
        QVERIFY(browser.waitForFinished(150000));
        const QByteArray seen = browser.readAllStandardOutput();
        QVERIFY2(browser.exitCode() == 0, seen.constData());
        QVERIFY2(seen.contains("\"videos\": 1"), seen.constData());
    }

    // The page as people meet it on a phone and on a desktop: nothing wider
    // than the window, newest first, each entry with its date and size and a
    // recording with its length (from its description, or from the file when
    // the description has none), pictures never shown larger than they are,
    // every recording and the live picture playing in the page.
    void pageOnPhoneAndDesktop()
    {
        const QString missing = noBrowser();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        const QString media = QString::fromUtf8(m_dataDir) + "/media";
        QDir().mkpath(media);
        const QString older = media + "/Vid20260101120000.mp4";
        const QString newer = media + "/Vid20260102120000.mp4";
        const QString ts = media + "/Vid20260102130000.ts"; // played remuxed
        const QString picture = media + "/Pic<b>&.png";
        const QString small = media + "/Pic20260104120000.png"; // a thumbnail's size
        for (const QString& made :
             {makeRecording(older, "640x360", 2), makeRecording(newer, "480x270", 3),
              makeRecording(ts, "320x240", 2)})
            QVERIFY2(made.isEmpty(), qPrintable(made));
        for (const auto& [path, size] : {std::pair{picture, "800x450"}, {small, "160x90"}}) {
            QProcess still;
            still.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                   QString("testsrc2=size=") + size, "-frames:v", "1", path});
            QVERIFY(still.waitForFinished(60000));
            QCOMPARE(still.exitCode(), 0);
        }
        QFile list(QString::fromUtf8(m_dataDir) + "/files.dat");
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(
            fileRecord(older.toUtf8(), 0x65000000, 0x1234, "00:00:02,640x360,25fps,", 1767268800));
        list.write(fileRecord(newer.toUtf8(), 0x65000001, 0x1234, {}, 1767355200));
        list.write(
            fileRecord(ts.toUtf8(), 0x65000001, 0x5678, "00:00:02,320x240,25fps,", 1767358800));
        list.write(fileRecord(picture.toUtf8(), 0x65000002, 0x1234, "1 KB", 1767441600));
        list.write(fileRecord(small.toUtf8(), 0x65000003, 0x1234, "1 KB", 1767528000));
        list.close();
        // Newest first.
        const QStringList ids{"650000031234", "650000021234", "650000015678", "650000011234",
                              "650000001234"};
        const QList<qint64> sizes{QFileInfo(small).size(), QFileInfo(picture).size(),
                                  QFileInfo(ts).size(), QFileInfo(newer).size(),
                                  QFileInfo(older).size()};
        const QStringList durations{QString(), QString(), "0:02", "0:03", "0:02"};

        ReportSink sink;
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        startServer();
        QCOMPARE(openTestCamera(m_handle, &sink, 640, 480, 15), 1);
        QCOMPARE(ZD_StartDUD_live(m_handle, 640, 360, 15, 600), 1);

        QTemporaryDir profile;
        QProcess browser;
        browser.start("/usr/bin/python3",
                      {QStringLiteral(ZD_TEST_SOURCE_DIR "/tests/common/browserplay.py"),
                       QStandardPaths::findExecutable("chromium"), base() + "/", profile.path(),
                       "90", "390x844", "1366x768"});
        const bool finished = browser.waitForFinished(150000);
        ZD_StopDUD_live(m_handle);
        ZD_CloseDevice(m_handle);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
        QVERIFY(finished);
        const QByteArray seen = browser.readAllStandardOutput();
        QVERIFY2(browser.exitCode() == 0, seen.constData());
        const QList<QByteArray> lines = seen.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        for (const QByteArray& line : lines) {
            const QJsonObject window = QJsonDocument::fromJson(line).object();
            const QJsonObject page = window.value("page").toObject();
            const QByteArray where = line.left(2000);
            const int width = page.value("width").toInt();
            QVERIFY2(width > 0, where.constData());
            QVERIFY2(page.value("scrollWidth").toInt() <= width, where.constData());
            QVERIFY2(page.value("scrollWidthAfter").toInt() <= width, where.constData());
            const QJsonArray entries = page.value("entries").toArray();
            QCOMPARE(entries.size(), ids.size());
            for (int i = 0; i < entries.size(); ++i) {
                const QJsonObject e = entries.at(i).toObject();
                QCOMPARE(e.value("id").toString(), ids.at(i));
                QVERIFY2(e.value("right").toInt() <= width, where.constData());
                // The date in the viewer's own form, put there by the page.
                QVERIFY2(!e.value("date").toString().isEmpty(), where.constData());
                QVERIFY2(!e.value("date").toString().contains("UTC"), where.constData());
                const double bytes = bytesOf(e.value("size").toString());
                QVERIFY2(std::abs(bytes - double(sizes.at(i))) <= 0.05 * double(sizes.at(i)),
                         where.constData());
                QCOMPARE(e.value("duration").toString(), durations.at(i));
                // Shown no larger than the picture is: nothing stretched.
                const int shown = e.value("shownWidth").toInt();
                QVERIFY2(shown > 0 && shown <= e.value("pictureWidth").toInt(), where.constData());
                if (!durations.at(i).isEmpty())
                    QVERIFY2(e.value("play").toObject().value("played").toBool(),
                             where.constData());
            }
            QCOMPARE(entries.at(1).toObject().value("name").toString(), QString("Pic<b>&.png"));
            const QJsonObject live = page.value("live").toObject();
            QVERIFY2(live.value("played").toBool(), QJsonDocument(live).toJson().constData());
            QVERIFY2(page.value("liveNote").toString().contains("media player"), where.constData());
        }
    }

    // Servers are found by DNS-SD: in a network namespace of its own (its
    // loopback only) with its own D-Bus and Avahi daemon, one engine's
    // search reports the other engines' servers and which one shares its
    // live picture; a search names its own engine's server first, at this
    // machine's network address, and never as another's live share.
    void searchFindsTheServersOfTheNetwork()
    {
        for (const char* program : {"unshare", "ip", "dbus-daemon", "dbus-send", "avahi-browse"})
            if (QStandardPaths::findExecutable(program).isEmpty())
                QSKIP("a program for the private network is not installed");
        if (QStandardPaths::findExecutable("avahi-daemon", {"/usr/sbin", "/sbin"}).isEmpty())
            QSKIP("avahi-daemon is not installed");
        if (::geteuid() != 0)
            QSKIP("a private network namespace needs root here");
        QTemporaryDir work;
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", env.value("PATH") + ":/usr/sbin:/sbin");
        helper.setProcessEnvironment(env);
        helper.start("unshare",
                     {"-n", "-m", "--propagation", "private",
                      QStringLiteral(ZD_TEST_BIN_DIR "/engine_sharesearch"), work.path()});
        QVERIFY(helper.waitForFinished(150000));
        const QString out = QString::fromUtf8(helper.readAllStandardOutput());
        QVERIFY2(helper.exitCode() == 0, qPrintable(out));
        const QStringList ports = out.section('\n', 0, 0).split(' ');
        QCOMPARE(ports.size(), 3);
        const QString live = ports.at(1), plain = ports.at(2);
        const QString fromOther = out.section('\n', 1, 1);
        const QString fromSecond = out.section('\n', 2, 2);
        QVERIFY2(fromOther.startsWith("C 1 <DUD>127.0.0.1:"), qPrintable(out));
        QVERIFY2(fromOther.contains("<DUD-LIVE>127.0.0.1:" + live + "|"), qPrintable(out));
        QVERIFY2(!fromOther.contains("<DUD-LIVE>127.0.0.1:" + plain), qPrintable(out));
        // The second engine's own server comes first, at the loopback
        // address while the namespace has no other interface; the other
        // engine's live share follows.
        QVERIFY2(fromSecond.startsWith("B 1 <DUD>127.0.0.1:" + plain +
                                       "</DUD><DUD-LIVE>127.0.0.1:" + live + "|"),
                 qPrintable(out));
        QVERIFY2(!fromSecond.contains("<DUD-LIVE>127.0.0.1:" + plain), qPrintable(out));
        // With interfaces up, the address of the first one that is up and
        // not the loopback; an interface that is down is passed over.
        const QString withLan = out.section('\n', 3, 3);
        QVERIFY2(withLan.startsWith("L 1 <DUD>192.0.2.7:" + plain + "</DUD>"), qPrintable(out));
    }

    // While this computer's server runs, a search names it first at the
    // address other machines reach it at, even with no mDNS daemon to ask:
    // that is the address the user opens on a phone.
    void searchNamesThisServerFirst()
    {
        ReportSink sink;
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        startServer();
        int target = 0;
        QCOMPARE(ZD_SearchDUDServer(m_handle, &target), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!sink.ofMessage(36970).isEmpty(), 20000);
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        const ReceivedReport r = sink.ofMessage(36970).first();
        QCOMPARE(r.wParam, 1ul);
        QVERIFY(r.lParam != 0);
        const QByteArray want =
            "<DUD>" + lanAddress() + ":" + QByteArray::number(m_port) + "</DUD>";
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r.lParam)), want);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }

    // Without a reachable mDNS daemon the search answers at once, empty.
    void searchWithoutDaemonAnswersEmpty()
    {
        ReportSink sink;
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        int target = 0;
        QCOMPARE(ZD_SearchDUDServer(m_handle, &target), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!sink.ofMessage(36970).isEmpty(), 20000);
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        const ReceivedReport r = sink.ofMessage(36970).first();
        QCOMPARE(r.target, static_cast<void*>(&target));
        QCOMPARE(r.wParam, 0ul);
        QVERIFY(r.lParam != 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r.lParam)), QByteArray());
        ZD_SetMainMessageCallBack(nullptr, nullptr);
    }
};

ZD_TEST_MAIN(TestEngineShare, QCoreApplication)
#include "tst_engineshare.moc"
