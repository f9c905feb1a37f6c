// The capture server: its request records, and the real server serving the
// engine's test-pattern camera and tone microphone to clients that ask the
// way the OBS sources do.
#include "agentprocess.h"
#include "pipeclient.h"
#include "relayrequest.h"
#include "zdpatterncode.h"

#include <QtTest>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace agenttest;

namespace
{

// Pipe names of this run only.
QByteArray pipeName(int n)
{
    return "pipe_" + QByteArray::number(qint64(getpid()) * 100 + n);
}

} // namespace

class TstVidrelay : public QObject
{
    Q_OBJECT

private slots:
    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("video start") << requestBytes("pipe_12345", 1, 0) << true;
        QTest::newRow("audio stop") << requestBytes("pipe_0", 2, 1) << true;
        QTest::newRow("twenty digits") << requestBytes("pipe_" + QByteArray(20, '9'), 1, 0) << true;
        QTest::newRow("21 digits") << requestBytes("pipe_" + QByteArray(21, '9'), 1, 0) << false;
        QTest::newRow("no digits") << requestBytes("pipe_", 1, 0) << false;
        QTest::newRow("a path") << requestBytes("pipe_1/../../etc/x", 1, 0) << false;
        QTest::newRow("letters") << requestBytes("pipe_12a", 1, 0) << false;
        QTest::newRow("other prefix") << requestBytes("xpipe_1", 1, 0) << false;
        QTest::newRow("empty name") << requestBytes("", 1, 0) << false;
        QTest::newRow("no terminator")
            << requestBytes("pipe_" + QByteArray(59, '1'), 1, 0) << false;
        QTest::newRow("command 0") << requestBytes("pipe_1", 0, 0) << false;
        QTest::newRow("command 3") << requestBytes("pipe_1", 3, 0) << false;
        QTest::newRow("kind 2") << requestBytes("pipe_1", 1, 2) << false;
        QTest::newRow("kind -1") << requestBytes("pipe_1", 1, -1) << false;
        QTest::newRow("short") << requestBytes("pipe_1", 1, 0).left(71) << false;
        QTest::newRow("long") << requestBytes("pipe_1", 1, 0) + '\0' << false;
        QByteArray trailing = requestBytes("pipe_7", 1, 0);
        trailing[10] = 'z'; // after the terminator: means nothing
        QTest::newRow("bytes after the name") << trailing << true;
    }
    void records()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        zdrelay::RequestRecord r = {};
        std::string why;
        QCOMPARE(parseRelayRequest(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()), r, why),
                 accepted);
        QCOMPARE(why.empty(), accepted);
    }

    void init()
    {
        folder.reset(new QTemporaryDir);
        QVERIFY(folder->isValid());
        log = folder->path() + "/vidrelay.log";
    }

    void cleanup()
    {
        // Ended as it should be, so that it removes its pipes; killed only
        // when it does not end.
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(15000)) {
                server.kill();
                server.waitForFinished(5000);
            }
        }
        for (int n = 1; n <= 9; ++n)
            QVERIFY2(!QFile::exists(zdrelay::kPipePathPrefix + pipeName(n)),
                     "a pipe outlived the server");
        // A server the agent started and a failed test left running.
        if (startedServer > 0)
            ::kill(startedServer, SIGKILL);
        startedServer = 0;
        sem_unlink(zdrelay::kServerSemaphore);
    }

    void servesPictures()
    {
        startServer();
        const QByteArray name = pipeName(1);
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindVideo));
        PipeClient client;
        QVERIFY2(client.open(name), "the server made no pipe");

        // The pipe is the requester's alone.
        struct stat st = {};
        QCOMPARE(::stat(client.path.constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(st.st_uid, geteuid());

        int64_t last = -1;
        for (int i = 0; i < 3; ++i) {
            zdrelay::FrameHeader h = {};
            QVERIFY(client.header(h));
            QCOMPARE(h.width, 1280u);
            QCOMPARE(h.height, 720u);
            QCOMPARE(h.payloadBytes, 1280u * 720u * 4u);
            QCOMPARE(zdrelay::checkVideoHeader(h), zdrelay::HeaderCheck::Frame);
            const QByteArray pixels = client.read(int(h.payloadBytes));
            QCOMPARE(pixels.size(), int(h.payloadBytes));
            const int64_t code = zdtest::patternFrameCode(
                reinterpret_cast<const uint8_t*>(pixels.constData()), 1280, 720);
            QVERIFY(code > last);
            last = code;
        }

        // A stop request ends the stream with an end header, and the pipe goes.
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStop, zdrelay::kKindVideo));
        QVERIFY2(readUntilEnd(client, zdrelay::kKindVideo), "no end header");
        QVERIFY(waitFor([&] { return !QFile::exists(client.path); }));
        QVERIFY(readAll(log).contains("video stream on " + name));
    }

    void servesSound()
    {
        startServer();
        const QByteArray name = pipeName(2);
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindAudio));
        PipeClient client;
        QVERIFY(client.open(name));
        int64_t bytes = 0;
        bool loud = false;
        while (bytes < zdrelay::kAudioBytesPerSecond / 4) {
            zdrelay::FrameHeader h = {};
            QVERIFY(client.header(h));
            QCOMPARE(zdrelay::checkAudioHeader(h), zdrelay::HeaderCheck::Frame);
            QCOMPARE(h.width, 0u);
            const QByteArray samples = client.read(int(h.payloadBytes));
            QCOMPARE(samples.size(), int(h.payloadBytes));
            const int16_t* s = reinterpret_cast<const int16_t*>(samples.constData());
            for (int i = 0; i < samples.size() / 2; ++i)
                loud = loud || qAbs(s[i]) > 1000;
            bytes += h.payloadBytes;
        }
        QVERIFY2(loud, "the tone microphone is heard");
    }

    void readerThatLeavesEndsItsStream()
    {
        startServer();
        const QByteArray name = pipeName(3);
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindVideo));
        {
            PipeClient client;
            QVERIFY(client.open(name));
            zdrelay::FrameHeader h = {};
            QVERIFY(client.header(h));
        }
        QVERIFY(waitFor([&] { return readAll(log).contains("stream on " + name + " ended"); }));
        QVERIFY(!QFile::exists(zdrelay::kPipePathPrefix + name));
        // The server serves on.
        const QByteArray next = pipeName(4);
        QVERIFY(sendRequest(folder->path(), next, zdrelay::kCommandStart, zdrelay::kKindVideo));
        PipeClient client;
        QVERIFY(client.open(next));
        zdrelay::FrameHeader h = {};
        QVERIFY(client.header(h));
    }

    void refusesBadRequests()
    {
        startServer();
        // A pipe name that would be a path elsewhere.
        const QString file = folder->path() + "/" + zdrelay::kVideoSourceRequestFile;
        writeRequest(file, requestBytes("pipe_1/../../victim", 1, 0));
        QVERIFY(post(zdrelay::kServerSemaphore));
        QVERIFY(waitFor([&] { return readAll(log).contains("refused"); }));
        QVERIFY(!QFile::exists(file));
        // A link in place of the request file.
        const QString target = folder->path() + "/target";
        writeRequest(target, requestBytes(pipeName(5), 1, 0));
        QVERIFY(QFile::link(target, file));
        QVERIFY(post(zdrelay::kServerSemaphore));
        QVERIFY(waitFor([&] { return readAll(log).count("refused") == 2; }));
        QVERIFY(!QFileInfo(file).isSymLink());
        QVERIFY(!QFile::exists(zdrelay::kPipePathPrefix + pipeName(5)));
    }

    void endsCleanlyOnTerminate()
    {
        startServer();
        const QByteArray name = pipeName(6);
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindVideo));
        PipeClient client;
        QVERIFY(client.open(name));
        zdrelay::FrameHeader h = {};
        QVERIFY(client.header(h));
        QCOMPARE(client.read(int(h.payloadBytes)).size(), int(h.payloadBytes));
        server.terminate();
        QVERIFY2(readUntilEnd(client, zdrelay::kKindVideo), "no end header");
        QVERIFY(server.waitForFinished(15000));
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.exitCode(), 0);
        QVERIFY(!semaphoreExists(zdrelay::kServerSemaphore));
        QVERIFY(!QFile::exists(client.path));
    }

    void oneServerPerFolder()
    {
        startServer();
        QProcess second;
        second.setProcessEnvironment(environmentWith(folder->path()));
        second.start(QString(ZD_TEST_BIN_DIR) + "/vidrelay", {"12345", log + ".2"});
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(readAll(log + ".2").contains("already running"));
        QVERIFY(semaphoreExists(zdrelay::kServerSemaphore));
    }

    void startedByTheAgent()
    {
        // The agent of the build beside its server, as an install has them.
        QProcess agent;
        agent.setProcessEnvironment(environmentWith(folder->path()));
        agent.start(QString(ZD_TEST_BIN_DIR) + "/plugwarden", {});
        QVERIFY(agent.waitForStarted(10000));
        QVERIFY(waitFor([] { return semaphoreExists("sem_zd_vidrelay"); }));
        writeRequest(folder->path() + "/com.zd.vidrelay.conf", ("log=" + log + "\n").toUtf8());
        QVERIFY(post("sem_zd_vidrelay"));
        QVERIFY2(waitFor([] { return semaphoreExists(zdrelay::kServerSemaphore); }),
                 "the agent started no server");

        const QByteArray name = pipeName(7);
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindVideo));
        PipeClient client;
        QVERIFY(client.open(name));
        zdrelay::FrameHeader h = {};
        QVERIFY(client.header(h));
        QCOMPARE(zdrelay::checkVideoHeader(h), zdrelay::HeaderCheck::Frame);
        QCOMPARE(client.read(int(h.payloadBytes)).size(), int(h.payloadBytes));

        // The server named its process in its log; it is stopped by that id.
        const QByteArray text = readAll(log);
        const int at = text.indexOf("(process ");
        QVERIFY(at > 0);
        const pid_t pid = pid_t(text.mid(at + 9, text.indexOf(')', at) - at - 9).toInt());
        QVERIFY(pid > 0);
        startedServer = pid;
        if (geteuid() == 0)
            QCOMPARE(getpriority(PRIO_PROCESS, id_t(pid)), -15);
        QCOMPARE(::kill(pid, SIGTERM), 0);
        startedServer = 0;
        QVERIFY(readUntilEnd(client, zdrelay::kKindVideo));
        QVERIFY(waitFor([] { return !semaphoreExists(zdrelay::kServerSemaphore); }));
        agent.kill();
        agent.waitForFinished(5000);
        sem_unlink("sem_zd_vidrelay");
    }

