// The capture server: its request records, and the real server serving the
// engine's test-pattern camera and tone microphone to clients that ask the
// way the OBS sources do.
#include "agentprocess.h"
#include "pipeclient.h"
#include "pipeledger.h"
#include "relayrequest.h"
#include "relayserver.h"
#include "zdotheruser.h"
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

QByteArray pipePath(int n)
{
    return zdrelay::kPipePathPrefix + pipeName(n);
}

QByteArray serverSemaphore()
{
    return QByteArray::fromStdString(zdrelay::serverSemaphoreName());
}

// A device that opens and never gives a picture or a sound, or one that
// draws pictures of the size given.
QByteArray deviceScript(int width = 0, int height = 0)
{
    const QByteArray pictures = width > 0 ? R"(, "pictures": "testsrc2")" : "";
    const QByteArray size =
        width > 0 ? QByteArray::number(width) + R"(, "height": )" + QByteArray::number(height)
                  : R"(1280, "height": 720)";
    return R"({"devices": [{"name": "Box Under Test", "path": "usb-VID_1234&PID_5678-9",
        "kind": 0)" +
           pictures + R"(, "formats": [{"width": )" + size +
           R"(, "fps": 5, "fourcc": "YUY2", "codec": "YUY2"}]}]})";
}

struct Identity {
    bool exists;
    uid_t owner;
    ino_t inode;
    mode_t mode;
};

