// The plug-in's shared steps: frame header checks, audio timestamps, pipe
// names, the request record and its file, and the pipe read with time limits.
#include "fakerelay.h"
#include "plugintestsupport.h"
#include "zdotheruser.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>

using namespace obstest;
using zdrelay::HeaderCheck;

Q_DECLARE_METATYPE(zdrelay::HeaderCheck)

class TstObsCommon : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { folder = enterRequestFolder(); }
    void init()
    {
        // No semaphore: the next foreign one is told of again.
        sem_unlink(serverSemaphore().c_str());
        QVERIFY(!veltranobox::ServerRunning());
        clearLog();
    }
    void cleanup()
    {
        sem_unlink(serverSemaphore().c_str());
        for (const QByteArray& path : planted)
            ::unlink(path.constData());
        planted.clear();
    }

    void videoHeaders_data()
    {
        QTest::addColumn<uint>("payload");
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<HeaderCheck>("check");
        QTest::newRow("720p") << 1280u * 720 * 4 << 1280u << 720u << HeaderCheck::Frame;
        QTest::newRow("one pixel") << 4u << 1u << 1u << HeaderCheck::Frame;
        QTest::newRow("largest") << 4096u * 2160 * 4 << 4096u << 2160u << HeaderCheck::Frame;
        QTest::newRow("wider than the largest")
            << 4097u * 2160 * 4 << 4097u << 2160u << HeaderCheck::Broken;
        QTest::newRow("higher than the largest")
            << 4096u * 2161 * 4 << 4096u << 2161u << HeaderCheck::Broken;
        QTest::newRow("the largest on its side")
            << 2160u * 4096 * 4 << 2160u << 4096u << HeaderCheck::Broken;
        QTest::newRow("8192 x 8192") << 8192u * 8192 * 4 << 8192u << 8192u << HeaderCheck::Broken;
        QTest::newRow("end of stream") << 0u << 1280u << 720u << HeaderCheck::EndOfStream;
        QTest::newRow("payload too small")
            << 1280u * 720 * 4 - 4 << 1280u << 720u << HeaderCheck::Broken;
        QTest::newRow("payload too large")
            << 1280u * 720 * 4 + 4 << 1280u << 720u << HeaderCheck::Broken;
        QTest::newRow("zero width") << 4u << 0u << 1u << HeaderCheck::Broken;
        QTest::newRow("too wide") << 8193u * 4 << 8193u << 1u << HeaderCheck::Broken;
        // width x 4 wraps to the payload in 32 bits.
        QTest::newRow("width past 32 bits of bytes")
            << 4u << 0x40000001u << 1u << HeaderCheck::Broken;
    }
    void videoHeaders()
    {
        QFETCH(uint, payload);
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(HeaderCheck, check);
        zdrelay::FrameHeader h = {};
        h.payloadBytes = payload;
        h.width = width;
        h.height = height;
        QCOMPARE(zdrelay::checkVideoHeader(h), check);
    }

    void audioHeaders_data()
    {
        QTest::addColumn<uint>("payload");
        QTest::addColumn<HeaderCheck>("check");
        QTest::newRow("10 ms") << 1920u << HeaderCheck::Frame;
        QTest::newRow("one second") << 192000u << HeaderCheck::Frame;
        QTest::newRow("over a second") << 192004u << HeaderCheck::Broken;
        QTest::newRow("half a sample frame") << 1922u << HeaderCheck::Broken;
        QTest::newRow("end") << 0u << HeaderCheck::EndOfStream;
    }
    void audioHeaders()
    {
        QFETCH(uint, payload);
        QFETCH(HeaderCheck, check);
        zdrelay::FrameHeader h = {};
        h.payloadBytes = payload;
        QCOMPARE(zdrelay::checkAudioHeader(h), check);
    }

    void audioTimestamps_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<quint64>("ns");
        QTest::newRow("first") << quint64(0) << quint64(0);
        QTest::newRow("second 10 ms") << quint64(1920) << quint64(10000000);
        QTest::newRow("third 10 ms") << quint64(3840) << quint64(20000000);
        QTest::newRow("one sample frame") << quint64(4) << quint64(20833);
        // Past where bytes x 10^9 leaves 64 bits (about 26.7 hours).
        QTest::newRow("30 hours") << quint64(192000) * 3600 * 30 << quint64(3600) * 30 * 1000000000;
        QTest::newRow("a year and 10 ms")
            << quint64(192000) * 86400 * 365 + 1920 << quint64(86400) * 365 * 1000000000 + 10000000;
    }
    void audioTimestamps()
    {
        QFETCH(quint64, bytes);
        QFETCH(quint64, ns);
        QCOMPARE(quint64(veltranobox::AudioTimestampNs(bytes)), ns);
    }

    void pipeNames()
    {
        for (int i = 0; i < 20; ++i) {
            const std::string name = veltranobox::MakePipeName();
            QVERIFY2(QRegularExpression("^pipe_[0-9]{1,5}$")
                         .match(QString::fromStdString(name))
                         .hasMatch(),
                     name.c_str());
            QVERIFY(zdrelay::validPipeName(name.c_str(), name.size() + 1));
        }
    }

    void requestRecords_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("file");
        QTest::newRow("video start") << 0 << 1 << "com.zd.vm.audio.conf";
        QTest::newRow("video stop") << 0 << 2 << "com.zd.vm.audio.conf";
        QTest::newRow("audio start") << 1 << 1 << "com.zd.vm.video.conf";
    }
    void requestRecords()
    {
        QFETCH(int, kind);
        QFETCH(int, command);
        QFETCH(QString, file);
        sem_t* s = sem_open(serverSemaphore().c_str(), O_CREAT, 0600, 0);
        QVERIFY(s != SEM_FAILED);
        QVERIFY(veltranobox::ServerRunning());
        veltranobox::send_server_cmd("pipe_4711", command, kind);
        QFile f(folder + "/" + file);
        // The server reads it through the folder's group; only this user
        // writes it, so that the request is this user's word.
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(f.fileName()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0640);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 72);
        QCOMPARE(bytes.left(10), QByteArray("pipe_4711\0", 10));
        QCOMPARE(bytes.mid(9, 55), QByteArray(55, '\0'));
        int32_t fields[2];
        std::memcpy(fields, bytes.constData() + 64, 8);
        QCOMPARE(fields[0], command);
        QCOMPARE(fields[1], kind);
        int value = -1;
        sem_getvalue(s, &value);
        QCOMPARE(value, 1);
        sem_close(s);
        f.remove();
        // Nothing beside it: written whole under another name first.
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    }

    void failedWriteStillPosts()
    {
        sem_t* s = sem_open(serverSemaphore().c_str(), O_CREAT, 0600, 0);
        QVERIFY(s != SEM_FAILED);
        qputenv("ZD_REQUEST_DIR", "/nonexistent/requests");
        clearLog();
        veltranobox::send_server_cmd("pipe_1", 1, 0);
        qputenv("ZD_REQUEST_DIR", folder.toUtf8());
        QVERIFY(logged().contains("write file /nonexistent/requests/com.zd.vm.audio.conf failed."));
        int value = -1;
        sem_getvalue(s, &value);
        QCOMPARE(value, 1);
        sem_close(s);
        sem_unlink(serverSemaphore().c_str());
        QVERIFY(!veltranobox::ServerRunning());
        // No server: nothing to post, nothing breaks.
        veltranobox::send_server_cmd("pipe_2", 1, 0);
    }

    void onlyPipesAreOpened()
    {
        const QString path =
            QString(zdrelay::kPipePathPrefix) + "pipe_" + QString::number(getpid());
        QFile plain(path);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        clearLog();
        QCOMPARE(veltranobox::OpenPipeFile(("pipe_" + QByteArray::number(getpid())).toStdString()),
                 -1);
        QVERIFY(logged().join('\n').contains("open pipe failed. " + path));
        plain.remove();
    }

    // /tmp is everyone's: only a pipe of this user or root that nobody else
    // may open carries a server's frames.
    void pipeOwnersAndModes_data()
    {
        QTest::addColumn<QString>("maker");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("own pipe") << "self"
                                  << "pipe" << 0600 << true;
        QTest::newRow("own pipe, the group reads") << "self"
                                                   << "pipe" << 0640 << false;
        QTest::newRow("own pipe, others write") << "self"
                                                << "pipe" << 0602 << false;
        QTest::newRow("own file") << "self"
                                  << "file" << 0600 << false;
        QTest::newRow("a link to an own pipe") << "self"
                                               << "link" << 0600 << false;
        QTest::newRow("another user's pipe") << "nobody"
                                             << "pipe" << 0600 << false;
        QTest::newRow("another user's pipe, open to all") << "nobody"
                                                          << "pipe" << 0666 << false;
    }
    void pipeOwnersAndModes()
    {
        QFETCH(QString, maker);
        QFETCH(QString, type);
        QFETCH(int, mode);
        QFETCH(bool, accepted);
        const std::string name = "pipe_" + std::to_string(getpid() % 100000 + 800000);
        const QByteArray path = QByteArray(zdrelay::kPipePathPrefix) + name.c_str();
        ::unlink(path.constData());
        planted = {path, path + ".target"};
        if (maker == "nobody") {
            zdtest::OtherUser nobody;
            QString why;
            if (!zdtest::otherUser(nobody, why))
                QSKIP(qPrintable(why));
            QCOMPARE(zdtest::runAs(nobody, "mkfifo",
                                   {"-m", QString::number(mode, 8), QString::fromUtf8(path)}),
                     0);
        } else if (type == "pipe") {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            QCOMPARE(::chmod(path.constData(), mode_t(mode)), 0);
        } else if (type == "file") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        } else {
            QCOMPARE(::mkfifo(planted[1].constData(), 0600), 0);
            QCOMPARE(::symlink(planted[1].constData(), path.constData()), 0);
        }
        bool refused = true;
        const int fd = veltranobox::OpenPipeFile(name, &refused);
        QCOMPARE(fd >= 0, accepted);
        QCOMPARE(refused, !accepted);
        QCOMPARE(logged().join('\n').contains("pipe " + path + " refused"), !accepted);
        if (fd >= 0)
            ::close(fd);
    }

    // Anyone may create a semaphore of the server's name: one that root or
    // this user did not make neither counts as a running server nor is posted.
    void semaphoreOwnersAndModes_data()
    {
        QTest::addColumn<QString>("maker");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("own") << "self" << 0600 << true;
        QTest::newRow("own, the group posts") << "self" << 0660 << true;
        QTest::newRow("own, everyone posts") << "self" << 0666 << false;
        QTest::newRow("another user's") << "nobody" << 0644 << false;
        QTest::newRow("another user's, everyone posts") << "nobody" << 0666 << false;
    }
    void semaphoreOwnersAndModes()
    {
        QFETCH(QString, maker);
        QFETCH(int, mode);
        QFETCH(bool, trusted);
        const std::string name = serverSemaphore();
        char file[256];
        zd_semaphore_path(name.c_str(), file, sizeof file);
        if (maker == "nobody") {
            zdtest::OtherUser nobody;
            QString why;
            if (!zdtest::otherUser(nobody, why))
                QSKIP(qPrintable(why));
            // What sem_open makes: a small file in the shared memory folder.
            QCOMPARE(zdtest::runAs(nobody, "/bin/sh",
                                   {"-c", "truncate -s 32 \"$1\" && chmod \"$2\" \"$1\"", "sh",
                                    file, QString::number(mode, 8)}),
                     0);
        } else {
            sem_t* made = sem_open(name.c_str(), O_CREAT | O_EXCL, 0600, 0);
            QVERIFY(made != SEM_FAILED);
            sem_close(made);
            QCOMPARE(::chmod(file, mode_t(mode)), 0);
        }
        for (int i = 0; i < 3; ++i)
            QCOMPARE(veltranobox::ServerRunning(), trusted);
        veltranobox::send_server_cmd("pipe_1", zdrelay::kCommandStart, zdrelay::kKindVideo);
        sem_t* s = sem_open(name.c_str(), 0);
        QVERIFY(s != SEM_FAILED);
        int value = -1;
        sem_getvalue(s, &value);
        sem_close(s);
        QCOMPARE(value, trusted ? 1 : 0);
        // Told once, not at every poll.
        QCOMPARE(
            int(logged().filter("semaphore " + QString::fromStdString(name) + " refused").size()),
            trusted ? 0 : 1);
        QFile::remove(folder + "/com.zd.vm.audio.conf");
    }

    void readsWithTimeLimits()
    {
        const std::string name = "pipe_" + std::to_string(getpid() % 100000 + 900000);
        const std::string path = zdrelay::kPipePathPrefix + name;
        ::unlink(path.c_str());
        QCOMPARE(mkfifo(path.c_str(), 0600), 0);
        const int reader = veltranobox::OpenPipeFile(name);
        QVERIFY(reader > 0);
        std::atomic<bool> running{true};
        char buffer[8192];

        // Before the writer comes: nothing, after the silence allowed.
        QElapsedTimer t;
        t.start();
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 16, running, 300), 0u);
        QVERIFY(t.elapsed() >= 250);

        const int writer = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        QVERIFY(writer > 0);
        QByteArray data(5000, 'd');
        QCOMPARE(::write(writer, data.constData(), 5000), ssize_t(5000));
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 5000, running, 5000), 5000u);
        QCOMPARE(QByteArray(buffer, 5000), data);

        // A silent writer: a cleared flag ends the read at once.
        std::thread clear([&] {
            QThread::msleep(200);
            running = false;
        });
        t.restart();
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 24, running, 60000), 0u);
        clear.join();
        QVERIFY2(t.elapsed() < 1000, "the read outlived its source");

        // The writer goes halfway.
        running = true;
        clearLog();
        QCOMPARE(::write(writer, data.constData(), 10), ssize_t(10));
        ::close(writer);
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 24, running, 5000), 10u);
        QVERIFY(logged().contains("pipe read error. want=24,but=10"));
        ::close(reader);
        ::unlink(path.c_str());
    }

private:
    QString folder;
    QList<QByteArray> planted;
};

QTEST_GUILESS_MAIN(TstObsCommon)
#include "tst_obscommon.moc"