private:
    void startServer()
    {
        server.setProcessEnvironment(environmentWith(folder->path()));
        server.start(QString(ZD_TEST_BIN_DIR) + "/vidrelay", {"12345", log});
        QVERIFY(server.waitForStarted(10000));
        QVERIFY2(waitFor([] { return semaphoreExists(zdrelay::kServerSemaphore); }),
                 qPrintable("the server did not come up: " + readAll(log)));
    }

    // Reads frames until the end header; false when the stream broke first.
    static bool readUntilEnd(PipeClient& client, int32_t kind)
    {
        for (int frames = 0; frames < 1000; ++frames) {
            zdrelay::FrameHeader h = {};
            if (!client.header(h))
                return false;
            const zdrelay::HeaderCheck c = kind == zdrelay::kKindVideo
                                               ? zdrelay::checkVideoHeader(h)
                                               : zdrelay::checkAudioHeader(h);
            if (c == zdrelay::HeaderCheck::EndOfStream)
                return true;
            if (c == zdrelay::HeaderCheck::Broken ||
                client.read(int(h.payloadBytes)).size() != int(h.payloadBytes))
                return false;
        }
        return false;
    }

    std::unique_ptr<QTemporaryDir> folder;
    QString log;
    QProcess server;
    pid_t startedServer = 0;
};

QTEST_GUILESS_MAIN(TstVidrelay)
#include "tst_vidrelay.moc"