Identity identityOf(const QByteArray& path)
{
    struct stat st = {};
    if (::lstat(path.constData(), &st) != 0)
        return {false, 0, 0, 0};
    return {true, st.st_uid, st.st_ino, st.st_mode};
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

    void initTestCase()
    {
        useOwnNames();
        otherUserReady = zdtest::otherUser(nobody, noOtherUser);
    }

    void init()
    {
        folder.reset(new QTemporaryDir);
        QVERIFY(folder->isValid());
        log = folder->path() + "/vidrelay.log";
        // As installed: root's, and the requesters' group (nobody's here)
        // writes in it.
        if (otherUserReady) {
            const QByteArray path = folder->path().toUtf8();
            QCOMPARE(::chown(path.constData(), 0, nobody.gid), 0);
            QCOMPARE(::chmod(path.constData(), 02770), 0);
        }
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
        if (other.state() != QProcess::NotRunning) {
            other.kill();
            other.waitForFinished(5000);
        }
        // What a test put at pipe paths itself goes first.
        for (const QByteArray& path : planted)
            ::unlink(path.constData());
        planted.clear();
        bool outlived = false;
        for (int n = 1; n <= 99; ++n) {
            if (identityOf(pipePath(n)).exists) {
                outlived = true;
                ::unlink(pipePath(n).constData());
            }
        }
        QVERIFY2(!outlived, "a pipe outlived the server");
        // A server the agent started and a failed test left running.
        if (startedServer > 0)
            ::kill(startedServer, SIGKILL);
        startedServer = 0;
        sem_unlink(serverSemaphore());
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
        QVERIFY(post(serverSemaphore()));
        QVERIFY(waitFor([&] { return readAll(log).contains("refused"); }));
        QVERIFY(!QFile::exists(file));
        // A link in place of the request file.
        const QString target = folder->path() + "/target";
        writeRequest(target, requestBytes(pipeName(5), 1, 0));
        QVERIFY(QFile::link(target, file));
        QVERIFY(post(serverSemaphore()));
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
        QVERIFY(!semaphoreExists(serverSemaphore()));
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
        QVERIFY(semaphoreExists(serverSemaphore()));
    }

    void startedByTheAgent()
    {
        // The agent of the build beside its server, as an install has them.
        QProcess agent;
        agent.setProcessEnvironment(environmentWith(folder->path()));
        agent.start(QString(ZD_TEST_BIN_DIR) + "/plugwarden", {});
        QVERIFY(agent.waitForStarted(10000));
        QVERIFY(waitFor([] { return semaphoreExists(ipcName("sem_zd_vidrelay")); }));
        writeRequest(folder->path() + "/com.zd.vidrelay.conf", ("log=" + log + "\n").toUtf8());
        QVERIFY(post(ipcName("sem_zd_vidrelay")));
        // Under this test's tag: the agent hands it on.
        QVERIFY2(waitFor([] { return semaphoreExists(serverSemaphore()); }),
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
        QVERIFY(waitFor([] { return !semaphoreExists(serverSemaphore()); }));
        agent.kill();
        agent.waitForFinished(5000);
        sem_unlink(ipcName("sem_zd_vidrelay"));
    }

    void othersCannotHoldTheServersLock_data()
    {
        QTest::addColumn<QString>("probe");
        QTest::newRow("the former lock's abstract name bound by another user") << "abstract";
        QTest::newRow("a lock file of another user, locked") << "held";
        QTest::newRow("a hard link in place of the lock file") << "hard link";
    }
    void othersCannotHoldTheServersLock()
    {
        QFETCH(QString, probe);
        const QString lock = folder->path() + "/" + RelayServer::kLockFileName;
        QTemporaryDir outside;
        const QString precious = outside.path() + "/precious";
        if (probe == "hard link") {
            writeRequest(precious, "precious\n");
            QCOMPARE(::link(precious.toUtf8().constData(), lock.toUtf8().constData()), 0);
        } else {
            if (!otherUserReady)
                QSKIP(qPrintable(noOtherUser));
            if (probe == "abstract") {
                if (!QFile::exists("/usr/bin/python3"))
                    QSKIP("/usr/bin/python3 is not installed");
                zdtest::startAs(other, nobody, "/usr/bin/python3",
                                {"-c",
                                 "import socket,sys,time\n"
                                 "s=socket.socket(socket.AF_UNIX)\n"
                                 "s.bind(b'\\0veltrano-vidrelay:'+sys.argv[1].encode())\n"
                                 "print('bound',flush=True)\ntime.sleep(300)",
                                 folder->path()});
                QVERIFY(other.waitForStarted(10000));
                QVERIFY(waitFor([&] {
                    other.waitForReadyRead(50);
                    return other.peek(5) == "bound";
                }));
            } else {
                // Held by the process itself, which the test stops.
                zdtest::startAs(other, nobody, "flock", {"--no-fork", lock, "sleep", "300"});
                QVERIFY(other.waitForStarted(10000));
                QVERIFY(waitFor([&] { return identityOf(lock.toUtf8()).owner == nobody.uid; }));
            }
        }
        startServer();
        const QByteArray name = pipeName(8);
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindVideo));
        PipeClient client;
        QVERIFY(client.open(name));
        zdrelay::FrameHeader h = {};
        QVERIFY(client.header(h));
        QCOMPARE(identityOf(lock.toUtf8()).owner, geteuid());
        if (probe == "hard link")
            QCOMPARE(readAll(precious), QByteArray("precious\n"));
    }

    void pipePathOfAnotherUserIsLeftAlone_data()
    {
        QTest::addColumn<QString>("thing");
        QTest::newRow("a file") << "file";
        QTest::newRow("a pipe") << "pipe";
        QTest::newRow("a pipe open to all") << "open pipe";
        QTest::newRow("a link") << "link";
    }
    void pipePathOfAnotherUserIsLeftAlone()
    {
        QFETCH(QString, thing);
        if (!otherUserReady)
            QSKIP(qPrintable(noOtherUser));
        const QByteArray name = pipeName(11);
        const QByteArray path = pipePath(11);
        planted.append(path);
        QStringList args;
        if (thing == "file")
            args = QStringList{"/bin/sh", "-c", "printf mine > \"$1\"", "sh", path};
        else if (thing == "pipe")
            args = QStringList{"mkfifo", "-m", "0600", path};
        else if (thing == "open pipe")
            args = QStringList{"mkfifo", "-m", "0666", path};
        else
            args = QStringList{"ln", "-s", "/etc/hostname", path};
        QCOMPARE(zdtest::runAs(nobody, args.takeFirst(), args), 0);
        const Identity before = identityOf(path);
        QCOMPARE(before.owner, nobody.uid);

        startServer();
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindVideo));
        QVERIFY(
            waitFor([&] { return readAll(log).contains("the pipe path " + path + " is taken"); }));
        // Neither removed nor replaced nor written.
        const Identity after = identityOf(path);
        QVERIFY(after.exists);
        QCOMPARE(after.owner, before.owner);
        QCOMPARE(after.inode, before.inode);
        QCOMPARE(after.mode, before.mode);
        if (thing == "file")
            QCOMPARE(readAll(path), QByteArray("mine"));
        // The server stops cleanly and leaves it there.
        server.terminate();
        QVERIFY(server.waitForFinished(15000));
        QCOMPARE(identityOf(path).inode, before.inode);
    }

    void stopOnlyByWhoStarted_data()
    {
        QTest::addColumn<QString>("starter");
        QTest::addColumn<QString>("stopper");
        QTest::addColumn<bool>("stops");
        QTest::newRow("own stream, own stop") << "root"
                                              << "root" << true;
        QTest::newRow("own stream, another user's stop") << "root"
                                                         << "nobody" << false;
        QTest::newRow("another user's stream, its stop") << "nobody"
                                                         << "nobody" << true;
        QTest::newRow("another user's stream, root's stop") << "nobody"
                                                            << "root" << false;
        QTest::newRow("own stream, stop in a file others may write") << "root"
                                                                     << "group writes" << false;
    }
    void stopOnlyByWhoStarted()
    {
        QFETCH(QString, starter);
        QFETCH(QString, stopper);
        QFETCH(bool, stops);
        if (!otherUserReady && (starter == "nobody" || stopper == "nobody"))
            QSKIP(qPrintable(noOtherUser));
        startServer();
        const QByteArray name = pipeName(12);
        requestAs(starter, name, zdrelay::kCommandStart);
        PipeClient client;
        QVERIFY(client.open(name));
        zdrelay::FrameHeader h = {};
        QVERIFY(client.header(h));
        QCOMPARE(client.read(int(h.payloadBytes)).size(), int(h.payloadBytes));

        const int lines = readAll(log).count('\n');
        requestAs(stopper, name, zdrelay::kCommandStop);
        if (stops) {
            QVERIFY2(readUntilEnd(client, zdrelay::kKindVideo), "no end header");
            QVERIFY(waitFor([&] { return !QFile::exists(client.path); }));
            return;
        }
        QVERIFY(waitFor([&] {
            const QByteArray added = readAll(log).split('\n').mid(lines).join('\n');
            return added.contains("refused");
        }));
        // The stream goes on; its owner still ends it.
        QVERIFY(client.header(h));
        QCOMPARE(zdrelay::checkVideoHeader(h), zdrelay::HeaderCheck::Frame);
        QCOMPARE(client.read(int(h.payloadBytes)).size(), int(h.payloadBytes));
        requestAs(starter, name, zdrelay::kCommandStop);
        QVERIFY2(readUntilEnd(client, zdrelay::kKindVideo), "no end header");
    }

    void killedRunsPipesGoAtTheNextStart()
    {
        startServer();
        // Nobody reads them: they wait for their readers.
        for (int n = 21; n <= 23; ++n) {
            QVERIFY(sendRequest(folder->path(), pipeName(n), zdrelay::kCommandStart,
                                zdrelay::kKindVideo));
            QVERIFY(waitFor([&] { return identityOf(pipePath(n)).exists; }));
        }
        // A pipe that this server did not make.
        planted.append(pipePath(24));
        QCOMPARE(::mkfifo(pipePath(24).constData(), 0600), 0);
        server.kill();
        QVERIFY(server.waitForFinished(15000));
        QVERIFY(identityOf(pipePath(21)).exists);
        sem_unlink(serverSemaphore());

        startServer();
        QVERIFY(waitFor([&] {
            return !identityOf(pipePath(21)).exists && !identityOf(pipePath(22)).exists &&
                   !identityOf(pipePath(23)).exists;
        }));
        QCOMPARE(readAll(log).count("that an earlier run left"), 3);
        QVERIFY(identityOf(pipePath(24)).exists);
    }

    void pipeLedgerLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("entries");
        QTest::newRow("two") << QByteArray("/tmp/capp_pipe_1 2 3\n/tmp/capp_pipe_4 5 6\n") << 2;
        QTest::newRow("no line end") << QByteArray("/tmp/capp_pipe_1 2 3") << 0;
        QTest::newRow("another path") << QByteArray("/etc/passwd 2 3\n") << 0;
        QTest::newRow("a path leaving /tmp") << QByteArray("/tmp/capp_pipe_1/../x 2 3\n") << 0;
        QTest::newRow("no inode") << QByteArray("/tmp/capp_pipe_1 2\n") << 0;
        QTest::newRow("a NUL in the path") << QByteArray("/tmp/capp_pipe_1\0x 2 3\n", 23) << 0;
        QTest::newRow("trailing text") << QByteArray("/tmp/capp_pipe_1 2 3 x\n") << 0;
        QTest::newRow("past 64 bits")
            << QByteArray("/tmp/capp_pipe_1 2 18446744073709551616\n") << 0;
        QByteArray many;
        for (int i = 0; i < 100; ++i)
            many += "/tmp/capp_pipe_" + QByteArray::number(i) + " 1 1\n";
        QTest::newRow("more than kept") << many << int(PipeLedger::kMaxEntries);
    }
    void pipeLedgerLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, entries);
        const auto parsed = PipeLedger::parse(text.constData(), size_t(text.size()));
        QCOMPARE(int(parsed.size()), entries);
        if (entries == 2) {
            QCOMPARE(parsed[1].path, std::string("/tmp/capp_pipe_4"));
            QCOMPARE(parsed[1].device, uint64_t(5));
            QCOMPARE(parsed[1].inode, uint64_t(6));
        }
    }

    // A device that sends nothing: readers that went without a stop (a
    // source reconnects after 5 s of silence) free their streams, so that
    // the server keeps serving new requests.
    void silentDeviceEndsStreamsOfGoneReaders_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("video") << int(zdrelay::kKindVideo);
        QTest::newRow("audio") << int(zdrelay::kKindAudio);
    }
    void silentDeviceEndsStreamsOfGoneReaders()
    {
        QFETCH(int, kind);
        startServer("Box Under Test", deviceScript());
        for (int i = 0; i <= int(RelayServer::kMaxStreams); ++i) {
            const QByteArray name = pipeName(30 + i);
            QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, kind));
            PipeClient client;
            QVERIFY(client.open(name));
            // Gone once the server has its end open.
            QVERIFY(waitFor([&] { return readAll(log).contains("stream on " + name + "\n"); }));
            client.close();
            QVERIFY2(waitFor([&] { return readAll(log).contains("stream on " + name + " ended"); },
                             10000),
                     qPrintable("the stream of a reader that went stays: " + name));
        }
        QVERIFY(!readAll(log).contains("streams run already"));
    }

    void largestPicture_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("sent");
        QTest::newRow("4096 x 2160") << 4096 << 2160 << true;
        QTest::newRow("4098 x 2160") << 4098 << 2160 << false;
        QTest::newRow("2160 x 4096") << 2160 << 4096 << false;
    }
    void largestPicture()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, sent);
        startServer("Box Under Test", deviceScript(width, height));
        const QByteArray name = pipeName(50);
        QVERIFY(sendRequest(folder->path(), name, zdrelay::kCommandStart, zdrelay::kKindVideo));
        PipeClient client;
        QVERIFY(client.open(name));
        if (sent) {
            zdrelay::FrameHeader h = {};
            QVERIFY(client.header(h));
            QCOMPARE(h.width, uint32_t(width));
            QCOMPARE(h.height, uint32_t(height));
            QCOMPARE(zdrelay::checkVideoHeader(h), zdrelay::HeaderCheck::Frame);
            return;
        }
        const QByteArray told = "pictures of " + QByteArray::number(width) + "x" +
                                QByteArray::number(height) + " are larger than 4096x2160";
        QVERIFY(waitFor([&] { return readAll(log).contains(told); }));
        QCOMPARE(client.read(1, 100), QByteArray());
    }

    void refusesAHardLinkedLog()
    {
        QTemporaryDir outside;
        const QString precious = outside.path() + "/precious";
        writeRequest(precious, "precious\n");
        QCOMPARE(::link(precious.toUtf8().constData(), log.toUtf8().constData()), 0);
        startServer();
        server.setReadChannel(QProcess::StandardError);
        QVERIFY(waitFor([&] {
            server.waitForReadyRead(50);
            return server.peek(4096).contains("cannot open the log");
        }));
        QCOMPARE(readAll(precious), QByteArray("precious\n"));
    }

private:
    void startServer(const QString& serverName = "12345", const QByteArray& script = QByteArray())
    {
        QProcessEnvironment env = environmentWith(folder->path());
        if (!script.isEmpty()) {
            const QString file = folder->path() + "/devices.json";
            writeRequest(file, script);
            env.insert("VAZURIDAV_DEVICES", file);
        }
        server.setProcessEnvironment(env);
        server.start(QString(ZD_TEST_BIN_DIR) + "/vidrelay", {serverName, log});
        QVERIFY(server.waitForStarted(10000));
        QVERIFY2(waitFor([] { return semaphoreExists(serverSemaphore()); }),
                 qPrintable("the server did not come up: " + readAll(log)));
    }

    // Writes a request as that user ("group writes": root's, in a file that
    // the folder's group may write too) and posts the server's semaphore.
    void requestAs(const QString& user, const QByteArray& name, int32_t command)
    {
        const QString file = folder->path() + "/" + zdrelay::kVideoSourceRequestFile;
        const QByteArray bytes = requestBytes(name, command, zdrelay::kKindVideo);
        if (user == "nobody") {
            const QString source = folder->path() + "/request.src";
            writeRequest(source, bytes);
            QCOMPARE(zdtest::runAs(nobody, "cp", {source, file}), 0);
            QFile::remove(source);
        } else {
            writeRequest(file, bytes);
            if (user == "group writes")
                QCOMPARE(::chmod(file.toUtf8().constData(), 0664), 0);
        }
        QVERIFY(post(serverSemaphore()));
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
    zdtest::OtherUser nobody;
    bool otherUserReady = false;
    QString noOtherUser;
    // A process of the other user, and paths a test put under /tmp itself.
    QProcess other;
    QList<QByteArray> planted;
};

QTEST_GUILESS_MAIN(TstVidrelay)
#include "tst_vidrelay.moc"
